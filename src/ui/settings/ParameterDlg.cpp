#include "ui/settings/ParameterDlg.h"

#include "base/Texts.h"
#include "ui/common/MyButton.h"
#include "ui/common/ToolTip.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

CParameterDlg::CParameterDlg(QWidget* parent)
    : CValuesDlg(QStringLiteral("IDD_PARAMETER"), parent), m_list(new QComboBox(this)),
      m_set(NewButton(IDC_SET_VALUES, TemplateText("Set"), this)) {
    setWindowTitle(TemplateText("Parameter"));
    SetCommandId(m_list, IDC_PARAM_LIST);
    for (int i = 0; i < int(CParamBlock().size()); ++i)
        m_list->addItem(LoadText(TXT_PARAM_NAMES + i));
    m_list->setCurrentIndex(0);
    connect(m_list, &QComboBox::currentIndexChanged, this, &CParameterDlg::ShowValue);
    QLineEdit* value = NewNumberEdit(IDC_PARAM_VALUE, this);
    value->setAlignment(Qt::AlignRight);
    value->setMaximumWidth(fontMetrics().horizontalAdvance(u'0') * 10);
    m_set->setDefault(true);
    m_set->setEnabled(false);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(10);
    grid->addWidget(new QLabel(TemplateText("Parameter"), this), 0, 0);
    grid->addWidget(new QLabel(TemplateText("Value"), this), 0, 1);
    grid->addWidget(m_list, 1, 0);
    grid->addWidget(value, 1, 1);
    grid->addWidget(m_set, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void CParameterDlg::OnInitDialog() {
    CValuesDlg::OnInitDialog();
    m_list->setFocus();
}

bool CParameterDlg::OnCommand(int id) {
    if (id != IDC_SET_VALUES)
        return CValuesDlg::OnCommand(id);
    SetParameter();
    return true;
}

bool CParameterDlg::OnCmdOk(CDevCmdReply& cmd) {
    if (IsRead(cmd)) {
        m_bRead = true;
        ShowValue();
        m_set->setEnabled(true);
    } else if (IsWrite(cmd)) {
        ShowMessageId(TXT_PARAMETERS_SET);
        m_list->setFocus();
    }
    return false;
}

void CParameterDlg::ShowValue() {
    // Before the first read there is no value to show.
    const int index = m_list->currentIndex();
    if (m_bRead && index >= 0)
        Field(IDC_PARAM_VALUE)->setText(QString::number(Values()[std::size_t(index)]));
}

void CParameterDlg::SetParameter() {
    int value = 0;
    if (ReadNumber(Field(IDC_PARAM_VALUE), 0, 0xFFFF, value))
        WriteValues(QStringLiteral("%1;1;%2").arg(m_list->currentIndex()).arg(value));
}
