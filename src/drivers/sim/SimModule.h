#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>

#include <array>
#include <cstdint>
#include <optional>

// A reply of the simulated hardware: a text that gets the checksum line, or (from a boot
// loader) raw bytes sent as they are.
struct CSimReply {
    QByteArray text;
    bool raw = false;
};

// One recorded event as the module stores it: the device time of its end and its data.
struct CSimEvent {
    std::uint32_t endSeconds = 0; // module clock
    std::uint16_t endMillis = 0;
    std::uint32_t durationMs = 0;
    char sensor = 'A';
    std::uint32_t valueMille = 0;
    char feedback = 'L'; // 'L', 'V' or 0 for none
    bool excluded = false;
    std::uint32_t batteryClass = 3;
};

// The simulated Kelvora module: a patient's module with about two and a half weeks of
// recorded nights, its parameters, feedback motor, memory, A/D channels and boot loader.
class CSimModule {
public:
    // A module whose clock started startDays before now, with nights recorded up to last night.
    explicit CSimModule(const QDateTime& now = QDateTime::currentDateTime());

    // The reply to a module command, or nothing for commands the module does not answer.
    std::optional<CSimReply> Answer(const QByteArray& text);

    // Keeps what the module stores (identity, parameters, motor, erased and read marks) in a
    // file, so that the state outlives one process: used by the command-line demo and tests.
    void LoadState(const QString& path);
    void SaveState(const QString& path) const;

    // Seconds on the module clock at the given wall-clock time.
    std::uint32_t ClockAt(const QDateTime& time) const;

    QByteArray version = "2.7";
    QByteArray moduleId = "K-104233";
    QByteArray info = "Patient 17, upper splint";
    int batteryMv = 3850;
    int hwVariant = 4;
    bool eventsRead = false;
    bool erased = false;
    bool motorEnabled = true;
    bool inLoader = false;
    int loaderRecords = 0;
    std::array<std::uint16_t, 32> params{};
    QList<CSimEvent> events;
    QMap<std::uint32_t, std::uint16_t> memory;

private:
    QByteArray InfoReply() const;
    QByteArray ParamsReply() const;
    QByteArray DataReply() const;
    std::optional<CSimReply> SetValues(const QByteArray& args);
    void RecordNights(const QDateTime& now);

    QDateTime m_clockStart;
};
