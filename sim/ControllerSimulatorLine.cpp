#include "sim/ControllerSimulatorPrivate.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

void ControllerSimulator::Impl::closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool ControllerSimulator::Impl::openLine(QString *error)
{
    int m = -1;
    int s = -1;
    if (::openpty(&m, &s, nullptr, nullptr, nullptr) != 0) {
        if (error)
            *error = QStringLiteral("openpty: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // Raw line: no echo of the request back to the program, no CR/LF translation, 8 bits.
    termios settings{};
    ::tcgetattr(s, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(s, TCSANOW, &settings);
    ::fcntl(m, F_SETFD, FD_CLOEXEC);
    ::fcntl(s, F_SETFD, FD_CLOEXEC);
    ::fcntl(m, F_SETFL, ::fcntl(m, F_GETFL) | O_NONBLOCK);
    char name[256] = {};
    if (::ptsname_r(m, name, sizeof name) != 0) {
        if (error)
            *error = QStringLiteral("ptsname: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        ::close(m);
        ::close(s);
        return false;
    }
    master = m;
    slave = s;
    slavePath = QString::fromLocal8Bit(name);
    applyLineSpeedLocked(baud.load());
    return true;
}

// A pseudo-terminal paces nothing itself; its speed tells the program the pace kept here: the
// controller's 9600 baud, or 0 (none) for any other.
void ControllerSimulator::Impl::applyLineSpeedLocked(int rate)
{
    if (slave < 0)
        return;
    termios settings{};
    if (::tcgetattr(slave, &settings) != 0)
        return;
    const speed_t speed = rate == 9600 ? B9600 : B0;
    ::cfsetispeed(&settings, speed);
    ::cfsetospeed(&settings, speed);
    ::tcsetattr(slave, TCSANOW, &settings);
}

void ControllerSimulator::Impl::closeLineLocked()
{
    closeFd(master);
    closeFd(slave);
}

// The line goes away as an unplugged adapter does: the device closed and its name gone, so the
// program can neither reach the old device nor find a stale name pointing at a reused pty.
void ControllerSimulator::Impl::dropLineLocked()
{
    closeLineLocked();
    if (!linkPath.isEmpty())
        ::unlink(QFile::encodeName(linkPath).constData());
}

// Points the link path at the current slave: a new link under a temporary name renamed over the
// old one, so a program opening the path sees either the old device or the new one, never none.
bool ControllerSimulator::Impl::pointLink(QString *error)
{
    if (linkPath.isEmpty())
        return true;
    const QByteArray target = QFile::encodeName(slavePath);
    const QByteArray link = QFile::encodeName(linkPath);
    const QByteArray temporary = link + ".new" + QByteArray::number(::getpid());
    ::unlink(temporary.constData());
    if (::symlink(target.constData(), temporary.constData()) != 0 ||
        ::rename(temporary.constData(), link.constData()) != 0) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(linkPath, QString::fromLocal8Bit(std::strerror(errno)));
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

void ControllerSimulator::Impl::startThread()
{
    stopping = false;
    thread = std::thread([this] { serve(); });
}

void ControllerSimulator::Impl::stopThread()
{
    if (!thread.joinable())
        return;
    stopping = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wakeFd, &one, sizeof one);
    thread.join();
    std::uint64_t drained = 0;
    [[maybe_unused]] const auto read = ::read(wakeFd, &drained, sizeof drained);
    stopping = false;
}

// Waits without spinning; false when the simulator is being stopped meanwhile.
bool ControllerSimulator::Impl::waitUntil(Clock::time_point deadline) const
{
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline)
            return !stopping;
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now);
        const timespec timeout{static_cast<time_t>(left.count() / 1'000'000'000),
                               static_cast<long>(left.count() % 1'000'000'000)};
        pollfd wake{wakeFd, POLLIN, 0};
        const int r = ::ppoll(&wake, 1, &timeout, nullptr);
        if (r > 0 || stopping)
            return false;
    }
}
