#pragma once

#include <QString>

#include <functional>
#include <optional>

// The device name index "VM_ID.Index" in the data base folder: one line per module, module ID,
// TAB, the name of its data folder. Without the file every module is named by its ID.

// Largest index read: some ten thousand lines.
constexpr qint64 kMaxNameIndexBytes = qint64{4} << 20;

// Replaces each of the characters \ / * " > < | ? : ; , and blank, and a leading point, by "_",
// so that a module ID or name can name a folder inside the base folder.
QString CleanFolderName(QString name);

// Reads the index of a base folder (at start and whenever the base folder changes). An index
// that is no regular file of at most kMaxNameIndexBytes, or cannot be read, is not used, with a
// message: every module is then named by its ID.
void LoadNameIndex(const QString& baseFolder);
// The name of a module: the ID itself without an index; nothing when the index has no entry.
// An entry whose ID equals moduleId after cleaning matches too (data files carry cleaned IDs),
// after any exact match.
std::optional<QString> LookupName(const QString& moduleId);
QString NameOrId(const QString& moduleId);
// Asks the user for the name of a module's folder and appends it to the index (only when the
// index file exists). Returns the name entered, or the ID when the user cancels.
QString AskName(const QString& moduleId);

// The text input the program asks with (title, prompt, initial text); nothing on Cancel. The GUI
// installs its input dialog; without one every question is cancelled. The handler runs on the
// main thread, whichever thread asks.
using TextInputHandler = std::function<std::optional<QString>(
    const QString& title, const QString& prompt, const QString& initial)>;
void SetTextInputHandler(TextInputHandler handler);
