#pragma once

#include "link/CmdOwner.h"
#include "link/DevCmd.h"

#include <QThread>

#include <memory>

class CScript;

// What the script window does with a loaded script, without the window: it owns the generic
// command while it exists, runs the script on a thread of its own, logs each exchange's result
// (or the error text of a failed one, never repeated) and keeps the status mark. Like every
// owner it must live on a thread that runs an event loop.
class CScriptOwner : public CCmdOwner {
public:
    explicit CScriptOwner(CScript& script);
    // Closes first.
    ~CScriptOwner() override;

    // Starts the loaded script on the runner thread; false when it is not runnable or runs.
    bool Run();
    // The run ends at the start of the next entry (a pause in progress completes first).
    void Cancel();
    // Whether the runner thread is still at work.
    bool IsRunning() const;
    // Ends a run at once (also during a pause) and returns once the runner and the worker have
    // left the script's commands, dispatching events meanwhile. Once closed, nothing more
    // happens until the next Run.
    void Close();

    // Logs the reply or the error text, sets the status mark and lets the script go on.
    bool OnCmdReply(CDevCmdReply& cmd) override;
    void OnEndDialog(int result) override;
    // The status mark: green (true) after a successful exchange, red after a failed one.
    bool StatusOk() const { return m_bStatusOk; }

    // The run has ended (on this owner's thread).
    virtual void OnRunEnd() {}

private:
    CScript& m_script;
    std::unique_ptr<QThread> m_runner;
    CExitDlgCmd m_exit;
    bool m_bStatusOk = true;
    bool m_bExited = false;
    bool m_bClosed = false;
};
