#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// Writing a download into its module's folder: the data file and the listing beside it.

// The path of a file of a download: baseFolder/folderName/yyyy-MM-dd_HH-mm-ss.extension, by
// the local time of the download.
QString DownloadFilePath(const QString& baseFolder, const QString& folderName,
                         std::int64_t downloadTime, const QString& extension);

// What WriteDownload put in place.
enum class DownloadWritten { Nothing, DataFile, DataFileAndListing };

// Writes the data file and its listing beside their final names and renames each into place
// only when complete, never over another file, so that an interrupted save never leaves a half
// file that would read as valid. The listing is written only with the data file.
DownloadWritten WriteDownload(const QString& dataPath, const QByteArray& data,
                              const QString& listingPath, const QByteArray& listing);
