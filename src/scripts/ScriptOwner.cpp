#include "scripts/ScriptOwner.h"

#include "base/Texts.h"
#include "link/CommWorker.h"
#include "link/DeviceState.h"
#include "link/GenericCmd.h"
#include "scripts/Script.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

CScriptOwner::CScriptOwner(CScript& script) : m_script(script) {
    TheDevice().genericCmd.m_pOwner = this;
    m_exit.m_pOwner = this;
}

CScriptOwner::~CScriptOwner() {
    Close();
    TheDevice().genericCmd.m_pOwner = nullptr;
}

bool CScriptOwner::Run() {
    if (IsRunning() || !m_script.IsRunnable())
        return false;
    m_script.Prepare();
    m_bClosed = false;
    m_runner.reset(QThread::create([this] {
        m_script.Run();
        Post([this] { OnRunEnd(); });
    }));
    m_runner->start();
    return true;
}

void CScriptOwner::Cancel() {
    m_script.Cancel();
}

bool CScriptOwner::IsRunning() const {
    return m_runner && !m_runner->isFinished();
}

void CScriptOwner::Close() {
    if (m_bClosed)
        return;
    m_script.Cancel();
    m_script.AbortPause();
    m_script.SignalEvent();
    if (m_runner) {
        while (!m_runner->wait(QDeadlineTimer(20)))
            QCoreApplication::processEvents();
        m_runner.reset();
    }
    // The worker may still be in the last exchange; the exit command comes after it.
    m_bExited = false;
    PostExit(m_exit);
    while (!m_bExited)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    m_bClosed = true;
}

bool CScriptOwner::OnCmdReply(CDevCmdReply& cmd) {
    m_bStatusOk = cmd.m_nError == ERR_NONE;
    if (m_bStatusOk)
        m_script.Log(TheDevice().genericCmd.m_strLine);
    else
        m_script.Log(LoadText(cmd.m_nMsgId > 0 ? cmd.m_nMsgId : TXT_INVALID_RESPONSE));
    m_script.SignalEvent();
    return false;
}

void CScriptOwner::OnEndDialog(int) {
    m_bExited = true;
}
