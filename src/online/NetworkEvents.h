#pragma once

#include <QObject>

#include <functional>
#include <memory>

// Watches whether the internet can be reached: a state from the start and a notice whenever it
// changes. The desktop program asks the system (CSystemNetworkEvents); tests switch it by hand.
class CNetworkEvents {
public:
    using Handler = std::function<void(bool available)>;

    virtual ~CNetworkEvents() = default;

    virtual bool InternetAvailable() const = 0;
    // Called on the thread of the application's event loop after each change of
    // InternetAvailable.
    void SetHandler(Handler handler) { m_handler = std::move(handler); }

protected:
    void Changed(bool available) const {
        if (m_handler)
            m_handler(available);
    }

private:
    Handler m_handler;
};

// The system's view of the network through QNetworkInformation and its reachability feature.
// Where the system offers no backend that reports reachability, the internet counts as
// available: requests then fail as they would without a network, with their own messages.
class CSystemNetworkEvents : public CNetworkEvents {
public:
    CSystemNetworkEvents();
    ~CSystemNetworkEvents() override;

    bool InternetAvailable() const override { return m_bAvailable; }

private:
    bool m_bAvailable = true;
    // Receives the reachability notices while this object exists.
    std::unique_ptr<QObject> m_context;
};
