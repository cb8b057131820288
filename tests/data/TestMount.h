#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/mount.h>

// A file system of its own, mounted on a folder for the length of a test: a small tmpfs to fill,
// or a read-only one (the only folder root cannot write into). Mounting needs root
// (CAP_SYS_ADMIN); Mounted() tells whether it worked, so that a test can skip without it.
class CTmpfs {
public:
    CTmpfs(const QString& folder, const char* options, unsigned long flags = 0)
        : m_folder(QFile::encodeName(folder)) {
        m_mounted = ::mount("tmpfs", m_folder.constData(), "tmpfs", flags, options) == 0;
    }
    ~CTmpfs() { Unmount(); }
    CTmpfs(const CTmpfs&) = delete;
    CTmpfs& operator=(const CTmpfs&) = delete;

    bool Mounted() const { return m_mounted; }
    void Unmount() {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
        m_mounted = false;
    }

private:
    QByteArray m_folder;
    bool m_mounted = false;
};
