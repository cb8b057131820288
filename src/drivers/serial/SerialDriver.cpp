#include "drivers/serial/SerialDriver.h"

#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A serial port in raw mode, held exclusively. Reads wait with poll() for at most the read
// timeout.
class CSerialHandle : public CFtHandle {
public:
    CSerialHandle(int fd, QByteArray serial) : m_fd(fd), m_serial(std::move(serial)) {}
    ~CSerialHandle() override {
        // The exclusive mode belongs to the terminal, not to this descriptor: give it back.
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
    }

    void SetUsbParameters(std::uint32_t, std::uint32_t) override {}
    void PurgeRx() override { ::tcflush(m_fd, TCIFLUSH); }
    bool SetTimeouts(std::uint32_t readMs, std::uint32_t) override {
        m_readTimeout = readMs;
        return true;
    }
    bool Read(char* buffer, std::uint32_t size, std::uint32_t& count) override {
        count = 0;
        pollfd pfd{m_fd, POLLIN, 0};
        int ready = 0;
        do {
            ready = ::poll(&pfd, 1, static_cast<int>(m_readTimeout));
        } while (ready < 0 && errno == EINTR);
        if (ready < 0)
            return false;
        if (ready == 0)
            return true;
        const ssize_t got = ::read(m_fd, buffer, size);
        if (got < 0)
            return errno == EAGAIN || errno == EINTR;
        // A hang-up with nothing to read: the peer is gone.
        if (got == 0)
            return !(pfd.revents & (POLLHUP | POLLERR));
        count = static_cast<std::uint32_t>(got);
        return true;
    }
    void Write(const char* data, std::uint32_t size) override {
        while (size > 0) {
            const ssize_t put = ::write(m_fd, data, size);
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0 && errno == EAGAIN) {
                pollfd pfd{m_fd, POLLOUT, 0};
                if (::poll(&pfd, 1, 100) <= 0)
                    return;
                continue;
            }
            if (put <= 0)
                return;
            data += put;
            size -= static_cast<std::uint32_t>(put);
        }
    }
    bool ReadEeprom(FtEepromX&, FtEepromStrings& strings) override {
        strings = {QByteArrayLiteral("Kelvora GmbH"), QByteArrayLiteral("Vareriz-Ezu"), m_serial};
        return true;
    }
    bool ProgramEeprom(const FtEepromX&, const FtEepromStrings&) override { return false; }

private:
    int m_fd;
    QByteArray m_serial;
    std::uint32_t m_readTimeout = 300;
};

FtOpenError OpenError(int error) {
    switch (error) {
    case EBUSY:
        return FtOpenError::Busy;
    case EACCES:
    case EPERM:
        return FtOpenError::NoAccess;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return FtOpenError::Gone;
    default:
        return FtOpenError::Failed;
    }
}

} // namespace

CSerialDriver::CSerialDriver(const QString& portList) {
    for (const QString& entry : portList.split(u':', Qt::SkipEmptyParts)) {
        const qsizetype at = entry.lastIndexOf(u'@');
        Port port;
        port.path = at >= 0 ? entry.left(at) : entry;
        port.serial = at >= 0 ? entry.mid(at + 1).toLocal8Bit()
                              : QFileInfo(port.path).fileName().toLocal8Bit();
        if (!port.path.isEmpty())
            m_ports.append(port);
    }
}

CSerialDriver CSerialDriver::FromEnvironment() {
    return CSerialDriver(qEnvironmentVariable("KELVORA_SERIAL_PORTS"));
}

QList<std::uint32_t> CSerialDriver::DeviceTypes() {
    return QList<std::uint32_t>(m_ports.size(), FT_DEVICE_X_SERIES);
}

std::unique_ptr<CFtHandle> CSerialDriver::Open(int index, FtOpenError& error) {
    error = FtOpenError::Gone;
    if (index < 0 || index >= m_ports.size())
        return nullptr;
    const QByteArray path = QFile::encodeName(m_ports[index].path);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = OpenError(errno);
        return nullptr;
    }
    // One program at a time: two would read each other's replies. The advisory lock keeps out
    // every program that locks as well (also one run by root, which TIOCEXCL lets through);
    // TIOCEXCL keeps out other programs that open the terminal.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK ? FtOpenError::Busy : FtOpenError::Failed;
        ::close(fd);
        return nullptr;
    }
    if (::ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY) {
        error = FtOpenError::Failed;
        ::close(fd);
        return nullptr;
    }
    error = FtOpenError::None;
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        ::cfsetispeed(&tio, B115200);
        ::cfsetospeed(&tio, B115200);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    ::tcflush(fd, TCIFLUSH);
    return std::make_unique<CSerialHandle>(fd, m_ports[index].serial);
}
