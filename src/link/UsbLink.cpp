#include "link/UsbLink.h"

#include "base/TextIds.h"
#include "link/DevCmd.h"

#include <QDeadlineTimer>

#include <algorithm>

namespace {

constexpr char STX = 0x02;
constexpr char ETX = 0x03;
// Longest single wait of a read, so that an abort ends a long reply wait at once.
constexpr std::uint32_t kReadSliceMs = 50;
constexpr std::uint32_t kWriteTimeoutMs = 100;
constexpr std::uint32_t kTransferSize = 512;

} // namespace

const QStringList& CbusFunctionNames() {
    static const QStringList names = {
        "TRISTATE",   "TXLED",       "RXLED",         "TXRXLED",   "PWREN",   "SLEEP",
        "DRIVE_0",    "DRIVE_1",     "IOMODE",        "TXDEN",     "CLK24",   "CLK12",
        "CLK6",       "BCD_CHARGER", "BCD_CHARGER_N", "I2C_TXE",   "I2C_RXF", "VBUS_SENSE",
        "BITBANG_WR", "BITBANG_RD",  "TIMESTAMP",     "KEEP_AWAKE"};
    return names;
}

int OpenErrorMessage(FtOpenError error) {
    switch (error) {
    case FtOpenError::Busy:
        return TXT_CHARGER_BUSY;
    case FtOpenError::NoAccess:
        return TXT_CHARGER_NO_ACCESS;
    case FtOpenError::Failed:
        return TXT_CHARGER_NOT_OPENED;
    default:
        return TXT_NO_CHARGER;
    }
}

int NoChargerMessage(const QList<CUsbDeviceInfo>& devices) {
    for (const FtOpenError reason : {FtOpenError::Busy, FtOpenError::NoAccess}) {
        for (const CUsbDeviceInfo& info : devices) {
            if (info.type == FT_DEVICE_X_SERIES && info.openError == reason)
                return OpenErrorMessage(reason);
        }
    }
    return TXT_NO_CHARGER;
}

void CUsbLink::SetDrivers(std::vector<std::unique_ptr<CFtDriver>> drivers) {
    std::lock_guard guard(m_lock);
    m_hDevice.reset();
    m_index.clear();
    m_devices.clear();
    m_acceptedMask = 0;
    m_acceptedCount = 0;
    m_drivers = std::move(drivers);
}

std::uint64_t CUsbLink::Enumerate(bool acceptAny) {
    std::lock_guard guard(m_lock);
    m_index.clear();
    m_devices.clear();
    m_acceptedMask = 0;
    m_acceptedCount = 0;
    for (const auto& driver : m_drivers) {
        const QList<std::uint32_t> types = driver->DeviceTypes();
        for (int i = 0; i < types.size(); ++i) {
            m_index.emplace_back(driver.get(), i);
            CUsbDeviceInfo info;
            info.type = types[i];
            m_devices.append(info);
        }
    }
    for (int i = 0; i < m_devices.size(); ++i) {
        CUsbDeviceInfo& info = m_devices[i];
        if (info.type != FT_DEVICE_X_SERIES)
            continue;
        const auto handle = OpenByIndex(i, info.openError);
        if (!handle)
            continue;
        FtEepromX image;
        FtEepromStrings strings;
        if (!handle->ReadEeprom(image, strings))
            continue;
        info.stringsRead = true;
        info.description = strings.description.left(kMaxEepromStrings - 1);
        info.manufacturer = strings.manufacturer.left(kMaxEepromStrings - 1);
        info.serial = strings.serial.left(kMaxEepromStrings - 1);
        if (i < kMaxAccepted && (acceptAny || info.manufacturer.startsWith("Kelvora"))) {
            m_acceptedMask |= std::uint64_t(1) << i;
            ++m_acceptedCount;
        }
    }
    return m_acceptedMask;
}

int CUsbLink::AcceptedCount() const {
    std::lock_guard guard(m_lock);
    return m_acceptedCount;
}

QList<CUsbDeviceInfo> CUsbLink::Devices() const {
    std::lock_guard guard(m_lock);
    return m_devices;
}

void CUsbLink::Select(int index) {
    m_nDevice = index;
}

