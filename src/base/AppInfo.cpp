#include "base/AppInfo.h"

#include "base/Reg.h"
#include "base/Texts.h"
#include "base/veltrum_version.h"

#include <QCoreApplication>
#include <QFileInfo>

QString ProgramPath() {
    return QCoreApplication::applicationFilePath();
}

QString ProgramFolder() {
    return QCoreApplication::applicationDirPath();
}

std::uint64_t ProgramVersion() {
    return (std::uint64_t{VELTRUM_VERSION_MAJOR} << 32) +
           (std::uint64_t{VELTRUM_VERSION_MINOR} << 16) + std::uint64_t{VELTRUM_VERSION_BUILD};
}

QString VersionNumberText(std::uint64_t version) {
    return QStringLiteral("%1.%2.%3")
        .arg((version >> 32) & 0xFFFF)
        .arg((version >> 16) & 0xFFFF)
        .arg(version & 0xFFFF);
}

QString VersionDate() {
    return QString::fromUtf8(CurrentLanguage() == Language::German ? VELTRUM_VERSION_DATE_DE
                                                                   : VELTRUM_VERSION_DATE_EN);
}

QString VersionText() {
    return QStringLiteral("Veltrum Version %1\n%2")
        .arg(VersionNumberText(ProgramVersion()), VersionDate());
}

Language StartLanguage(const QString& localeName) {
    QString code;
    if (!CReg().ReadString(QString(), QStringLiteral("Language"), code))
        code = localeName;
    return LanguageForCode(code);
}
