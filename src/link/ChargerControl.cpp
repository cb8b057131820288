#include "link/ChargerControl.h"

#include "base/Reg.h"
#include "link/DeviceState.h"

QList<CChargerEntry> EnumerateChargers(bool acceptAny) {
    CUsbLink& link = TheDevice().link;
    const std::uint64_t accepted = link.Enumerate(acceptAny);
    const QList<CUsbDeviceInfo> devices = link.Devices();
    QList<CChargerEntry> chargers;
    for (int i = 0; i < devices.size() && i < CUsbLink::kMaxAccepted; ++i) {
        if (!(accepted & (std::uint64_t(1) << i)))
            continue;
        const CUsbDeviceInfo& d = devices[i];
        chargers.append({i, QString::fromLatin1(d.serial), QString::fromLatin1(d.description),
                         QString::fromLatin1(d.manufacturer)});
    }
    return chargers;
}

CChargerControl::CChargerControl(int role, Listener listener)
    : m_bAcceptAny(role == CRegVT::RoleAdmin), m_bIdentifyModule(role <= CRegVT::RoleDentist),
      m_listener(std::move(listener)) {}

int CChargerControl::Enumerate() {
    m_chargers = EnumerateChargers(m_bAcceptAny);
    const QString current = TheDevice().chargerInfo.m_strSerial;
    if (current.isEmpty())
        return -1;
    for (int i = 0; i < m_chargers.size(); ++i) {
        if (m_chargers[i].serial == current) {
            TheDevice().link.Select(m_chargers[i].index);
            return i;
        }
    }
    return -1;
}

void CChargerControl::Choose() {
    Select(m_chargers.size() == 1 ? m_chargers[0].index : -1);
}

void CChargerControl::Select(int index) {
    CDeviceState& device = TheDevice();
    device.link.Select(index);
    if (index >= 0) {
        device.chargerInfo.m_strSerial =
            QString::fromLatin1(device.link.Devices().value(index).serial);
        device.chargerInfo.Post();
        return;
    }
    device.chargerInfo.Reset();
    device.moduleInfo.Reset();
    Report(RESET);
}

void CChargerControl::Connect() {
    TheDevice().moduleInfo.Post();
}

void CChargerControl::Disconnect() {
    m_nIdle = 0;
    TheDevice().moduleInfo.Reset();
    // Without a charger the "EC" would only wait in the queue for the next one.
    if (TheDevice().link.Selected() >= 0)
        m_endComm.Post();
    Report(MODULE_GONE);
}

void CChargerControl::OnCmdOk(CDevCmdReply& cmd) {
    if (&cmd == &TheDevice().chargerInfo) {
        Report(CHARGER);
        if (m_bIdentifyModule) {
            m_bAutoIdentify = true;
            Connect();
        }
    } else if (&cmd == &TheDevice().moduleInfo) {
        m_bAutoIdentify = false;
        Report(MODULE);
    }
}

bool CChargerControl::OnCmdError(CDevCmdReply& cmd) {
    if (&cmd != &TheDevice().moduleInfo || !m_bAutoIdentify)
        return false;
    m_bAutoIdentify = false;
    return true;
}

void CChargerControl::OnCmdFailed(CDevCmdReply& cmd) {
    if (&cmd == &TheDevice().chargerInfo) {
        TheDevice().moduleInfo.Reset();
        Report(RESET);
    } else if (&cmd == &TheDevice().moduleInfo) {
        Report(MODULE);
    }
}

void CChargerControl::OnCmdSent(bool real) {
    m_nIdle = kIdleSeconds;
    if (real)
        m_nKeepAlive = kKeepAlives;
}

void CChargerControl::Tick() {
    if (m_nIdle == 0)
        return;
    if (--m_nIdle != 0 || !TheDevice().moduleInfo.IsConnected())
        return;
    if (--m_nKeepAlive != 0) {
        m_keepAlive.Post();
        return;
    }
    // Five idle periods without a real command: the module is taken as gone.
    TheDevice().moduleInfo.Reset();
    Report(MODULE_GONE);
}

void CChargerControl::Report(Change change) {
    if (m_listener)
        m_listener(change);
}
