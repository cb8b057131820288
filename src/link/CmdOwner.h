#pragma once

#include <QString>

#include <functional>
#include <memory>

class CDevCmdReply;
class QObject;

// The receiving side of the worker's notifications: a dialog, the command-line front end or a
// test. An owner belongs to the thread that created it; the worker calls it there, blocking for
// the per-command notifications and the protocol, posting the others. The owner's thread must
// run a Qt event loop while commands of the owner are queued.
class CCmdOwner {
public:
    CCmdOwner();
    virtual ~CCmdOwner();
    CCmdOwner(const CCmdOwner&) = delete;
    CCmdOwner& operator=(const CCmdOwner&) = delete;

    // Before the first send; false keeps the command from being sent at all.
    virtual bool OnCmdStart(CDevCmdReply& cmd);
    // After each processed reply or failure; true sends the command again.
    virtual bool OnCmdReply(CDevCmdReply& cmd);
    // After the last exchange of a command that was not aborted.
    virtual void OnCmdEnd(CDevCmdReply& cmd);
    // The owner's dialog is to end with this result (posted by CExitDlgCmd; to the main owner
    // when the worker has ended).
    virtual void OnEndDialog(int result);
    // A checksummed command was written; real is false for the keep-alive. Main owner only.
    virtual void OnCmdSent(bool real);
    // The selected charger could not be opened (its commands fail with the reason). Main owner
    // only.
    virtual void OnLinkFailed();

    // Runs fn on the owner's thread and waits for it.
    void Call(const std::function<void()>& fn) const;
    // Runs fn on the owner's thread later; dropped when the owner is gone by then.
    void Post(std::function<void()> fn) const;

private:
    std::unique_ptr<QObject> m_context;
};

// An owner with the standard handling of failed exchanges: one silent repetition after the
// first retryable failure of each command, then a Retry/Cancel box; Cancel drops the queue.
class CCommOwner : public CCmdOwner {
public:
    bool OnCmdReply(CDevCmdReply& cmd) override;
    // A successful exchange; true asks for one more (next block).
    virtual bool OnCmdOk(CDevCmdReply& cmd);
    // A failed exchange; true repeats it.
    virtual bool OnCmdError(CDevCmdReply& cmd);
};
