#include "drivers/sim/SimCharger.h"

#include "link/Crc16.h"
#include "link/DeviceState.h"
#include "link/UsbLink.h"

#include <QSettings>

namespace {

// The EEPROM's keys in the state file.
const QString kEepromGroup = QStringLiteral("eeprom");

class CSimHandle : public CFtHandle {
public:
    explicit CSimHandle(CSimCharger& charger) : m_charger(charger) {}
    void SetUsbParameters(std::uint32_t, std::uint32_t) override {}
    void PurgeRx() override { m_charger.PurgeRx(); }
    bool SetTimeouts(std::uint32_t readMs, std::uint32_t) override {
        m_readTimeout = readMs;
        return true;
    }
    bool Read(char* buffer, std::uint32_t size, std::uint32_t& count) override {
        count = m_charger.Read(buffer, size, m_readTimeout);
        return true;
    }
    void Write(const char* data, std::uint32_t size) override { m_charger.Write(data, size); }
    bool ReadEeprom(FtEepromX& image, FtEepromStrings& strings) override {
        return m_charger.ReadEeprom(image, strings);
    }
    bool ProgramEeprom(const FtEepromX& image, const FtEepromStrings& strings) override {
        return m_charger.ProgramEeprom(image, strings);
    }

private:
    CSimCharger& m_charger;
    std::uint32_t m_readTimeout = 300;
};

} // namespace

CSimCharger& TheSimCharger() {
    static CSimCharger charger;
    return charger;
}

CSimCharger::CSimCharger() : m_statePath(qEnvironmentVariable("KELVORA_SIM_STATE")) {
    m_eeprom.serNumEnable = 0;
    m_eeprom.maxPower = 400;
    m_eeprom.cbus[5] = 5; // SLEEP
    m_eeprom.cbus[6] = 4; // PWREN
    if (m_statePath.isEmpty())
        return;
    m_module.LoadState(m_statePath);
    QSettings state(m_statePath, QSettings::IniFormat);
    state.beginGroup(kEepromGroup);
    if (!state.contains(QStringLiteral("serial")))
        return;
    m_eepromStrings.manufacturer = state.value(QStringLiteral("manufacturer")).toByteArray();
    m_eepromStrings.description = state.value(QStringLiteral("description")).toByteArray();
    m_eepromStrings.serial = state.value(QStringLiteral("serial")).toByteArray();
    m_eeprom.maxPower =
        static_cast<std::uint16_t>(state.value(QStringLiteral("maxPower")).toUInt());
    m_eeprom.serNumEnable =
        static_cast<std::uint8_t>(state.value(QStringLiteral("serialNumberEnable")).toUInt());
    const QStringList cbus = state.value(QStringLiteral("cbus")).toStringList();
    for (int i = 0; i < cbus.size() && i < 7; ++i)
        m_eeprom.cbus[i] = static_cast<std::uint8_t>(cbus[i].toUInt());
}

bool CSimCharger::ReadEeprom(FtEepromX& image, FtEepromStrings& strings) const {
    std::lock_guard guard(m_lock);
    if (m_faults.eepromUnreadable)
        return false;
    image = m_eeprom;
    strings = m_eepromStrings;
    return true;
}

bool CSimCharger::ProgramEeprom(const FtEepromX& image, const FtEepromStrings& strings) {
    std::lock_guard guard(m_lock);
    if (m_faults.eepromIgnoresWrites)
        return true;
    m_eeprom = image;
    m_eepromStrings = strings;
    if (m_statePath.isEmpty())
        return true;
    QSettings state(m_statePath, QSettings::IniFormat);
    state.beginGroup(kEepromGroup);
    state.setValue(QStringLiteral("manufacturer"), strings.manufacturer);
    state.setValue(QStringLiteral("description"), strings.description);
    state.setValue(QStringLiteral("serial"), strings.serial);
    state.setValue(QStringLiteral("maxPower"), image.maxPower);
    state.setValue(QStringLiteral("serialNumberEnable"), image.serNumEnable);
    QStringList cbus;
    for (const std::uint8_t value : image.cbus)
        cbus << QString::number(value);
    state.setValue(QStringLiteral("cbus"), cbus);
    return true;
}

std::optional<CSimReply> CSimCharger::AnswerCharger(const QByteArray& text) {
    if (m_chargerLoader) {
        if (text.startsWith("#CIH:")) {
            if (text.mid(11, 2) == "01") // end-of-file record
                m_chargerLoader = false;
            return CSimReply{"2", true};
        }
        return CSimReply{text == "#CUPKelvora" ? "1" : "0", true};
    }
    if (text == "#CGV") {
        return CSimReply{"Version;" + m_chargerVersion + "\nSN;" + m_storedSerial + "\n" +
                         QByteArray::number(m_chargerHwVariant) + "\nLoader;770;1\nDiag;0;0"};
    }
    if (text.startsWith("#CSN")) {
        m_storedSerial = text.mid(4);
        return std::nullopt;
    }
    if (text == "#CEC")
        return std::nullopt;
    if (text == "#CUPKelvora") {
        m_chargerLoader = true;
        return CSimReply{"1", true};
    }
    return CSimReply{"E;INV_CMD"};
}

