#pragma once

#include <QStringView>

#include <cstdint>
#include <optional>

// Reading numbers from reply fields the way C's scanf conversions do: leading blanks, an
// optional sign, then digits; anything after them is ignored.

// "%d": nothing when there is no digit; values beyond 32 bits wrap.
std::optional<std::int32_t> ScanInt(QStringView text);
// "%u.%u": (major << 16) + minor when both numbers are there, else 0.
std::int32_t ParseVersion(QStringView text);
