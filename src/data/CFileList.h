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
