#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Where the "DataMerger" settings come from. The program's settings store implements it; until
// one is installed every value takes its default.
class CMergerSettings {
public:
    virtual ~CMergerSettings() = default;
    // The number stored under name in the "DataMerger" settings, or nothing when it is missing.
    virtual std::optional<std::uint32_t> Number(const QString& name) const = 0;
};

// Installs the process-wide source of the settings (nullptr: defaults only). Not owned.
void SetMergerSettings(const CMergerSettings* settings);

// The gap thresholds of event preparation, in milliseconds.
struct CGaps {
    std::int32_t episodeMs = 3'000;    // "GapEpisode": end of one event to start of the next
    std::int32_t startMs = 32'400'000; // "GapStart": start-to-start gap that begins a night
    std::int32_t testMs = 20'000;      // "GapTest": window of test bursts at a night's ends

    // Reads the current settings.
    static CGaps Load();
};
