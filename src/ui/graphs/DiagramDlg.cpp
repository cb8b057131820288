#include "ui/graphs/DiagramDlg.h"

#include "ui/common/MyButton.h"
#include "base/Texts.h"
#include "ui/common/ToolTip.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

QString TemplateText(const char* english, const char* german) {
    return QString::fromUtf8(CurrentLanguage() == Language::German ? german : english);
}

} // namespace

CDiagramDlg::CDiagramDlg(const QString& baseFolder, const QString& moduleName, bool extraAllowed,
                         bool noTestBursts, CModuleList::FolderOf folderOf, QWidget* parent)
    : CMergeDlg(baseFolder, moduleName, std::move(folderOf), parent),
      m_noTestBursts(new QCheckBox(TemplateText("No test bursts", "Keine Testbursts"), this)),
      m_show(new CMyButton(TemplateText("Show graph", "Grafik anzeigen"), this)),
      m_extra(new CKelvoraButton(100, TemplateText("Graph (extra)", "Grafik (extra)"), this)) {
    m_noTestBursts->setChecked(noTestBursts);
    SetCommandId(m_noTestBursts, 32902);
    Body()->addWidget(m_noTestBursts);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    SetCommandId(m_extra, 1178);
    m_extra->setVisible(extraAllowed);
    buttons->addWidget(m_extra);
    SetCommandId(m_show, 1177);
    m_show->setDefault(true);
    buttons->addWidget(m_show);
    Body()->addLayout(buttons);
    UpdateButtons();
}

bool CDiagramDlg::OnCommand(int id) {
    if (id != 1177 && id != 1178)
        return CMergeDlg::OnCommand(id);
    if (!Modules().CanShowGraph())
        return true;
    m_extraChosen = id == 1178;
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
