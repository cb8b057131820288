#pragma once

#include "ui/graphs/MergeDlg.h"

class CKelvoraButton;
class QCheckBox;
class QPushButton;

// The time-range dialog of "Create graphs": adds "No test bursts", "Show graph" and, for the
// roles that may see it, "Graph (extra)" with the battery classes on the events bars.
class CDiagramDlg : public CMergeDlg {
    Q_OBJECT
public:
    CDiagramDlg(const QString& baseFolder, const QString& moduleName, bool extraAllowed,
                bool noTestBursts, CModuleList::FolderOf folderOf = {}, QWidget* parent = nullptr);

    bool OnCommand(int id) override;

    bool ExtraChosen() const { return m_extraChosen; }
    bool NoTestBursts() const;
    // The ranges chosen when the dialog was closed with a show-graph button.
    CTimeRange Range1() const { return m_range1; }
    CTimeRange Range2() const { return m_range2; }

    QPushButton* ShowButton() const { return m_show; }
    QPushButton* ExtraButton() const;
    QCheckBox* TestBurstsBox() const { return m_noTestBursts; }

protected:
    void UpdateButtons() override;

private:
    QCheckBox* m_noTestBursts;
    QPushButton* m_show;
    CKelvoraButton* m_extra;
    bool m_extraChosen = false;
    CTimeRange m_range1{};
    CTimeRange m_range2{};
};
