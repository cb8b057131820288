#include "base/Scan.h"

#include <QLocale>

#include <cstring>

std::optional<std::int32_t> ScanInt(QStringView text) {
    const auto value = ScanUnsigned(text);
    if (!value)
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

std::optional<std::uint32_t> ScanHex(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    if (text.sliced(i).startsWith(u"0x", Qt::CaseInsensitive) && i + 2 < text.size() &&
        HexDigit(text[i + 2]) >= 0)
        i += 2;
    const qsizetype first = i;
    std::uint64_t value = 0;
    for (; i < text.size() && HexDigit(text[i]) >= 0; ++i) {
        value = value * 16 + static_cast<std::uint64_t>(HexDigit(text[i]));
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    if (i == first)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

bool ScanOne(QStringView text, double& out) {
    // The longest prefix after blanks that reads as a number, like strtod.
    qsizetype start = 0;
    while (start < text.size() && text[start].isSpace())
        ++start;
    for (qsizetype end = text.size(); end > start; --end) {
        bool ok = false;
        const double value = QLocale::c().toDouble(text.sliced(start, end - start), &ok);
        if (ok) {
            out = value;
            return true;
        }
    }
    return false;
}

std::int32_t ParseVersion(QStringView text) {
    const auto major = ScanUnsigned(text);
    if (!major)
        return 0;
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
        ++i;
    if (i >= text.size() || text[i] != u'.')
        return 0;
    const auto minor = ScanUnsigned(text.mid(i + 1));
    if (!minor)
        return 0;
    return static_cast<std::int32_t>((*major << 16) + *minor);
}

std::optional<std::uint32_t> ScanUnsigned(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    const qsizetype firstDigit = i;
    std::uint32_t value = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
        value = value * 10u + static_cast<std::uint32_t>(text[i++].unicode() - u'0');
    if (i == firstDigit)
        return std::nullopt;
    return negative ? 0u - value : value;
}

std::uint16_t ScanUShort(QStringView text) {
    return static_cast<std::uint16_t>(ScanUnsigned(text).value_or(0));
}

QString NextToken(const QString& text, qsizetype& pos, QChar sep) {
    if (pos < 0)
        return QString();
    const qsizetype end = text.indexOf(sep, pos);
    QString token;
    if (end < 0) {
        token = text.mid(pos);
        pos = -1;
    } else {
        token = text.mid(pos, end - pos);
        pos = end + 1;
    }
    return token;
}

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
    const bool crLf = hit && length > 0 && begin[length - 1] == '\r';
    return QByteArrayView(begin, crLf ? length - 1 : length);
}
