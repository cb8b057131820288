#include "online/FirmwareNames.h"

QString ChargerFirmwareFamily(std::int32_t hwVariant) {
    if (hwVariant == 0)
        return QStringLiteral("VarerizEzu");
    const auto variant = static_cast<std::uint32_t>(hwVariant);
    return ((variant & 1u) ? QStringLiteral("TRM_%1") : QStringLiteral("VorozizEvu_%1"))
        .arg(variant);
}

QString ModuleFirmwareFamily(std::int32_t hwVariant) {
    if (hwVariant == 0)
        return QStringLiteral("Kelvora");
    return QStringLiteral("Kelvora_%1").arg(static_cast<std::uint32_t>(hwVariant));
}

QString FirmwareVersionText(std::uint32_t version) {
    return QStringLiteral("%1.%2").arg(version >> 16).arg(version & 0xFFFFu);
}

QString FirmwareFileName(const QString& family, std::uint32_t version) {
    return family + u'_' + FirmwareVersionText(version) + QStringLiteral(".a43");
}
