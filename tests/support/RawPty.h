#pragma once

// A pseudo-terminal for the tests that play a charger on a serial line: the test reads and
// writes the master side (non-blocking); the slave side stays open in raw mode, so that the line
// discipline never echoes or translates between the opens of the program under test, which
// opens Path().

#include <QString>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

class RawPty {
public:
    RawPty() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        ::grantpt(m_master);
        ::unlockpt(m_master);
        m_path = QString::fromLocal8Bit(::ptsname(m_master));
        m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY);
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }
    ~RawPty() {
        ::close(m_slave);
        ::close(m_master);
    }
    RawPty(const RawPty&) = delete;
    RawPty& operator=(const RawPty&) = delete;

    int Master() const { return m_master; }
    QString Path() const { return m_path; }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};
