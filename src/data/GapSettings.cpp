#include "data/GapSettings.h"

#include <algorithm>

namespace {

const CMergerSettings* g_settings = nullptr;

// A setting in seconds as milliseconds; values too large for the 32-bit field are capped.
std::int32_t ReadMs(const QString& name, std::int32_t defaultMs) {
    if (!g_settings)
        return defaultMs;
    const std::optional<std::uint32_t> seconds = g_settings->Number(name);
    if (!seconds)
        return defaultMs;
    return static_cast<std::int32_t>(
        std::min<std::uint64_t>(std::uint64_t{*seconds} * 1000, INT32_MAX));
}

} // namespace

void SetMergerSettings(const CMergerSettings* settings) {
    g_settings = settings;
}

CGaps CGaps::Load() {
    const CGaps defaults;
    return {ReadMs(QStringLiteral("GapEpisode"), defaults.episodeMs),
            ReadMs(QStringLiteral("GapStart"), defaults.startMs),
            ReadMs(QStringLiteral("GapTest"), defaults.testMs)};
}
