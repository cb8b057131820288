#pragma once

#include <QByteArray>
#include <QString>

// Why a file could not be read.
enum class FileReadError {
    None,
    CannotOpen, // missing, or no permission
    NotAFile,   // a folder, FIFO, device or socket
    TooLarge,   // more than the allowed number of bytes
    ReadFailed, // an I/O error while reading
};

struct FileContent {
    QByteArray bytes;
    FileReadError error = FileReadError::None;
    bool ok() const { return error == FileReadError::None; }
};

// Reads a regular file of at most maxBytes bytes. Anything else (a FIFO, a device, a folder) is
// refused without waiting for data, and the limit holds while reading, whatever size the file
// system reports, so a FIFO or a link to /dev/zero can neither hang nor exhaust memory.
FileContent ReadRegularFile(const QString& path, qint64 maxBytes);

// The first and the last endBytes bytes of a regular file of at most maxBytes bytes, refused
// as ReadRegularFile refuses what it does not read. A file of up to 2 * endBytes bytes (or one
// that changes its size on the way) is read whole into head.
struct FileEnds {
    QByteArray head;
    QByteArray tail;
    qint64 tailOffset = -1; // where tail starts in the file; -1: head is the whole file
    FileReadError error = FileReadError::None;
    bool ok() const { return error == FileReadError::None; }
};
FileEnds ReadRegularFileEnds(const QString& path, qint64 maxBytes, qint64 endBytes);
