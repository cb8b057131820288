#include "link/DiagCmds.h"

#include "base/Scan.h"
#include "base/Texts.h"

void CReadMemCmd::OnReply() {
    // A value that does not parse keeps the last one.
    if (const auto value = ScanUnsigned(m_strReply.section(u'\t', 1, 1)))
        m_nValue = *value;
    m_strHex = QStringLiteral("%1").arg(m_nValue, 4, 16, QLatin1Char('0')).toUpper();
    m_strBits = BinaryText16(static_cast<std::uint16_t>(m_nValue));
}

void CReadADCmd::OnReply() {
    const qsizetype tab = m_strReply.indexOf(u'\t');
    m_strChannel = tab >= 0 ? m_strReply.left(tab) : m_strReply;
    m_strValues = tab >= 0 ? m_strReply.mid(tab + 1) : QString();
}