void CSimCharger::Write(const char* data, std::uint32_t size) {
    std::lock_guard guard(m_lock);
    for (std::uint32_t i = 0; i < size; ++i) {
        const char byte = data[i];
        if (byte == 0x02) {
            m_inFrame = true;
            m_incoming.clear();
        } else if (byte == 0x03 && m_inFrame) {
            m_inFrame = false;
            HandleFrame(m_incoming);
        } else if (m_inFrame) {
            m_incoming.append(byte);
        }
    }
}

void CSimCharger::HandleFrame(const QByteArray& payload) {
    m_received.append(payload);
    std::optional<CSimReply> reply;
    if (payload.startsWith('#') || payload == "EC") {
        reply = payload.startsWith('#') ? AnswerCharger(payload) : std::nullopt;
    } else {
        const qsizetype lf = payload.lastIndexOf('\n');
        const QByteArray text = lf >= 0 ? payload.left(lf) : payload;
        bool ok = false;
        const uint crc = lf >= 0 ? payload.mid(lf + 1).toUInt(&ok) : 0;
        if (!ok || crc != CCrc16::Of(text))
            reply = CSimReply{"E;CMD_CRC"};
        else
            reply = m_module.Answer(text);
        if (!m_statePath.isEmpty())
            m_module.SaveState(m_statePath);
    }
    if (!reply)
        return;
    if (m_faults.dropReplies > 0) {
        --m_faults.dropReplies;
        return;
    }
    if (reply->raw && m_faults.loaderReplies > 0) {
        --m_faults.loaderReplies;
        reply->text = m_faults.loaderReply;
    }
    if (m_faults.errorReplies > 0) {
        --m_faults.errorReplies;
        reply = CSimReply{"E\t" + m_faults.errorWord};
    }
    QueueReply(*reply);
}

void CSimCharger::QueueReply(const CSimReply& reply) {
    QByteArray payload = reply.text;
    if (!reply.raw) {
        std::uint16_t crc = CCrc16::Of(reply.text);
        if (m_faults.badChecksums > 0) {
            --m_faults.badChecksums;
            crc ^= 0x5A5A;
        }
        payload += '\n' + QByteArray::number(crc);
    }
    const QByteArray frame = m_faults.garbageBeforeStx + '\x02' + payload + '\x03';
    auto due = m_outgoing.empty() ? Clock::now() : std::max(Clock::now(), m_outgoing.back().first);
    for (const char byte : frame) {
        due += std::chrono::milliseconds(m_faults.byteDelayMs);
        m_outgoing.emplace_back(due, byte);
    }
    m_arrived.notify_all();
}

std::uint32_t CSimCharger::Read(char* buffer, std::uint32_t size, std::uint32_t timeoutMs) {
    std::unique_lock guard(m_lock);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto now = Clock::now();
        if (!m_outgoing.empty() && m_outgoing.front().first <= now)
            break;
        if (now >= deadline)
            return 0;
        const auto wakeAt =
            m_outgoing.empty() ? deadline : std::min(deadline, m_outgoing.front().first);
        m_arrived.wait_until(guard, wakeAt);
    }
    std::uint32_t count = 0;
    const auto now = Clock::now();
    while (count < size && !m_outgoing.empty() && m_outgoing.front().first <= now) {
        buffer[count++] = m_outgoing.front().second;
        m_outgoing.pop_front();
    }
    return count;
}

void CSimCharger::PurgeRx() {
    std::lock_guard guard(m_lock);
    m_outgoing.clear();
}

void CSimCharger::SetFaults(const CSimFaults& faults) {
    std::lock_guard guard(m_lock);
    m_faults = faults;
}

QList<QByteArray> CSimCharger::ReceivedFrames() const {
    std::lock_guard guard(m_lock);
    return m_received;
}

void CSimCharger::ClearReceivedFrames() {
    std::lock_guard guard(m_lock);
    m_received.clear();
}

std::unique_ptr<CFtHandle> CSimDriver::Open(int index, FtOpenError& error) {
    error = index == 0 ? FtOpenError::None : FtOpenError::Gone;
    if (index != 0)
        return nullptr;
    return std::make_unique<CSimHandle>(TheSimCharger());
}

bool SelectSimulatedChargerOnly() {
    std::vector<std::unique_ptr<CFtDriver>> drivers;
    drivers.push_back(std::make_unique<CSimDriver>());
    TheDevice().link.SetDrivers(std::move(drivers));
    if (TheDevice().link.Enumerate(false) != 1)
        return false;
    TheDevice().link.Select(0);
    return true;
}
