#pragma once

#include "base/TextIds.h"

#include <QString>

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>

// Text services shared by every front end: the string table in the user's language, the
// replaceable message box and the protocol sink. Qt Core only, so the device link, the data
// code and the command-line front end use them without widgets.

enum class Language { English, German };

void SetLanguage(Language language);
Language CurrentLanguage();
// "_EN" or "_DE", the suffix of language-specific resources.
QString LanguageSuffix();
// The language of the user's locale: German for German locales, English otherwise.
Language SystemLanguage();
// The language for a two-letter code such as the stored "Language" setting or the start of a
// locale name ("de", "DE", "de-AT", "es"): German for "de" in any case, English for the rest.
Language LanguageForCode(const QString& code);

// The text of a string-table entry in the current language; a missing entry gives an empty
// text, never the other language.
QString LoadText(int id);
// Appends the text of a string-table entry.
void AppendText(QString& text, int id);
// The entry's text with %1, %2, ... replaced by the arguments.
QString FormatText(int id, const QStringList& args);
// A text of a window's template (button, label, menu, caption), written in English in the code,
// in the current language.
QString TemplateText(const char* english);

// Button sets of the message box (the low four style bits) and the codes it returns.
enum MessageStyle : unsigned { MB_OK = 0, MB_OKCANCEL = 1, MB_YESNO = 4, MB_RETRYCANCEL = 5 };
enum MessageAnswer : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDABORT = 3,
    IDRETRY = 4,
    IDIGNORE = 5,
    IDYES = 6,
    IDNO = 7
};

// Every prompt of the program goes through this one function. The GUI installs a dialog, the
// command-line front end and the tests install answers of their own. Without a handler the box
// answers with its default: OK for an OK box, Cancel or No otherwise. ShowMessage may be called
// from any thread: the handler always runs on the main thread while the caller waits, so it may
// build widgets.
using MessageBoxHandler =
    std::function<int(const QString& text, unsigned style, const QString& caption)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

// Shows the message box and then writes "MsgBox: caption\ntext [ANSWER]" to the protocol.
int ShowMessage(const QString& text, unsigned style, const QString& caption);
// ShowMessage with the text of a string-table entry and the application name as caption.
int ShowMessageId(int id, unsigned style = MB_OK);
// Shows the text of a failure (at most 256 characters) in an OK box; a failure without text
// shows nothing and answers Cancel.
int ShowError(const std::exception& error);
// The name of a message-box answer as written to the protocol ("OK", "CANCEL", ..., "???").
QString AnswerName(int answer);

// Where protocol lines go: the main window's protocol window, or the command-line front end.
// Like the message box, the handler runs on the main thread whichever thread writes.
using ProtocolHandler = std::function<void(const QString& line)>;
void SetProtocolHandler(ProtocolHandler handler);
void WriteProtocol(const QString& line);

// A 16-bit value as "00000000 00000000": bits 15..8, a blank, bits 7..0.
QString BinaryText16(std::uint16_t value);
// Replaces every character of text that occurs in set by with.
void ReplaceChars(QString& text, QStringView set, QChar with);
// Whether folder/name exists; whether path exists and is a folder.
bool PathExists(const QString& folder, const QString& name);
bool IsFolder(const QString& path);
// Removes one trailing path separator ('\\' or '/').
void StripTrailingBackslash(QString& path);
