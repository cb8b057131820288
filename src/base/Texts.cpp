#include "base/Texts.h"

#include "base/ThreadCall.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QMutex>
#include <QStringList>

#include <atomic>

namespace {

std::atomic<Language> g_language{Language::English};
MessageBoxHandler g_messageBox;
ProtocolHandler g_protocol;

// Undoes the escapes of the text tables: \n, \t and \\ (a CR is dropped).
QString Unescape(QStringView raw) {
    QString text;
    text.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == u'\\' && i + 1 < raw.size()) {
            const QChar e = raw[++i];
            text += e == u'n' ? QChar(u'\n') : e == u't' ? QChar(u'\t') : e;
        } else if (raw[i] != u'\r') {
            text += raw[i];
        }
    }
    return text;
}

// One entry per line: the key, a TAB and the text, both escaped; lines without a TAB and lines
// starting with '#' are comments.
QList<std::pair<QString, QString>> ParseLines(const QString& path) {
    QList<std::pair<QString, QString>> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    const QString all = QString::fromUtf8(file.readAll());
    for (QStringView line : QStringView(all).split(u'\n')) {
        const qsizetype tab = line.indexOf(u'\t');
        if (tab <= 0 || line.startsWith(u'#'))
            continue;
        entries.append({Unescape(line.left(tab)), Unescape(line.mid(tab + 1))});
    }
    return entries;
}

// The string table of a language: numeric ids.
QHash<int, QString> ParseTable(const QString& path) {
    QHash<int, QString> table;
    for (const auto& [key, text] : ParseLines(path)) {
        bool ok = false;
        const int id = key.toInt(&ok);
        if (ok)
            table.insert(id, text);
    }
    return table;
}

// The German forms of the template texts, keyed by their English form.
const QHash<QString, QString>& GermanTemplates() {
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> german;
        for (const auto& [english, text] : ParseLines(QStringLiteral(":/strings/templates-de.txt")))
            german.insert(english, text);
        return german;
    }();
    return table;
}

const QHash<int, QString>& Table(Language language) {
    static const QHash<int, QString> english = ParseTable(QStringLiteral(":/strings/en.txt"));
    static const QHash<int, QString> german = ParseTable(QStringLiteral(":/strings/de.txt"));
    return language == Language::German ? german : english;
}

} // namespace

void SetLanguage(Language language) {
    g_language = language;
}

Language CurrentLanguage() {
    return g_language;
}

QString LanguageSuffix() {
    return g_language == Language::German ? QStringLiteral("_DE") : QStringLiteral("_EN");
}

Language SystemLanguage() {
    return QLocale::system().language() == QLocale::German ? Language::German : Language::English;
}

QString TemplateText(const char* english) {
    const QString text = QString::fromUtf8(english);
    if (CurrentLanguage() == Language::German)
        return GermanTemplates().value(text, text);
    return text;
}

QString LoadText(int id) {
    return Table(g_language).value(id);
}

QString FormatText(int id, const QStringList& args) {
    QString text = LoadText(id);
    // Replace from the highest number down so that %1 does not eat the start of %10.
    for (qsizetype i = args.size(); i >= 1; --i)
        text.replace(QStringLiteral("%") + QString::number(i), args[i - 1]);
    return text;
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
    g_messageBox = std::move(handler);
}

QString AnswerName(int answer) {
    static const char* const names[] = {"OK", "CANCEL", "ABORT", "RETRY", "IGNORE", "YES", "NO"};
    return answer >= 1 && answer <= 7 ? QString::fromLatin1(names[answer - 1])
                                      : QStringLiteral("???");
}

int ShowMessage(const QString& text, unsigned style, const QString& caption) {
    int answer = 0;
    // The box is a widget and the protocol ends in one: both run on the main thread, whichever
    // thread asks (the worker does, for commands that report their result in a box).
    CallOnMainThread([&] {
        if (g_messageBox) {
            answer = g_messageBox(text, style, caption);
        } else {
            switch (style & 0xF) {
            case MB_OKCANCEL:
            case MB_RETRYCANCEL:
                answer = IDCANCEL;
                break;
            case MB_YESNO:
                answer = IDNO;
                break;
            default:
                answer = IDOK;
            }
        }
        WriteProtocol(QStringLiteral("MsgBox: %1\n%2 [%3]").arg(caption, text, AnswerName(answer)));
    });
    return answer;
}

int ShowMessageId(int id, unsigned style) {
    return ShowMessage(LoadText(id), style, QCoreApplication::applicationName());
}

void SetProtocolHandler(ProtocolHandler handler) {
    g_protocol = std::move(handler);
}

void WriteProtocol(const QString& line) {
    CallOnMainThread([&] {
        if (g_protocol)
            g_protocol(line);
    });
}

QString BinaryText16(std::uint16_t value) {
    QString text = QStringLiteral("00000000 00000000");
    for (int bit = 15, pos = 0; bit >= 0; --bit, ++pos) {
        if (bit == 7)
            ++pos;
        if (value & (1u << bit))
            text[pos] = u'1';
    }
    return text;
}

Language LanguageForCode(const QString& code) {
    return code.left(2).toUpper() == u"DE" ? Language::German : Language::English;
}

void AppendText(QString& text, int id) {
    text += LoadText(id);
}

int ShowError(const std::exception& error) {
    const QString text = QString::fromLocal8Bit(error.what()).left(256);
    if (text.isEmpty())
        return IDCANCEL;
    return ShowMessage(text, MB_OK, QCoreApplication::applicationName());
}

void ReplaceChars(QString& text, QStringView set, QChar with) {
    for (QChar& c : text) {
        if (set.contains(c))
            c = with;
    }
}

bool PathExists(const QString& folder, const QString& name) {
    return QFileInfo::exists(QDir(folder).filePath(name));
}

bool IsFolder(const QString& path) {
    return QFileInfo(path).isDir();
}

void StripTrailingBackslash(QString& path) {
    if (path.endsWith(u'\\') || path.endsWith(u'/'))
        path.chop(1);
}
