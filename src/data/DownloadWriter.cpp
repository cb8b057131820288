#include "data/DownloadWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

bool WriteComplete(QTemporaryFile& file, const QByteArray& content) {
    return file.open() && file.write(content) == content.size() && file.flush();
}

// Renames the complete temporary file to path, never over an existing file.
bool MoveIntoPlace(QTemporaryFile& file, const QString& path) {
    file.close();
    if (!file.rename(path))
        return false;
    file.setAutoRemove(false);
    // The temporary file was private; the data file and its listing are ordinary ones.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ReadGroup | QFileDevice::ReadOther);
    return true;
}

} // namespace

QString DownloadFilePath(const QString& baseFolder, const QString& folderName,
                         std::int64_t downloadTime, const QString& extension) {
    const QDateTime local = QDateTime::fromSecsSinceEpoch(downloadTime);
    const QString stamp = local.isValid() ? local.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"))
                                          : QStringLiteral("0000-00-00_-1--1--1");
    return QDir(baseFolder).filePath(folderName + u'/' + stamp + u'.' + extension);
}

DownloadWritten WriteDownload(const QString& dataPath, const QByteArray& data,
                              const QString& listingPath, const QByteArray& listing) {
    const QString pattern =
        QDir(QFileInfo(dataPath).absolutePath()).filePath(QStringLiteral(".download-XXXXXX"));
    QTemporaryFile dataFile(pattern);
    QTemporaryFile listingFile(pattern);
    const bool dataWritten = WriteComplete(dataFile, data);
    const bool listingWritten = dataWritten && WriteComplete(listingFile, listing);
    if (!dataWritten || !MoveIntoPlace(dataFile, dataPath))
        return DownloadWritten::Nothing;
    if (!listingWritten || !MoveIntoPlace(listingFile, listingPath))
        return DownloadWritten::DataFile;
    return DownloadWritten::DataFileAndListing;
}
