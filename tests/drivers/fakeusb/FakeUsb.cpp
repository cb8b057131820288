// A stand-in for libusb-1.0 below the real libftdi, for tests. It is built as a library with
// libusb's name, so that libftdi (and the program's own libusb calls) run on it unchanged.
//
// The chips are listed in the file named by FAKEUSB_DEVICES, read again for every device list
// so that a test can attach and detach chips. One line per chip, fields separated by TABs:
//
//     vendor  product  release  manufacturer  description  serial  relay  [fault]
//
// vendor, product and release (bcdDevice) in hex; relay is the pseudo-terminal that stands for
// the chip's serial side ("-" for none); fault "access" makes libusb_open fail as it does for a
// user without rights to the device node.
//
// Each chip behaves like an FT-X: vendor requests on endpoint 0 (reset, purges, baud rate,
// latency timer, modem status, EEPROM words), bulk OUT on endpoint 0x02 and bulk IN on 0x81, every
// IN packet starting with the two modem-status bytes and sent when data is there or the latency
// timer runs out. Claiming the interface takes an advisory lock on the relay, so that a second
// program gets LIBUSB_ERROR_BUSY, as the kernel answers. Misuse (a wrong request type,
// endpoint or index, I/O on an unclaimed interface) aborts with a message, so a test fails
// where the fault is.

#include <libusb.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr std::uint8_t kReqTypeOut = 0x40; // vendor request to the device, host to device
constexpr std::uint8_t kReqTypeIn = 0xC0;  // vendor request to the device, device to host
constexpr std::uint16_t kInterfaceA = 1;   // wIndex of the port's requests
constexpr unsigned char kEndpointOut = 0x02;
constexpr unsigned char kEndpointIn = 0x81;
constexpr int kPacketSize = 64;
constexpr int kEepromWords = 128;

[[noreturn]] void Misuse(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::fputs("fake libusb: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
    std::abort();
}

struct Chip {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint16_t release = 0;
    std::string manufacturer;
    std::string description;
    std::string serial;
    std::string relay;
    std::string fault;
};

// The FT-X EEPROM as libftdi reads it: configuration words, string descriptors from byte 0xA0,
// the factory area (words 0x40..0x4F) and the checksum in the last word.
std::vector<std::uint16_t> FactoryEeprom(const Chip& chip) {
    std::vector<std::uint8_t> b(kEepromWords * 2, 0);
    b[0x02] = chip.vendor & 0xFF;
    b[0x03] = chip.vendor >> 8;
    b[0x04] = chip.product & 0xFF;
    b[0x05] = chip.product >> 8;
    b[0x06] = chip.release & 0xFF;
    b[0x07] = chip.release >> 8;
    b[0x08] = 0x80; // bus powered
    b[0x09] = 45;   // 90 mA
    b[0x0A] = 0x08; // serial number string enabled
    b[0x1A] = 1;    // CBUS0..6: TXLED, RXLED, TRISTATE ..., SLEEP, PWREN
    b[0x1B] = 2;
    b[0x1F] = 5;
    b[0x20] = 4;
    std::size_t at = 0xA0;
    auto put = [&](std::size_t field, const std::string& text) {
        b[field] = static_cast<std::uint8_t>(at);
        b[field + 1] = static_cast<std::uint8_t>(2 + 2 * text.size());
        b[at++] = static_cast<std::uint8_t>(2 + 2 * text.size());
        b[at++] = LIBUSB_DT_STRING;
        for (const char c : text) {
            b[at++] = static_cast<std::uint8_t>(c);
            b[at++] = 0;
        }
    };
    put(0x0E, chip.manufacturer);
    put(0x10, chip.description);
    put(0x12, chip.serial);
    for (int i = 0x80; i < 0xA0; ++i) // factory configuration, not written by programs
        b[i] = static_cast<std::uint8_t>(0x5A ^ i);
    std::vector<std::uint16_t> words(kEepromWords);
    for (int i = 0; i < kEepromWords; ++i)
        words[i] = static_cast<std::uint16_t>(b[2 * i] | (b[2 * i + 1] << 8));
    // The user area (words 0x12..0x3F) is outside the checksum.
    std::uint16_t checksum = 0xAAAA;
    for (int i = 0; i < kEepromWords - 1; ++i) {
        if (i == 0x12)
            i = 0x40;
        checksum ^= words[i];
        checksum = static_cast<std::uint16_t>((checksum << 1) | (checksum >> 15));
    }
    words[kEepromWords - 1] = checksum;
    return words;
}

std::mutex g_lock;
// EEPROM contents by serial number: they survive a re-enumeration and a programming.
std::map<std::string, std::vector<std::uint16_t>> g_eeproms;

std::vector<Chip> ReadChips() {
    std::vector<Chip> chips;
    const char* path = std::getenv("FAKEUSB_DEVICES");
    if (!path)
        return chips;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> f;
        std::stringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '\t'))
            f.push_back(field);
        if (f.size() < 7)
            Misuse("device line with %zu fields: %s", f.size(), line.c_str());
        Chip chip;
        chip.vendor = static_cast<std::uint16_t>(std::stoul(f[0], nullptr, 16));
        chip.product = static_cast<std::uint16_t>(std::stoul(f[1], nullptr, 16));
        chip.release = static_cast<std::uint16_t>(std::stoul(f[2], nullptr, 16));
        chip.manufacturer = f[3];
        chip.description = f[4];
        chip.serial = f[5];
        chip.relay = f[6] == "-" ? std::string() : f[6];
        chip.fault = f.size() > 7 ? f[7] : std::string();
        chips.push_back(chip);
    }
    return chips;
}

} // namespace

