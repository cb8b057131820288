#pragma once

#include "data/CDataArray.h"

#include <QByteArray>

#include <ctime>
#include <initializer_list>

// Helpers shared by the data tests.

// Runs the tests in UTC so that local-time rules give fixed results.
inline void UseUtc() {
    qputenv("TZ", "UTC");
    tzset();
}

// A counted real event (value 100 per mille, feedback "V").
inline CData Event(std::int64_t startMs, std::uint32_t durationMs,
                   std::uint32_t sensor = SENSOR_A) {
    CData d;
    d.startMs = startMs;
    d.durationMs = durationMs;
    d.sensorFlags = sensor;
    d.kind = KIND_EVENT;
    d.valueMille = 100;
    d.feedback = 2;
    return d;
}

inline void Fill(CDataArray& events, std::initializer_list<CData> records) {
    for (const CData& d : records)
        events.Append(d);
}
