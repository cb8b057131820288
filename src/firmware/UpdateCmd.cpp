#include "firmware/UpdateCmd.h"
#include "base/TextIds.h"

CUpdateCmd::CUpdateCmd(bool charger)
    : CDevCmdReply(QString()), m_strUpCode(charger ? QStringLiteral("#CUP") : QStringLiteral("UP")),
      m_strIhCode(charger ? QStringLiteral("#CIH") : QStringLiteral("IH")) {
    m_bLog = false;
    SetStart();
}

void CUpdateCmd::SetStart() {
    SetCommand(m_strUpCode, QStringLiteral("Kelvora"));
}

void CUpdateCmd::OnReply() {
    if (m_nReplyLength == 1 && m_strReply == u"1") {
        SetCommand(m_strIhCode);
    } else if (m_nReplyLength != 1 || m_strReply != u"2") {
        m_nError = kErrUpdate;
        SetMessageId(TXT_UPDATE_FAILED);
    }
}
