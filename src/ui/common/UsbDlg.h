#pragma once

#include "link/CmdOwner.h"
#include "link/DevCmd.h"
#include "ui/common/TipDialog.h"

class COutputDlg;

// The base of every window that sends device commands: it owns the window's protocol pane and
// receives the worker's notifications. The commands' owner calls arrive on this window's
// thread while the worker waits, so handlers must never wait for the worker.
class CUsbDlg : public CTipDialog, public CCommOwner {
    Q_OBJECT
public:
    CUsbDlg(const QString& templateName, QWidget* parent);
    ~CUsbDlg() override;

    // The window is asked to close (title bar, Esc).
    virtual void OnClose() = 0;
    bool OnCmdReply(CDevCmdReply& cmd) override = 0;
    // The worker has finished with the window: end it with result.
    void OnEndDialog(int result) override;

    // Appends a line to the protocol pane.
    void AppendProtocol(const QString& text);
    // Null before the window is initialised.
    COutputDlg* Protocol() const { return m_protocol; }

public slots:
    void reject() override;

protected:
    void OnInitDialog() override;
    void closeEvent(QCloseEvent* event) override;

private:
    COutputDlg* m_protocol = nullptr;
};

// A device window with the default handling of exchanges: a failure is repeated once silently,
// then the user is asked Retry/Cancel (Cancel drops the queue), and closing goes through the
// queue so that the window ends only after the worker has left its commands. F9 and F10 ask the
// main window to connect or disconnect the device.
class CUsbCommDlg : public CUsbDlg {
    Q_OBJECT
public:
    CUsbCommDlg(const QString& templateName, QWidget* parent);

    // Disables the window and queues its exit; it ends with result 2 once the worker takes
    // the exit command, at once when no charger is selected.
    void OnClose() override;
    bool OnCmdReply(CDevCmdReply& cmd) override;
    bool OnCmdOk(CDevCmdReply& cmd) override = 0;
    bool OnCommand(int id) override;

private:
    CExitDlgCmd m_exitCmd;
};
