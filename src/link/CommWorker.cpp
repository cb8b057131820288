#include "link/CommWorker.h"

#include "base/Texts.h"
#include "link/CmdOwner.h"
#include "link/DevCmd.h"
#include "link/DeviceState.h"
#include "link/UsbLink.h"

#include <QCoreApplication>
#include <QEventLoop>

void CQueue::Add(CDevCmd* cmd) {
    {
        std::lock_guard guard(m_lock);
        if (cmd->m_nKind & m_nPendingKinds)
            return;
        m_commands.append(cmd);
        m_nPendingKinds |= cmd->m_nKind;
        m_bSignalled = true;
    }
    m_wake.notify_one();
}

CDevCmd* CQueue::Take() {
    std::lock_guard guard(m_lock);
    m_bActive = true;
    if (m_commands.isEmpty())
        return nullptr;
    CDevCmd* cmd = m_commands.takeFirst();
    m_nPendingKinds &= ~cmd->m_nKind;
    return cmd;
}

void CQueue::Clear() {
    std::lock_guard guard(m_lock);
    m_commands.clear();
    m_nPendingKinds = 0;
    m_bActive = false;
}

std::uint32_t CQueue::PendingKinds() const {
    std::lock_guard guard(m_lock);
    return m_nPendingKinds;
}

int CQueue::Size() const {
    std::lock_guard guard(m_lock);
    return static_cast<int>(m_commands.size());
}

void CQueue::Signal() {
    {
        std::lock_guard guard(m_lock);
        m_bSignalled = true;
    }
    m_wake.notify_one();
}

void CQueue::WaitForSignal() {
    std::unique_lock guard(m_lock);
    m_wake.wait(guard, [this] { return m_bSignalled; });
    m_bSignalled = false;
}

void CCommWorker::Start() {
    m_bStop = false;
    start();
}

void CCommWorker::RequestStop() {
    m_bStop = true;
}

void CCommWorker::run() {
    CQueue& queue = TheDevice().queue;
    CUsbLink& link = TheDevice().link;
    while (!m_bStop) {
        queue.WaitForSignal();
        // A charger that cannot be opened fails each command that needs it, with the reason
        // (its owner hears it like any failed exchange); the main owner is told as well, so
        // that it looks for chargers again.
        if (!link.Open())
            NotifyLinkFailed();
        while (CDevCmd* cmd = queue.Take())
            cmd->Execute();
        link.Close();
    }
    PostEndDialog(nullptr, 2);
}

bool CCommWorker::NotifyCmd(CDevCmdReply& cmd, CmdNotify what) {
    CCmdOwner* owner = cmd.m_pOwner ? cmd.m_pOwner : m_pMainOwner.load();
    if (!owner)
        return what != CMD_REPLY;
    bool result = true;
    owner->Call([&] {
        switch (what) {
        case CMD_START:
            result = owner->OnCmdStart(cmd);
            break;
        case CMD_REPLY:
            result = owner->OnCmdReply(cmd);
            break;
        case CMD_END:
            owner->OnCmdEnd(cmd);
            break;
        }
    });
    return result;
}

void CCommWorker::NotifyProtocol(const QString& line) {
    if (CCmdOwner* owner = m_pMainOwner)
        owner->Call([&] { WriteProtocol(line); });
}

void CCommWorker::NotifyCmdSent(bool real) {
    if (CCmdOwner* owner = m_pMainOwner)
        owner->Post([owner, real] { owner->OnCmdSent(real); });
}

void CCommWorker::NotifyLinkFailed() {
    if (CCmdOwner* owner = m_pMainOwner)
        owner->Post([owner] { owner->OnLinkFailed(); });
}

void CCommWorker::PostEndDialog(CCmdOwner* owner, int result) {
    if (!owner)
        owner = m_pMainOwner;
    if (owner)
        owner->Post([owner, result] { owner->OnEndDialog(result); });
}

namespace {

// Notes that the worker reached it and wakes the waiting thread's event loop.
class CWorkerMark : public CDevCmd {
public:
    CWorkerMark() : CDevCmd(QString()) {}
    void Execute() override {
        m_bReached = true;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] {}, Qt::QueuedConnection);
    }
    std::atomic<bool> m_bReached{false};
};

} // namespace

void WaitForWorkerToPass() {
    CWorkerMark mark;
    mark.Post();
    while (!mark.m_bReached)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void PostExit(CExitDlgCmd& cmd) {
    TheDevice().queue.Clear();
    if (TheDevice().link.Selected() < 0)
        TheDevice().worker.PostEndDialog(cmd.m_pOwner, 2);
    else
        cmd.Post();
}

void PostTerminate(CTerminateCmd& cmd) {
    TheDevice().queue.Clear();
    if (TheDevice().link.Selected() < 0) {
        TheDevice().worker.RequestStop();
        TheDevice().queue.Signal();
    } else {
        cmd.Post();
    }
}
