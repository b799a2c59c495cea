// The floor of the test line: the fewest seconds an "R" exchange can take through the controller
// simulator at 9600 baud on a pseudo-terminal, measured by the barest client there is, against
// the wire limit of 26 bytes per exchange. The program's own pass rate (trendbench) is judged
// against this floor as well as against the wire. It also gives the client's CPU time per
// exchange: the least a link thread can spend on one.
//   wirefloor [exchanges, default 300]

#include "bench/BareClient.h"
#include "sim/ControllerSimulator.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

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
    constexpr int kBaud = 9600;
    sim.setBaud(kBaud);
    const std::optional<bench::BareClientFigures> floor = bench::measureBareClient(sim.devicePath(), exchanges);
    if (!floor) {
        std::fprintf(stderr, "the bare client's exchanges failed\n");
        return 1;
    }
    const double limit = kBaud / 10.0 / bench::bareclient::kExchangeBytes;
    std::printf("%d \"R\" exchanges by a bare client: %.2f/s, wire limit %.2f/s, ratio %.4f, %.3f ms over the wire time each, "
                "CPU %.3f ms each\n",
                exchanges, floor->exchangesPerSecond, limit, floor->exchangesPerSecond / limit,
                1000.0 * (1.0 / floor->exchangesPerSecond - 1.0 / limit), 1000.0 * floor->cpuSecondsPerExchange);
    return 0;
}
