// The Windows serial port under Wine against qmx-sim --baud 9600 on COM1 (a silent one on COM2):
// "R" exchanges per second as a ratio of the 9600-baud wire limit, a 464-byte block read against
// its wire time, and the process CPU while it waits for replies. Run by bench/winelinkbench.sh.
//   winelinkbench [seconds per measurement]

#include "link/LinkCore.h"
#include "link/PortMessages.h"
#include "link/SerialPort.h"
#include "tests/wine/ProcessCpu.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <windows.h>

namespace {

constexpr double kSecondsPerByte = 10.0 / 9600.0; // 8N1: ten bits a byte

struct Figures {
    int exchanges = 0;
    double wall = 0;
    double cpu = 0;
};

template <typename Fn> Figures measure(double seconds, Fn exchange)
{
    using namespace std::chrono;
    Figures f;
    const double cpuAtStart = processCpuSeconds();
    const auto startedAt = steady_clock::now();
    while (duration<double>(steady_clock::now() - startedAt).count() < seconds) {
        if (!exchange()) {
            std::fprintf(stderr, "exchange failed\n");
            std::exit(1);
        }
        ++f.exchanges;
    }
    f.wall = duration<double>(steady_clock::now() - startedAt).count();
    f.cpu = processCpuSeconds() - cpuAtStart;
    return f;
}

bool openPort(SerialPort &port, const char *name)
{
    const SerialPort::OpenError error = port.open(name);
    if (error != SerialPort::OpenError::None)
        std::fprintf(stderr, "%s: %s (%s)\n", name, openErrorMessage(error), port.failureDetail().c_str());
    return error == SerialPort::OpenError::None;
}

} // namespace

int main(int argc, char *argv[])
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    SerialPort port;
    if (!openPort(port, "\\\\.\\COM1"))
        return 1;
    LinkCore core(port);

    const Figures r = measure(seconds, [&] { return core.readValue('R', 2, 0x00600600) == 0x4304; });
    const double rLimit = 1.0 / (26 * kSecondsPerByte);
    std::printf("9600 baud under Wine: %.2f \"R\" exchanges per second; wire limit %.2f; ratio %.3f; "
                "CPU %.2f %% of the wall time\n",
                r.exchanges / r.wall, rLimit, (r.exchanges / r.wall) / rLimit, 100.0 * r.cpu / r.wall);

    std::vector<std::uint8_t> buffer(30000, 0);
    const Figures b = measure(seconds, [&] { return core.readBlock('r', 464, 0x00202400, buffer) == 0; });
    const double blockWire = 2 * (34 + 2 * 232) * kSecondsPerByte;
    std::printf("9600 baud under Wine: 464-byte block read %.1f ms; wire time %.1f ms; ratio %.3f; "
                "CPU %.2f %% of the wall time\n",
                1000 * b.wall / b.exchanges, 1000 * blockWire, blockWire / (b.wall / b.exchanges),
                100.0 * b.cpu / b.wall);

    SerialPort silent;
    if (!openPort(silent, "\\\\.\\COM2"))
        return 1;
    LinkCore silentCore(silent);
    const Figures s = measure(3.0, [&] { return silentCore.readValue('R', 2, 0x00600600) == -1; });
    std::printf("silent line under Wine: %d waits in %.2f s; CPU %.3f s = %.3f %% of the wall time\n", s.exchanges,
                s.wall, s.cpu, 100.0 * s.cpu / s.wall);
    return 0;
}
