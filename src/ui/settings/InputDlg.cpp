#include "ui/settings/InputDlg.h"

#include "base/Texts.h"
#include "link/ConfigCmds.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CInputDlg::CInputDlg(int titleId, int labelId, int maxLength, QWidget* parent)
    : CInputDlg(LoadText(titleId), LoadText(labelId), maxLength, parent) {}

CInputDlg::CInputDlg(const QString& title, const QString& label, int maxLength, QWidget* parent)
    : QDialog(parent), m_label(new QLabel(label, this)), m_edit(new QLineEdit(this)) {
    setWindowTitle(title);
    if (maxLength >= 0)
        m_edit->setMaxLength(maxLength);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_edit);
    // The width of 191 dialog units.
    setMinimumWidth(fontMetrics().averageCharWidth() * 191 / 4);
    connect(m_edit, &QLineEdit::returnPressed, this, &CInputDlg::accept);
}

void CInputDlg::showEvent(QShowEvent* event) {
    m_edit->setText(m_strText);
    m_edit->selectAll();
    m_edit->setFocus();
    QDialog::showEvent(event);
}

void CInputDlg::accept() {
    const QString text = m_edit->text();
    // The module gives its ID and info text back in fields separated by ";" and TAB.
    if (!CSetParamCmd::IsValidText(text)) {
        ShowMessageId(TXT_INVALID_MODULE_TEXT);
        m_edit->setFocus();
        return;
    }
    m_strText = text;
    QDialog::accept();
}

void CInputDlg::reject() {
    m_strText.clear();
    QDialog::reject();
}
