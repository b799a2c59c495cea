// The floor of the test line: the fewest seconds an "R" exchange can take through the controller
// simulator at 9600 baud on a pseudo-terminal, measured by the barest client there is (one raw
// termios file, write the request, poll and read until LF, nothing else), against the wire limit
// of 26 bytes per exchange. The program's own pass rate (trendbench) is judged against this floor
// as well as against the wire: what the pseudo-terminal and the simulator's pacing cost is no
// part of the program.
// It also gives the client's CPU time per exchange: the least a link thread can spend on one.
//   wirefloor [exchanges, default 300]

#include "sim/ControllerSimulator.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int kBaud = 9600;
constexpr double kBytesPerSecond = kBaud / 10.0;
// "R" of the word at 600E60: 15 request bytes, 11 reply bytes.
const QByteArray kRequest = QByteArrayLiteral("\x05 R00600E60F3\r\n");
constexpr int kExchangeBytes = 26;

bool exchange(int fd)
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

// The CPU time of the calling thread so far: the client's own cost per exchange, beside which the
// program's link thread is judged.
double threadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int exchanges = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    ControllerSimulator sim;
    QString error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 1;
    }
    sim.setBaud(kBaud);
    const int fd = ::open(QFile::encodeName(sim.devicePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios raw{};
    if (fd < 0 || ::tcgetattr(fd, &raw) != 0) {
        std::perror("open");
        return 1;
    }
    ::cfmakeraw(&raw);
    ::tcsetattr(fd, TCSANOW, &raw);
    exchange(fd); // the first one wakes everything up
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = threadCpuSeconds();
    for (int i = 0; i < exchanges; ++i) {
        if (!exchange(fd)) {
            std::fprintf(stderr, "exchange %d failed\n", i);
            return 1;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = threadCpuSeconds() - cpuStart;
    const double rate = exchanges / seconds;
    const double limit = kBytesPerSecond / kExchangeBytes;
    std::printf("%d \"R\" exchanges by a bare client: %.2f/s, wire limit %.2f/s, ratio %.4f, %.3f ms over the wire time each, "
                "CPU %.3f ms each\n",
                exchanges, rate, limit, rate / limit, 1000.0 * (1.0 / rate - 1.0 / limit), 1000.0 * cpu / exchanges);
    ::close(fd);
    return 0;
}
