#pragma once

#include "FtDriver.h"

struct ftdi_context;
struct ftdi_device_list;
struct libusb_device;

// The libftdi calls the USB driver makes. Tests replace them with fakes.
struct FtdiApi {
    ftdi_context* (*newContext)();
    void (*freeContext)(ftdi_context*);
    int (*findAll)(ftdi_context*, ftdi_device_list**, int vendor, int product);
    void (*freeList)(ftdi_device_list**);
    // bcdDevice of a listed device (0x1000 for FT-X chips); negative on failure.
    int (*deviceRelease)(libusb_device*);
    int (*openDevice)(ftdi_context*, libusb_device*);
    int (*close)(ftdi_context*);
    int (*setReadChunk)(ftdi_context*, unsigned);
    int (*setWriteChunk)(ftdi_context*, unsigned);
    int (*purgeRx)(ftdi_context*);
    void (*setUsbTimeouts)(ftdi_context*, int readMs, int writeMs);
    int (*read)(ftdi_context*, unsigned char*, int);
    int (*write)(ftdi_context*, const unsigned char*, int);
    int (*readEeprom)(ftdi_context*);
    int (*decodeEeprom)(ftdi_context*, int verbose);
    int (*buildEeprom)(ftdi_context*);
    int (*writeEeprom)(ftdi_context*);
    int (*getValue)(ftdi_context*, int name, int* value);
    int (*setValue)(ftdi_context*, int name, int value);
    int (*getStrings)(ftdi_context*, char* manufacturer, int, char* product, int, char* serial, int);
    int (*setStrings)(ftdi_context*, const char* manufacturer, const char* product, const char* serial);
};

// The functions of the installed libftdi.
const FtdiApi& SystemFtdiApi();

// Real FTDI chips on USB through libftdi.
class CFtdiDriver : public CFtDriver {
public:
    explicit CFtdiDriver(const FtdiApi& api = SystemFtdiApi());
    ~CFtdiDriver() override;

    QList<std::uint32_t> DeviceTypes() override;
    std::unique_ptr<CFtHandle> Open(int index) override;

private:
    const FtdiApi& m_api;
    ftdi_context* m_listContext = nullptr;
    ftdi_device_list* m_list = nullptr;
    QList<libusb_device*> m_devices;
};
