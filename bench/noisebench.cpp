// A soak of trend passes over a noisy line: the simulator adds stray bytes (LF, CR, STX, NAK, any)
// before, inside and after replies, splits replies and stalls now and then, and every value read
// is checked against the controller's memory, which holds a different word at every address. A
// value in another channel's place is a wrong value; there must be none. Runs each read mode in
// turn for a share of the exchanges and prints, per mode and in all: exchanges, passes, cells,
// wrong values, empty cells, stray bytes and stalls, and the time taken.
//   noisebench [exchanges in all, default 1000000] [stray chance 0.02] [split 0.05] [stall 0.0001]

#include "tests/support/NoisyLineCheck.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto argument = [&](int i, double fallback) { return args.size() > i ? args[i].toDouble() : fallback; };
    const auto exchanges = static_cast<std::uint64_t>(argument(1, 1e6));
    LineNoise noise;
    noise.strayChance = argument(2, 0.02);
    noise.splitChance = argument(3, 0.05);
    noise.stallChance = argument(4, 0.0001);
    noise.longestStallMs = 3000;
    noise.seed = 29;

    ControllerSimulator sim(noisyline::distinctWords());
    QString error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "noisebench: %s\n", qPrintable(error));
        return 1;
    }
    sim.setLineNoise(noise);
    Link link;
    if (link.open(PortUser::Tool, sim.devicePath()) != 0) {
        std::fprintf(stderr, "noisebench: cannot open %s\n", qPrintable(sim.devicePath()));
        return 1;
    }
    std::printf("noise per reply: stray bytes %.4g, split %.4g, stall %.4g (up to %d ms)\n", noise.strayChance,
                noise.splitChance, noise.stallChance, noise.longestStallMs);
    std::printf("%-14s %10s %9s %10s %6s %9s %8s %8s %8s\n", "mode", "exchanges", "passes", "cells", "wrong",
                "empty", "empty %", "seconds", "ex/s");
    noisyline::Figures total;
    const readplan::ReadMode modes[] = {readplan::ReadMode::PerChannel, readplan::ReadMode::EachWord,
                                        readplan::ReadMode::Blocks};
    QString firstWrong;
    for (const readplan::ReadMode mode : modes) {
        QElapsedTimer clock;
        clock.start();
        const noisyline::Figures f = noisyline::readAndCheck(link, mode, UINT64_MAX, exchanges / 3);
        const double seconds = clock.elapsed() / 1000.0;
        std::printf("%-14s %10llu %9llu %10llu %6llu %9llu %8.3f %8.1f %8.0f\n", qPrintable(readplan::readModeName(mode)),
                    static_cast<unsigned long long>(f.exchanges), static_cast<unsigned long long>(f.passes),
                    static_cast<unsigned long long>(f.cells), static_cast<unsigned long long>(f.wrong),
                    static_cast<unsigned long long>(f.empty), 100.0 * static_cast<double>(f.empty) / static_cast<double>(f.cells),
                    seconds, static_cast<double>(f.exchanges) / seconds);
        std::fflush(stdout);
        total.exchanges += f.exchanges;
        total.passes += f.passes;
        total.cells += f.cells;
        total.wrong += f.wrong;
        total.empty += f.empty;
        if (firstWrong.isEmpty())
            firstWrong = f.firstWrong;
    }
    std::printf("all: %llu exchanges, %llu passes, %llu cells, %llu wrong values, %llu empty cells (%.3f %%); "
                "%llu stray bytes, %llu stalls\n",
                static_cast<unsigned long long>(total.exchanges), static_cast<unsigned long long>(total.passes),
                static_cast<unsigned long long>(total.cells), static_cast<unsigned long long>(total.wrong),
                static_cast<unsigned long long>(total.empty),
                100.0 * static_cast<double>(total.empty) / static_cast<double>(total.cells),
                static_cast<unsigned long long>(sim.strayBytesSent()), static_cast<unsigned long long>(sim.stallsMade()));
    if (total.wrong > 0)
        std::printf("first wrong value: %s\n", qPrintable(firstWrong));
    link.close();
    sim.stop();
    return total.wrong == 0 ? 0 : 1;
}
