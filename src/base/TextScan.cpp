#include "base/TextScan.h"

#include <cstring>

namespace {

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

ScannedNumber ScanNumber(QByteArrayView text) {
    ScannedNumber result;
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < size && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const qsizetype firstDigit = i;
    std::uint64_t value = 0;
    while (i < size && text[i] >= '0' && text[i] <= '9')
        value = value * 10u + static_cast<std::uint64_t>(text[i++] - '0');
    if (i == firstDigit)
        return result;
    result.value = negative ? 0u - value : value;
    result.ok = true;
    result.end = i;
    return result;
}

QByteArrayView FieldReader::Next() {
    if (m_pos > m_line.size())
        return {};
    const char* begin = m_line.data() + m_pos;
    const auto rest = static_cast<std::size_t>(m_line.size() - m_pos);
    const void* hit = rest ? std::memchr(begin, m_separator, rest) : nullptr;
    const qsizetype length = hit ? static_cast<const char*>(hit) - begin : m_line.size() - m_pos;
    m_pos += length + 1;
    return QByteArrayView(begin, length);
}

QByteArrayView LineReader::Next() {
    if (AtEnd())
        return {};
    const char* begin = m_text.data() + m_pos;
    const auto rest = static_cast<std::size_t>(m_text.size() - m_pos);
    const void* hit = std::memchr(begin, '\n', rest);
    const qsizetype length = hit ? static_cast<const char*>(hit) - begin : m_text.size() - m_pos;
    m_pos += length + 1;
    return QByteArrayView(begin, length);
}
