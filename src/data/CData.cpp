#include "data/CData.h"

#include <cstring>
#include <ctime>

namespace {

// The filters of IsCounted; fixed in this program.
constexpr std::uint32_t kMinValueMille = 0;
constexpr std::uint32_t kSensorMask = 3;
constexpr std::uint32_t kFeedbackMask = 3;

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

// Walks the fields of one event line and reads from each what the parser needs of it, in one
// pass and without copying. The separator is the first tab, comma or semicolon of the line;
// consecutive separators give empty fields, fields after the last one read as empty.
class EventFields {
public:
    // Finds the separator, which ends the first field; false when the line holds none.
    bool Start(QByteArrayView line) {
        m_pos = line.data();
        m_end = m_pos + line.size();
        for (; m_pos < m_end; ++m_pos) {
            if (*m_pos == '\t' || *m_pos == ',' || *m_pos == ';') {
                m_separator = *m_pos;
                return true;
            }
        }
        return false;
    }
    bool IsEmpty() {
        const char* begin = Begin();
        const bool empty = begin == m_end || *begin == m_separator;
        MoveToSeparator(begin);
        return empty;
    }
    // The field's first character; 0 for an empty field.
    char First() {
        const char* begin = Begin();
        const char c = begin == m_end || *begin == m_separator ? 0 : *begin;
        MoveToSeparator(begin);
        return c;
    }
    // The leading number of the field as C's "%llu" reads it (blanks, an optional sign,
    // digits, wrapping modulo 2^64; "%u" takes the low 32 bits); otherwise without a digit.
    std::uint64_t Number(std::uint64_t otherwise = 0) {
        const char* p = Begin();
        std::uint64_t value = 0;
        if (p < m_end && IsDigit(*p)) { // the usual field: digits only
            ReadDigits(p, value);
            MoveToSeparator(p);
            return value;
        }
        while (p < m_end && *p != m_separator && IsBlank(*p))
            ++p;
        bool negative = false;
        if (p < m_end && (*p == '+' || *p == '-'))
            negative = *p++ == '-';
        const char* firstDigit = p;
        ReadDigits(p, value);
        MoveToSeparator(p);
        if (p == firstDigit)
            return otherwise;
        return negative ? 0u - value : value;
    }

private:
    // Where the current field starts: after the separator that ended the previous one, or the
    // end of the line when there was none.
    const char* Begin() const { return m_pos < m_end ? m_pos + 1 : m_end; }
    void ReadDigits(const char*& p, std::uint64_t& value) const {
        for (; p < m_end && IsDigit(*p); ++p)
            value = value * 10u + static_cast<std::uint64_t>(*p - '0');
    }
    void MoveToSeparator(const char* p) {
        while (p < m_end && *p != m_separator)
            ++p;
        m_pos = p;
    }

    const char* m_pos = nullptr; // the separator before the current field, or the line end
    const char* m_end = nullptr;
    char m_separator = 0;
};

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
    EventFields fields;
    if (!fields.Start(line)) // the separator ends the running number
        return;
    durationMs = static_cast<std::uint32_t>(fields.Number());
    const std::uint64_t rel = fields.Number();
    const char sensor = fields.First();
    sensorFlags = sensor == 'B' || sensor == '1' ? SENSOR_B : SENSOR_A;
    valueMille = static_cast<std::uint32_t>(fields.Number());
    const char mark = fields.First();
    feedback = mark == 'V' ? 2 : mark == 'L' ? 1 : 0;
    const auto ms = static_cast<std::uint32_t>(fields.Number());
    if (fields.IsEmpty())
        kind = KIND_EVENT;
    batteryClass = static_cast<std::uint32_t>(fields.Number(3));

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
