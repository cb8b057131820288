#include "link/CmdOwner.h"

#include "base/Texts.h"
#include "base/ThreadCall.h"
#include "link/CommWorker.h"
#include "link/DevCmd.h"
#include "link/DeviceState.h"

#include <QCoreApplication>
#include <QObject>

CCmdOwner::CCmdOwner() : m_context(std::make_unique<QObject>()) {}

CCmdOwner::~CCmdOwner() = default;

bool CCmdOwner::OnCmdStart(CDevCmdReply&) {
    return true;
}
bool CCmdOwner::OnCmdReply(CDevCmdReply&) {
    return false;
}
void CCmdOwner::OnCmdEnd(CDevCmdReply&) {}
void CCmdOwner::OnEndDialog(int) {}
void CCmdOwner::OnCmdSent(bool) {}
void CCmdOwner::OnLinkFailed() {}

void CCmdOwner::Call(const std::function<void()>& fn) const {
    CallOnThreadOf(m_context.get(), fn);
}

void CCmdOwner::Post(std::function<void()> fn) const {
    QMetaObject::invokeMethod(m_context.get(), std::move(fn), Qt::QueuedConnection);
}

bool CCommOwner::OnCmdReply(CDevCmdReply& cmd) {
    if (cmd.m_nError == ERR_NONE)
        return OnCmdOk(cmd);
    if (OnCmdError(cmd))
        return true;
    TheDevice().queue.Clear();
    return false;
}

bool CCommOwner::OnCmdOk(CDevCmdReply&) {
    return false;
}

bool CCommOwner::OnCmdError(CDevCmdReply& cmd) {
    const QString caption = QCoreApplication::applicationName();
    QString text = LoadText(cmd.m_nMsgId);
    switch (cmd.m_nMsgId) {
    case TXT_NO_MODULE_ID:
    case TXT_CFG_CORRUPTED:
    case TXT_INVALID_COMMAND:
        ShowMessage(text + LoadText(TXT_CONTACT_MAKER), MB_OK, caption);
        return false;
    case TXT_EXCHANGED:
    case TXT_BATTERY_TOO_LOW:
    case TXT_CONTROL_CHARACTER:
        ShowMessage(text, MB_OK, caption);
        return false;
    case TXT_BUFFER_CORRUPTED:
        ShowMessage(text + LoadText(TXT_READ_DATA), MB_OK, caption);
        return false;
    default:
        break;
    }
    // A charger that could not be opened: repeating at once would not help, the user may.
    if (cmd.m_nError == ERR_NO_LINK)
        return ShowMessage(text + LoadText(TXT_PLEASE_RETRY), MB_RETRYCANCEL, caption) == IDRETRY;
    if (!cmd.m_strText.startsWith(u'#'))
        text += LoadText(TXT_CHECK_PLACEMENT);
    text += LoadText(TXT_PLEASE_RETRY);
    if (TheDevice().worker.SpendAutoRetry())
        return true;
    return ShowMessage(text, MB_RETRYCANCEL, caption) == IDRETRY;
}
