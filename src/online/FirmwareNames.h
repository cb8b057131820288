#pragma once

#include <QString>

#include <cstdint>

// The names under which the vendor server keeps firmware images: a family per target and
// hardware variant, and the file name of one version of a family.

// The charger's family: "VarerizEzu" for variant 0, "TRM_%u" for odd variants, else
// "VorozizEvu_%u".
QString ChargerFirmwareFamily(std::int32_t hwVariant);
// The module's family: "Kelvora" for variant 0, else "Kelvora_%u".
QString ModuleFirmwareFamily(std::int32_t hwVariant);
// "major.minor" of a firmware version (major << 16) + minor.
QString FirmwareVersionText(std::uint32_t version);
// "%s_%d.%d.a43": the image of that version of the family.
QString FirmwareFileName(const QString& family, std::uint32_t version);
