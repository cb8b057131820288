#include "data/CInfoHeader.h"

#include "base/AnsiCodec.h"
#include "base/Scan.h"
#include "data/NameIndex.h"

#include <QDateTime>

namespace {

constexpr std::int32_t kDaySeconds = 24 * 3600;

// strtok-like: skips leading delimiters, then takes the text up to the next delimiter.
QByteArrayView NextToken(QByteArrayView& rest, char delimiter) {
    qsizetype i = 0;
    while (i < rest.size() && rest[i] == delimiter)
        ++i;
    qsizetype end = i;
    while (end < rest.size() && rest[end] != delimiter)
        ++end;
    const QByteArrayView token = rest.sliced(i, end - i);
    rest = rest.sliced(end < rest.size() ? end + 1 : end);
    return token;
}

// C's "%d": blanks, an optional sign and at least one digit.
bool ScanInt(QByteArrayView text, int& value) {
    const ScannedNumber n = ScanNumber(text);
    value = static_cast<int>(static_cast<std::int64_t>(n.value));
    return n.ok;
}

} // namespace

qsizetype CInfoHeader::ParseText(QByteArrayView text) {
    Reset();
    qsizetype first = 0;
    while (first < text.size() && text[first] != ';' && text[first] != ',' && text[first] != '\t')
        ++first;
    if (first == text.size())
        return text.size();
    separator = text[first];

    LineReader lines(text);
    FieldReader fields(lines.Next(), separator);
    const QByteArrayView dateTime = fields.Next();
    downloadTime = static_cast<std::int64_t>(ScanU64(fields.Next()));
    if (downloadTime != 0)
        ComputeClockOffset(dateTime);
    return WalkHeaderLines(text, text.size() - lines.Rest().size());
}

void CInfoHeader::ParseReplyHeader(std::int64_t time, const QString& text) {
    Reset();
    downloadTime = time;
    WalkHeaderLines(ToAnsi(text), 0);
}

std::uint32_t CInfoHeader::VersionNumber() const {
    const QByteArray text = version.toLatin1();
    const ScannedNumber major = ScanNumber(text);
    if (!major.ok || major.end >= text.size() || text[major.end] != '.')
        return 0;
    const ScannedNumber minor = ScanNumber(QByteArrayView(text).sliced(major.end + 1));
    if (!minor.ok)
        return 0;
    return (static_cast<std::uint32_t>(major.value) << 16) +
           static_cast<std::uint32_t>(minor.value);
}

// Line 1 shows the download time as the local wall-clock time of the computer that made the
// download ("09.12.2026 21:37:12" or "12/9/2026 9:37:12 PM"). The difference of its hours and
// minutes to our local time of the same instant keeps events at that computer's wall-clock
// times.
void CInfoHeader::ComputeClockOffset(QByteArrayView dateTime) {
    QByteArrayView rest = dateTime;
    const QByteArrayView date = NextToken(rest, ' ');
    const QByteArrayView hoursText = NextToken(rest, ':');
    const QByteArrayView minutesText = NextToken(rest, ':');
    const QByteArrayView secondsText = NextToken(rest, ' ');
    const QByteArray marker = NextToken(rest, ' ').toByteArray().toUpper();
    int hours = 0;
    int minutes = 0;
    if (date.isEmpty() || hoursText.isEmpty() || minutesText.isEmpty() || secondsText.isEmpty() ||
        !ScanInt(hoursText, hours) || !ScanInt(minutesText, minutes))
        return;
    if (marker == "AM" && hours == 12)
        hours = 0;
    else if (marker == "PM" && hours < 12)
        hours += 12;
    const QTime local = QDateTime::fromSecsSinceEpoch(downloadTime).time();
    const std::int64_t offset = (std::int64_t{hours} * 3600 + std::int64_t{minutes} * 60) -
                                (local.hour() * 3600 + local.minute() * 60);
    // Hours and minutes alone cannot tell the day: a download just before midnight elsewhere
    // would otherwise move every event by almost a day.
    std::int64_t wrapped = offset % kDaySeconds;
    if (wrapped > kDaySeconds / 2)
        wrapped -= kDaySeconds;
    else if (wrapped < -kDaySeconds / 2)
        wrapped += kDaySeconds;
    clockOffset = static_cast<std::int32_t>(wrapped);
}

qsizetype CInfoHeader::WalkHeaderLines(QByteArrayView text, qsizetype start) {
    LineReader lines(text.sliced(start));
    const auto end = [&] { return text.size() - lines.Rest().size(); };
    const auto keyValue = [this](QByteArrayView line, const char* key) {
        FieldReader fields(line, separator);
        return fields.Next() == QByteArrayView(key) ? fields.Next() : QByteArrayView();
    };
    id = CleanFolderName(FromAnsi(keyValue(lines.Next(), "ID")));
    version = FromAnsi(keyValue(lines.Next(), "Version"));
    if (id.isEmpty() || version.isEmpty())
        return end();

    while (!lines.AtEnd()) {
        FieldReader fields(lines.Next(), separator);
        const QByteArrayView key = fields.Next();
        if (key == "Index")
            break;
        if (key == "Akkuspannung [mV]") {
            fields.Next();
            fields.Next();
            batteryStart = ScanU32(fields.Next());
            batteryInterval = ScanU32(fields.Next());
            if (batteryInterval == 0)
                batteryInterval = 7200;
            while (batteryCount < kMaxBattery && !lines.AtEnd()) {
                FieldReader values(lines.Next(), separator);
                const std::uint32_t first = ScanU32(values.Next());
                if (first == 0)
                    break;
                battery[0][batteryCount] = first;
                battery[1][batteryCount] = ScanU32(values.Next());
                battery[2][batteryCount] = ScanU32(values.Next());
                ++batteryCount;
            }
            break;
        }
        const std::uint32_t number = ScanU32(fields.Next());
        if (key == "Motor") {
            hasMotor = number == 2;
        } else if (key == "Rel. Zeit" || key == "Wiederhergestellt") {
            relNow = number;
            relWrap = ScanU32(fields.Next());
            relAux = ScanU32(fields.Next());
            restoredData = key.startsWith('W');
        } else if (key == "Total") {
            total = number;
        } else if (key == "Benutzt") {
            used = number;
        } else if (key == "Ersetzt") {
            replaced = number;
        }
    }
    valid = true;
    return end();
}
