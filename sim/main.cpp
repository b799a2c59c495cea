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

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr const char *kUsage =
    "usage: qmx-sim [--image FILE] [--link PATH] [--baud 9600] [--fault KIND[:ARG]] [--no-live]\n"
    "  --image FILE   controller memory from a data file (lines @ADDR,COUNT,WORD,...)\n"
    "  --link PATH    a symbolic link to the device, removed again on exit\n"
    "  --baud N       bytes take 10/N s each, as on an 8N1 line (0: at once)\n"
    "  --fault KIND   for every request: silence, nak:LETTER, checksum, lowercase, badfirst,\n"
    "                 pieces[:N], nolf, garbage, late:MS (reply MS ms late), echo (reply of\n"
    "                 another request: wrong echo or length), refuse-r[:LETTER] (\"r\" refused\n"
    "                 with NAK D or LETTER, \"R\" answered), short-r (\"r\" answered one byte short),\n"
    "                 silent-r (\"r\" never answered), stray[:HH] (the byte HH, LF when not\n"
    "                 given, at once, then the reply 50 ms later), repeat[:MS] (the reply, then\n"
    "                 the same frame again MS ms, 30 when not given, after it), out-of-order[:MS]\n"
    "                 (no reply in time: it follows the next reply, MS ms after it, at once when\n"
    "                 not given)\n"
    "  --fault-every N  the fault for every N-th request only\n"
    "  --no-live      keep the demo image's values still\n"
    "  --noise stray=P,split=P,stall=P,stall-ms=N,seed=N  per reply, the chance (0 to 1) of one to\n"
    "                 three stray bytes (LF, CR, STX, NAK, any) before, in or after it, of being\n"
    "                 split in pieces, of a stall of up to N ms (default 3000) before it\n"
    "  --drop-every T drop the line every T (as an unplugged adapter: device closed, link removed)\n"
    "  --drop-for T   and bring it back on a new pty under the same link after T (default 3s);\n"
    "                 T is a number with ms, s or m (seconds when bare)\n"
    "  --step ADDR:VALUE@WHEN  the word at ADDR becomes VALUE from WHEN: a time after the start\n"
    "                 (5s, 500ms) or the n-th read of ADDR (20), i.e. the n-th trend pass\n"
    "  --toggle ADDR:BIT/N  the bit of the word at ADDR toggles every N reads of ADDR (0 first)\n"
    "  --response ADDR:FROM:TO:TAU@WHEN  the word at ADDR holds FROM, and from WHEN (as for\n"
    "                 --step) moves to TO as a first-order system with time constant TAU does after\n"
    "                 a step (TAU in s or ms, seconds when bare): 63 % of the way after TAU\n"
    "  --response ADDR:FROM:TO:TAU:OVERSHOOT%@WHEN  the same as a damped second-order system that\n"
    "                 overshoots TO by OVERSHOOT % of the step (above 0, below 100), its natural\n"
    "                 angular frequency 1/TAU; FROM and TO decimal (-32768..32767) or 0x-hex\n"
    "                 A read of ADDR is a word read (\"R\") or a block read (\"r\": a trend pass's\n"
    "                 block read, a Monitor section) that holds the word; each counts once.\n"
    "Signals: SIGUSR1 drops the line, SIGUSR2 brings it back; SIGINT/SIGTERM end.\n";

struct Options {
    QString image;
    QString link;
    int baud = 0;
    std::optional<SimFault> fault;
    int faultEvery = 0;
    LineNoise noise;
    bool live = true;
    std::chrono::milliseconds dropEvery{0};
    std::chrono::milliseconds dropFor{3000};
    std::vector<ScheduledStep> steps;
    std::vector<ScheduledToggle> toggles;
    std::vector<ScheduledResponse> responses;
};

// "10s", "500ms", "2m", "3" (seconds); nothing for anything else or a length of 0.
std::optional<std::chrono::milliseconds> parseDuration(const QString &text)
{
    qint64 factor = 1000;
    QString number = text;
    if (text.endsWith(QLatin1String("ms"))) {
        factor = 1;
        number.chop(2);
    } else if (text.endsWith(QLatin1Char('s'))) {
        number.chop(1);
    } else if (text.endsWith(QLatin1Char('m'))) {
        factor = 60000;
        number.chop(1);
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || value <= 0)
        return std::nullopt;
    return std::chrono::milliseconds(static_cast<qint64>(value * static_cast<double>(factor)));
}

