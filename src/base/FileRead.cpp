#include "base/FileRead.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Reads up to maxBytes + 1 bytes, so that a file longer than allowed is noticed.
FileContent ReadLimited(QFile& file, qint64 maxBytes) {
    FileContent content;
    constexpr qint64 kChunk = 1 << 16;
    while (true) {
        const qint64 room = maxBytes + 1 - content.bytes.size();
        if (room <= 0) {
            content.bytes.clear();
            content.error = FileReadError::TooLarge;
            return content;
        }
        const qint64 old = content.bytes.size();
        const qint64 want = std::min(room, kChunk);
        content.bytes.resize(old + want);
        const qint64 got = file.read(content.bytes.data() + old, want);
        if (got < 0) {
            content.bytes.clear();
            content.error = FileReadError::ReadFailed;
            return content;
        }
        content.bytes.truncate(old + got);
        if (got == 0)
            return content;
    }
}

} // namespace

FileContent ReadRegularFile(const QString& path, qint64 maxBytes) {
    QFile file(path);
#ifdef Q_OS_UNIX
    // Opening a FIFO for reading would wait for a writer: open without waiting, then look at
    // what was opened (not at the name, which could change in between).
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {{}, FileReadError::CannotOpen};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {{}, FileReadError::NotAFile};
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {{}, FileReadError::CannotOpen};
    }
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return {{}, FileReadError::NotAFile};
    if (!file.open(QIODevice::ReadOnly))
        return {{}, FileReadError::CannotOpen};
#endif
    return ReadLimited(file, maxBytes);
}
