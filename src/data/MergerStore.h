#pragma once

#include "data/GapSettings.h"

// The gap settings of event preparation, read from the "DataMerger" key of the settings store.
// A missing value is written back with its default on first use.
class CRegMergerSettings : public CMergerSettings {
public:
    std::optional<std::uint32_t> Number(const QString& name) const override;
};
