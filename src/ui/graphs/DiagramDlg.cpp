#include "ui/graphs/DiagramDlg.h"

#include "base/Texts.h"
#include "ui/common/MyButton.h"
#include "ui/common/ToolTip.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

CDiagramDlg::CDiagramDlg(const QString& baseFolder, const QString& moduleName, bool extraAllowed,
                         bool noTestBursts, CModuleList::FolderOf folderOf, QWidget* parent)
    : CMergeDlg(baseFolder, moduleName, std::move(folderOf), parent),
      m_noTestBursts(new QCheckBox(TemplateText("No test bursts"), this)),
      m_show(new CKelvoraButton(100, TemplateText("Show graph"), this)),
      m_extra(new CKelvoraButton(100, TemplateText("Graph (extra)"), this)) {
    m_noTestBursts->setChecked(noTestBursts);
    SetCommandId(m_noTestBursts, ID_NO_TEST_BURSTS);
    Body()->addWidget(m_noTestBursts);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    SetCommandId(m_extra, IDC_SHOW_EXTRA);
    m_extra->setVisible(extraAllowed);
    buttons->addWidget(m_extra);
    SetCommandId(m_show, IDC_SHOW);
    m_show->setDefault(true);
    buttons->addWidget(m_show);
    Body()->addLayout(buttons);
    UpdateButtons();
}

bool CDiagramDlg::OnCommand(int id) {
    if (id != IDC_SHOW && id != IDC_SHOW_EXTRA)
        return CMergeDlg::OnCommand(id);
    if (!Modules().CanShowGraph())
        return true;
    m_extraChosen = id == IDC_SHOW_EXTRA;
    m_range1 = Modules().Current()->range1;
    m_range2 = Modules().Current()->range2;
    accept();
    return true;
}

bool CDiagramDlg::NoTestBursts() const {
    return m_noTestBursts->isChecked();
}

QPushButton* CDiagramDlg::ExtraButton() const {
    return m_extra;
}

void CDiagramDlg::UpdateButtons() {
    m_show->setEnabled(Modules().CanShowGraph());
    m_extra->setEnabled(Modules().CanShowGraph());
}
