// qmx-sim: a stand-in controller on a pseudo-terminal, for demos and benchmarks without a drive.
//
//   qmx-sim [--image FILE] [--link PATH] [--baud 9600] [--fault KIND[:ARG] [--fault-every N]] [--no-live]
//           [--drop-every T --drop-for T] [--step ADDR:VALUE@WHEN ...] [--toggle ADDR:BIT/N ...]
//           [--response ADDR:FROM:TO:TAU[:OVERSHOOT%]@WHEN ...]
//           [--noise stray=P,split=P,stall=P,stall-ms=N,seed=N]
//
// Prints "device: /dev/pts/N" (and "link: PATH" when asked for one) and serves until SIGINT or
// SIGTERM. SIGUSR1 drops the line (as an unplugged adapter), SIGUSR2 brings it back on a new pty
// under the same link path. Fault kinds for every request: silence, nak:LETTER, checksum, lowercase, badfirst,
// pieces[:N], nolf, garbage, late:MS, echo, refuse-r[:LETTER], short-r, silent-r, stray[:HH],
// repeat[:MS], out-of-order[:MS];
// --fault-every N puts the fault on every N-th request only. --noise adds stray bytes, split replies
// and stalls at random (seeded) to the replies that meet no fault.

#include "sim/ControllerSimulator.h"
#include "sim/SimOptions.h"
#include "sim/SimTexts.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <cstdio>
#include <optional>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const std::optional<sim::SimOptions> options = sim::parseSimArguments(arguments);
    if (!options) {
        std::fputs(sim::kUsage, stderr);
        return 2;
    }

    ControllerMemory memory = ControllerMemory::demoImage();
    if (!options->image.isEmpty()) {
        memory = ControllerMemory();
        QString error;
        if (!memory.loadDataFile(options->image, &error)) {
            std::fprintf(stderr, sim::kProgramMessage, qPrintable(error));
            return 1;
        }
    }

    // The signals are taken by sigwait below; blocked before the serving thread starts so that
    // it inherits the mask and never receives them itself.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGUSR1);
    sigaddset(&stopSignals, SIGUSR2);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    ControllerSimulator simulator(memory);
    simulator.setBaud(options->baud);
    for (const ScheduledStep &step : options->steps)
        simulator.addScheduledStep(step);
    for (const ScheduledToggle &toggle : options->toggles)
        simulator.addScheduledToggle(toggle);
    for (const ScheduledResponse &response : options->responses)
        simulator.addScheduledResponse(response);
    if (!options->live)
        simulator.setLiveDemo(false);
    simulator.setLineNoise(options->noise);
    if (options->fault && options->faultEvery > 0)
        simulator.setFaultEvery(options->faultEvery, *options->fault);
    else if (options->fault)
        simulator.setFaultForAllRequests(*options->fault);
    QString error;
    if (!simulator.start(&error, options->link)) {
        std::fprintf(stderr, sim::kProgramMessage, qPrintable(error));
        return 1;
    }
    std::printf("device: %s\n", qPrintable(simulator.slaveDevicePath()));
    if (!options->link.isEmpty())
        std::printf("link: %s\n", qPrintable(options->link));
    std::fflush(stdout);

    // Serves until told to end; drops and brings back the line on signal or on schedule.
    using Clock = std::chrono::steady_clock;
    bool dropped = false;
    Clock::time_point nextChange = Clock::now() + options->dropEvery;
    const auto change = [&](bool drop) {
        if (drop == dropped)
            return;
        if (drop) {
            simulator.closeLine();
            std::printf("line dropped\n");
        } else if (simulator.reopenLine(&error)) {
            std::printf("line back: %s\n", qPrintable(simulator.slaveDevicePath()));
        } else {
            std::fprintf(stderr, sim::kProgramMessage, qPrintable(error));
            return;
        }
        dropped = drop;
        std::fflush(stdout);
    };
    for (;;) {
        int signal = 0;
        if (options->dropEvery.count() > 0) {
            const auto left = std::max(Clock::duration::zero(), nextChange - Clock::now());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            const timespec wait{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
            signal = sigtimedwait(&stopSignals, nullptr, &wait);
            if (signal < 0) {
                if (errno != EAGAIN)
                    continue;
                change(!dropped);
                nextChange = Clock::now() + (dropped ? options->dropFor : options->dropEvery);
                continue;
            }
        } else if (sigwait(&stopSignals, &signal) != 0) {
            continue;
        }
        if (signal == SIGUSR1)
            change(true);
        else if (signal == SIGUSR2)
            change(false);
        else
            break;
    }
    simulator.stop();
    return 0;
}