std::optional<SimFault> parseFault(const QString &text)
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
    else if (kind == QLatin1String("late")) {
        fault.kind = SimFault::Kind::Late;
        bool ok = false;
        fault.delayMs = argument.toInt(&ok);
        if (!ok || fault.delayMs < 0)
            return std::nullopt;
    } else if (kind == QLatin1String("echo"))
        fault.kind = SimFault::Kind::WrongEcho;
    else if (kind == QLatin1String("refuse-r")) {
        if (argument.size() > 1 || (argument.size() == 1 && argument[0].unicode() > 0x7F))
            return std::nullopt;
        fault.kind = SimFault::Kind::RefuseBlockReads;
        if (argument.size() == 1)
            fault.letter = argument[0].toLatin1();
    } else if (kind == QLatin1String("short-r"))
        fault.kind = SimFault::Kind::ShortBlockReads;
    else if (kind == QLatin1String("silent-r"))
        fault.kind = SimFault::Kind::IgnoreBlockReads;
    else if (kind == QLatin1String("stray")) {
        fault.kind = SimFault::Kind::StrayByte;
        fault.delayMs = 50;
        if (!argument.isEmpty()) {
            bool ok = false;
            const uint byte = argument.toUInt(&ok, 16);
            if (!ok || argument.size() > 2 || byte > 0xFF)
                return std::nullopt;
            fault.stray = static_cast<char>(byte);
        }
    } else if (kind == QLatin1String("repeat") || kind == QLatin1String("out-of-order")) {
        const bool repeat = kind == QLatin1String("repeat");
        fault.kind = repeat ? SimFault::Kind::Repeated : SimFault::Kind::OutOfOrder;
        fault.delayMs = repeat ? 30 : 0;
        if (!argument.isEmpty()) {
            bool ok = false;
            fault.delayMs = argument.toInt(&ok);
            if (!ok || fault.delayMs < 0)
                return std::nullopt;
        }
    } else
        return std::nullopt;
    return fault;
}

// "stray=0.01,split=0.05,stall=0.001,stall-ms=2500,seed=7": every key optional, chances 0 to 1.
std::optional<LineNoise> parseNoise(const QString &text)
{
    LineNoise noise;
    for (const QString &item : text.split(QLatin1Char(','))) {
        const qsizetype equals = item.indexOf(QLatin1Char('='));
        if (equals <= 0)
            return std::nullopt;
        const QString key = item.left(equals);
        const QString value = item.mid(equals + 1);
        bool ok = false;
        if (key == QLatin1String("stall-ms")) {
            noise.longestStallMs = value.toInt(&ok);
            ok = ok && noise.longestStallMs >= 0;
        } else if (key == QLatin1String("seed")) {
            noise.seed = value.toUInt(&ok);
        } else {
            const double chance = value.toDouble(&ok);
            ok = ok && chance >= 0 && chance <= 1;
            if (key == QLatin1String("stray"))
                noise.strayChance = chance;
            else if (key == QLatin1String("split"))
                noise.splitChance = chance;
            else if (key == QLatin1String("stall"))
                noise.stallChance = chance;
            else
                ok = false;
        }
        if (!ok)
            return std::nullopt;
    }
    return noise;
}

std::optional<Options> parseArguments(int argc, char **argv)
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
        } else if ((arg == QLatin1String("--drop-every") || arg == QLatin1String("--drop-for")) && hasValue) {
            const auto duration = parseDuration(QString::fromLocal8Bit(argv[++i]));
            if (!duration)
                return std::nullopt;
            (arg == QLatin1String("--drop-every") ? options.dropEvery : options.dropFor) = *duration;
        } else if (arg == QLatin1String("--fault-every") && hasValue) {
            bool ok = false;
            options.faultEvery = QString::fromLocal8Bit(argv[++i]).toInt(&ok);
            if (!ok || options.faultEvery < 1)
                return std::nullopt;
        } else if (arg == QLatin1String("--step") && hasValue) {
            const auto step = ValueSchedule::parseStep(QString::fromLocal8Bit(argv[++i]));
            if (!step)
                return std::nullopt;
            options.steps.push_back(*step);
        } else if (arg == QLatin1String("--toggle") && hasValue) {
            const auto toggle = ValueSchedule::parseToggle(QString::fromLocal8Bit(argv[++i]));
            if (!toggle)
                return std::nullopt;
            options.toggles.push_back(*toggle);
        } else if (arg == QLatin1String("--response") && hasValue) {
            const auto response = ValueSchedule::parseResponse(QString::fromLocal8Bit(argv[++i]));
            if (!response)
                return std::nullopt;
            options.responses.push_back(*response);
        } else if (arg == QLatin1String("--noise") && hasValue) {
            const auto noise = parseNoise(QString::fromLocal8Bit(argv[++i]));
            if (!noise)
                return std::nullopt;
            options.noise = *noise;
        } else if (arg == QLatin1String("--fault") && hasValue) {
            options.fault = parseFault(QString::fromLocal8Bit(argv[++i]));
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
    const auto options = parseArguments(argc, argv);
    if (!options) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    ControllerMemory memory = ControllerMemory::demoImage();
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
        std::fprintf(stderr, "qmx-sim: %s\n", qPrintable(error));
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
            std::fprintf(stderr, "qmx-sim: %s\n", qPrintable(error));
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
