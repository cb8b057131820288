#pragma once

#include "drivers/sim/SimModule.h"
#include "link/FtDriver.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

// Faults the simulated charger injects into its next replies, for tests.
struct CSimFaults {
    int dropReplies = 0;  // the next n commands get no reply
    int badChecksums = 0; // the next n replies carry a wrong checksum
    int errorReplies = 0; // the next n replies are "E", TAB, errorWord
    QByteArray errorWord = "INV_CMD";
    QByteArray garbageBeforeStx; // bytes sent before every reply's STX
    int byteDelayMs = 0;         // gap before each byte of a reply
    int loaderReplies = 0;       // the next n boot-loader replies are loaderReply instead
    QByteArray loaderReply = "12";
    bool eepromUnreadable = false;    // reading the EEPROM fails
    bool eepromIgnoresWrites = false; // programming is acknowledged but changes nothing
};

// The simulated charger ("SIM0001"): it parses the frames written to it and queues framed
// replies, from the charger itself or from the module it holds.
class CSimCharger {
public:
    static constexpr const char* kSerial = "SIM0001";

    // With KELVORA_SIM_STATE naming a file, the module and the chip's EEPROM keep their state
    // there between runs.
    CSimCharger();

    // Writing side of the chip.
    void Write(const char* data, std::uint32_t size);
    // Reads what has arrived, waiting up to timeoutMs for the first byte.
    std::uint32_t Read(char* buffer, std::uint32_t size, std::uint32_t timeoutMs);
    void PurgeRx();

    // Test access; all of it is guarded by the charger's lock.
    void SetFaults(const CSimFaults& faults);
    // The payloads of all frames received so far (checksum lines included), oldest first.
    QList<QByteArray> ReceivedFrames() const;
    void ClearReceivedFrames();
    template <typename F> auto WithModule(F&& f) {
        std::lock_guard guard(m_lock);
        return f(m_module);
    }

    // The chip's EEPROM, as the maker programmed it.
    bool ReadEeprom(FtEepromX& image, FtEepromStrings& strings) const;
    bool ProgramEeprom(const FtEepromX& image, const FtEepromStrings& strings);

private:
    using Clock = std::chrono::steady_clock;
    void HandleFrame(const QByteArray& payload);
    void QueueReply(const CSimReply& reply);
    std::optional<CSimReply> AnswerCharger(const QByteArray& text);

    mutable std::mutex m_lock;
    std::condition_variable m_arrived;
    QByteArray m_incoming;
    bool m_inFrame = false;
    std::deque<std::pair<Clock::time_point, char>> m_outgoing;
    QList<QByteArray> m_received;
    CSimFaults m_faults;
    QString m_statePath;
    CSimModule m_module;
    FtEepromX m_eeprom;
    FtEepromStrings m_eepromStrings{"Kelvora GmbH", "Vareriz-Ezu", kSerial};
    QByteArray m_storedSerial = kSerial;
    QByteArray m_chargerVersion = "1.4";
    bool m_chargerLoader = false;
    int m_chargerHwVariant = 2;
};

CSimCharger& TheSimCharger();

// The simulated charger as a chip family of one.
class CSimDriver : public CFtDriver {
public:
    QList<std::uint32_t> DeviceTypes() override { return {FT_DEVICE_X_SERIES}; }
    std::unique_ptr<CFtHandle> Open(int index, FtOpenError& error) override;
};

// Gives the link the simulated charger alone and selects it; false when it is not found. For
// tests that need a charger and nothing else.
bool SelectSimulatedChargerOnly();
