// The device link against the controller simulator: "R" exchanges per second and a 464-byte block
// read, each as a ratio of the time the bytes take on a 9600-baud 8N1 line, the CPU the program
// spends while it waits for replies, and exchanges per second with no baud emulation.
//   linkbench [seconds per measurement]

#include "bench/BenchSupport.h"
#include "link/Link.h"
#include "link/Settings.h"
#include "sim/ControllerSimulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

namespace {

constexpr double kSecondsPerByte = 10.0 / 9600.0;

struct Figures {
    int exchanges = 0;
    double wall = 0;
    double cpu = 0;
};

template <typename Fn> Figures measure(double seconds, Fn exchange)
{
    Figures f;
    QElapsedTimer clock;
    const double cpuAtStart = bench::threadCpuSeconds();
    clock.start();
    while (clock.nsecsElapsed() < seconds * 1e9) {
        if (!exchange()) {
            std::fprintf(stderr, "exchange failed\n");
            std::exit(1);
        }
        ++f.exchanges;
    }
    f.wall = clock.nsecsElapsed() / 1e9;
    f.cpu = bench::threadCpuSeconds() - cpuAtStart;
    return f;
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;

    ControllerSimulator sim;
    if (!bench::startSimulatorOnCom1(sim))
        return 1;
    sim.setLiveDemo(false);

    Link link;
    link.setMessageFunction([](const QString &t) { std::fprintf(stderr, "%s\n", qPrintable(t)); });
    if (link.open(PortUser::Tool) != 0)
        return 1;
    ReadBuffer buffer(30000, 0);
    auto word = [&] { return link.readValue('R', 2, 0x00600600) == 0x4304; };
    auto block = [&] { return link.readBlock('r', 464, 0x00202400, buffer) == 0; };

    sim.setBaud(0);
    const Figures fast = measure(seconds, word);
    std::printf("no baud emulation: %.0f \"R\" exchanges per second, CPU %.1f %% of the wall time\n",
                fast.exchanges / fast.wall, 100.0 * fast.cpu / fast.wall);

    sim.setBaud(9600);
    const Figures r = measure(seconds, word);
    const double rLimit = 1.0 / (26 * kSecondsPerByte);
    std::printf("9600 baud: %.2f \"R\" exchanges per second; wire limit %.2f; ratio %.3f; CPU while waiting %.2f %% "
                "of the wall time\n",
                r.exchanges / r.wall, rLimit, (r.exchanges / r.wall) / rLimit, 100.0 * r.cpu / r.wall);

    const Figures b = measure(seconds, block);
    const double blockWire = 2 * (34 + 2 * 232) * kSecondsPerByte; // two exchanges of 232 bytes
    const double perBlock = b.wall / b.exchanges;
    std::printf("9600 baud: readBlock of 464 bytes in %.1f ms; wire time %.1f ms; ratio %.3f; CPU while waiting "
                "%.2f %% of the wall time\n",
                perBlock * 1e3, blockWire * 1e3, blockWire / perBlock, 100.0 * b.cpu / b.wall);
    link.close();
    return 0;
}
