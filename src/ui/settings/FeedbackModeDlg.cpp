#include "ui/settings/FeedbackModeDlg.h"

#include "base/Texts.h"
#include "ui/common/MyButton.h"
#include "ui/common/ToolTip.h"
#include "ui/settings/EditPattern.h"

#include <QCheckBox>
#include <QGridLayout>

CFeedbackModeDlg::CFeedbackModeDlg(QWidget* parent)
    : CValuesDlg(QStringLiteral("IDD_FEEDBACK_MODE"), parent),
      m_pattern(new QCheckBox(TemplateText("Pattern"), this)), m_edit(new CEditPattern(this)),
      m_random(new QCheckBox(TemplateText("Random"), this)) {
    setWindowTitle(TemplateText("Feedback Mode"));
    SetCommandId(m_pattern, IDC_PATTERN);
    SetCommandId(m_edit, IDC_PATTERN_EDIT);
    SetCommandId(m_random, IDC_RANDOM);
    m_edit->setEnabled(false);
    m_edit->setMinimumWidth(fontMetrics().horizontalAdvance(u'+') * (CEditPattern::kMaxLength + 4));
    auto* set = NewButton(IDC_SET_MODE, TemplateText("Set"), this);
    set->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(10);
    grid->addWidget(m_pattern, 0, 0);
    grid->addWidget(m_edit, 0, 1);
    grid->addWidget(m_random, 1, 0);
    grid->addWidget(set, 0, 2, 2, 1);
    set->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

bool CFeedbackModeDlg::OnCommand(int id) {
    switch (id) {
    case IDC_PATTERN:
        ApplyPatternRule();
        return true;
    case IDC_RANDOM:
        if (m_random->isChecked()) {
            m_edit->setEnabled(false);
            m_pattern->setChecked(false);
        }
        return true;
    case IDC_SET_MODE:
        SetMode();
        return true;
    default:
        return CValuesDlg::OnCommand(id);
    }
}

bool CFeedbackModeDlg::OnCmdOk(CDevCmdReply& cmd) {
    if (IsRead(cmd) || IsWrite(cmd)) {
        const unsigned mode = Values()[6];
        m_edit->setText(CEditPattern::FromBits(mode));
        m_pattern->setChecked(!(mode & kPatternOff));
        m_random->setChecked(!(mode & kRandomOff));
        ApplyPatternRule();
    }
    return false;
}

void CFeedbackModeDlg::ApplyPatternRule() {
    const bool pattern = m_pattern->isChecked();
    m_edit->setEnabled(pattern);
    if (!pattern)
        return;
    m_edit->setFocus();
    m_edit->selectAll();
    m_random->setChecked(false);
}

void CFeedbackModeDlg::SetMode() {
    unsigned mode = CEditPattern::ToBits(m_edit->text());
    if (!m_pattern->isChecked())
        mode |= kPatternOff;
    if (!m_random->isChecked())
        mode |= kRandomOff;
    WriteValues(QStringLiteral("6;1;%1").arg(mode));
}
