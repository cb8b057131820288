#include "ui/settings/ValuesDlg.h"

#include "base/Texts.h"
#include "link/DeviceState.h"
#include "ui/common/MyButton.h"
#include "ui/common/ToolTip.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>

CValuesDlg::CValuesDlg(const QString& templateName, QWidget* parent)
    : CUsbCommDlg(templateName, parent) {
    m_getValues.m_pOwner = this;
    m_setValues.m_pOwner = this;
}

void CValuesDlg::OnInitDialog() {
    CUsbCommDlg::OnInitDialog();
    if (TheDevice().moduleInfo.IsConnected())
        Queue(m_getValues);
    else
        PostToMainWindow(WM_DEV_CONNECT);
}

qintptr CValuesDlg::OnMessage(int message, qintptr wParam, qintptr lParam) {
    if (message != WM_DEV_IDENTITY)
        return CUsbCommDlg::OnMessage(message, wParam, lParam);
    if (TheDevice().moduleInfo.IsConnected())
        Queue(m_getValues);
    else
        OnClose();
    return 0;
}

void CValuesDlg::OnClose() {
    if (m_bClosing)
        return;
    m_bClosing = true;
    CUsbCommDlg::OnClose();
}

bool CValuesDlg::OnCmdReply(CDevCmdReply& cmd) {
    // The worker waits meanwhile, so the block is not being written.
    if (cmd.m_nError == ERR_NONE && (IsRead(cmd) || IsWrite(cmd)))
        m_values = TheDevice().paramBlock;
    const bool again = CUsbCommDlg::OnCmdReply(cmd);
    // Without the parameters there is nothing to show. The failure has emptied the queue; the
    // exit goes in behind it.
    if (IsRead(cmd) && cmd.m_nError != ERR_NONE && !again)
        OnClose();
    return again;
}

QLineEdit* CValuesDlg::Field(int id) const {
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        if (CommandId(edit) == id)
            return edit;
    }
    return nullptr;
}

void CValuesDlg::Queue(CDevCmd& cmd) {
    // A command queued behind the exit would run after the dialog is gone.
    if (!m_bClosing)
        cmd.Post();
}

void CValuesDlg::WriteValues(const QString& args) {
    if (!CSetValuesCmd::IsValidArgs(args)) {
        ShowMessage(FormatText(TXT_INVALID_PARAMETERS, {args}), MB_OK,
                    QCoreApplication::applicationName());
        return;
    }
    m_setValues.SetArgs(args);
    Queue(m_setValues);
}

bool CValuesDlg::ReadNumber(QLineEdit* edit, int low, int high, int& value) {
    const QString text = edit->text().trimmed();
    const bool digits = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= u'0' && c <= u'9';
    });
    bool ok = false;
    const int number = text.toInt(&ok);
    if (digits && ok && number >= low && number <= high) {
        value = number;
        return true;
    }
    // A number too large for an int is still a number out of range.
    if (digits)
        ShowMessage(FormatText(TXT_RANGE, {QString::number(low), QString::number(high)}), MB_OK,
                    QCoreApplication::applicationName());
    else
        ShowMessageId(TXT_ENTER_INTEGER);
    edit->setFocus();
    edit->selectAll();
    return false;
}

QLineEdit* NewNumberEdit(int id, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    SetCommandId(edit, id);
    return edit;
}

QLineEdit* ReadOnly(int id, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    // Set apart from the fields to fill in, and left out when tabbing through them.
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
    edit->setFocusPolicy(Qt::ClickFocus);
    SetCommandId(edit, id);
    return edit;
}

CKelvoraButton* NewButton(int id, const QString& text, QWidget* parent) {
    auto* button = new CKelvoraButton(100, text, parent);
    SetCommandId(button, id);
    const QFontMetrics metrics = button->fontMetrics();
    int widest = 0;
    for (const QString& line : text.split(u'\n'))
        widest = qMax(widest, metrics.horizontalAdvance(line));
    button->setMinimumWidth(widest + 4 * metrics.averageCharWidth());
    return button;
}
