#pragma once

#include <QString>

#include <cstdint>

// The program file, its folder and its version.

// Full path of the program file.
QString ProgramPath();
// The folder of the program file, without a trailing separator.
QString ProgramFolder();
// (major << 32) + (minor << 16) + build, e.g. 0x0004'0006'0000 for 4.6.0.
std::uint64_t ProgramVersion();
// "major.minor.build" of a version value.
QString VersionNumberText(std::uint64_t version);
// The release date of this version in the current language ("Sep. 14, 2020").
QString VersionDate();
// "Veltrum Version 4.6.0\nSep. 14, 2020", shown in the About box and the logo's tip.
QString VersionText();

enum class Language;
// The language of the user interface: the stored "Language" setting, or when there is none the
// language of the user's locale (e.g. "de_AT"); English for every language without texts.
Language StartLanguage(const QString& localeName);
