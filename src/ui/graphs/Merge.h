#pragma once

#include "data/CModuleList.h"

class QWidget;

// "Create graphs": the time-range dialog, then a graphs window on the files it selected.
class CMerge {
public:
    // allModules: every module folder of baseFolder is offered; otherwise only moduleName's.
    // extraAllowed: the dialog offers "Graph (extra)". Returns the new window, or null.
    static class CGraphsDlg* Run(const QString& baseFolder, bool allModules,
                                 const QString& moduleName, bool extraAllowed,
                                 CModuleList::FolderOf folderOf = {}, QWidget* parent = nullptr);
    // "No test bursts" as last chosen in the dialog, for the whole process.
    static bool& LastNoTestBursts();
};