std::unique_ptr<CFtHandle> CUsbLink::OpenByIndex(int index, FtOpenError& error) {
    error = FtOpenError::Gone;
    if (index < 0 || index >= static_cast<int>(m_index.size()))
        return nullptr;
    const auto& [driver, local] = m_index[index];
    auto handle = driver->Open(local, error);
    if (handle)
        error = FtOpenError::None;
    else if (error == FtOpenError::None)
        error = FtOpenError::Failed;
    return handle;
}

bool CUsbLink::Open() {
    std::lock_guard guard(m_lock);
    if (!m_hDevice) {
        FtOpenError error = FtOpenError::None;
        m_hDevice = OpenByIndex(m_nDevice, error);
        m_openError = error;
        if (!m_hDevice)
            return false;
    }
    m_hDevice->SetUsbParameters(kTransferSize, kTransferSize);
    m_hDevice->PurgeRx();
    return true;
}

void CUsbLink::Close() {
    std::lock_guard guard(m_lock);
    m_hDevice.reset();
}

bool CUsbLink::IsOpen() const {
    std::lock_guard guard(m_lock);
    return m_hDevice != nullptr;
}

void CUsbLink::WriteFrame(QByteArrayView text, QByteArrayView suffix) {
    if (!m_hDevice)
        return;
    m_hDevice->Write(&STX, 1);
    if (!text.isEmpty())
        m_hDevice->Write(text.data(), static_cast<std::uint32_t>(text.size()));
    if (!suffix.isEmpty())
        m_hDevice->Write(suffix.data(), static_cast<std::uint32_t>(suffix.size()));
    m_hDevice->Write(&ETX, 1);
}

int CUsbLink::ReadByte(char& byte, const std::atomic<bool>& keepGoing) {
    const QDeadlineTimer deadline(m_nReadTimeout.load());
    while (keepGoing) {
        std::uint32_t count = 0;
        if (!m_hDevice->Read(&byte, 1, count))
            return -1;
        if (count == 1)
            return 1;
        if (deadline.hasExpired())
            return 0;
    }
    return 0;
}

int CUsbLink::ReceiveReply(char* buffer, const std::atomic<bool>& keepGoing, int bufferSize) {
    buffer[0] = 0;
    if (!m_hDevice || bufferSize < 1)
        return -1;
    const std::uint32_t slice = std::min(m_nReadTimeout.load(), kReadSliceMs);
    if (!m_hDevice->SetTimeouts(std::max<std::uint32_t>(slice, 1), kWriteTimeoutMs))
        return -1;

    char byte = 0;
    for (;;) {
        if (!keepGoing || ReadByte(byte, keepGoing) != 1)
            return -1;
        if (byte == STX)
            break;
    }
    int stored = 0;
    while (keepGoing && stored < bufferSize - 1) {
        if (ReadByte(byte, keepGoing) != 1)
            break;
        if (byte == STX)
            stored = 0;
        else if (byte == ETX)
            break;
        else
            buffer[stored++] = byte;
    }
    buffer[stored] = 0;
    return stored;
}

bool CUsbLink::ReadEeprom(FtEepromX& image, FtEepromStrings& strings) {
    std::lock_guard guard(m_lock);
    FtOpenError error = FtOpenError::None;
    auto handle = OpenByIndex(m_nDevice, error);
    return handle && handle->ReadEeprom(image, strings);
}

bool CUsbLink::ProgramEeprom(const FtEepromX& image, const FtEepromStrings& strings) {
    if (strings.manufacturer.size() + strings.description.size() + strings.serial.size() >
        kMaxEepromStrings)
        return false;
    std::lock_guard guard(m_lock);
    FtOpenError error = FtOpenError::None;
    auto handle = OpenByIndex(m_nDevice, error);
    if (!handle)
        return false;
    FtEepromX written = image;
    written.serNumEnable = 0;
    written.maxPower &= ~1; // the chip counts in steps of 2 mA
    if (!handle->ProgramEeprom(written, strings))
        return false;
    // A chip that takes the transfer but keeps its old contents (write-protected, worn out)
    // shows only here.
    FtEepromX read;
    FtEepromStrings readStrings;
    return handle->ReadEeprom(read, readStrings) && read == written && readStrings == strings;
}
