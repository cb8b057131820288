#pragma once

#include "link/FtDriver.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// One attached chip as the last enumeration found it. The strings are set only for chips whose
// EEPROM could be read; openError says why a chip could not be opened.
struct CUsbDeviceInfo {
    std::uint32_t type = 0;
    bool stringsRead = false;
    FtOpenError openError = FtOpenError::None;
    QByteArray description;
    QByteArray manufacturer;
    QByteArray serial;
};

// The link to the charger: the table of attached chips, the selected one, and the framed
// byte transfer with it. There is one link in the process (TheDevice().link); only the worker
// thread reads and writes while the chip is open, and the lock serialises open, close, enumeration
// and EEPROM access.
class CUsbLink {
public:
    static constexpr int kMaxAccepted = 64;
    static constexpr std::uint32_t kDefaultTimeout = 300;

    // The families of chips to enumerate, in table order. Replaces the earlier ones.
    void SetDrivers(std::vector<std::unique_ptr<CFtDriver>> drivers);

    // Rebuilds the device table; returns the mask of accepted chargers. A chip is accepted when
    // it is an FT-X chip at index 0..63 whose manufacturer begins with "Kelvora", or any FT-X
    // chip when acceptAny is set.
    std::uint64_t Enumerate(bool acceptAny);
    int AcceptedCount() const;
    QList<CUsbDeviceInfo> Devices() const;

    // Selects the charger by its index in the table (-1 = none).
    void Select(int index);
    int Selected() const { return m_nDevice; }

    bool Open();
    void Close();
    bool IsOpen() const;
    // Why the last Open failed.
    FtOpenError OpenError() const { return m_openError; }

    // Reply timeout of the next ReceiveReply, in milliseconds.
    void SetReadTimeout(std::uint32_t ms) { m_nReadTimeout = ms; }
    std::uint32_t ReadTimeout() const { return m_nReadTimeout; }

    // STX, text, suffix, ETX.
    void WriteFrame(QByteArrayView text, QByteArrayView suffix);
    // Reads one reply frame into buffer (zero-terminated) and returns the payload length, or
    // -1 when no frame started. The timeout applies to the gap before each byte; the wait ends
    // as soon as keepGoing turns false.
    int ReceiveReply(char* buffer, const std::atomic<bool>& keepGoing, int bufferSize);

    // EEPROM of the selected chip; both open and close the chip themselves. Reading fails when
    // the chip cannot be opened or its EEPROM not be read.
    bool ReadEeprom(FtEepromX& image, FtEepromStrings& strings);
    // Programs the image with the serial-number string disabled and reads it back; true only
    // when the chip holds what was written. Refused before any transfer when the three strings
    // together have more than kMaxEepromStrings characters.
    bool ProgramEeprom(const FtEepromX& image, const FtEepromStrings& strings);

private:
    std::unique_ptr<CFtHandle> OpenByIndex(int index, FtOpenError& error);
    // Reads one byte, waiting up to the read timeout but checking keepGoing in short slices.
    // Returns 1 for a byte, 0 for a timeout or an abort, -1 for a failed transfer.
    int ReadByte(char& byte, const std::atomic<bool>& keepGoing);

    mutable std::mutex m_lock;
    std::vector<std::unique_ptr<CFtDriver>> m_drivers;
    // Table index -> (driver, index within the driver), from the last enumeration.
    std::vector<std::pair<CFtDriver*, int>> m_index;
    QList<CUsbDeviceInfo> m_devices;
    std::uint64_t m_acceptedMask = 0;
    int m_acceptedCount = 0;

    std::unique_ptr<CFtHandle> m_hDevice;
    std::atomic<int> m_nDevice{-1};
    std::atomic<FtOpenError> m_openError{FtOpenError::None};
    std::atomic<std::uint32_t> m_nReadTimeout{kDefaultTimeout};
};

// The string-table id of the message for a chip that could not be opened: "Please attach
// charger" for one that is gone, else the reason.
int OpenErrorMessage(FtOpenError error);

// The string-table id of the message for chargers that could not be used, from the last
// enumeration: a chip that is busy or may not be opened says so; otherwise "Please attach
// charger".
int NoChargerMessage(const QList<CUsbDeviceInfo>& devices);
