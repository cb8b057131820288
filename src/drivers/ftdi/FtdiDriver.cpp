#include "drivers/ftdi/FtdiDriver.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <vector>

#include <libftdi1/ftdi.h>
#include <libusb.h>

namespace {

constexpr int kFtdiVendor = 0x0403;
constexpr int kFtxRelease = 0x1000;
constexpr int kStringSize = 44;

// Where libftdi keeps things in an FT-X EEPROM (its ftdi_eeprom_build and ftdi_eeprom_decode):
// the CBUS0..CBUS6 functions in one byte each from 0x1A, the offsets and lengths of the three
// string descriptors in 0x0E..0x13 and the descriptors themselves from 0xA0, and a checksum in
// the last word over every word except the user area, words 0x12..0x3F.
constexpr int kCbusBytes = 0x1A;
constexpr int kStringPointers = 0x0E;
constexpr int kStringPointersEnd = 0x14;
constexpr int kStringArea = 0xA0;
constexpr int kUserAreaWords = 0x12;
constexpr int kUserAreaWordsEnd = 0x40;
// The size of libftdi's EEPROM buffer.
constexpr int kMaxEepromSize = 256;

// libftdi's checksum of an FT-X image of size bytes, stored in its last word.
void StoreChecksum(unsigned char* image, int size) {
    std::uint16_t checksum = 0xAAAA;
    for (int word = 0; word < size / 2 - 1; ++word) {
        if (word == kUserAreaWords)
            word = kUserAreaWordsEnd;
        checksum ^= static_cast<std::uint16_t>(image[2 * word] | image[2 * word + 1] << 8);
        checksum = static_cast<std::uint16_t>(checksum << 1 | checksum >> 15);
    }
    image[size - 2] = static_cast<unsigned char>(checksum);
    image[size - 1] = static_cast<unsigned char>(checksum >> 8);
}

// Why ftdi_usb_open_dev failed. libftdi reports only which step failed; for a failed
// libusb_open the device is asked once more to learn libusb's reason.
FtOpenError OpenError(int result, libusb_device* device) {
    switch (result) {
    case -3: // the configuration could not be set
    case -5: // the interface could not be claimed: another program holds it
        return FtOpenError::Busy;
    case -8: // the kernel driver could not be detached for lack of rights
        return FtOpenError::NoAccess;
    case -4: {
        libusb_device_handle* handle = nullptr;
        switch (libusb_open(device, &handle)) {
        case LIBUSB_SUCCESS:
            libusb_close(handle);
            return FtOpenError::Failed;
        case LIBUSB_ERROR_ACCESS:
            return FtOpenError::NoAccess;
        case LIBUSB_ERROR_BUSY:
            return FtOpenError::Busy;
        case LIBUSB_ERROR_NO_DEVICE:
            return FtOpenError::Gone;
        default:
            return FtOpenError::Failed;
        }
    }
    default:
        return FtOpenError::Failed;
    }
}

// One open chip. libftdi returns from a read as soon as a USB transfer arrives, and the chip
// sends transfers holding only its two status bytes, so Read keeps asking until a byte came or
// the read timeout has passed.
class CFtdiHandle : public CFtHandle {
public:
    explicit CFtdiHandle(ftdi_context* context) : m_context(context) {}
    ~CFtdiHandle() override {
        ftdi_usb_close(m_context);
        ftdi_free(m_context);
    }

