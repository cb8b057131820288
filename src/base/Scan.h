#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

// Reading numbers and fields out of texts the way C's scanf conversions do: leading blanks, an
// optional sign, then digits; anything after them is ignored.

// Reply fields, settings and header texts.

// The leading unsigned decimal number of text as C's "%u" reads it (blanks, an optional sign,
// digits, wrapping modulo 2^32); nothing when there is no digit.
std::optional<std::uint32_t> ScanUnsigned(QStringView text);
// "%hu": the same, truncated to 16 bits; 0 when there is no number.
std::uint16_t ScanUShort(QStringView text);
// "%d": nothing when there is no digit; values beyond 32 bits wrap.
std::optional<std::int32_t> ScanInt(QStringView text);
// "%X" without a sign: blanks, an optional "0x", hexadecimal digits in either case; nothing
// when there is no digit or the number does not fit into 32 bits.
std::optional<std::uint32_t> ScanHex(QStringView text);
// The value of a hexadecimal digit in either case, -1 for any other character.
int HexDigit(QChar c);
// One number at the start of text (after blanks), as the C scanner reads "%lf"; true only
// when a number was converted.
bool ScanOne(QStringView text, double& out);
// "%u.%u": (major << 16) + minor when both numbers are there, else 0.
std::int32_t ParseVersion(QStringView text);
// The characters from pos up to the next sep; pos moves behind the separator, or to -1 when
// none follows. A negative pos gives an empty text.
QString NextToken(const QString& text, qsizetype& pos, QChar sep);

// 8-bit data-file text, read without allocating.

// Result of reading a leading unsigned number.
struct ScannedNumber {
    std::uint64_t value = 0;
    bool ok = false;   // at least one digit was read
    qsizetype end = 0; // index after the last character read
};

// The leading number of text as C's "%llu" reads it: blanks, an optional sign, decimal digits,
// wrapping modulo 2^64. "%u" is the same truncated to 32 bits.
ScannedNumber ScanNumber(QByteArrayView text);

inline std::uint32_t ScanU32(QByteArrayView text, std::uint32_t otherwise = 0) {
    const ScannedNumber n = ScanNumber(text);
    return n.ok ? static_cast<std::uint32_t>(n.value) : otherwise;
}

inline std::uint64_t ScanU64(QByteArrayView text) {
    return ScanNumber(text).value;
}

// Walks the fields of one line split on a single separator character. Consecutive separators
// give empty fields; fields after the last one read as empty.
class FieldReader {
public:
    FieldReader(QByteArrayView line, char separator) : m_line(line), m_separator(separator) {}

    QByteArrayView Next();

private:
    QByteArrayView m_line;
    char m_separator;
    qsizetype m_pos = 0;
};

// Walks the lines of a text: an LF ends a line, and a CR just before it belongs to the line end
// (CR LF); the last line needs no LF.
class LineReader {
public:
    explicit LineReader(QByteArrayView text) : m_text(text) {}

    bool AtEnd() const { return m_pos >= m_text.size(); }
    // The next line without its LF or CR LF; empty at the end.
    QByteArrayView Next();
    // The text after the lines read so far.
    QByteArrayView Rest() const { return AtEnd() ? QByteArrayView() : m_text.sliced(m_pos); }

private:
    QByteArrayView m_text;
    qsizetype m_pos = 0;
};
