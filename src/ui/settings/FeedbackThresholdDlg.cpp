#include "ui/settings/FeedbackThresholdDlg.h"

#include "base/Texts.h"
#include "ui/common/MyButton.h"
#include "ui/common/ToolTip.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

CFeedbackThresholdDlg::CFeedbackThresholdDlg(QWidget* parent)
    : CValuesDlg(QStringLiteral("IDD_FEEDBACK_THRESHOLD"), parent) {
    setWindowTitle(TemplateText("Thresholds [‰]"));

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(10);
    for (int column = 0; column < 2; ++column) {
        auto* heading = new QLabel(TemplateText(column == 0 ? "Sensor A" : "Sensor B"), this);
        heading->setAlignment(Qt::AlignCenter);
        grid->addWidget(heading, 0, column + 1);
    }
    grid->addWidget(new QLabel(TemplateText("Feedback\nif >="), this), 1, 0);
    grid->addWidget(new QLabel(TemplateText("Record\nif >="), this), 2, 0);
    const int fields[2][2] = {{IDC_FEEDBACK_A, IDC_ON_A}, {IDC_FEEDBACK_B, IDC_ON_B}};
    for (int column = 0; column < 2; ++column) {
        for (int row = 0; row < 2; ++row) {
            const int id = fields[column][row];
            QLineEdit* edit = row == 0 ? NewNumberEdit(id, this) : ReadOnly(id, this);
            edit->setAlignment(Qt::AlignRight);
            edit->setMaximumWidth(fontMetrics().horizontalAdvance(u'0') * 10);
            edit->setText(QStringLiteral("0"));
            grid->addWidget(edit, row + 1, column + 1);
        }
    }
    auto* set = NewButton(IDC_SET_VALUES, TemplateText("Set thresholds"), this);
    set->setDefault(true);
    set->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    grid->addWidget(set, 1, 3, 2, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

bool CFeedbackThresholdDlg::OnCommand(int id) {
    if (id != IDC_SET_VALUES)
        return CValuesDlg::OnCommand(id);
    SetThresholds();
    return true;
}

bool CFeedbackThresholdDlg::GetTipText(int id, QString& text) {
    if (id != IDC_FEEDBACK_A && id != IDC_FEEDBACK_B)
        return false;
    const int low = id == IDC_FEEDBACK_A ? m_nOnA : m_nOnB;
    text = FormatText(TXT_ON_THRESHOLD_TIP, {QString::number(low), QString::number(kMax)});
    return true;
}

bool CFeedbackThresholdDlg::OnCmdOk(CDevCmdReply& cmd) {
    if (IsRead(cmd)) {
        // Only recorded events give feedback: a feedback threshold below the on-threshold acts
        // as the on-threshold and shows as it.
        m_nOnA = Values()[0];
        m_nOnB = Values()[2];
        Field(IDC_FEEDBACK_A)->setText(QString::number(qMax<int>(Values()[7], m_nOnA)));
        Field(IDC_FEEDBACK_B)->setText(QString::number(qMax<int>(Values()[8], m_nOnB)));
        Field(IDC_ON_A)->setText(QString::number(m_nOnA));
        Field(IDC_ON_B)->setText(QString::number(m_nOnB));
    } else if (IsWrite(cmd)) {
        ShowMessageId(TXT_THRESHOLDS_UPDATED);
    }
    return false;
}

void CFeedbackThresholdDlg::SetThresholds() {
    int a = 0, b = 0;
    if (!ReadNumber(Field(IDC_FEEDBACK_A), m_nOnA, kMax, a) ||
        !ReadNumber(Field(IDC_FEEDBACK_B), m_nOnB, kMax, b))
        return;
    WriteValues(QStringLiteral("7;2;%1;%2").arg(a).arg(b));
}
