#pragma once

#include "scripts/Script.h"
#include "scripts/ScriptOwner.h"
#include "ui/common/UsbDlg.h"

class CKelvoraButton;
class QFrame;

// The command-script window: loads a script file, runs it on a thread of its own and shows
// everything the script does in its protocol pane, which it shows beside itself. While the
// window exists, the generic command is the script's. A status mark turns green after each
// successful exchange and red after a failed one. Closing the window ends a running script at
// once, also during a pause, and waits for the runner and the worker to let go of it.
class CUsbCommScriptDlg : public CUsbDlg {
    Q_OBJECT
public:
    // The status mark's colours.
    static const QColor kStatusOk;
    static const QColor kStatusFailed;

    explicit CUsbCommScriptDlg(QWidget* parent = nullptr);
    ~CUsbCommScriptDlg() override;

    bool OnCommand(int id) override;
    void OnClose() override;
    // The script's commands report to the runner; the window owns none of its own.
    bool OnCmdReply(CDevCmdReply& cmd) override;

    // Loads the script file; the run button is enabled when it can run.
    void Load(const QString& path);
    // Starts the loaded script, or cancels the running one at the start of its next entry.
    void RunOrCancel();

    bool IsRunning() const { return m_runner.IsRunning(); }
    QColor StatusColour() const;

protected:
    void OnInitDialog() override;

private:
    // The script's runner, reporting to the window.
    class CRunner : public CScriptOwner {
    public:
        CRunner(CScript& script, CUsbCommScriptDlg& window)
            : CScriptOwner(script), m_window(window) {}
        bool OnCmdReply(CDevCmdReply& cmd) override;
        void OnRunEnd() override;

    private:
        CUsbCommScriptDlg& m_window;
    };

    void ShowStatus(bool ok);
    void ShowRunning(bool running);

    CScript m_script;
    CRunner m_runner;
    CKelvoraButton* m_load;
    CKelvoraButton* m_run;
    QFrame* m_status;
    bool m_bClosing = false;
};
