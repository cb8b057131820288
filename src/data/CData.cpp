#include "data/CData.h"

#include "base/Scan.h"

#include <cstring>
#include <ctime>

namespace {

// The filters of IsCounted; fixed in this program.
constexpr std::uint32_t kMinValueMille = 0;
constexpr std::uint32_t kSensorMask = 3;
constexpr std::uint32_t kFeedbackMask = 3;

// The first tab, comma or semicolon of the line, or 0 when there is none.
char FindSeparator(QByteArrayView line) {
    for (const char c : line) {
        if (c == '\t' || c == ',' || c == ';')
            return c;
    }
    return 0;
}

} // namespace

CTimeMs CTimeMs::FromMs(std::int64_t totalMs) {
    // Floor division, so that times before 1970 keep millis in 0..999.
    std::int64_t seconds = totalMs / 1000;
    std::int64_t millis = totalMs % 1000;
    if (millis < 0) {
        --seconds;
        millis += 1000;
    }
    return {seconds, static_cast<std::uint16_t>(millis)};
}

CTimeMs CTimeMs::operator+(const CTimeMs& other) const {
    CTimeMs sum{seconds + other.seconds, static_cast<std::uint16_t>(millis + other.millis)};
    if (sum.millis >= 1000) {
        sum.millis -= 1000;
        ++sum.seconds;
    }
    return sum;
}

CTimeMs CTimeMs::operator-(const CTimeMs& other) const {
    CTimeMs difference{seconds - other.seconds, millis};
    if (millis < other.millis) {
        difference.millis += 1000;
        --difference.seconds;
    }
    difference.millis -= other.millis;
    return difference;
}

QString CTimeMs::Format(const char* pattern) const {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&t, &local))
        return {};
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, pattern, &local);
    return QString::fromLocal8Bit(buffer, static_cast<qsizetype>(length));
}

void CData::Parse(QByteArrayView line, const CInfoHeader& header) {
    if (line.isEmpty()) {
        kind = KIND_END;
        return;
    }
    kind = KIND_EXCLUDED;
    const char separator = FindSeparator(line);
    if (separator == 0)
        return;

    FieldReader fields(line, separator);
    fields.Next(); // running number
    durationMs = ScanU32(fields.Next());
    const std::uint64_t rel = ScanU64(fields.Next());
    const QByteArrayView sensor = fields.Next();
    sensorFlags = !sensor.isEmpty() && (sensor[0] == 'B' || sensor[0] == '1') ? SENSOR_B : SENSOR_A;
    valueMille = ScanU32(fields.Next());
    const QByteArrayView mark = fields.Next();
    feedback = mark.isEmpty() ? 0 : mark[0] == 'V' ? 2 : mark[0] == 'L' ? 1 : 0;
    const std::uint32_t ms = ScanU32(fields.Next());
    if (fields.Next().isEmpty())
        kind = KIND_EVENT;
    batteryClass = ScanU32(fields.Next(), 3);

    // The device counts seconds since its own start; the header tells the counter value at the
    // download. Unsigned arithmetic wraps instead of overflowing on absurd input.
    std::uint64_t base = static_cast<std::uint64_t>(header.downloadTime) +
                         static_cast<std::uint64_t>(std::int64_t{header.clockOffset}) -
                         header.relNow;
    if (rel > UINT32_MAX || rel > header.relNow)
        base -= std::uint64_t{header.relWrap} + 1;
    // The device reports the end of an event.
    startMs = static_cast<std::int64_t>((base + rel) * 1000u + ms - durationMs);
}

bool CData::IsCounted() const {
    return (kind & KIND_EVENT) && valueMille > kMinValueMille &&
           (sensorFlags & kSensorMask & 3) != 0 && (feedback & kFeedbackMask) != 0;
}

bool CData::Overlaps(const std::optional<CTimeRange>& range) const {
    if (!range)
        return true;
    return !(startMs > range->end * 1000 || EndMs() < range->start * 1000);
}

bool CData::SameEvent(const CData& other) const {
    return durationMs == other.durationMs && startMs == other.startMs &&
           (sensorFlags & 3) == (other.sensorFlags & 3);
}

int CData::Compare(const CData& a, const CData& b) {
    if (a.startMs != b.startMs)
        return a.startMs < b.startMs ? -1 : 1;
    return static_cast<int>(a.sensorFlags & 3) - static_cast<int>(b.sensorFlags & 3);
}

QString CData::SensorText() const {
    switch (sensorFlags & 3) {
    case SENSOR_A:
        return QStringLiteral("A");
    case SENSOR_B:
        return QStringLiteral("B");
    default:
        return {};
    }
}

QString CData::FeedbackText() const {
    switch (feedback) {
    case 1:
        return QStringLiteral("L");
    case 2:
        return QStringLiteral("V");
    default:
        return {};
    }
}

QString CData::TimeText() const {
    return QStringLiteral("%1 (+%2 ms)").arg(time.Format("%X")).arg(time.millis);
}
