#pragma once

#include "data/CFileList.h"
#include "data/NameIndex.h"

#include <QList>
#include <QString>

#include <functional>

// One module folder of the base folder with the time ranges chosen for it.
struct CModuleEntry {
    QString name;
    CTimeRange bounds; // 3 pm before its first event to 3 pm after its last event
    CTimeRange range1;
    CTimeRange range2;
    QList<CFileInfo> files; // its readable data files, as CFileList::Fill lists them
};

// What the time-range dialog shows, without the widgets: the module folders with data, the
// chosen ranges of the current module, and its data files with their selection.
class CModuleList {
public:
    // The name a module ID is stored under; the device name index provides it (NameOrId).
    // Without one, the module ID itself. The folder is that name cleaned (CleanFolderName).
    using FolderOf = std::function<QString(const QString& moduleId)>;

    explicit CModuleList(FolderOf folderOf = {});

    // Lists the module folders of baseFolder that hold readable data, only the folder of
    // moduleName (a module ID, or a name the index gives one) when it is not empty, and
    // selects the first. False when there is none (message 210 "No data.").
    bool Load(const QString& baseFolder, const QString& moduleName);

    const QList<CModuleEntry>& Modules() const { return m_modules; }
    const CModuleEntry* Current() const;
    const CFileList& Files() const { return m_files; }
    int SelectedCount() const { return m_selected; }
    // The "Show graph" button is enabled when a file is selected.
    bool CanShowGraph() const { return m_selected > 0; }

    // Makes line row of the module list current: shows its file list and recounts.
    void Select(int row);
    // The pickers of range 1 (which 1) or range 2 (which 2) changed: a from-date after the
    // until-date moves the until-date along, and the other way round. Dates stay in bounds.
    void SetFrom(int which, std::int64_t seconds);
    void SetUntil(int which, std::int64_t seconds);
    // Sets a range as it stands and recounts.
    void SetRange(int which, CTimeRange range);

private:
    QString ModuleFolder(const QString& moduleId) const;
    CTimeRange& Range(int which);
    std::int64_t ClampToBounds(std::int64_t seconds) const;
    bool ScanFolder(const QString& folder, CModuleEntry& entry) const;
    void Recount();

    FolderOf m_folderOf;
    QList<CModuleEntry> m_modules;
    int m_current = -1;
    CFileList m_files;
    int m_selected = 0;
};
