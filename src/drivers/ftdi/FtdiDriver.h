#pragma once

#include "link/FtDriver.h"

struct ftdi_context;
struct libusb_device;

// Real FTDI chips on USB through libftdi.
class CFtdiDriver : public CFtDriver {
public:
    CFtdiDriver();
    ~CFtdiDriver() override;
    CFtdiDriver(const CFtdiDriver&) = delete;
    CFtdiDriver& operator=(const CFtdiDriver&) = delete;

    // Every chip with FTDI's vendor id, whatever its product id; bcdDevice 0x1000 marks an FT-X.
    QList<std::uint32_t> DeviceTypes() override;
    std::unique_ptr<CFtHandle> Open(int index, FtOpenError& error) override;

private:
    void ReleaseDevices();

    // The context of the device list; opened chips get contexts of their own.
    ftdi_context* m_listContext = nullptr;
    QList<libusb_device*> m_devices; // referenced until the next enumeration
};
