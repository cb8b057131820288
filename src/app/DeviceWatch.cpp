#include "app/DeviceWatch.h"

#include <QTimer>

#include <libusb.h>

namespace {

constexpr int kFtdiVendor = 0x0403;
// bcdDevice of the FT-X chips; every charger has one, whatever product id its EEPROM gives.
constexpr int kFtxRelease = 0x1000;
// Time for the system to set up a new device (rights, drivers) before it is enumerated.
constexpr int kSettleMs = 700;
constexpr int kEventSliceUs = 200000;

int OnHotplug(libusb_context*, libusb_device*, libusb_hotplug_event, void* user) {
    // libusb's event thread: (re)start the settle timer on the watch's thread.
    QMetaObject::invokeMethod(static_cast<QTimer*>(user), "start", Qt::QueuedConnection);
    return 0;
}

} // namespace

CDeviceWatch::CDeviceWatch(QObject* parent) : QObject(parent) {
    auto* settle = new QTimer(this);
    settle->setSingleShot(true);
    settle->setInterval(kSettleMs);
    connect(settle, &QTimer::timeout, this, &CDeviceWatch::Changed);

    if (libusb_init(&m_context) != 0) {
        m_context = nullptr;
        return;
    }
    libusb_hotplug_callback_handle handle = 0;
    if (!libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) ||
        libusb_hotplug_register_callback(
            m_context,
            static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                              LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
            LIBUSB_HOTPLUG_NO_FLAGS, kFtdiVendor, LIBUSB_HOTPLUG_MATCH_ANY,
            LIBUSB_HOTPLUG_MATCH_ANY, OnHotplug, settle, &handle) != LIBUSB_SUCCESS) {
        libusb_exit(m_context);
        m_context = nullptr;
        return;
    }
    m_handle = handle;
    m_thread = std::thread([this] {
        while (!m_stop) {
            timeval slice{0, kEventSliceUs};
            libusb_handle_events_timeout_completed(m_context, &slice, nullptr);
        }
    });
}

CDeviceWatch::~CDeviceWatch() {
    if (!m_context)
        return;
    m_stop = true;
    libusb_hotplug_deregister_callback(m_context, m_handle);
    if (m_thread.joinable())
        m_thread.join();
    libusb_exit(m_context);
}

bool FtdiAccessDenied() {
    libusb_context* context = nullptr;
    if (libusb_init(&context) != 0)
        return false;
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    bool denied = false;
    for (ssize_t i = 0; i < count && !denied; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(list[i], &descriptor) != 0 ||
            descriptor.idVendor != kFtdiVendor || descriptor.bcdDevice != kFtxRelease)
            continue;
        // Opening the device (no interface is claimed) is what the rights decide.
        libusb_device_handle* handle = nullptr;
        const int result = libusb_open(list[i], &handle);
        if (result == LIBUSB_SUCCESS)
            libusb_close(handle);
        denied = result == LIBUSB_ERROR_ACCESS;
    }
    if (count >= 0)
        libusb_free_device_list(list, 1);
    libusb_exit(context);
    return denied;
}
