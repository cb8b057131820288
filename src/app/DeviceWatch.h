#pragma once

#include <QObject>

#include <atomic>
#include <thread>

struct libusb_context;

// Reports the arrival and removal of FTDI chips (vendor 0403) through libusb's hotplug
// callbacks. A burst of events (a charger plugged in, the system setting up its rights) is
// reported once, after it has settled. Where the platform has no hotplug support, Active() is
// false and nothing is reported.
class CDeviceWatch : public QObject {
    Q_OBJECT
public:
    explicit CDeviceWatch(QObject* parent = nullptr);
    ~CDeviceWatch() override;

    bool Active() const { return m_thread.joinable(); }

signals:
    void Changed();

private:
    libusb_context* m_context = nullptr;
    int m_handle = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Whether an FT-X chip (as in every charger) is attached that this user may not open: the
// device rule is missing.
bool FtdiAccessDenied();
