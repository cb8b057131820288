#pragma once

#include "data/CInfoHeader.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

// Classification of a record (bit value 4 marks a real event that may be counted).
enum : std::uint32_t {
    KIND_EXCLUDED = 0,    // the line's exclusion field is set
    KIND_START = 1,       // first record of a night that starts with test bursts
    KIND_TEST = 2,        // test burst
    KIND_EVENT = 4,       // real event
    KIND_START_EVENT = 5, // first record of a night, itself a real event
    KIND_END = 8,         // empty line: end of data
};

// Bits of CData::sensorFlags.
enum : std::uint32_t {
    SENSOR_A = 1,
    SENSOR_B = 2,
    OVERLAP_OPEN = 4, // the next counted event overlaps this one
    OVERLAP_END = 8,  // last event of an overlap group
};

// A point in time with millisecond resolution.
struct CTimeMs {
    std::int64_t seconds = 0; // since 1970-01-01 00:00:00 UTC
    std::uint16_t millis = 0; // 0..999

    static CTimeMs FromMs(std::int64_t totalMs);
    CTimeMs operator+(const CTimeMs& other) const;
    CTimeMs operator-(const CTimeMs& other) const;
    // strftime pattern applied to the local time; empty when the time cannot be converted.
    QString Format(const char* pattern) const;
};

// a - b for millisecond times, wrapping instead of overflowing for absurd values read from
// damaged files.
inline std::int64_t MsDiff(std::int64_t a, std::int64_t b) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}

// Start and end of a time range in seconds since 1970 UTC.
struct CTimeRange {
    std::int64_t start = 0;
    std::int64_t end = 0;
};

// One bite event.
struct CData {
    CTimeMs time; // startMs as seconds and millis; filled by night detection
    std::int64_t startMs = 0;
    std::uint32_t batteryClass = 3; // 0 dead .. 3 high
    std::uint32_t durationMs = 0;
    std::uint32_t kind = KIND_EXCLUDED;
    std::uint32_t valueMille = 0;
    std::uint32_t sensorFlags = 0;
    std::uint32_t feedback = 0; // 0 none, 1 "L", 2 "V"

    CData() = default;
    CData(QByteArrayView line, const CInfoHeader& header) { Parse(line, header); }

    // Fills the record from one event line of a download reply or data file.
    void Parse(QByteArrayView line, const CInfoHeader& header);

    // A real event above 0 per mille on sensor A or B with feedback mark L or V.
    bool IsCounted() const;
    // False when the event lies completely before or after range; no range: true.
    bool Overlaps(const std::optional<CTimeRange>& range) const {
        return !range || !(startMs > range->end * 1000 || EndMs() < range->start * 1000);
    }
    bool SameEvent(const CData& other) const;
    // Order by start, then A before B.
    static int Compare(const CData& a, const CData& b);

    // Wraps instead of overflowing for absurd starts read from damaged files.
    std::int64_t EndMs() const {
        return static_cast<std::int64_t>(static_cast<std::uint64_t>(startMs) + durationMs);
    }

    QString SensorText() const;
    QString FeedbackText() const;
    QString DateText() const { return time.Format("%x"); }
    // Time of day with its milliseconds: "21:37:12 (+250 ms)".
    QString TimeText() const;
};
