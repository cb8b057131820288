#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <cstdint>
#include <memory>

// The few operations of an FTDI USB-serial chip that the charger link needs: list the attached
// chips, open one, purge, set timeouts and transfer sizes, read and write bytes, and read and
// program the EEPROM of an FT-X chip. Real chips, serial ports and the simulated charger each
// implement it.

constexpr std::uint32_t FT_DEVICE_X_SERIES = 9;

// Why a chip could not be opened.
enum class FtOpenError {
    None,
    Gone,     // not (or no longer) attached
    Busy,     // another program has it open
    NoAccess, // this user may not open it
    Failed,   // anything else
};

// The FT-X EEPROM image: the fields whose place in the chip's memory is known. The program reads
// it whole, changes a few fields and programs it back; the rest of the chip's memory keeps what
// it holds.
struct FtEepromX {
    std::uint16_t vendorId = 0x0403;
    std::uint16_t productId = 0x6015;
    std::uint8_t serNumEnable = 1;
    std::uint16_t maxPower = 90; // mA, in the chip's steps of 2 mA
    std::uint8_t selfPowered = 0;
    std::uint8_t remoteWakeup = 0;
    std::uint8_t pullDownEnable = 0;
    std::uint8_t cbus[7] = {0, 0, 0, 0, 0, 0, 0}; // Cbus0..Cbus6, values as in CbusFunctionNames()

    bool operator==(const FtEepromX&) const = default;
};

struct FtEepromStrings {
    QByteArray manufacturer;
    QByteArray description;
    QByteArray serial;

    bool operator==(const FtEepromStrings&) const = default;
};

// What the charger's chip may be programmed with: manufacturer, description and serial number
// of at most 43 characters together, and a maximum power of 2 to 500 mA.
constexpr qsizetype kMaxEepromStrings = 43;
constexpr int kMinMaxPower = 2;
constexpr int kMaxMaxPower = 500;

// The CBUS functions in the order of their EEPROM values 0..21.
const QStringList& CbusFunctionNames();

// One open chip.
class CFtHandle {
public:
    virtual ~CFtHandle() = default;
    virtual void SetUsbParameters(std::uint32_t inSize, std::uint32_t outSize) = 0;
    virtual void PurgeRx() = 0;
    virtual bool SetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) = 0;
    // Reads up to size bytes; waits at most the read timeout for the first one. False on a
    // failed transfer; count 0 when the timeout elapsed without a byte.
    virtual bool Read(char* buffer, std::uint32_t size, std::uint32_t& count) = 0;
    virtual void Write(const char* data, std::uint32_t size) = 0;
    virtual bool ReadEeprom(FtEepromX& image, FtEepromStrings& strings) = 0;
    virtual bool ProgramEeprom(const FtEepromX& image, const FtEepromStrings& strings) = 0;
};

// One family of chips (USB, serial ports, simulator).
class CFtDriver {
public:
    virtual ~CFtDriver() = default;
    // The node types of the attached chips, in the index order that Open uses.
    virtual QList<std::uint32_t> DeviceTypes() = 0;
    // Opens the chip at index, or returns null and says why.
    virtual std::unique_ptr<CFtHandle> Open(int index, FtOpenError& error) = 0;
};
