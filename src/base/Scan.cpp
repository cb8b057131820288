#include "base/Scan.h"

#include "base/Texts.h"

std::optional<std::int32_t> ScanInt(QStringView text) {
    const auto value = ScanUnsigned(text);
    if (!value)
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
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
