#include "NameIndex.h"

#include "AnsiCodec.h"
#include "Texts.h"
#include "ThreadCall.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QThread>

namespace {

constexpr const char* kIndexName = "VM_ID.Index";
// Another program may hold the file open for a moment; it is tried again for this long.
constexpr int kBusyRetryMs = 3000;
constexpr int kBusyPauseMs = 100;
enum IndexText : int { TXT_CHOOSE_FOLDER = 144, TXT_SAVE_DATA_OF = 145 };

struct NameIndex {
    QString path;
    QString text; // LF line ends
    bool present = false;
};

NameIndex& Index() {
    static NameIndex index;
    return index;
}

TextInputHandler& InputHandler() {
    static TextInputHandler handler;
    return handler;
}

} // namespace

void SetTextInputHandler(TextInputHandler handler) { InputHandler() = std::move(handler); }

void LoadNameIndex(const QString& baseFolder) {
    NameIndex& index = Index();
    index.path = QDir(baseFolder).filePath(QString::fromLatin1(kIndexName));
    index.text.clear();
    index.present = QFile::exists(index.path);
    if (!index.present)
        return;
    QFile file(index.path);
    const QDeadlineTimer deadline(kBusyRetryMs);
    while (!file.open(QIODevice::ReadOnly) && !deadline.hasExpired())
        QThread::msleep(kBusyPauseMs);
    if (file.isOpen())
        index.text = FromAnsi(file.readAll()).remove(u'\r');
}

std::optional<QString> LookupName(const QString& moduleId) {
    const NameIndex& index = Index();
    if (!index.present)
        return moduleId;
    // The ID must be followed by the TAB, so that ID 1 does not find the line of ID 12.
    const QString key = moduleId + u'\t';
    for (const QString& line : index.text.split(u'\n')) {
        if (line.startsWith(key))
            return line.mid(key.size());
    }
    return std::nullopt;
}

QString NameOrId(const QString& moduleId) { return LookupName(moduleId).value_or(moduleId); }

QString AskName(const QString& moduleId) {
    // The question is a dialog: it is asked on the main thread, whichever thread needs the name.
    std::optional<QString> name;
    CallOnMainThread([&] {
        if (const TextInputHandler& ask = InputHandler())
            name = ask(LoadText(TXT_CHOOSE_FOLDER), FormatText(TXT_SAVE_DATA_OF, {moduleId}),
                       moduleId);
    });
    if (!name)
        return moduleId;
    NameIndex& index = Index();
    if (index.present) {
        QFile file(index.path);
        if (file.open(QIODevice::ReadWrite | QIODevice::Append)) {
            // A last line without its line end must not swallow the new one.
            const bool needsBreak = file.size() > 0 && file.seek(file.size() - 1) && file.read(1) != "\n";
            file.write((needsBreak ? "\r\n" : "") + ToAnsi(moduleId + u'\t' + *name) + "\r\n");
            if (!index.text.isEmpty() && !index.text.endsWith(u'\n'))
                index.text += u'\n';
            index.text += moduleId + u'\t' + *name + u'\n';
        }
    }
    return *name;
}
