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

// Reads up to maxBytes + 1 bytes, so that a file longer than allowed is noticed. The buffer
// is reserved for sizeHint bytes (the size the file system reports) and one more, so that a
// file that keeps its size is read without copying the buffer on the way.
FileContent ReadLimited(QFile& file, qint64 maxBytes, qint64 sizeHint) {
    FileContent content;
    constexpr qint64 kChunk = 1 << 16;
    content.bytes.reserve(std::clamp<qint64>(sizeHint, 0, maxBytes) + 1);
    while (true) {
        const qint64 room = maxBytes + 1 - content.bytes.size();
        if (room <= 0) {
            content.bytes.clear();
            content.error = FileReadError::TooLarge;
            return content;
        }
        const qint64 old = content.bytes.size();
        const qint64 reserved = content.bytes.capacity() - old;
        const qint64 want = std::min(room, reserved > 0 ? reserved : kChunk);
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

// Opens a regular file for reading and tells its size as the file system reports it.
FileReadError OpenRegularFile(QFile& file, const QString& path, qint64& size) {
#ifdef Q_OS_UNIX
    // Opening a FIFO for reading would wait for a writer: open without waiting, then look at
    // what was opened (not at the name, which could change in between).
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return FileReadError::CannotOpen;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return FileReadError::NotAFile;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return FileReadError::CannotOpen;
    }
    size = info.st_size;
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return FileReadError::NotAFile;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return FileReadError::CannotOpen;
    size = info.size();
#endif
    return FileReadError::None;
}

// Exactly count bytes from offset; false when the file ends before or cannot be read.
bool ReadAt(QFile& file, qint64 offset, qint64 count, QByteArray& bytes) {
    bytes.resize(count);
    return file.seek(offset) && file.read(bytes.data(), count) == count;
}

} // namespace

FileContent ReadRegularFile(const QString& path, qint64 maxBytes) {
    QFile file;
    qint64 size = 0;
    if (const FileReadError error = OpenRegularFile(file, path, size); error != FileReadError::None)
        return {{}, error};
    return ReadLimited(file, maxBytes, size);
}

FileEnds ReadRegularFileEnds(const QString& path, qint64 maxBytes, qint64 endBytes) {
    QFile file;
    qint64 size = 0;
    FileEnds ends;
    ends.error = OpenRegularFile(file, path, size);
    if (ends.error != FileReadError::None)
        return ends;
    if (size > maxBytes) {
        ends.error = FileReadError::TooLarge;
        return ends;
    }
    if (size > 2 * endBytes && ReadAt(file, 0, endBytes, ends.head) &&
        ReadAt(file, size - endBytes, endBytes, ends.tail)) {
        ends.tailOffset = size - endBytes;
        return ends;
    }
    // A short file, or one that changed its size while read: read as a whole.
    ends.tail.clear();
    ends.tailOffset = -1;
    if (!file.seek(0)) {
        ends.error = FileReadError::ReadFailed;
        return ends;
    }
    FileContent whole = ReadLimited(file, maxBytes, size);
    ends.head = std::move(whole.bytes);
    ends.error = whole.error;
    return ends;
}
