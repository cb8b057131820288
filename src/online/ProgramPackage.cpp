#include "online/ProgramPackage.h"

#include "base/AppInfo.h"
#include "base/Texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSet>
#include <QTemporaryDir>

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include <sys/stat.h>

namespace {

constexpr qint64 kChunk = 64 * 1024;

// One entry of the package as it will be unpacked.
struct Entry {
    zip_uint64_t index = 0;
    QString path; // relative, '/'-separated, without a trailing '/'
    bool folder = false;
    bool executable = false;
    qint64 size = 0;
};

struct ZipCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct ZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

QString ErrnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Renames without copying and without leaving the file system: false with errno set.
bool Move(const QString& from, const QString& to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// Whether name is a relative path that stays inside the folder it is unpacked into.
bool StaysInside(const QString& name, QString& path, bool& folder) {
    if (name.isEmpty() || name.startsWith(u'/') || name.contains(u'\\'))
        return false;
    folder = name.endsWith(u'/');
    path = folder ? name.chopped(1) : name;
    const QStringList parts = path.split(u'/');
    for (const QString& part : parts) {
        if (part.isEmpty() || part == u"." || part == u"..")
            return false;
    }
    return true;
}

QString Refused(const QString& zip, const QString& reason) {
    return FormatText(TXT_PACKAGE_REFUSED, {QFileInfo(zip).fileName(), reason});
}

} // namespace

CProgramPackage::CProgramPackage(const QString& zipPath, const QString& programPath)
    : m_strZip(zipPath), m_strProgram(programPath),
      m_strFolder(QFileInfo(programPath).absolutePath()),
      m_strProgramName(QFileInfo(programPath).fileName()) {}

bool CProgramPackage::CanReplace(const QString& programPath) {
    return QFileInfo(QFileInfo(programPath).absolutePath()).isWritable();
}

QString CProgramPackage::KeptProgramPath(const QString& programPath, std::uint64_t ownVersion) {
    return programPath + u' ' + VersionNumberText(ownVersion);
}

bool CProgramPackage::Install(std::uint64_t ownVersion) {
    // The staging folder lies beside the program, on its file system, so that the files are
    // moved into place, never copied.
    QTemporaryDir staging(m_strFolder + QStringLiteral("/.veltrum-update-XXXXXX"));
    QString message;
    if (!staging.isValid())
        message = FormatText(TXT_PACKAGE_NOT_UNPACKED, {m_strFolder, staging.errorString()});
    else
        message = Unpack(staging.path());
    if (message.isEmpty())
        message = PutInPlace(staging.path(), KeptProgramPath(m_strProgram, ownVersion));
    if (message.isEmpty())
        return true;
    ShowMessage(message, MB_OK, LoadText(TXT_UPDATES));
    return false;
}

QString CProgramPackage::Unpack(const QString& staging) const {
    // Without libzip's strict check that local and central headers agree: the release zip
    // (written by libarchive) differs in their extra fields. Names, sizes and types come from the
    // central directory and are checked below; every entry's data is checked against its CRC
    // and its size as it is read.
    int error = 0;
    const std::unique_ptr<zip_t, ZipCloser> archive(
        zip_open(QFile::encodeName(m_strZip).constData(), ZIP_RDONLY, &error));
    if (!archive) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, error);
        const QString text = QString::fromLocal8Bit(zip_error_strerror(&reason));
        zip_error_fini(&reason);
        return Refused(m_strZip, FormatText(TXT_PACKAGE_DAMAGED, {text}));
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    const QString tooLarge =
        Refused(m_strZip, FormatText(TXT_PACKAGE_TOO_LARGE, {QString::number(kMaxEntries),
                                                             QString::number(kMaxUnpacked >> 20)}));
    if (count > kMaxEntries)
        return tooLarge;

    // Every entry is looked at before the first one is unpacked.
    QList<Entry> entries;
    QSet<QString> names;
    qint64 total = 0;
    bool hasProgram = false;
    for (zip_int64_t i = 0; i < count; ++i) {
        Entry entry;
        entry.index = static_cast<zip_uint64_t>(i);
        zip_stat_t stat;
        if (zip_stat_index(archive.get(), entry.index, 0, &stat) != 0 ||
            !(stat.valid & ZIP_STAT_NAME) || !(stat.valid & ZIP_STAT_SIZE))
            return Refused(m_strZip, FormatText(TXT_PACKAGE_DAMAGED,
                                                {QString::fromUtf8(zip_strerror(archive.get()))}));
        const QString name = QString::fromUtf8(stat.name);
        if (!StaysInside(name, entry.path, entry.folder))
            return Refused(m_strZip, FormatText(TXT_PACKAGE_OUTSIDE, {name}));
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        zip_file_get_external_attributes(archive.get(), entry.index, 0, &system, &attributes);
        if (system == ZIP_OPSYS_UNIX) {
            const mode_t mode = attributes >> 16;
            const mode_t type = mode & S_IFMT;
            if (type != 0 && type != S_IFREG && type != S_IFDIR)
                return Refused(m_strZip, FormatText(TXT_PACKAGE_SPECIAL, {name}));
            entry.folder = entry.folder || type == S_IFDIR;
            entry.executable = (mode & 0111) != 0;
        }
        if (names.contains(entry.path))
            return Refused(m_strZip, FormatText(TXT_PACKAGE_DAMAGED, {name}));
        names.insert(entry.path);
        entry.size = static_cast<qint64>(std::min<zip_uint64_t>(stat.size, kMaxUnpacked + 1));
        total += entry.size;
        if (total > kMaxUnpacked)
            return tooLarge;
        if (!entry.folder && entry.path == m_strProgramName) {
            hasProgram = true;
            entry.executable = true; // whatever the packer recorded, the program must start
        }
        entries.append(entry);
    }
    if (!hasProgram)
        return Refused(m_strZip, FormatText(TXT_PACKAGE_NO_PROGRAM, {m_strProgramName}));

