// qmx-sim: a stand-in controller on a pseudo-terminal, for demos and benchmarks without a drive.
//
//   qmx-sim [--image FILE] [--link PATH] [--baud 9600] [--fault KIND[:ARG]] [--no-live]
//
// Prints "device: /dev/pts/N" (and "link: PATH" when asked for one) and serves until SIGINT or
// SIGTERM. Fault kinds for every request: silence, nak:LETTER, checksum, lowercase, badfirst,
// pieces[:N], nolf, garbage.

#include "sim/ControllerSimulator.h"

#include <QString>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <optional>

namespace {

constexpr const char *kUsage =
    "usage: qmx-sim [--image FILE] [--link PATH] [--baud 9600] [--fault KIND[:ARG]] [--no-live]\n"
    "  --image FILE   controller memory from a data file (lines @ADDR,COUNT,WORD,...)\n"
    "  --link PATH    a symbolic link to the device, removed again on exit\n"
    "  --baud N       bytes take 10/N s each, as on an 8N1 line (0: at once)\n"
    "  --fault KIND   for every request: silence, nak:LETTER, checksum, lowercase, badfirst,\n"
    "                 pieces[:N], nolf, garbage\n"
    "  --no-live      keep the demo image's values still\n";

struct Options {
    QString image;
    QString link;
    int baud = 0;
    std::optional<SimFault> fault;
    bool live = true;
};

std::optional<SimFault> ParseFault(const QString &text)
{
    const QString kind = text.section(QLatin1Char(':'), 0, 0).toLower();
    const QString argument = text.section(QLatin1Char(':'), 1);
    SimFault fault;
    if (kind == QLatin1String("silence"))
        fault.kind = SimFault::Kind::Silence;
    else if (kind == QLatin1String("nak")) {
        if (argument.size() != 1 || argument[0].unicode() > 0x7F)
            return std::nullopt;
        fault.kind = SimFault::Kind::Nak;
        fault.letter = argument[0].toLatin1();
    } else if (kind == QLatin1String("checksum"))
        fault.kind = SimFault::Kind::WrongChecksum;
    else if (kind == QLatin1String("lowercase"))
        fault.kind = SimFault::Kind::LowerCaseChecksum;
    else if (kind == QLatin1String("badfirst"))
        fault.kind = SimFault::Kind::BadFirstByte;
    else if (kind == QLatin1String("pieces")) {
        fault.kind = SimFault::Kind::Pieces;
        if (!argument.isEmpty()) {
            bool ok = false;
            fault.pieces = argument.toInt(&ok);
            if (!ok || fault.pieces < 1)
                return std::nullopt;
        }
    } else if (kind == QLatin1String("nolf"))
        fault.kind = SimFault::Kind::NoLineFeed;
    else if (kind == QLatin1String("garbage"))
        fault.kind = SimFault::Kind::Garbage;
    else
        return std::nullopt;
    return fault;
}

std::optional<Options> ParseArguments(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const bool hasValue = i + 1 < argc;
        if (arg == QLatin1String("--no-live")) {
            options.live = false;
        } else if (arg == QLatin1String("--image") && hasValue) {
            options.image = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == QLatin1String("--link") && hasValue) {
            options.link = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == QLatin1String("--baud") && hasValue) {
            bool ok = false;
            options.baud = QString::fromLocal8Bit(argv[++i]).toInt(&ok);
            if (!ok || options.baud < 0)
                return std::nullopt;
        } else if (arg == QLatin1String("--fault") && hasValue) {
            options.fault = ParseFault(QString::fromLocal8Bit(argv[++i]));
            if (!options.fault)
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    return options;
}

} // namespace

int main(int argc, char **argv)
{
    const auto options = ParseArguments(argc, argv);
    if (!options) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    ControllerMemory memory = ControllerMemory::DemoImage();
    if (!options->image.isEmpty()) {
        memory = ControllerMemory();
        QString error;
        if (!memory.loadDataFile(options->image, &error)) {
            std::fprintf(stderr, "qmx-sim: %s\n", qPrintable(error));
            return 1;
        }
    }

    // The signals are taken by sigwait below; blocked before the serving thread starts so that
    // it inherits the mask and never receives them itself.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    ControllerSimulator simulator(memory);
    simulator.setBaud(options->baud);
    if (!options->live)
        simulator.setLiveDemo(false);
    if (options->fault)
        simulator.setFaultForAllRequests(*options->fault);
    QString error;
    if (!simulator.start(&error, options->link)) {
        std::fprintf(stderr, "qmx-sim: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("device: %s\n", qPrintable(simulator.slaveDevicePath()));
    if (!options->link.isEmpty())
        std::printf("link: %s\n", qPrintable(options->link));
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    simulator.stop();
    return 0;
}
