#pragma once

#include "link/ConfigCmds.h"
#include "ui/common/UsbDlg.h"

class CKelvoraButton;
class QLineEdit;

// The base of the dialogs that show and change the module's parameters. It reads them ("GV")
// when it opens and again whenever the main window reports a new module identity, and writes
// ("SV") what a subclass hands it. Without a module it asks the main window to connect first;
// when the module is gone, or a read fails and is not repeated, it closes like Cancel, through
// the queue, so that it never ends while the worker runs one of its commands.
class CValuesDlg : public CUsbCommDlg {
    Q_OBJECT
public:
    CValuesDlg(const QString& templateName, QWidget* parent);

    qintptr OnMessage(int message, qintptr wParam, qintptr lParam) override;
    void OnClose() override;
    bool OnCmdReply(CDevCmdReply& cmd) override;

    // The parameters as this dialog's last successful "GV" or "SV" returned them.
    const CParamBlock& Values() const { return m_values; }
    // The line edit with that command id; null when there is none.
    QLineEdit* Field(int id) const;

protected:
    void OnInitDialog() override;

    bool IsRead(const CDevCmdReply& cmd) const { return &cmd == &m_getValues; }
    bool IsWrite(const CDevCmdReply& cmd) const { return &cmd == &m_setValues; }
    // Queues a command of this dialog; nothing once the dialog is closing.
    void Queue(CDevCmd& cmd);
    // Queues "SV" with "first;count;values...".
    void WriteValues(const QString& args);
    // The number in edit when it lies in low..high; otherwise the user is told so, the focus
    // goes to edit, and the result is false.
    bool ReadNumber(QLineEdit* edit, int low, int high, int& value);

private:
    CGetValuesCmd m_getValues;
    CSetValuesCmd m_setValues;
    CParamBlock m_values{};
    bool m_bClosing = false;
};

// A line edit for a decimal number: only digits can be typed.
QLineEdit* NewNumberEdit(int id, QWidget* parent);
// A read-only line edit, on the window's background and out of the tab order.
QLineEdit* ReadOnly(int id, QWidget* parent);
// A brand button with that command id, wide enough to leave room around its longest line.
CKelvoraButton* NewButton(int id, const QString& text, QWidget* parent);
