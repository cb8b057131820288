#pragma once

// Writes zip archives for tests with libzip, hostile ones included: any entry name as it
// stands, folders, links and other special files (by their Unix mode).

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <zip.h>

#include <sys/stat.h>

struct TestZipEntry {
    QByteArray name;
    QByteArray data;                // a link's target for a link
    unsigned mode = S_IFREG | 0644; // type and permissions
};

// False when the archive could not be written.
inline bool WriteTestZip(const QString& path, const QList<TestZipEntry>& entries) {
    int error = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return false;
    for (const TestZipEntry& entry : entries) {
        zip_int64_t index = -1;
        if (S_ISDIR(entry.mode)) {
            index = zip_dir_add(archive, entry.name.constData(), ZIP_FL_ENC_UTF_8);
        } else {
            // libzip keeps the bytes until the archive is written.
            zip_source_t* source =
                zip_source_buffer(archive, entry.data.constData(), entry.data.size(), 0);
            index = source ? zip_file_add(archive, entry.name.constData(), source, ZIP_FL_ENC_UTF_8)
                           : -1;
            if (index < 0 && source)
                zip_source_free(source);
        }
        if (index < 0 ||
            zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                             zip_uint32_t(entry.mode) << 16) != 0) {
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

inline QByteArray ReadTestFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