    const QDir root(staging);
    const auto failed = [&](const QString& reason) {
        return FormatText(TXT_PACKAGE_NOT_UNPACKED, {staging, reason});
    };
    QByteArray buffer(kChunk, Qt::Uninitialized);
    for (const Entry& entry : entries) {
        const QString target = root.filePath(entry.path);
        if (entry.folder) {
            if (!root.mkpath(entry.path))
                return failed(entry.path);
            continue;
        }
        if (!root.mkpath(QFileInfo(entry.path).path()))
            return failed(entry.path);
        // A new file only: nothing that exists (a link least of all) is written through.
        QFile out(target);
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return failed(entry.path + QStringLiteral(": ") + out.errorString());
        const std::unique_ptr<zip_file_t, ZipFileCloser> in(
            zip_fopen_index(archive.get(), entry.index, 0));
        if (!in)
            return Refused(m_strZip, FormatText(TXT_PACKAGE_DAMAGED,
                                                {QString::fromUtf8(zip_strerror(archive.get()))}));
        qint64 unpacked = 0;
        for (;;) {
            const zip_int64_t read = zip_fread(in.get(), buffer.data(), kChunk);
            if (read < 0)
                return Refused(m_strZip,
                               FormatText(TXT_PACKAGE_DAMAGED,
                                          {QString::fromUtf8(zip_file_strerror(in.get()))}));
            if (read == 0)
                break;
            unpacked += read;
            // Never more than the entry said it holds.
            if (unpacked > entry.size)
                return tooLarge;
            if (out.write(buffer.constData(), read) != read)
                return failed(entry.path + QStringLiteral(": ") + out.errorString());
        }
        if (unpacked != entry.size)
            return Refused(m_strZip, FormatText(TXT_PACKAGE_DAMAGED, {entry.path}));
        QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ReadGroup | QFileDevice::ReadOther;
        if (entry.executable)
            permissions |= QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
        if (!out.flush() || !out.setPermissions(permissions))
            return failed(entry.path + QStringLiteral(": ") + out.errorString());
        out.close();
        if (out.error() != QFileDevice::NoError)
            return failed(entry.path + QStringLiteral(": ") + out.errorString());
    }
    return QString();
}

QString CProgramPackage::PutInPlace(const QString& staging, const QString& keptProgram) const {
    // The files of the program folder that the package replaces wait here until the new ones
    // are all in place.
    QTemporaryDir replaced(m_strFolder + QStringLiteral("/.veltrum-old-XXXXXX"));
    if (!replaced.isValid())
        return FormatText(TXT_PACKAGE_NOT_UNPACKED, {m_strFolder, replaced.errorString()});
    const QDir folder(m_strFolder);
    const QDir fresh(staging);
    const QDir old(replaced.path());

    // A file of the kept name from an earlier update goes first.
    if (QFileInfo::exists(keptProgram) && !QFile::remove(keptProgram))
        return FormatText(TXT_PACKAGE_RESTORED, {keptProgram});
    if (!Move(m_strProgram, keptProgram))
        return FormatText(TXT_PACKAGE_RESTORED,
                          {m_strProgram + QStringLiteral(": ") + ErrnoText()});

    QStringList movedAside;
    QStringList movedIn;
    QString failure;
    const QStringList names =
        fresh.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QString target = folder.filePath(name);
        if (QFileInfo(target).exists() || QFileInfo(target).isSymLink()) {
            if (!Move(target, old.filePath(name))) {
                failure = target + QStringLiteral(": ") + ErrnoText();
                break;
            }
            movedAside << name;
        }
        if (!Move(fresh.filePath(name), target)) {
            failure = target + QStringLiteral(": ") + ErrnoText();
            break;
        }
        movedIn << name;
    }
    if (failure.isEmpty())
        return QString();

    // Back as it was, in reverse order; what cannot be put back is named.
    QStringList lost;
    for (const QString& name : std::as_const(movedIn)) {
        if (!Move(folder.filePath(name), fresh.filePath(name)))
            lost << folder.filePath(name);
    }
    for (const QString& name : std::as_const(movedAside)) {
        if (!Move(old.filePath(name), folder.filePath(name))) {
            lost << folder.filePath(name);
            replaced.setAutoRemove(false); // the old file stays there rather than nowhere
        }
    }
    if (!Move(keptProgram, m_strProgram))
        lost << m_strProgram;
    if (lost.isEmpty())
        return FormatText(TXT_PACKAGE_RESTORED, {failure});
    return FormatText(TXT_PACKAGE_NOT_RESTORED, {failure, lost.join(QStringLiteral(", ")),
                                                 QDir::toNativeSeparators(m_strFolder)});
}
