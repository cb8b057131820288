#include "ui/settings/ThresholdDlg.h"

#include "base/Texts.h"
#include "ui/common/MyButton.h"
#include "ui/common/ToolTip.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

QLabel* Heading(const char* text, QWidget* parent) {
    auto* label = new QLabel(TemplateText(text), parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

CThresholdDlg::CThresholdDlg(QWidget* parent)
    : CValuesDlg(QStringLiteral("IDD_THRESHOLD"), parent) {
    m_sensors.m_pOwner = this;
    m_sensors.SetArgs(QStringLiteral("Sense"));
    setWindowTitle(TemplateText("Thresholds [‰]"));

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(10);
    grid->addWidget(Heading("Sensor A", this), 0, 1);
    grid->addWidget(Heading("Sensor B", this), 0, 2);
    const char* rows[] = {"Off", "On", "Maximum", "Current"};
    for (int row = 0; row < 4; ++row)
        grid->addWidget(new QLabel(TemplateText(rows[row]), this), row + 1, 0);
    // Sensor A first, then sensor B: the order of the tab key.
    const int fields[2][4] = {{IDC_OFF_A, IDC_ON_A, IDC_MAX_A, IDC_CURRENT_A},
                              {IDC_OFF_B, IDC_ON_B, IDC_MAX_B, IDC_CURRENT_B}};
    for (int column = 0; column < 2; ++column) {
        for (int row = 0; row < 4; ++row) {
            // Maximum and current value are the module's texts.
            QLineEdit* edit = row < 2 ? NewNumberEdit(fields[column][row], this)
                                      : ReadOnly(fields[column][row], this);
            edit->setAlignment(Qt::AlignRight);
            edit->setMaximumWidth(fontMetrics().horizontalAdvance(u'0') * 10);
            grid->addWidget(edit, row + 1, column + 1);
        }
    }
    auto* set = NewButton(IDC_SET_VALUES, TemplateText("Set thresholds"), this);
    set->setDefault(true);
    grid->addWidget(set, 1, 3, 2, 1);
    auto* read = NewButton(IDC_READ_MAXIMA, TemplateText("Read\nmaxima"), this);
    read->setAutoDefault(false);
    grid->addWidget(read, 3, 3, 2, 1);
    for (auto* button : {set, read})
        button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    Field(IDC_OFF_A)->setText(QString::number(kOffMin));
    Field(IDC_OFF_B)->setText(QString::number(kOffMin));
    Field(IDC_ON_A)->setText(QString::number(kOnMin));
    Field(IDC_ON_B)->setText(QString::number(kOnMin));
}

bool CThresholdDlg::OnCommand(int id) {
    switch (id) {
    case IDC_SET_VALUES:
        SetThresholds();
        return true;
    case IDC_READ_MAXIMA:
        Queue(m_sensors);
        return true;
    default:
        return CValuesDlg::OnCommand(id);
    }
}

bool CThresholdDlg::GetTipText(int id, QString& text) {
    switch (id) {
    case IDC_OFF_A:
    case IDC_OFF_B:
        text =
            FormatText(TXT_OFF_THRESHOLD_TIP, {QString::number(kOffMin), QString::number(kOffMax)});
        return true;
    case IDC_ON_A:
    case IDC_ON_B:
        text = FormatText(TXT_ON_THRESHOLD_TIP, {QString::number(kOnMin), QString::number(kOnMax)});
        return true;
    default:
        return false;
    }
}

bool CThresholdDlg::OnCmdOk(CDevCmdReply& cmd) {
    if (IsRead(cmd)) {
        Field(IDC_ON_A)->setText(QString::number(Values()[0]));
        Field(IDC_OFF_A)->setText(QString::number(Values()[1]));
        Field(IDC_ON_B)->setText(QString::number(Values()[2]));
        Field(IDC_OFF_B)->setText(QString::number(Values()[3]));
        Queue(m_sensors);
    } else if (IsWrite(cmd)) {
        ShowMessageId(TXT_THRESHOLDS_UPDATED);
    } else if (&cmd == &m_sensors) {
        // Current A TAB current B LF maximum A TAB maximum B.
        const QString& values = m_sensors.m_strValues;
        qsizetype pos = 0;
        const auto next = [&](QChar end) {
            qsizetype stop = values.indexOf(end, pos);
            if (stop < 0)
                stop = values.size();
            const QString part = values.mid(pos, stop - pos);
            pos = qMin(stop + 1, values.size());
            return part;
        };
        for (int id : {IDC_CURRENT_A, IDC_CURRENT_B, IDC_MAX_A, IDC_MAX_B})
            Field(id)->setText(next(id == IDC_CURRENT_A || id == IDC_MAX_A ? u'\t' : u'\n'));
    }
    return false;
}

void CThresholdDlg::SetThresholds() {
    int offA = 0, onA = 0, offB = 0, onB = 0;
    if (!ReadNumber(Field(IDC_OFF_A), kOffMin, kOffMax, offA) ||
        !ReadNumber(Field(IDC_ON_A), kOnMin, kOnMax, onA) ||
        !ReadNumber(Field(IDC_OFF_B), kOffMin, kOffMax, offB) ||
        !ReadNumber(Field(IDC_ON_B), kOnMin, kOnMax, onB))
        return;
    if (offA >= onA || offB >= onB) {
        ShowMessageId(TXT_THRESHOLD_ORDER);
        Field(offA >= onA ? IDC_ON_A : IDC_ON_B)->setFocus();
        return;
    }
    WriteValues(QStringLiteral("0;4;%1;%2;%3;%4").arg(onA).arg(offA).arg(onB).arg(offB));
}
