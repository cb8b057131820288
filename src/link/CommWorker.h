#pragma once

#include <QList>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class CCmdOwner;
class CDevCmd;
class CDevCmdReply;
class CExitDlgCmd;
class CTerminateCmd;

// The process-wide command queue. It does not own its commands. A command of a nonzero kind is
// queued at most once while it waits; kind 0 commands are always appended.
class CQueue {
public:
    void Add(CDevCmd* cmd);
    // Removes and returns the first command (null when empty) and marks the queue active.
    CDevCmd* Take();
    // Drops every waiting command and aborts the one being executed.
    void Clear();

    bool IsActive() const { return m_bActive; }
    const std::atomic<bool>& ActiveFlag() const { return m_bActive; }
    std::uint32_t PendingKinds() const;
    int Size() const;

    // The worker's wake-up event (auto-reset).
    void Signal();
    void WaitForSignal();

private:
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_bSignalled = false;
    QList<CDevCmd*> m_commands;
    std::uint32_t m_nPendingKinds = 0;
    std::atomic<bool> m_bActive{false};
};

// What a per-command notification reports.
enum CmdNotify { CMD_REPLY = 0, CMD_START = 1, CMD_END = 2 };

// The communication worker: the only thread that uses the open link. It sleeps until a command
// is queued, opens the link, executes the queued commands one by one and closes the link when
// the queue is empty.
class CCommWorker : public QThread {
public:
    static constexpr int kBufferSize = 131072;

    // The owner of commands without one, and the receiver of the protocol, the command-sent
    // notices and the worker's end (the main window, the command-line front end, a test).
    void SetMainOwner(CCmdOwner* owner) { m_pMainOwner = owner; }
    CCmdOwner* MainOwner() const { return m_pMainOwner; }

    // Starts the thread with a cleared stop flag.
    void Start();
    // Stops the loop before its next wait.
    void RequestStop();
    bool StopRequested() const { return m_bStop; }

    char* Buffer() { return m_buffer; }
    int LastLength() const { return m_nLength; }
    void SetLastLength(int length) { m_nLength = length; }

    // The silent repetition allowed after the first retryable failure of a command.
    void ResetAutoRetry() { m_nAutoRetry = 1; }
    bool SpendAutoRetry() { return m_nAutoRetry.exchange(0) == 1; }

    // Notifications to the owners, from the worker thread.
    bool NotifyCmd(CDevCmdReply& cmd, CmdNotify what);
    void NotifyProtocol(const QString& line);
    void NotifyCmdSent(bool real);
    void NotifyLinkFailed();
    void PostEndDialog(CCmdOwner* owner, int result);

protected:
    void run() override;

private:
    std::atomic<CCmdOwner*> m_pMainOwner{nullptr};
    std::atomic<bool> m_bStop{false};
    std::atomic<int> m_nAutoRetry{1};
    char m_buffer[kBufferSize] = {};
    int m_nLength = 0;
};

// A communication dialog closes: the queue is dropped and the dialog ends once the worker has
// left the aborted command (at once when no charger is selected).
void PostExit(CExitDlgCmd& cmd);
// Runs the calling thread's events until the worker has passed a mark queued behind every
// waiting command; afterwards it holds none of them. An owner hears that its command is done
// from the last reply, before the worker's command-end notice: whoever destroys the command
// then waits here first. The worker must be running.
void WaitForWorkerToPass();
// The program ends: the queue is dropped, "EC" goes to a selected charger and the worker stops;
// the main owner then receives OnEndDialog.
void PostTerminate(CTerminateCmd& cmd);
