#include "FtdiDriver.h"

#include <QDeadlineTimer>

#include <libftdi1/ftdi.h>
#include <libusb.h>

namespace {

constexpr int kFtdiVendor = 0x0403;
constexpr int kFtxRelease = 0x1000;
constexpr int kStringSize = 44;

int DeviceRelease(libusb_device* device) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) != 0)
        return -1;
    return descriptor.bcdDevice;
}

void SetUsbTimeouts(ftdi_context* context, int readMs, int writeMs) {
    context->usb_read_timeout = readMs;
    context->usb_write_timeout = writeMs;
}

int FindAll(ftdi_context* context, ftdi_device_list** list, int vendor, int product) {
    return ftdi_usb_find_all(context, list, vendor, product);
}

int GetValue(ftdi_context* context, int name, int* value) {
    return ftdi_get_eeprom_value(context, static_cast<ftdi_eeprom_value>(name), value);
}

int SetValue(ftdi_context* context, int name, int value) {
    return ftdi_set_eeprom_value(context, static_cast<ftdi_eeprom_value>(name), value);
}

int SetStrings(ftdi_context* context, const char* manufacturer, const char* product, const char* serial) {
    // libftdi takes non-const strings but only copies them.
    return ftdi_eeprom_set_strings(context, const_cast<char*>(manufacturer), const_cast<char*>(product),
                                   const_cast<char*>(serial));
}

// One open chip. libftdi returns from a read as soon as a USB transfer arrives, and the chip
// sends transfers holding only its two status bytes, so Read keeps asking until a byte came or
// the read timeout has passed.
class CFtdiHandle : public CFtHandle {
public:
    CFtdiHandle(const FtdiApi& api, ftdi_context* context) : m_api(api), m_context(context) {}
    ~CFtdiHandle() override {
        m_api.close(m_context);
        m_api.freeContext(m_context);
    }

    void SetUsbParameters(std::uint32_t inSize, std::uint32_t outSize) override {
        m_api.setReadChunk(m_context, inSize);
        m_api.setWriteChunk(m_context, outSize);
    }
    void PurgeRx() override { m_api.purgeRx(m_context); }
    bool SetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) override {
        m_readTimeout = readMs;
        m_api.setUsbTimeouts(m_context, static_cast<int>(readMs), static_cast<int>(writeMs));
        return true;
    }
    bool Read(char* buffer, std::uint32_t size, std::uint32_t& count) override {
        count = 0;
        const QDeadlineTimer deadline(m_readTimeout);
        for (;;) {
            const int got = m_api.read(m_context, reinterpret_cast<unsigned char*>(buffer), static_cast<int>(size));
            if (got < 0)
                return false;
            if (got > 0) {
                count = static_cast<std::uint32_t>(got);
                return true;
            }
            if (deadline.hasExpired())
                return true;
        }
    }
    void Write(const char* data, std::uint32_t size) override {
        m_api.write(m_context, reinterpret_cast<const unsigned char*>(data), static_cast<int>(size));
    }
    bool ReadEeprom(FtEepromX& image, FtEepromStrings& strings) override {
        if (m_api.readEeprom(m_context) < 0 || m_api.decodeEeprom(m_context, 0) < 0)
            return false;
        int value = 0;
        auto get = [&](int name, auto& field) {
            if (m_api.getValue(m_context, name, &value) == 0)
                field = static_cast<std::remove_reference_t<decltype(field)>>(value);
        };
        get(VENDOR_ID, image.vendorId);
        get(PRODUCT_ID, image.productId);
        get(USE_SERIAL, image.serNumEnable);
        get(MAX_POWER, image.maxPower);
        get(SELF_POWERED, image.selfPowered);
        get(REMOTE_WAKEUP, image.remoteWakeup);
        get(SUSPEND_PULL_DOWNS, image.pullDownEnable);
        for (int i = 0; i < 7; ++i)
            get(CBUS_FUNCTION_0 + i, image.cbus[i]);
        int driver = 0;
        if (m_api.getValue(m_context, CHANNEL_A_DRIVER, &driver) == 0)
            image.driverType = driver ? 1 : 0;
        char manufacturer[kStringSize] = {};
        char description[kStringSize] = {};
        char serial[kStringSize] = {};
        if (m_api.getStrings(m_context, manufacturer, kStringSize, description, kStringSize, serial, kStringSize) < 0)
            return false;
        strings = {QByteArray(manufacturer), QByteArray(description), QByteArray(serial)};
        return true;
    }
    bool ProgramEeprom(const FtEepromX& image, const FtEepromStrings& strings) override {
        if (m_api.readEeprom(m_context) < 0 || m_api.decodeEeprom(m_context, 0) < 0)
            return false;
        bool ok = m_api.setValue(m_context, MAX_POWER, image.maxPower) == 0;
        for (int i = 0; i < 7; ++i)
            ok = ok && m_api.setValue(m_context, CBUS_FUNCTION_0 + i, image.cbus[i]) == 0;
        ok = ok && m_api.setValue(m_context, USE_SERIAL, image.serNumEnable) == 0;
        ok = ok && m_api.setValue(m_context, CHANNEL_A_DRIVER, image.driverType ? DRIVER_VCP : 0) == 0;
        ok = ok && m_api.setStrings(m_context, strings.manufacturer.constData(), strings.description.constData(),
                                    strings.serial.constData()) == 0;
        return ok && m_api.buildEeprom(m_context) >= 0 && m_api.writeEeprom(m_context) == 0;
    }

