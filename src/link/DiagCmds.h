#pragma once

#include "link/DevCmd.h"

// Low-level service commands.

// "RM" and a decimal address: one 16-bit word of module memory.
class CReadMemCmd : public CDevCmdReply {
public:
    CReadMemCmd() : CDevCmdReply(QStringLiteral("RM")) {}
    void OnReply() override;

    QString m_strHex;  // "%04X"
    QString m_strBits; // "00000000 00000000"
    std::uint32_t m_nValue = 0;
};

// "AC" and a channel: "Bat", "Sense" or "History".
class CReadADCmd : public CDevCmdReply {
public:
    CReadADCmd() : CDevCmdReply(QStringLiteral("AC")) {}
    void OnReply() override;

    QString m_strChannel;
    QString m_strValues; // everything after the channel name
};

// "TH" and a decimal test mask.
class CTestHWCmd : public CDevCmdReply {
public:
    CTestHWCmd() : CDevCmdReply(QStringLiteral("TH")) {}
};
