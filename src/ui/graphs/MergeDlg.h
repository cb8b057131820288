#pragma once

#include "data/CModuleList.h"
#include "ui/common/TipDialog.h"

#include <array>

class QDateEdit;
class QLabel;
class QListWidget;
class QVBoxLayout;

// The time-range dialog: the module folders with data, two time ranges from 3 pm to 3 pm
// limited to the chosen module's data, and how many of its files the ranges select.
class CMergeDlg : public CTipDialog {
    Q_OBJECT
public:
    // moduleName empty: every module folder of baseFolder; otherwise only that module's folder.
    CMergeDlg(const QString& baseFolder, const QString& moduleName,
              CModuleList::FolderOf folderOf = {}, QWidget* parent = nullptr);

    // Lists the module folders; false when none has data.
    bool Fill();
    // Fill, then the dialog; without data message 210 "No data." and Rejected.
    int exec() override;

    const CModuleList& Modules() const { return m_modules; }
    // The files the ranges select, in list order.
    QList<CFileInfo> SelectedFiles() const;
    // Widgets by control id, for the derived dialog and for tests.
    QListWidget* ModuleBox() const { return m_moduleBox; }
    QDateEdit* Picker(int id) const;
    QLabel* Counter(int id) const { return id == IDC_FILES_AVAILABLE ? m_available : m_selected; }

protected:
    // The show-graph buttons follow the selection count.
    virtual void UpdateButtons() {}
    // Where the derived dialog adds its controls.
    QVBoxLayout* Body() const { return m_body; }

private:
    void OnModuleChanged(int row);
    void OnPickerChanged(int which, bool from);
    void ShowRanges();
    void ShowCounts();

    QString m_baseFolder;
    QString m_moduleName;
    CModuleList m_modules;
    QListWidget* m_moduleBox;
    std::array<QDateEdit*, 4> m_pickers{}; // IDC_FROM1, IDC_UNTIL1, IDC_FROM2, IDC_UNTIL2
    QLabel* m_available;
    QLabel* m_selected;
    QVBoxLayout* m_body;
};
