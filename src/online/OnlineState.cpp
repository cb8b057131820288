#include "online/OnlineState.h"

#include "base/AppInfo.h"
#include "online/NetworkEvents.h"

namespace {

constexpr const char* kProgramPrefix = "Kelvora_Veltrum";

bool Older(const CFirmwareTarget& target, std::uint32_t newest) {
    return target.version >= 0 && static_cast<std::uint32_t>(target.version) < newest;
}

} // namespace

COnlineState::COnlineState(CNetworkEvents& network) : m_network(network) {}

COnlineState::~COnlineState() {
    m_network.SetHandler(nullptr);
}

void COnlineState::Start(std::function<void()> changed) {
    m_bInternet = m_network.InternetAvailable();
    RefreshServerVersion();
    if (m_bInternet)
        LoadFirmwareList();
    m_changed = std::move(changed);
    m_network.SetHandler([this](bool available) {
        if (available != m_bInternet)
            SetInternet(available);
    });
}

void COnlineState::SetInternet(bool available) {
    m_bInternet = available;
    RefreshServerVersion();
    if (m_bInternet && !m_bFirmwareListRead)
        LoadFirmwareList();
    if (m_changed)
        m_changed();
}

void COnlineState::RefreshServerVersion() {
    m_nServerVersion = 0;
    if (!m_bInternet)
        return;
    QStringList list;
    if (m_http.ReadVersionList(QStringLiteral("/software/"), list) > 0)
        m_nServerVersion =
            CKelvoraHttp::FindProgramVersion(list, QString::fromLatin1(kProgramPrefix));
}

void COnlineState::LoadFirmwareList() {
    // A list that could not be read is asked for again at the next change of connectivity.
    m_bFirmwareListRead = m_http.ReadVersionList(QStringLiteral("/Firmware/"), m_firmwareList) > 0;
}

std::uint32_t COnlineState::NewestFirmware(const QString& family) const {
    return CKelvoraHttp::FindFirmwareVersion(m_firmwareList, family);
}

unsigned COnlineState::Offers(const CFirmwareTarget& module, const CFirmwareTarget& charger) const {
    if (!m_bInternet)
        return 0;
    unsigned offers = 0;
    if (!m_bUpdated && m_nServerVersion > ProgramVersion())
        offers |= OFFER_PROGRAM;
    if (Older(module, NewestFirmware(module.family)))
        offers |= OFFER_MODULE;
    if (Older(charger, NewestFirmware(charger.family)))
        offers |= OFFER_CHARGER;
    return offers;
}
