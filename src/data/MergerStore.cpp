#include "data/MergerStore.h"

#include "base/Reg.h"

std::optional<std::uint32_t> CRegMergerSettings::Number(const QString& name) const {
    CRegDM key;
    if (!key.IsOpen())
        return std::nullopt;
    return key.ReadDwordOr(name, CRegDM::DefaultOf(name));
}
