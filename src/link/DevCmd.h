#pragma once

#include <QString>

#include <cstdint>

class CCmdOwner;
class CInfoView;

// Error codes of a failed exchange, recorded in CDevCmdReply::m_nError.
enum DevError : int {
    ERR_NONE = 0,
    ERR_NO_RESPONSE = 1,
    ERR_INVALID_RESPONSE = 2,
    ERR_TRANSMISSION = 3,
    ERR_INV_CMD = 4,
    ERR_CMD_CRC = 5,
    ERR_CFG_CRC = 6,
    ERR_CFG_NO_ID = 7,
    ERR_WRONG_ID = 8,
    ERR_BUFFER_CRC = 9,
    ERR_LOW_BATT = 15,
    ERR_NO_LINK = 16,  // the charger could not be opened; nothing was sent
    ERR_BAD_TEXT = 17, // the command text would break the frame; nothing was sent
};

// Kind bits: a queue holds at most one waiting command of each nonzero kind.
enum CmdKind : std::uint32_t {
    KIND_NONE = 0,
    KIND_CB_INFO = 1,
    KIND_VM_INFO = 2,
    KIND_DOWNLOAD = 4,
    KIND_MOTOR = 8,
    KIND_KEEP_ALIVE = 16,
};

// A command to the charger or the device. Commands are long-lived members of their owners and
// are never owned by the queue. The owner receives the worker's notifications; null means the
// main owner of the process.
class CDevCmd {
public:
    CDevCmd(const QString& code, const QString& args = QString());
    virtual ~CDevCmd() = default;
    CDevCmd(const CDevCmd&) = delete;
    CDevCmd& operator=(const CDevCmd&) = delete;

    // Runs on the worker thread.
    virtual void Execute() = 0;
    // Shows the result of the last exchange; most commands show nothing.
    virtual void ShowResult(CInfoView& view);

    void SetCommand(const QString& code, const QString& args = QString());
    void SetArgs(const QString& args);
    // Sends the text to the protocol when the protocol flag is set.
    void Log(const QString& text) const;
    // Appends the command to the queue.
    void Post();

    // Frames and writes m_strText (with the checksum suffix unless it is a charger command or
    // exactly "EC").
    void Send();

    std::uint32_t m_nKind = KIND_NONE;
    bool m_bLog = true;
    CCmdOwner* m_pOwner = nullptr;
    QString m_strCode;
    QString m_strText;
};

// Whether a command text holds a control character other than TAB (STX, ETX, a line feed ...).
// Such a text would split the frame on the wire; it is never sent.
bool HasControlCharacter(QStringView text);

// The checksum suffix of a command text: empty for charger commands ('#') and "EC", else LF and
// the decimal CRC.
QByteArray ChecksumSuffix(const QByteArray& text);

// A command that expects a reply.
class CDevCmdReply : public CDevCmd {
public:
    static constexpr std::uint32_t kDefaultTimeout = 300;

    CDevCmdReply(const QString& code, const QString& args = QString());

    void Execute() override;
    virtual void OnReply() {}
    virtual void OnError() {}
    virtual std::uint32_t GetTimeout() const { return kDefaultTimeout; }
    virtual void SetMessageId(int id) { m_nMsgId = id; }
    // Verifies and strips the checksum line of the raw reply in buffer (length bytes).
    virtual bool CheckReplyCrc(char* buffer, int length);

    // The message id of a recognised error reply in m_strReply, or 0; records the error code.
    int CheckErrorReply();
    // Handles a received payload (length >= 0) or a missing one (length < 0), as the worker
    // does after each receive: checksum, text, protocol, error words, OnReply or OnError.
    void ProcessReply(char* buffer, int length);

    int m_nError = ERR_NONE;
    int m_nMsgId = 0;
    QString m_strReply;

    // For OnReply: records an unparsable reply.
    void SetInvalidResponse();

private:
    // Records a failure that happened before anything was sent, as ProcessReply records a
    // failed exchange.
    void RecordUnsent(int error, int msgId);
};

// A command that is only sent; dropped when the charger cannot be opened.
class CDevCmdNoReply : public CDevCmd {
public:
    using CDevCmd::CDevCmd;
    void Execute() override;
};

// Ends its owner's dialog once the worker has finished what came before it.
class CExitDlgCmd : public CDevCmdNoReply {
public:
    CExitDlgCmd() : CDevCmdNoReply(QString()) {}
    void Execute() override;
};

// Tells the device that the program ends ("EC") and stops the worker.
class CTerminateCmd : public CDevCmdNoReply {
public:
    CTerminateCmd() : CDevCmdNoReply(QString()) {}
    void Execute() override;
};

// Ends the charger's communication mode.
class CExitCommCmd : public CDevCmdNoReply {
public:
    CExitCommCmd() : CDevCmdNoReply(QStringLiteral("#CEC")) { m_bLog = false; }
};

class CKeepAliveCmd : public CDevCmdNoReply {
public:
    CKeepAliveCmd() : CDevCmdNoReply(QStringLiteral("KA")) { m_nKind = KIND_KEEP_ALIVE; }
};
