#include "link/DevCmd.h"

#include "base/AnsiCodec.h"
#include "base/TextIds.h"
#include "link/CommWorker.h"
#include "link/Crc16.h"
#include "link/DeviceState.h"
#include "link/UsbLink.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>

namespace {

// The leading decimal number of text, read like atoi: blanks, an optional sign, digits; 0 when
// there are none. Values beyond the int range saturate instead of overflowing.
long long LeadingNumber(const char* text) {
    while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\v' || *text == '\f')
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    long long value = 0;
    while (*text >= '0' && *text <= '9') {
        if (value < 1'000'000'000'000LL)
            value = value * 10 + (*text - '0');
        ++text;
    }
    return negative ? -value : value;
}

struct ErrorWord {
    const char16_t* word;
    int error;
    int message;
};

constexpr ErrorWord kErrorWords[] = {
    {u"E\tLOW_BATT", ERR_LOW_BATT, TXT_BATTERY_TOO_LOW},
    {u"E\tINV_CMD", ERR_INV_CMD, TXT_INVALID_COMMAND},
    {u"E\tCMD_CRC", ERR_CMD_CRC, TXT_TRANSMISSION},
    {u"E\tCFG_CRC", ERR_CFG_CRC, TXT_CFG_CORRUPTED},
    {u"E\tCFG_NO_ID", ERR_CFG_NO_ID, TXT_NO_MODULE_ID},
    {u"E\tWRONG_ID", ERR_WRONG_ID, TXT_EXCHANGED},
    {u"E\tBUFFER_CRC", ERR_BUFFER_CRC, TXT_BUFFER_CORRUPTED},
};

} // namespace

CDevCmd::CDevCmd(const QString& code, const QString& args)
    : m_strCode(code), m_strText(code + args) {}

void CDevCmd::ShowResult(CInfoView&) {}

void CDevCmd::SetCommand(const QString& code, const QString& args) {
    m_strCode = code;
    m_strText = code + args;
}

void CDevCmd::SetArgs(const QString& args) {
    m_strText = m_strCode + args;
}

void CDevCmd::Log(const QString& text) const {
    if (m_bLog)
        TheDevice().worker.NotifyProtocol(text);
}

void CDevCmd::Post() {
    TheDevice().queue.Add(this);
}

bool HasControlCharacter(QStringView text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return (c < u' ' && c != u'\t') || c == u'\x7F'; });
}

QByteArray ChecksumSuffix(const QByteArray& text) {
    if (text.startsWith('#') || text == "EC")
        return QByteArray();
    return "\n" + QByteArray::number(CCrc16::Of(text));
}

void CDevCmd::Send() {
    const QByteArray text = ToAnsi(m_strText);
    Log(QStringLiteral("Cmd: ") + m_strText);
    const QByteArray suffix = ChecksumSuffix(text);
    if (!suffix.isEmpty())
        TheDevice().worker.NotifyCmdSent(text != "KA");
    TheDevice().link.WriteFrame(text, suffix);
}

CDevCmdReply::CDevCmdReply(const QString& code, const QString& args) : CDevCmd(code, args) {}

void CDevCmdReply::SetInvalidResponse() {
    m_nError = ERR_INVALID_RESPONSE;
    SetMessageId(TXT_INVALID_RESPONSE);
}

bool CDevCmdReply::CheckReplyCrc(char* buffer, int length) {
    char* lastLf = nullptr;
    for (int i = length - 1; i >= 0; --i) {
        if (buffer[i] == '\n') {
            lastLf = buffer + i;
            break;
        }
    }
    if (!lastLf) {
        m_nError = ERR_TRANSMISSION;
        SetMessageId(TXT_TRANSMISSION);
        return false;
    }
    *lastLf = 0;
    const std::uint16_t crc = CCrc16::Of(QByteArrayView(buffer, lastLf - buffer));
    if (LeadingNumber(lastLf + 1) != crc) {
        m_nError = ERR_TRANSMISSION;
        SetMessageId(TXT_TRANSMISSION);
        return false;
    }
    return true;
}

int CDevCmdReply::CheckErrorReply() {
    if (!m_strReply.contains(QStringLiteral("E\t")))
        return 0;
    for (const ErrorWord& entry : kErrorWords) {
        const QString word = QString::fromUtf16(entry.word);
        const bool found =
            entry.error == ERR_WRONG_ID ? m_strReply.startsWith(word) : m_strReply.contains(word);
        if (found) {
            m_nError = entry.error;
            return entry.message;
        }
    }
    return 0;
}

void CDevCmdReply::ProcessReply(char* buffer, int length) {
    if (length < 0) {
        m_strReply.clear();
        m_nError = ERR_NO_RESPONSE;
        SetMessageId(TXT_NO_RESPONSE);
        OnError();
        return;
    }
    const bool crcOk = CheckReplyCrc(buffer, length);
    m_strReply = FromAnsi(QByteArrayView(buffer, static_cast<qsizetype>(strnlen(buffer, length))));
    Log(m_strReply);
    m_strReply.replace(u';', u'\t');
    if (!crcOk)
        return;
    if (const int message = CheckErrorReply()) {
        SetMessageId(message);
        OnError();
    } else {
        OnReply();
    }
}

void CDevCmdReply::Execute() {
    CCommWorker& worker = TheDevice().worker;
    CQueue& queue = TheDevice().queue;
    CUsbLink& link = TheDevice().link;
    worker.ResetAutoRetry();
    if (!queue.IsActive() || !worker.NotifyCmd(*this, CMD_START))
        return;
    for (;;) {
        link.SetReadTimeout(GetTimeout());
        m_nError = ERR_NONE;
        m_nMsgId = 0;
        if (HasControlCharacter(m_strText)) {
            // STX, ETX or a line feed inside the text would end or split the frame.
            RecordUnsent(ERR_BAD_TEXT, TXT_CONTROL_CHARACTER);
        } else if (link.IsOpen() || link.Open()) {
            Send();
            const int length =
                link.ReceiveReply(worker.Buffer(), queue.ActiveFlag(), CCommWorker::kBufferSize);
            worker.SetLastLength(length);
            if (!queue.IsActive())
                return;
            ProcessReply(worker.Buffer(), length);
        } else {
            // The charger is gone or taken: the owner hears why, like any failed exchange, so
            // that nobody waits for a reply that cannot come. A repetition tries to open again.
            RecordUnsent(ERR_NO_LINK, OpenErrorMessage(link.OpenError()));
        }
        if (!queue.IsActive())
            return;
        if (!worker.NotifyCmd(*this, CMD_REPLY))
            break;
    }
    if (queue.IsActive())
        worker.NotifyCmd(*this, CMD_END);
}

void CDevCmdReply::RecordUnsent(int error, int msgId) {
    TheDevice().worker.SetLastLength(-1);
    m_strReply.clear();
    m_nError = error;
    SetMessageId(msgId);
    OnError();
}

void CDevCmdNoReply::Execute() {
    if (TheDevice().link.IsOpen())
        Send();
}

void CExitDlgCmd::Execute() {
    TheDevice().worker.PostEndDialog(m_pOwner, 2);
}

void CTerminateCmd::Execute() {
    if (TheDevice().link.IsOpen())
        TheDevice().link.WriteFrame("EC", QByteArrayView());
    TheDevice().worker.RequestStop();
}
