#include "data/CFileList.h"

#include "data/CDataFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

std::int64_t ThreePmOn(QDate date) {
    return QDateTime(date, QTime(15, 0)).toSecsSinceEpoch();
}

} // namespace

std::int64_t ThreePmAtOrBefore(std::int64_t t) {
    const QDateTime local = QDateTime::fromSecsSinceEpoch(t);
    return ThreePmOn(local.time().hour() < 15 ? local.date().addDays(-1) : local.date());
}

std::int64_t ThreePmAfter(std::int64_t t) {
    const QDateTime local = QDateTime::fromSecsSinceEpoch(t);
    return ThreePmOn(local.time().hour() >= 15 ? local.date().addDays(1) : local.date());
}

QStringList DataFilesIn(const QString& folder, const QString& pattern) {
    QStringList paths;
    // Regular files only (or links to them): a FIFO or a device of that name is no data file.
    for (const QFileInfo& info :
         QDir(folder).entryInfoList({pattern}, QDir::Files | QDir::Hidden)) {
        if (info.isFile())
            paths.append(info.absoluteFilePath());
    }
    paths.sort();
    return paths;
}

int CFileList::Fill(const QString& baseFolder, const QString& folderName, const QString& after) {
    m_files.clear();
    for (const QString& path : DataFilesIn(QDir(baseFolder).filePath(folderName))) {
        std::int64_t startMs = 0;
        std::int64_t endMs = 0;
        if (path > after && CDataFile::GetTimeRange(path, startMs, endMs))
            m_files.append({{startMs / 1000, endMs / 1000}, path, false});
    }
    return static_cast<int>(m_files.size());
}
