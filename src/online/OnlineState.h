#pragma once

#include "online/KelvoraHttp.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

class CNetworkEvents;

// A firmware that runs here: its family on the vendor server and its version, (major << 16) +
// minor; -1 while the target is not identified.
struct CFirmwareTarget {
    QString family;
    std::int32_t version = -1;
};

// What the vendor server offers compared with what runs here, and whether the internet is
// there to ask it: the program version list is read at the start and at every change of
// connectivity, the firmware list once, the first time the internet is available. The updates
// on offer are a mask of Offer bits; the program's own update is offered at most once per run.
class COnlineState {
public:
    enum Offer : unsigned { OFFER_PROGRAM = 1, OFFER_MODULE = 2, OFFER_CHARGER = 4 };

    explicit COnlineState(CNetworkEvents& network);
    ~COnlineState();
    COnlineState(const COnlineState&) = delete;
    COnlineState& operator=(const COnlineState&) = delete;

    // Takes the watcher's state, reads the server's lists and from now on follows the
    // connectivity; changed runs after each change has been taken in.
    void Start(std::function<void()> changed);

    bool InternetAvailable() const { return m_bInternet; }
    // The newest program version on the server, (major << 32) + (minor << 16) + patch; 0 while
    // unknown or without internet.
    std::uint64_t ServerVersion() const { return m_nServerVersion; }
    // The program's files were replaced during this run.
    bool Updated() const { return m_bUpdated; }
    void SetUpdated() { m_bUpdated = true; }
    // The newest version of a firmware family in the server's list; 0 when it has none.
    std::uint32_t NewestFirmware(const QString& family) const;

    // The updates on offer for this program and these firmwares.
    unsigned Offers(const CFirmwareTarget& module, const CFirmwareTarget& charger) const;

    // The connectivity changed: reads the version list again (and the firmware list if it was
    // never read), then tells the owner.
    void SetInternet(bool available);

private:
    void RefreshServerVersion();
    void LoadFirmwareList();

    CNetworkEvents& m_network;
    CKelvoraHttp m_http;
    std::function<void()> m_changed;
    bool m_bInternet = false;
    bool m_bUpdated = false;
    bool m_bFirmwareListRead = false;
    std::uint64_t m_nServerVersion = 0;
    QStringList m_firmwareList;
};
