#include "link/InfoCmd.h"

#include "base/Scan.h"
#include "base/Texts.h"
#include "link/DeviceState.h"
#include "link/InfoView.h"

#include <QStringList>

namespace {

constexpr int kBatteryOkMv = 3600;
constexpr int kBatteryLowMv = 3500;

} // namespace

void CInfoCmd::Reset() {
    m_strVersion.clear();
    m_strDiag.clear();
    m_strLoader.clear();
    m_nVersion = -1;
    m_nHwVariant = 0;
}

CInfoCmdCB::CInfoCmdCB() : CInfoCmd(QStringLiteral("#CGV")) {
    m_nKind = KIND_CB_INFO;
    m_bLog = false;
}

void CInfoCmdCB::Reset() {
    CInfoCmd::Reset();
    m_strSerial.clear();
}

void CInfoCmdCB::OnReply() {
    const QStringList lines = m_strReply.split(u'\n');
    m_strVersion = lines.value(0);
    if (m_strVersion.startsWith(QStringLiteral("Version\t")))
        m_strVersion.remove(0, 8);
    m_strDiag.clear();

    const QString serialLine = lines.value(1);
    // The charger keeps the serial number of its USB chip; a charger that reports another one
    // (or none) is told the right one. Without a known serial number nothing is sent, so a
    // failed identification never blanks the charger's stored number.
    if (serialLine.startsWith(QStringLiteral("SN\t")) && serialLine.mid(3) != m_strSerial &&
        !m_strSerial.isEmpty()) {
        TheDevice().serNumCmd.SetArgs(m_strSerial);
        TheDevice().serNumCmd.Post();
    }

    if (m_strVersion.contains(QStringLiteral("Loader"))) {
        m_nVersion = 0;
        m_strDiag = m_strVersion;
    } else {
        m_nVersion = ParseVersion(m_strVersion);
    }
    const QString variant = lines.value(2);
    m_nHwVariant = ScanInt(variant).value_or(0);
    if (variant.isEmpty())
        return;
    for (qsizetype i = 3; i < lines.size() && !lines[i].isEmpty(); ++i) {
        if (lines[i].startsWith(QStringLiteral("Diag")))
            m_strDiag = lines[i];
        else if (lines[i].startsWith(QStringLiteral("Loader")))
            m_strLoader = lines[i];
    }
}

void CInfoCmdCB::ShowResult(CInfoView& view) {
    view.Clear();
    if (m_nVersion == 0)
        view.AddText(LoadText(TXT_CB_NO_FIRMWARE));
}

CInfoCmdVM::CInfoCmdVM() : CInfoCmd(QStringLiteral("GP")) {
    m_nKind = KIND_VM_INFO;
}

void CInfoCmdVM::Reset() {
    CInfoCmd::Reset();
    m_strInfo.clear();
    m_strModuleId.clear();
}

void CInfoCmdVM::OnReply() {
    const QStringList lines = m_strReply.split(u'\n');
    m_strVersion = lines.value(0);
    m_strLoader.clear();
    if (m_strVersion.contains(QStringLiteral("Loader"))) {
        m_nVersion = 0;
        m_strLoader = m_strVersion;
    } else {
        m_nVersion = ParseVersion(m_strVersion);
    }
    m_strModuleId = lines.value(1);
    m_strInfo = lines.value(3);
    m_nBatteryMv = ScanUShort(lines.value(4));
    m_nHwVariant = ScanInt(lines.value(5)).value_or(0);
    const QString events = lines.value(6);
    const qsizetype tab = events.indexOf(u'\t');
    m_nEvents = ScanUShort(tab >= 0 ? events.left(tab) : events);
    m_nEventsRead = tab >= 0 ? ScanUShort(events.mid(tab + 1)) : 0;
    qsizetype next = 7;
    if (m_nVersion != 0)
        m_strLoader = lines.value(next++);
    m_strDiag = lines.value(next);
}

void CInfoCmdVM::ShowResult(CInfoView& view) {
    view.Clear();
    if (m_nVersion == 0) {
        view.AddText(LoadText(TXT_VM_NO_FIRMWARE));
        return;
    }
    if (m_nBatteryMv >= kBatteryOkMv)
        view.AddText(FormatText(TXT_BATTERY_OK, {QString::number(m_nBatteryMv)}));
    else if (m_nBatteryMv >= kBatteryLowMv)
        view.AddText(FormatText(TXT_BATTERY_LOW, {QString::number(m_nBatteryMv)}) +
                     LoadText(TXT_RECHARGE));
    else
        view.AddText(FormatText(TXT_BATTERY_VERY_LOW, {QString::number(m_nBatteryMv)}) +
                     LoadText(TXT_RECHARGE));
    if (m_nEvents != 0) {
        QString line = FormatText(TXT_EVENTS_AVAILABLE, {QString::number(m_nEvents)});
        if (m_nEventsRead != 0)
            line += LoadText(TXT_READ_ALREADY);
        view.AddText(line);
    }
}
