#pragma once

#include "link/DevCmd.h"

#include <array>

// Commands that change the module's stored configuration.

// "SP", a selector digit and a value text.
class CSetParamCmd : public CDevCmdReply {
public:
    // The longest module ID or info text the module stores.
    static constexpr int kMaxText = 29;

    explicit CSetParamCmd(char selector) : CDevCmdReply(QStringLiteral("SP") + QChar(selector)) {}

    // Whether text may be stored as module ID or info text: the module's replies separate
    // their fields with ";" and TAB, so a text holding one of them, or a control character,
    // would come back as something else. The command-line front end and the input dialog check
    // with it and show message TXT_INVALID_MODULE_TEXT otherwise.
    static bool IsValidText(QStringView text);
};

// "SP0" and the new module ID.
class CSetIdCmd : public CSetParamCmd {
public:
    CSetIdCmd() : CSetParamCmd('0') {}
};

// "SP2" and the new info text.
class CSetInfoCmd : public CSetParamCmd {
public:
    CSetInfoCmd() : CSetParamCmd('2') {}
};

// The module's 32 parameters, filled by every successful "GV" or "SV".
using CParamBlock = std::array<std::uint16_t, 32>;

// Error codes of a parameter block reply that does not parse.
enum ParamError : int { ERR_PARAM_INDEX = 13, ERR_PARAM_VALUE = 14 };

// "GV" or "SV": both answer with the whole parameter block.
class CValuesCmd : public CDevCmdReply {
public:
    explicit CValuesCmd(const QString& code) : CDevCmdReply(code) {}
    void OnReply() override;
};

class CGetValuesCmd : public CValuesCmd {
public:
    CGetValuesCmd() : CValuesCmd(QStringLiteral("GV")) {}
};

// "SV" with the first index, the count and the values, separated by ';'.
class CSetValuesCmd : public CValuesCmd {
public:
    CSetValuesCmd() : CValuesCmd(QStringLiteral("SV")) {}

    // Whether args can be sent: decimal numbers separated by ';', the first index 0 to 31,
    // then the count and exactly that many values, each 0 to 65535, reaching no further than
    // the last parameter (first + count <= 32). The command-line front end and the settings
    // dialogs check with it and show message TXT_INVALID_PARAMETERS otherwise.
    static bool IsValidArgs(QStringView args);
};

// "ME" switches the feedback on, "MD" off; the reply is confirmed in a message box.
class CMotorCmd : public CDevCmdReply {
public:
    explicit CMotorCmd(bool enable);
    void OnReply() override;
};

// "EDKelvora": erases the recorded events.
class CEraseDataCmd : public CDevCmdReply {
public:
    static constexpr std::uint32_t kTimeout = 5000;
    CEraseDataCmd() : CDevCmdReply(QStringLiteral("ED"), QStringLiteral("Kelvora")) {}
    std::uint32_t GetTimeout() const override { return kTimeout; }
};
