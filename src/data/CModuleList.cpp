#include "data/CModuleList.h"

#include <QDir>

#include <algorithm>
#include <limits>

CModuleList::CModuleList(FolderOf folderOf) : m_folderOf(std::move(folderOf)) {
    if (!m_folderOf)
        m_folderOf = [](const QString& moduleId) { return moduleId; };
}

bool CModuleList::Load(const QString& baseFolder, const QString& moduleName) {
    m_modules.clear();
    m_current = -1;
    m_files.Files().clear();
    m_selected = 0;

    const QString wanted = moduleName.isEmpty() ? QString() : ModuleFolder(moduleName);
    const QDir base(baseFolder);
    QStringList folders = base.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    folders.sort();
    for (const QString& folder : folders) {
        if (folder.startsWith(u'.') || (!wanted.isEmpty() && folder != wanted))
            continue;
        CModuleEntry entry;
        entry.name = folder;
        if (ScanFolder(base.filePath(folder), entry))
            m_modules.append(entry);
    }
    if (m_modules.isEmpty())
        return false;
    Select(0);
    return true;
}

// Folder names on disk are cleaned, and so must be the names they are compared with.
QString CModuleList::ModuleFolder(const QString& moduleId) const {
    return CleanFolderName(m_folderOf(moduleId));
}

// The bounds of a module folder over its files that belong to the module; false when none.
// Keeps every readable file for the file list, so that it needs not read them again.
bool CModuleList::ScanFolder(const QString& folder, CModuleEntry& entry) const {
    const QString name = QDir(folder).dirName();
    std::int64_t earliest = std::numeric_limits<std::int64_t>::max();
    std::int64_t latest = 0;
    const QStringList paths = DataFilesIn(folder);
    const QList<CFileRange> ranges = ReadTimeRanges(paths);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const CFileRange& range = ranges[i];
        if (!range.ok)
            continue;
        entry.files.append({{range.startMs / 1000, range.endMs / 1000}, paths[i], false});
        if (range.id != name && ModuleFolder(range.id) != name)
            continue;
        earliest = std::min(earliest, range.startMs);
        latest = std::max(latest, range.endMs);
    }
    if (latest < earliest)
        return false;
    entry.bounds = {ThreePmAtOrBefore(earliest / 1000), ThreePmAfter(latest / 1000)};
    entry.range1 = entry.bounds;
    entry.range2 = {entry.bounds.end, entry.bounds.end};
    return true;
}

const CModuleEntry* CModuleList::Current() const {
    return m_current >= 0 ? &m_modules[m_current] : nullptr;
}

void CModuleList::Select(int row) {
    if (row < 0 || row >= m_modules.size())
        return;
    m_current = row;
    m_files.Files() = m_modules[row].files;
    Recount();
}

CTimeRange& CModuleList::Range(int which) {
    CModuleEntry& entry = m_modules[m_current];
    return which == 2 ? entry.range2 : entry.range1;
}

std::int64_t CModuleList::ClampToBounds(std::int64_t seconds) const {
    const CTimeRange& bounds = m_modules[m_current].bounds;
    return std::clamp(seconds, bounds.start, std::max(bounds.start, bounds.end));
}

void CModuleList::SetFrom(int which, std::int64_t seconds) {
    if (m_current < 0)
        return;
    CTimeRange& range = Range(which);
    range.start = ClampToBounds(seconds);
    if (range.start > range.end)
        range.end = range.start;
    Recount();
}

void CModuleList::SetUntil(int which, std::int64_t seconds) {
    if (m_current < 0)
        return;
    CTimeRange& range = Range(which);
    range.end = ClampToBounds(seconds);
    if (range.end < range.start)
        range.start = range.end;
    Recount();
}

void CModuleList::SetRange(int which, CTimeRange range) {
    if (m_current < 0)
        return;
    Range(which) = range;
    Recount();
}

void CModuleList::Recount() {
    m_selected = 0;
    if (m_current < 0)
        return;
    const CModuleEntry& entry = m_modules[m_current];
    for (CFileInfo& info : m_files.Files()) {
        info.selected =
            RangesOverlap(info.range, entry.range1) || RangesOverlap(info.range, entry.range2);
        m_selected += info.selected ? 1 : 0;
    }
}
