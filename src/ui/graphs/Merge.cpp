#include "ui/graphs/Merge.h"

#include "base/Texts.h"
#include "ui/graphs/DiagramDlg.h"
#include "ui/graphs/GraphsDlg.h"

#include <QDir>

CGraphsDlg* CMerge::Run(const QString& baseFolder, bool allModules, const QString& moduleName,
                        bool extraAllowed, CModuleList::FolderOf folderOf, QWidget* parent) {
    CDiagramDlg dialog(baseFolder, allModules ? QString() : moduleName, extraAllowed,
                       LastNoTestBursts(), std::move(folderOf), parent);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    LastNoTestBursts() = dialog.NoTestBursts();
    const QList<CFileInfo> files = dialog.SelectedFiles();
    if (files.isEmpty())
        return nullptr;

    auto* window = new CGraphsDlg(QDir(baseFolder).filePath(dialog.Modules().Current()->name),
                                  dialog.ExtraChosen(), parent);
    QStringList paths;
    for (const CFileInfo& file : files)
        paths.append(file.path);
    window->LoadFiles(paths, dialog.Range1(), dialog.Range2());
    if (!window->Open(!dialog.NoTestBursts())) {
        ShowMessageId(TXT_NO_DATA);
        delete window;
        return nullptr;
    }
    return window;
}

bool& CMerge::LastNoTestBursts() {
    static bool noTestBursts = false;
    return noTestBursts;
}
