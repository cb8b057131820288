#include "data/CFileList.h"

#include "data/CDataFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentMap>

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

QList<CFileRange> ReadTimeRanges(const QStringList& paths) {
    return QtConcurrent::blockingMapped<QList<CFileRange>>(paths, [](const QString& path) {
        CFileRange range;
        range.ok = CDataFile::GetTimeRange(path, range.startMs, range.endMs, &range.id);
        return range;
    });
}

int CFileList::Fill(const QString& baseFolder, const QString& folderName, const QString& after) {
    m_files.clear();
    QStringList paths = DataFilesIn(QDir(baseFolder).filePath(folderName));
    paths.removeIf([&after](const QString& path) { return !(path > after); });
    const QList<CFileRange> ranges = ReadTimeRanges(paths);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (ranges[i].ok)
            m_files.append({{ranges[i].startMs / 1000, ranges[i].endMs / 1000}, paths[i], false});
    }
    return static_cast<int>(m_files.size());
}
