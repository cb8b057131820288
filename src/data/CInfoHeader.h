#pragma once

#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>

// The header of a data file or of a download reply: download time, device, the device's
// time base and memory counters, and the battery table.
class CInfoHeader {
public:
    static constexpr int kMaxBattery = 64;

    std::int64_t downloadTime = 0; // seconds since 1970 UTC
    std::uint32_t relNow = 0;      // device seconds counter at the download
    std::int32_t clockOffset = 0;  // seconds between the downloading computer's clock and ours
    std::uint32_t relAux = 0;
    std::uint32_t relWrap = UINT32_MAX; // device counter wrap value
    QString id;
    QString version;
    char separator = '\t';
    bool hasMotor = false;
    bool restoredData = false; // the device rebuilt its memory; times may be misassigned
    bool valid = false;        // "ID" and "Version" were found
    std::uint32_t total = 0;
    std::uint32_t used = 0;
    std::uint32_t replaced = 0;
    std::array<std::array<std::uint32_t, kMaxBattery>, 3> battery{};
    int batteryCount = 0;
    std::uint32_t batteryStart = 0;
    std::uint32_t batteryInterval = 0;

    void Reset() { *this = CInfoHeader(); }
    // Header of a data file (8-bit text with LF or CR LF line ends, without double quotes).
    // Returns where the header ended: after the column line or the battery table, after the
    // "ID" and "Version" lines when one is missing, the text's size when the text ended first.
    qsizetype ParseText(QByteArrayView text);
    // Header of a fresh download reply: separator tab, no clock offset.
    void ParseReplyHeader(std::int64_t time, const QString& text);
    // (major << 16) + minor of "major.minor"; 0 when the version has another form.
    std::uint32_t VersionNumber() const;

private:
    void ComputeClockOffset(QByteArrayView dateTime);
    qsizetype WalkHeaderLines(QByteArrayView text, qsizetype start);
};
