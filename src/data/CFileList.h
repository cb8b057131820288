#pragma once

#include "data/CData.h"

#include <QList>
#include <QString>

// Two time ranges overlap unless one ends before the other starts; touching counts.
inline bool RangesOverlap(const CTimeRange& a, const CTimeRange& b) {
    return !(a.end < b.start || b.end < a.start);
}

// 15:00:00 local time at or before t, and after t (seconds since 1970 UTC).
std::int64_t ThreePmAtOrBefore(std::int64_t t);
std::int64_t ThreePmAfter(std::int64_t t);

// The regular files of a folder that match pattern (the data files "*.k?M" by default), in
// ascending order of full path.
QStringList DataFilesIn(const QString& folder, const QString& pattern = QStringLiteral("*.k?M"));

// What the file lists read of a data file: the start of its first and the end of its last
// event (CDataFile::TimeRange) and its module ID.
struct CFileRange {
    bool ok = false; // read, of version 3.0 or later and with used events
    std::int64_t startMs = 0;
    std::int64_t endMs = 0;
    QString id;
};

// The time ranges of the files at paths, in the same order; read on all cores.
QList<CFileRange> ReadTimeRanges(const QStringList& paths);

// One data file of a module folder.
struct CFileInfo {
    CTimeRange range; // first event start to last event end, in seconds
    QString path;
    bool selected = false;
};

// The readable data files of one module folder with their time ranges.
class CFileList {
public:
    // Lists the files of baseFolder/folderName whose full path sorts after `after` (empty: all)
    // and whose time range can be read. Returns the number of files.
    int Fill(const QString& baseFolder, const QString& folderName, const QString& after = {});

    QList<CFileInfo>& Files() { return m_files; }
    const QList<CFileInfo>& Files() const { return m_files; }

private:
    QList<CFileInfo> m_files;
};
