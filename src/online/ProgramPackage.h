#pragma once

#include <QString>

#include <cstdint>

// The program's own update in a portable install (the program runs from a folder its user may
// write, as unpacked from the release zip): the package from the vendor server is unpacked into
// a staging folder beside the program, the running program is moved aside under its versioned
// name ("veltrum 4.6.0"), and the package's files take the places of the old ones.
//
// The package is checked whole before anything is unpacked: an entry with an absolute path, a
// ".." or empty component or a backslash, a link or any other special file, more than
// kMaxEntries entries or more than kMaxUnpacked bytes, or a package without the program itself
// is refused, and nothing changes. When the files cannot all be put in place, the old ones are
// put back. Either way the user is told why in the message box.
class CProgramPackage {
public:
    static constexpr int kMaxEntries = 1000;
    static constexpr qint64 kMaxUnpacked = 1024LL * 1024 * 1024;

    // zipPath: the downloaded package; programPath: the running program, in the folder that
    // receives the files.
    CProgramPackage(const QString& zipPath, const QString& programPath);

    // Whether the program at programPath can be replaced: its folder is writable. A program
    // installed by the system's package manager is not.
    static bool CanReplace(const QString& programPath);
    // The name under which the program replaced in version ownVersion is kept.
    static QString KeptProgramPath(const QString& programPath, std::uint64_t ownVersion);

    // Unpacks and puts the new files in place, keeping the running program (version
    // ownVersion) as KeptProgramPath. False after a message; then the program folder is as it
    // was.
    bool Install(std::uint64_t ownVersion);

private:
    // Unpacks into staging (an empty folder); an empty text, or the message that says why not.
    QString Unpack(const QString& staging) const;
    // Moves the unpacked files into the program folder; an empty text, or the message.
    QString PutInPlace(const QString& staging, const QString& keptProgram) const;

    QString m_strZip;
    QString m_strProgram;
    QString m_strFolder;
    QString m_strProgramName;
};