struct libusb_context {
    int refs = 1;
};

struct libusb_device {
    std::atomic<int> refs{1};
    Chip chip;
    std::uint8_t address = 0;
};

struct libusb_device_handle {
    libusb_device* device = nullptr;
    int relay = -1;
    bool claimed = false;
    int latencyMs = 16;
};

namespace {

libusb_context g_defaultContext;

void CheckHandle(libusb_device_handle* handle, const char* call) {
    if (!handle || !handle->device)
        Misuse("%s on a handle that is not open", call);
}

// Waits up to ms for the relay to have data.
bool WaitReadable(int fd, int ms) {
    pollfd pfd{fd, POLLIN, 0};
    return ::poll(&pfd, 1, ms) > 0 && (pfd.revents & POLLIN);
}

} // namespace

extern "C" {

int LIBUSB_CALL libusb_init(libusb_context** context) {
    if (context)
        *context = new libusb_context;
    else
        ++g_defaultContext.refs;
    return LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_exit(libusb_context* context) {
    if (context && context != &g_defaultContext)
        delete context;
}

int LIBUSB_CALL libusb_has_capability(uint32_t capability) {
    return capability == LIBUSB_CAP_HAS_CAPABILITY || capability == LIBUSB_CAP_HAS_HOTPLUG;
}

// Hotplug callbacks are accepted and never called: the chips listed are there from the start.
int LIBUSB_CALL libusb_hotplug_register_callback(libusb_context*, int events, int flags, int vendor,
                                                 int product, int deviceClass,
                                                 libusb_hotplug_callback_fn callback, void*,
                                                 libusb_hotplug_callback_handle* handle) {
    if (!callback ||
        !(events & (LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT)))
        Misuse("hotplug callback without events");
    if (vendor != 0x0403 || product != LIBUSB_HOTPLUG_MATCH_ANY ||
        deviceClass != LIBUSB_HOTPLUG_MATCH_ANY || flags != 0)
        Misuse("hotplug callback for vendor %04x product %04x class %d flags %d", vendor, product,
               deviceClass, flags);
    static std::atomic<int> next{1};
    if (handle)
        *handle = next++;
    return LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_hotplug_deregister_callback(libusb_context*,
                                                    libusb_hotplug_callback_handle) {}

int LIBUSB_CALL libusb_handle_events_timeout_completed(libusb_context*, struct timeval* tv, int*) {
    if (tv)
        std::this_thread::sleep_for(std::chrono::seconds(tv->tv_sec) +
                                    std::chrono::microseconds(tv->tv_usec));
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_handle_events_timeout(libusb_context* context, struct timeval* tv) {
    return libusb_handle_events_timeout_completed(context, tv, nullptr);
}

ssize_t LIBUSB_CALL libusb_get_device_list(libusb_context*, libusb_device*** list) {
    const std::vector<Chip> chips = ReadChips();
    auto** devices = new libusb_device*[chips.size() + 1];
    std::lock_guard guard(g_lock);
    for (std::size_t i = 0; i < chips.size(); ++i) {
        devices[i] = new libusb_device;
        devices[i]->chip = chips[i];
        devices[i]->address = static_cast<std::uint8_t>(i + 2);
        if (!g_eeproms.count(chips[i].serial))
            g_eeproms[chips[i].serial] = FactoryEeprom(chips[i]);
    }
    devices[chips.size()] = nullptr;
    *list = devices;
    return static_cast<ssize_t>(chips.size());
}

libusb_device* LIBUSB_CALL libusb_ref_device(libusb_device* device) {
    ++device->refs;
    return device;
}

void LIBUSB_CALL libusb_unref_device(libusb_device* device) {
    if (device && --device->refs == 0)
        delete device;
}

void LIBUSB_CALL libusb_free_device_list(libusb_device** list, int unrefDevices) {
    if (!list)
        return;
    if (unrefDevices) {
        for (libusb_device** d = list; *d; ++d)
            libusb_unref_device(*d);
    }
    delete[] list;
}

uint8_t LIBUSB_CALL libusb_get_bus_number(libusb_device*) {
    return 1;
}

uint8_t LIBUSB_CALL libusb_get_device_address(libusb_device* device) {
    return device->address;
}

int LIBUSB_CALL libusb_get_device_descriptor(libusb_device* device,
                                             struct libusb_device_descriptor* descriptor) {
    *descriptor = {};
    descriptor->bLength = LIBUSB_DT_DEVICE_SIZE;
    descriptor->bDescriptorType = LIBUSB_DT_DEVICE;
    descriptor->bcdUSB = 0x0200;
    descriptor->bMaxPacketSize0 = 8;
    descriptor->idVendor = device->chip.vendor;
    descriptor->idProduct = device->chip.product;
    descriptor->bcdDevice = device->chip.release;
    descriptor->iManufacturer = 1;
    descriptor->iProduct = 2;
    descriptor->iSerialNumber = 3;
    descriptor->bNumConfigurations = 1;
    return LIBUSB_SUCCESS;
}

// One configuration with one interface: bulk IN 0x81 and bulk OUT 0x02 of 64 bytes.
int LIBUSB_CALL libusb_get_config_descriptor(libusb_device*, uint8_t index,
                                             struct libusb_config_descriptor** config) {
    if (index != 0)
        return LIBUSB_ERROR_NOT_FOUND;
    auto* endpoints = new libusb_endpoint_descriptor[2]{};
    endpoints[0].bEndpointAddress = kEndpointIn;
    endpoints[1].bEndpointAddress = kEndpointOut;
    for (int i = 0; i < 2; ++i) {
        endpoints[i].bLength = LIBUSB_DT_ENDPOINT_SIZE;
        endpoints[i].bDescriptorType = LIBUSB_DT_ENDPOINT;
        endpoints[i].bmAttributes = LIBUSB_TRANSFER_TYPE_BULK;
        endpoints[i].wMaxPacketSize = kPacketSize;
    }
    auto* setting = new libusb_interface_descriptor{};
    setting->bLength = LIBUSB_DT_INTERFACE_SIZE;
    setting->bDescriptorType = LIBUSB_DT_INTERFACE;
    setting->bNumEndpoints = 2;
    setting->bInterfaceClass = LIBUSB_CLASS_VENDOR_SPEC;
    setting->endpoint = endpoints;
    auto* interface = new libusb_interface{};
    interface->altsetting = setting;
    interface->num_altsetting = 1;
    auto* c = new libusb_config_descriptor{};
    c->bLength = LIBUSB_DT_CONFIG_SIZE;
    c->bDescriptorType = LIBUSB_DT_CONFIG;
    c->bNumInterfaces = 1;
    c->bConfigurationValue = 1;
    c->bmAttributes = 0x80;
    c->MaxPower = 45;
    c->interface = interface;
    *config = c;
    return LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_free_config_descriptor(struct libusb_config_descriptor* config) {
    if (!config)
        return;
    delete[] config->interface->altsetting->endpoint;
    delete config->interface->altsetting;
    delete config->interface;
    delete config;
}

int LIBUSB_CALL libusb_open(libusb_device* device, libusb_device_handle** handle) {
    if (device->chip.fault == "access")
        return LIBUSB_ERROR_ACCESS;
    auto* h = new libusb_device_handle;
    h->device = libusb_ref_device(device);
    if (!device->chip.relay.empty()) {
        h->relay = ::open(device->chip.relay.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (h->relay < 0) {
            libusb_unref_device(device);
            delete h;
            return LIBUSB_ERROR_NO_DEVICE;
        }
        termios tio{};
        if (::tcgetattr(h->relay, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(h->relay, TCSANOW, &tio);
        }
    }
    *handle = h;
    return LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_close(libusb_device_handle* handle) {
    if (!handle)
        return;
    CheckHandle(handle, "libusb_close");
    if (handle->relay >= 0)
        ::close(handle->relay); // also ends the claim's lock
    libusb_unref_device(handle->device);
    handle->device = nullptr;
    delete handle;
}

// No kernel driver is bound to the chips.
int LIBUSB_CALL libusb_detach_kernel_driver(libusb_device_handle* handle, int interface) {
    CheckHandle(handle, "libusb_detach_kernel_driver");
    if (interface != 0)
        Misuse("detach_kernel_driver of interface %d", interface);
    return LIBUSB_ERROR_NOT_FOUND;
}

int LIBUSB_CALL libusb_set_auto_detach_kernel_driver(libusb_device_handle* handle, int) {
    CheckHandle(handle, "libusb_set_auto_detach_kernel_driver");
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_get_configuration(libusb_device_handle* handle, int* config) {
    CheckHandle(handle, "libusb_get_configuration");
    *config = 1;
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_set_configuration(libusb_device_handle* handle, int config) {
    CheckHandle(handle, "libusb_set_configuration");
    if (config != 1)
        Misuse("set_configuration %d", config);
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_claim_interface(libusb_device_handle* handle, int interface) {
    CheckHandle(handle, "libusb_claim_interface");
    if (interface != 0)
        Misuse("claim_interface %d", interface);
    if (handle->relay >= 0 && ::flock(handle->relay, LOCK_EX | LOCK_NB) != 0)
        return LIBUSB_ERROR_BUSY;
    handle->claimed = true;
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_release_interface(libusb_device_handle* handle, int interface) {
    CheckHandle(handle, "libusb_release_interface");
    if (interface != 0 || !handle->claimed)
        Misuse("release_interface %d that is not claimed", interface);
    if (handle->relay >= 0)
        ::flock(handle->relay, LOCK_UN);
    handle->claimed = false;
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_get_string_descriptor_ascii(libusb_device_handle* handle, uint8_t index,
                                                   unsigned char* data, int length) {
    CheckHandle(handle, "libusb_get_string_descriptor_ascii");
    const Chip& chip = handle->device->chip;
    const std::string* text = index == 1   ? &chip.manufacturer
                              : index == 2 ? &chip.description
                              : index == 3 ? &chip.serial
                                           : nullptr;
    if (!text)
        return LIBUSB_ERROR_PIPE;
    const int n = std::min(static_cast<int>(text->size()), length - 1);
    std::memcpy(data, text->data(), static_cast<std::size_t>(n));
    data[n] = 0;
    return n;
}

int LIBUSB_CALL libusb_control_transfer(libusb_device_handle* handle, uint8_t requestType,
                                        uint8_t request, uint16_t value, uint16_t index,
                                        unsigned char* data, uint16_t length, unsigned int) {
    CheckHandle(handle, "libusb_control_transfer");
    const bool in = requestType == kReqTypeIn;
    if (!in && requestType != kReqTypeOut)
        Misuse("control transfer with request type %02x", requestType);
    auto expect = [&](bool wantIn, std::uint16_t wantLength, bool portIndex) {
        if (in != wantIn || length != wantLength || (portIndex && index != kInterfaceA))
            Misuse("request %02x: type %02x, index %u, length %u", request, requestType, index,
                   length);
    };
    std::lock_guard guard(g_lock);
    std::vector<std::uint16_t>& eeprom = g_eeproms[handle->device->chip.serial];
    switch (request) {
    case 0x00: // reset / purge
        expect(false, 0, true);
        if (value > 2)
            Misuse("reset request with value %u", value);
        if (handle->relay >= 0)
            ::tcflush(handle->relay, value == 0 ? TCIOFLUSH : value == 2 ? TCIFLUSH : TCOFLUSH);
        return 0;
    case 0x01: // modem control
    case 0x02: // flow control
    case 0x04: // data characteristics
        expect(false, 0, true);
        return 0;
    case 0x03: // baud rate; the divisor's high bits travel in the index
        expect(false, 0, false);
        return 0;
    case 0x05: // modem status
        expect(true, 2, true);
        data[0] = 0x01;
        data[1] = 0x60;
        return 2;
    case 0x09: // set latency timer
        expect(false, 0, true);
        if (value < 1 || value > 255)
            Misuse("latency timer %u", value);
        handle->latencyMs = value;
        return 0;
    case 0x0A: // get latency timer
        expect(true, 1, true);
        data[0] = static_cast<unsigned char>(handle->latencyMs);
        return 1;
    case 0x90: // read EEPROM word
        expect(true, 2, false);
        if (index >= kEepromWords)
            return LIBUSB_ERROR_PIPE;
        data[0] = eeprom[index] & 0xFF;
        data[1] = eeprom[index] >> 8;
        return 2;
    case 0x91: // write EEPROM word
        expect(false, 0, false);
        if (index >= kEepromWords || (index >= 0x40 && index < 0x50))
            Misuse("EEPROM write to word %02x", index);
        eeprom[index] = value;
        return 0;
    default:
        Misuse("vendor request %02x", request);
    }
}

int LIBUSB_CALL libusb_bulk_transfer(libusb_device_handle* handle, unsigned char endpoint,
                                     unsigned char* data, int length, int* transferred,
                                     unsigned int timeout) {
    CheckHandle(handle, "libusb_bulk_transfer");
    if (!handle->claimed)
        Misuse("bulk transfer on an interface that is not claimed");
    if (length <= 0)
        Misuse("bulk transfer of %d bytes", length);
    *transferred = 0;
    if (endpoint == kEndpointOut) {
        if (handle->relay >= 0) {
            int done = 0;
            while (done < length) {
                const ssize_t put =
                    ::write(handle->relay, data + done, static_cast<std::size_t>(length - done));
                if (put < 0 && errno != EAGAIN && errno != EINTR)
                    return LIBUSB_ERROR_IO;
                if (put > 0) {
                    done += static_cast<int>(put);
                } else {
                    pollfd pfd{handle->relay, POLLOUT, 0};
                    ::poll(&pfd, 1, 10);
                }
            }
        }
        *transferred = length;
        return LIBUSB_SUCCESS;
    }
    if (endpoint != kEndpointIn)
        Misuse("bulk transfer on endpoint %02x", endpoint);
    if (length < kPacketSize)
        Misuse("bulk IN of %d bytes, less than a packet", length);
    // The chip answers when data is there, else when its latency timer runs out; a timeout
    // shorter than that passes without any packet.
    const int wait = timeout == 0 ? handle->latencyMs
                                  : std::min<int>(handle->latencyMs, static_cast<int>(timeout));
    const bool ready = handle->relay >= 0 && WaitReadable(handle->relay, wait);
    if (!ready && timeout != 0 && static_cast<int>(timeout) < handle->latencyMs)
        return LIBUSB_ERROR_TIMEOUT;
    data[0] = 0x01;
    data[1] = 0x60;
    int got = 0;
    if (ready) {
        const ssize_t n = ::read(handle->relay, data + 2, kPacketSize - 2);
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return LIBUSB_ERROR_IO;
        got = n > 0 ? static_cast<int>(n) : 0;
    }
    *transferred = 2 + got;
    return LIBUSB_SUCCESS;
}

// The asynchronous interface exists for libftdi's streaming calls, which the program does not use.
struct libusb_transfer* LIBUSB_CALL libusb_alloc_transfer(int) {
    Misuse("asynchronous transfer");
}
void LIBUSB_CALL libusb_free_transfer(struct libusb_transfer*) {
    Misuse("asynchronous transfer");
}
int LIBUSB_CALL libusb_submit_transfer(struct libusb_transfer*) {
    Misuse("asynchronous transfer");
}
int LIBUSB_CALL libusb_cancel_transfer(struct libusb_transfer*) {
    Misuse("asynchronous transfer");
}

} // extern "C"