    void SetUsbParameters(std::uint32_t inSize, std::uint32_t outSize) override {
        ftdi_read_data_set_chunksize(m_context, inSize);
        ftdi_write_data_set_chunksize(m_context, outSize);
    }
    void PurgeRx() override { ftdi_tciflush(m_context); }
    bool SetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) override {
        m_readTimeout = readMs;
        m_context->usb_read_timeout = static_cast<int>(readMs);
        m_context->usb_write_timeout = static_cast<int>(writeMs);
        return true;
    }
    bool Read(char* buffer, std::uint32_t size, std::uint32_t& count) override {
        count = 0;
        const QDeadlineTimer deadline(m_readTimeout);
        for (;;) {
            const int got = ftdi_read_data(m_context, reinterpret_cast<unsigned char*>(buffer),
                                           static_cast<int>(size));
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
        ftdi_write_data(m_context, reinterpret_cast<const unsigned char*>(data),
                        static_cast<int>(size));
    }
    bool ReadEeprom(FtEepromX& image, FtEepromStrings& strings) override {
        if (ftdi_read_eeprom(m_context) < 0 || ftdi_eeprom_decode(m_context, 0) < 0)
            return false;
        int value = 0;
        auto get = [&](ftdi_eeprom_value name, auto& field) {
            if (ftdi_get_eeprom_value(m_context, name, &value) == 0)
                field = static_cast<std::remove_reference_t<decltype(field)>>(value);
        };
        get(VENDOR_ID, image.vendorId);
        get(PRODUCT_ID, image.productId);
        get(USE_SERIAL, image.serNumEnable);
        get(MAX_POWER, image.maxPower);
        get(SELF_POWERED, image.selfPowered);
        get(REMOTE_WAKEUP, image.remoteWakeup);
        get(SUSPEND_PULL_DOWNS, image.pullDownEnable);
        const std::vector<unsigned char> raw = Image();
        if (raw.empty())
            return false;
        std::copy_n(raw.begin() + kCbusBytes, std::size(image.cbus), image.cbus);
        char manufacturer[kStringSize] = {};
        char description[kStringSize] = {};
        char serial[kStringSize] = {};
        if (ftdi_eeprom_get_strings(m_context, manufacturer, kStringSize, description, kStringSize,
                                    serial, kStringSize) < 0)
            return false;
        strings = {QByteArray(manufacturer), QByteArray(description), QByteArray(serial)};
        return true;
    }

    // libftdi builds a whole image from the fields it knows and sets the rest to its own
    // defaults, among them configuration bits whose meaning it does not know. So the image is
    // built twice, as read and with the new values, and only the bits that the new values
    // change go into the chip's contents; the string descriptors are taken whole.
    bool ProgramEeprom(const FtEepromX& image, const FtEepromStrings& strings) override {
        if (ftdi_read_eeprom(m_context) < 0 || ftdi_eeprom_decode(m_context, 0) < 0)
            return false;
        std::vector<unsigned char> chip = Image();
        if (chip.empty())
            return false;
        for (int i = 0; i < int(std::size(image.cbus)); ++i)
            ftdi_set_eeprom_value(m_context, static_cast<ftdi_eeprom_value>(CBUS_FUNCTION_0 + i),
                                  chip[kCbusBytes + i]);
        if (ftdi_eeprom_build(m_context) < 0)
            return false;
        const std::vector<unsigned char> before = Image();

        bool ok = ftdi_set_eeprom_value(m_context, MAX_POWER, image.maxPower) == 0;
        for (int i = 0; i < int(std::size(image.cbus)); ++i)
            ok = ok && ftdi_set_eeprom_value(m_context,
                                             static_cast<ftdi_eeprom_value>(CBUS_FUNCTION_0 + i),
                                             image.cbus[i]) == 0;
        // libftdi takes non-const strings but only copies them.
        ok = ok &&
             ftdi_eeprom_set_strings(m_context, const_cast<char*>(strings.manufacturer.constData()),
                                     const_cast<char*>(strings.description.constData()),
                                     const_cast<char*>(strings.serial.constData())) == 0;
        // After the strings: setting a serial number turns libftdi's serial-number flag on.
        ok = ok && ftdi_set_eeprom_value(m_context, USE_SERIAL, image.serNumEnable) == 0;
        if (!ok || ftdi_eeprom_build(m_context) < 0)
            return false;
        const std::vector<unsigned char> after = Image();

        const int size = int(chip.size());
        for (int i = 0; i < size - 2; ++i) {
            const bool strings =
                (i >= kStringPointers && i < kStringPointersEnd) || i >= kStringArea;
            const unsigned char changed = strings ? 0xFF : before[i] ^ after[i];
            chip[i] = static_cast<unsigned char>((chip[i] & ~changed) | (after[i] & changed));
        }
        StoreChecksum(chip.data(), size);
        return ftdi_set_eeprom_buf(m_context, chip.data(), size) == 0 &&
               ftdi_write_eeprom(m_context) == 0;
    }

private:
    // The EEPROM image in libftdi's buffer, as large as the chip's EEPROM; empty when libftdi
    // knows no size.
    std::vector<unsigned char> Image() const {
        int size = 0;
        if (ftdi_get_eeprom_value(m_context, CHIP_SIZE, &size) != 0 || size <= kStringArea ||
            size > kMaxEepromSize)
            return {};
        std::vector<unsigned char> image(kMaxEepromSize);
        ftdi_get_eeprom_buf(m_context, image.data(), kMaxEepromSize);
        image.resize(static_cast<std::size_t>(size));
        return image;
    }

    ftdi_context* m_context;
    std::uint32_t m_readTimeout = 300;
};

} // namespace

CFtdiDriver::CFtdiDriver() = default;

CFtdiDriver::~CFtdiDriver() {
    ReleaseDevices();
    if (m_listContext)
        ftdi_free(m_listContext);
}

void CFtdiDriver::ReleaseDevices() {
    for (libusb_device* device : std::as_const(m_devices))
        libusb_unref_device(device);
    m_devices.clear();
}

QList<std::uint32_t> CFtdiDriver::DeviceTypes() {
    ReleaseDevices();
    if (!m_listContext)
        m_listContext = ftdi_new();
    QList<std::uint32_t> types;
    if (!m_listContext)
        return types;
    // Not ftdi_usb_find_all: it takes one product id (or, with none, a fixed few), while a
    // chip's product id is whatever its EEPROM says.
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(m_listContext->usb_ctx, &list);
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(list[i], &descriptor) != 0 ||
            descriptor.idVendor != kFtdiVendor)
            continue;
        m_devices.append(libusb_ref_device(list[i]));
        types.append(descriptor.bcdDevice == kFtxRelease ? FT_DEVICE_X_SERIES : 0);
    }
    if (count >= 0)
        libusb_free_device_list(list, 1);
    return types;
}

std::unique_ptr<CFtHandle> CFtdiDriver::Open(int index, FtOpenError& error) {
    error = FtOpenError::Gone;
    if (index < 0 || index >= m_devices.size())
        return nullptr;
    ftdi_context* context = ftdi_new();
    if (!context) {
        error = FtOpenError::Failed;
        return nullptr;
    }
    const int result = ftdi_usb_open_dev(context, m_devices[index]);
    if (result < 0) {
        error = OpenError(result, m_devices[index]);
        ftdi_free(context);
        return nullptr;
    }
    error = FtOpenError::None;
    return std::make_unique<CFtdiHandle>(context);
}
