#pragma once

#include "link/DevCmd.h"

// The common part of the two identification commands: firmware version, loader and
// diagnostic lines, hardware variant.
class CInfoCmd : public CDevCmdReply {
public:
    using CDevCmdReply::CDevCmdReply;
    virtual void Reset();
    void OnError() override { Reset(); }

    QString m_strVersion;
    QString m_strDiag;
    QString m_strLoader;
    // (major << 16) + minor; 0 when only the boot loader runs; -1 unknown.
    std::int32_t m_nVersion = -1;
    std::int32_t m_nHwVariant = 0;
};

// "#CGV": the charger's firmware version, serial number and hardware variant.
class CInfoCmdCB : public CInfoCmd {
public:
    CInfoCmdCB();
    void Reset() override;
    void OnReply() override;
    void ShowResult(CInfoView& view) override;

    // USB serial number of the selected charger, from its chip (empty when none is selected).
    QString m_strSerial;
};

// "GP": the module's firmware version, module ID, info text, battery and stored events.
class CInfoCmdVM : public CInfoCmd {
public:
    static constexpr std::uint32_t kTimeout = 2000;

    CInfoCmdVM();
    void Reset() override;
    void OnReply() override;
    void ShowResult(CInfoView& view) override;
    std::uint32_t GetTimeout() const override { return kTimeout; }

    // A module is connected when it has a module ID.
    bool IsConnected() const { return !m_strModuleId.isEmpty(); }

    QString m_strInfo;
    QString m_strModuleId;
    std::uint16_t m_nBatteryMv = 0;
    std::uint16_t m_nEvents = 0;
    std::uint16_t m_nEventsRead = 0;
};

// "#CSN" and a serial number: stores the USB serial number in the charger's firmware.
class CSerNumCmd : public CDevCmdNoReply {
public:
    CSerNumCmd() : CDevCmdNoReply(QStringLiteral("#CSN")) {}
};
