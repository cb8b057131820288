#include "app/SupportFile.h"

#include "base/AnsiCodec.h"
#include "base/AppInfo.h"
#include "base/Texts.h"

#include <QDir>
#include <QSaveFile>
#include <QTemporaryFile>

#include <ctime>

QString SupportFolder(const QString& baseFolder, const QString& moduleId) {
    if (moduleId.isEmpty())
        return baseFolder;
    QString name = moduleId;
    ReplaceChars(name, u"/\\", u'_');
    for (qsizetype i = 0; i < name.size() && name[i] == u'.'; ++i)
        name[i] = u'_';
    return QDir(baseFolder).filePath(name);
}

QString WriteSupportFile(const QString& folder, const QDateTime& now, const QByteArray& protocol) {
    if (protocol.isEmpty())
        return QString();
    QDir().mkdir(folder);
    const QString path =
        QDir(folder).filePath(now.toString(QStringLiteral("'Support_'yyyy-MM-dd_HH-mm-ss'.txt'")));
    QByteArray text = "Kelvora support file\n" + ToAnsi(VersionText()) + '\n' + protocol;
    text.replace('\n', "\r\n");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        return QString();
    return path;
}

QString WriteReplyDump(const QString& folder, const QDateTime& now, const QByteArray& reply) {
    QTemporaryFile file(QDir(folder).filePath(QStringLiteral("klv_XXXXXX.tmp")));
    file.setAutoRemove(false);
    if (!file.open())
        return QString();
    const std::time_t seconds = now.toSecsSinceEpoch();
    char stamp[128] = {};
    std::strftime(stamp, sizeof stamp, "%c", std::localtime(&seconds));
    const QByteArray text =
        QByteArray(stamp) + '\t' + QByteArray::number(quint64(seconds)) + '\n' + reply + '\n';
    if (file.write(text) != text.size()) {
        file.remove();
        return QString();
    }
    return file.fileName();
}
