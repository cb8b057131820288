#include "link/GenericCmd.h"

#include "base/Scan.h"
#include "base/Texts.h"

CGenericCmd::CGenericCmd() : CDevCmdReply(QString()) {
    m_bLog = false;
}

std::uint32_t CGenericCmd::GetTimeout() const {
    return m_strText.startsWith(QStringLiteral("GP")) ? 2000 : kDefaultTimeout;
}

void CGenericCmd::OnReply() {
    if (m_strText.startsWith(QStringLiteral("RM"))) {
        const quint16 value = ScanUShort(m_strReply.section(u'\t', 1, 1));
        m_strLine = m_strText + u'\t' + BinaryText16(value);
    } else {
        m_strLine = m_strText + u'\t' + m_strReply;
        m_strLine.replace(u'\n', u'\t');
    }
}
