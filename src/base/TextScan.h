#pragma once

#include <QByteArrayView>

#include <cstdint>

// Reading numbers and fields out of 8-bit data-file text without allocating.

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

// Walks the LF-separated lines of a text; the last line needs no LF.
class LineReader {
public:
    explicit LineReader(QByteArrayView text) : m_text(text) {}

    bool AtEnd() const { return m_pos >= m_text.size(); }
    // The next line without its LF; empty at the end.
    QByteArrayView Next();
    // The text after the lines read so far.
    QByteArrayView Rest() const { return AtEnd() ? QByteArrayView() : m_text.sliced(m_pos); }

private:
    QByteArrayView m_text;
    qsizetype m_pos = 0;
};
