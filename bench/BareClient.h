#pragma once
// The barest client of the test line: one raw termios file that writes an "R" request and polls
// and reads until LF, nothing else. Its rate through the controller simulator is the floor of what
// any program can reach on this pseudo-terminal: what the pseudo-terminal and the simulator's
// pacing cost is no part of the program. Its CPU time per exchange is the least a link thread can
// spend on one.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <chrono>
#include <cstddef>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace bench {

struct BareClientFigures {
    double exchangesPerSecond = 0;
    double cpuSecondsPerExchange = 0;
};

namespace bareclient {

// "R" of the word at 600E60: 15 request bytes, 11 reply bytes.
inline const QByteArray kRequest = QByteArrayLiteral("\x05 R00600E60F3\r\n");
inline constexpr int kExchangeBytes = 26;

inline bool exchange(int fd)
{
    if (::write(fd, kRequest.constData(), static_cast<size_t>(kRequest.size())) != kRequest.size())
        return false;
    char reply[64];
    std::size_t received = 0;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 2000) <= 0)
            return false;
        const ssize_t n = ::read(fd, reply + received, sizeof reply - received);
        if (n <= 0)
            return false;
        received += static_cast<std::size_t>(n);
        if (reply[received - 1] == '\n')
            return true;
        if (received == sizeof reply)
            return false;
    }
}

inline double threadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

} // namespace bareclient

// `exchanges` "R" exchanges on `device` (the simulator's side for the program), timed after one
// that wakes everything up. Nothing when the device would not open or an exchange failed.
inline std::optional<BareClientFigures> measureBareClient(const QString &device, int exchanges)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios raw{};
    if (fd < 0)
        return std::nullopt;
    if (::tcgetattr(fd, &raw) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    ::cfmakeraw(&raw);
    ::tcsetattr(fd, TCSANOW, &raw);
    bool ok = bareclient::exchange(fd);
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = bareclient::threadCpuSeconds();
    for (int i = 0; ok && i < exchanges; ++i)
        ok = bareclient::exchange(fd);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = bareclient::threadCpuSeconds() - cpuStart;
    ::close(fd);
    if (!ok)
        return std::nullopt;
    return BareClientFigures{exchanges / seconds, cpu / exchanges};
}

} // namespace bench
