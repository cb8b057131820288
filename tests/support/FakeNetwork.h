#pragma once

#include "online/NetworkEvents.h"

// A network watcher that a test switches: the state at the start, and a change notice like the
// system's.
class CFakeNetwork : public CNetworkEvents {
public:
    explicit CFakeNetwork(bool available = true) : m_bAvailable(available) {}
    bool InternetAvailable() const override { return m_bAvailable; }
    void Switch(bool available) {
        m_bAvailable = available;
        Changed(available);
    }

private:
    bool m_bAvailable;
};