private:
    const FtdiApi& m_api;
    ftdi_context* m_context;
    std::uint32_t m_readTimeout = 300;
};

} // namespace

const FtdiApi& SystemFtdiApi() {
    static const FtdiApi api = {
        ftdi_new,
        ftdi_free,
        FindAll,
        ftdi_list_free,
        DeviceRelease,
        ftdi_usb_open_dev,
        ftdi_usb_close,
        ftdi_read_data_set_chunksize,
        ftdi_write_data_set_chunksize,
        ftdi_tciflush,
        SetUsbTimeouts,
        ftdi_read_data,
        ftdi_write_data,
        ftdi_read_eeprom,
        ftdi_eeprom_decode,
        ftdi_eeprom_build,
        ftdi_write_eeprom,
        GetValue,
        SetValue,
        ftdi_eeprom_get_strings,
        SetStrings,
    };
    return api;
}

CFtdiDriver::CFtdiDriver(const FtdiApi& api) : m_api(api) {}

CFtdiDriver::~CFtdiDriver() {
    if (m_list)
        m_api.freeList(&m_list);
    if (m_listContext)
        m_api.freeContext(m_listContext);
}

QList<std::uint32_t> CFtdiDriver::DeviceTypes() {
    if (m_list)
        m_api.freeList(&m_list);
    m_devices.clear();
    if (!m_listContext)
        m_listContext = m_api.newContext();
    QList<std::uint32_t> types;
    if (!m_listContext || m_api.findAll(m_listContext, &m_list, kFtdiVendor, 0) < 0)
        return types;
    for (ftdi_device_list* node = m_list; node; node = node->next) {
        m_devices.append(node->dev);
        types.append(m_api.deviceRelease(node->dev) == kFtxRelease ? FT_DEVICE_X_SERIES : 0);
    }
    return types;
}

std::unique_ptr<CFtHandle> CFtdiDriver::Open(int index) {
    if (index < 0 || index >= m_devices.size())
        return nullptr;
    ftdi_context* context = m_api.newContext();
    if (!context)
        return nullptr;
    if (m_api.openDevice(context, m_devices[index]) < 0) {
        m_api.freeContext(context);
        return nullptr;
    }
    return std::make_unique<CFtdiHandle>(m_api, context);
}
