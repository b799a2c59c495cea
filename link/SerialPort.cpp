#include "link/SerialPort.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

SerialPort::~SerialPort() { close(); }

SerialPort::OpenError SerialPort::open(const QString &devicePath)
{
    close();
    const QByteArray path = devicePath.toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return OpenError::Open;
    // Exclusive use, as the controller's port is never shared: a second opener (this program or
    // another) is refused while we hold it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !::isatty(fd)) {
        ::close(fd);
        return OpenError::Open;
    }
    ::ioctl(fd, TIOCEXCL);

    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        ::close(fd);
        return OpenError::GetState;
    }
    // 9600 baud, 8 data bits, no parity, one stop bit; no line discipline (bytes pass unchanged).
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, B9600) != 0 || ::cfsetospeed(&tio, B9600) != 0 ||
        ::tcsetattr(fd, TCSANOW, &tio) != 0) {
        ::close(fd);
        return OpenError::SetState;
    }
    fd_ = fd;
    return OpenError::None;
}

void SerialPort::close()
{
    if (fd_ >= 0) {
        // The exclusive flag belongs to the device, not to this descriptor: clear it, or the next
        // open of the same device is refused while anything else keeps it open.
        ::ioctl(fd_, TIOCNXCL);
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

void SerialPort::purge()
{
    if (fd_ >= 0)
        ::tcflush(fd_, TCIOFLUSH);
}

bool SerialPort::write(std::span<const std::uint8_t> bytes)
{
    if (fd_ < 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, 1000) <= 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL)))
                return false;
        } else if (!(n < 0 && errno == EINTR)) {
            return false;
        }
    }
    return true;
}

qsizetype SerialPort::readAvailable(std::span<std::uint8_t> buffer)
{
    if (fd_ < 0)
        return -1;
    if (buffer.empty())
        return 0;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN)
            return 0;
        return -1;
    }
}

bool SerialPort::waitForBytes(std::chrono::system_clock::time_point deadline)
{
    using namespace std::chrono;
    for (;;) {
        const auto now = system_clock::now();
        if (now >= deadline)
            return false;
        const auto left = duration_cast<milliseconds>(deadline - now).count() + 1;
        if (fd_ < 0) {
            std::this_thread::sleep_until(deadline);
            return false;
        }
        pollfd p{fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 60000)));
        if (r < 0 && errno == EINTR)
            continue;
        if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            // Hung up or in error: the line has gone. Wait out the reply time as a silent line does.
            std::this_thread::sleep_until(deadline);
            return false;
        }
        if (r > 0 && (p.revents & POLLIN))
            return true;
    }
}
