#include "data/NameIndex.h"

#include "base/AnsiCodec.h"
#include "base/FileRead.h"
#include "base/Texts.h"
#include "base/ThreadCall.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QThread>

namespace {

constexpr const char* kIndexName = "VM_ID.Index";
// Another program may hold the file open for a moment; it is tried again for this long.
constexpr int kBusyRetryMs = 3000;
constexpr int kBusyPauseMs = 100;
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

void SetTextInputHandler(TextInputHandler handler) {
    InputHandler() = std::move(handler);
}

QString CleanFolderName(QString name) {
    for (QChar& c : name) {
        if (QStringView(u"\\/*\"><|?:;, ").contains(c))
            c = u'_';
    }
    // A leading point would make a hidden folder, or with ".." one outside the base folder.
    if (name.startsWith(u'.'))
        name[0] = u'_';
    return name;
}

void LoadNameIndex(const QString& baseFolder) {
    NameIndex& index = Index();
    index.path = QDir(baseFolder).filePath(QString::fromLatin1(kIndexName));
    index.text.clear();
    index.present = QFileInfo::exists(index.path);
    if (!index.present)
        return;
    FileContent content = ReadRegularFile(index.path, kMaxNameIndexBytes);
    const QDeadlineTimer deadline(kBusyRetryMs);
    while (content.error == FileReadError::CannotOpen && !deadline.hasExpired()) {
        QThread::msleep(kBusyPauseMs);
        content = ReadRegularFile(index.path, kMaxNameIndexBytes);
    }
    if (!content.ok()) {
        // Never written to either: appending to a FIFO or device could block or do harm.
        index.present = false;
        ShowMessage(FormatText(TXT_INDEX_UNUSABLE, {QDir::toNativeSeparators(index.path),
                                                    QString::number(kMaxNameIndexBytes >> 20)}),
                    MB_OK, QCoreApplication::applicationName());
        return;
    }
    index.text = FromAnsi(content.bytes).remove(u'\r');
}

std::optional<QString> LookupName(const QString& moduleId) {
    const NameIndex& index = Index();
    if (!index.present)
        return moduleId;
    const QString cleanId = CleanFolderName(moduleId);
    std::optional<QString> cleanMatch;
    for (const QString& line : index.text.split(u'\n')) {
        // The ID ends at the TAB, so that ID 1 does not find the line of ID 12.
        const qsizetype tab = line.indexOf(u'\t');
        if (tab < 0)
            continue;
        const QString id = line.left(tab);
        if (id == moduleId)
            return line.mid(tab + 1);
        if (!cleanMatch && CleanFolderName(id) == cleanId)
            cleanMatch = line.mid(tab + 1);
    }
    return cleanMatch;
}

QString NameOrId(const QString& moduleId) {
    return LookupName(moduleId).value_or(moduleId);
}

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
            const bool needsBreak =
                file.size() > 0 && file.seek(file.size() - 1) && file.read(1) != "\n";
            file.write((needsBreak ? "\r\n" : "") + ToAnsi(moduleId + u'\t' + *name) + "\r\n");
            if (!index.text.isEmpty() && !index.text.endsWith(u'\n'))
                index.text += u'\n';
            index.text += moduleId + u'\t' + *name + u'\n';
        }
    }
    return *name;
}
