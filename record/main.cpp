// qmx-record: unattended trend recording on the command line. Reads passes of the chosen channels
// with the Trend Graph's pass loop and writes each as a CSV row, for hours, in constant memory;
// a device that goes away is opened again once a second until it is back.

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "catalogue/Decoder.h"
#include "catalogue/SuperBlockFile.h"
#include "link/Link.h"
#include "link/LinkResult.h"
#include "link/LinkThread.h"
#include "link/Settings.h"
#include "record/EngineeringColumns.h"
#include "record/EngineeringTexts.h"
#include "record/MathTrigger.h"
#include "record/MqttPublisher.h"
#include "record/PartialOutput.h"
#include "record/RecordOptions.h"
#include "record/RecordTexts.h"
#include "record/RecordVariables.h"
#include "record/RunStopSignals.h"
#include "record/Recording.h"
#include "record/RunStatus.h"
#include "record/TerminalOutput.h"
#include "record/TriggerCapture.h"
#include "trend/model/TrendCsv.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <cstdio>
#include <ctime>
#include <pthread.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace {

using record::print;
using record::printLastStatus;
using record::printMessage;
using record::printStatus;

constexpr int kExitDone = 0;
constexpr int kExitPort = 1;
constexpr int kExitArguments = 2;
constexpr int kExitNoGoodRead = 3;
constexpr int kExitNoEvent = 4;
// The status line and the file are brought up to date this often; the file at least once a second.
constexpr std::chrono::milliseconds kTick{250};
// At the end of a run, how long the passes still waiting are sent while the broker is there.
constexpr std::chrono::milliseconds kPublishDrain{3000};

int fail(int code, const QString &text)
{
    printMessage(text);
    return code;
}

void printWarnings(const record::ChannelSetup &setup)
{
    for (const QString &warning : setup.warnings)
        print(stderr, record::kProgramWarning.arg(warning));
}

// Rows of empty cells are no recording: an unattended run must not look fine.
int noGoodReadOutcome(const record::RunRecording::Figures &figures, const QString &lineName)
{
    if (figures.poll.passes > 0 && figures.passesWithGoodRead == 0) {
        printMessage(record::kNoGoodRead.arg(lineName));
        return kExitNoGoodRead;
    }
    return kExitDone;
}

// A triggered run that saw no event says so: its file (if any) holds no row, which alone would
// look like a run that went well. Ended by its duration it has a code of its own; stopped by a
// signal it ends as a stop does.
int noEventOutcome(const record::TriggerCapture *capture, const QString &trigger,
                   std::chrono::steady_clock::duration elapsed, bool stoppedBySignal)
{
    if (!capture)
        return kExitDone;
    const record::TriggerCapture::Progress progress = capture->progress();
    if (progress.event != 1 || progress.state != record::TriggerCapture::State::Armed)
        return kExitDone;
    if (stoppedBySignal)
        return fail(kExitDone, record::kNoEventBeforeStop.arg(trigger, record::clockText(elapsed)));
    return fail(kExitNoEvent, record::kNoEventCame.arg(trigger, record::clockText(elapsed)));
}

// What becomes of the output when the run has ended, and the exit code: a file with rows is put in
// place (also after a failed write: it ends with its last whole row); a run without a row leaves a
// file that was there as it was, and otherwise puts its header in place, as a start of a file.
int finishOutput(record::PartialOutput &output, const record::RunRecording::Figures &figures, QString placeError,
                 const QString &lineName)
{
    if (output.toStandardOutput) {
        if (figures.writeFailed)
            return fail(kExitPort, record::kStandardOutputFailed.arg(figures.writeError));
        return noGoodReadOutcome(figures, lineName);
    }
    const QString &out = output.finalPath;
    const bool fileThere = QFileInfo::exists(out);
    if (figures.rows == 0 && !output.inPlace && (fileThere || figures.writeFailed)) {
        output.discard();
        if (fileThere)
            printMessage(record::kOutNoRow.arg(out));
    } else if (placeError.isEmpty()) {
        output.moveIntoPlace(&placeError);
    }
    if (figures.writeFailed)
        printMessage(record::kOutWriteFailed.arg(out, figures.writeError));
    if (!placeError.isEmpty())
        printMessage(record::kOutNotInPlace.arg(out, placeError, output.path));
    if (figures.writeFailed || !placeError.isEmpty())
        return kExitPort;
    return noGoodReadOutcome(figures, lineName);
}

// What the InfluxDB lines of the run could not carry, said before the first pass: the device's
// path (its tag) or a column's name (its field).
QString influxDeviceProblem(const record::RecordOptions &options)
{
    const QString device = devicePathForPort(options.port);
    const QString problem = options.writesInfluxLines() ? record::influxTextProblem(device) : QString();
    return problem.isEmpty() ? problem : record::kInfluxDevice.arg(options.port, device, problem);
}

QString influxColumnProblem(const record::RecordOptions &options, const TrendData &channels,
                            const record::EngineeringColumns *engineering)
{
    if (!options.writesInfluxLines())
        return {};
    for (const QString &column : engineering ? engineering->valueNames() : trendcsv::selectedColumns(channels)) {
        if (const QString problem = record::influxTextProblem(column); !problem.isEmpty())
            return record::kInfluxColumn.arg(column, problem);
    }
    return {};
}

// Whether `path` is the null device (/dev/null by any name): a trial run writes there, a file that
// is not kept, rather than beside it under a temporary name.
bool isNullDevice(const QString &path)
{
    struct stat given {}, null {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &given) == 0 && S_ISCHR(given.st_mode)
           && ::stat("/dev/null", &null) == 0 && given.st_rdev == null.st_rdev;
}

// The null device written as it is: in place from the start, nothing to put in place at the end.
bool openNullDevice(record::PartialOutput &output, const QString &out, QString *error)
{
    output.finalPath = out;
    output.inPlace = true;
    output.fd = ::open(QFile::encodeName(out).constData(), O_WRONLY | O_CLOEXEC);
    if (output.fd < 0)
        *error = QString::fromLocal8Bit(std::strerror(errno));
    return output.fd >= 0;
}

} // namespace

int main(int argc, char **argv)
{
    // Ctrl-C, SIGTERM and SIGHUP (the terminal or the session closed) are held from the first thing
    // the program does, before anything that takes time: a stop that comes while the arguments and
    // files are read ends the run at its start, never the process; they end a --data-read between
    // two reads and the run at its next tick, so the port's lock file always goes with the port.
    record::RunStopSignals stop;
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const record::ParseResult parsed = record::parseArguments(arguments);
    if (!parsed.options)
        return fail(kExitArguments, parsed.error);
    const record::RecordOptions &options = *parsed.options;
    if (options.help) {
        print(stdout, record::kHelpText.arg(record::kEngineeringHelp));
        return kExitDone;
    }

    // Channels that can be resolved without the controller are checked before the port is opened.
    auto setup = std::make_unique<record::ChannelSetup>();
    std::unique_ptr<record::TriggerCapture> capture;
    std::unique_ptr<record::EngineeringColumns> engineering;
    const auto resolveTrigger = [&]() -> QString {
        // Scaled values and math channels first: a trigger may watch a math channel.
        if (options.engineering.changesRows()) {
            QString error;
            QStringList warnings;
            engineering = record::EngineeringColumns::make(options.engineering, setup->data, &warnings, &error);
            for (const QString &warning : warnings)
                print(stderr, record::kProgramWarning.arg(warning));
            if (!engineering)
                return error;
        }
        if (options.trigger.isEmpty())
            return {};
        if (engineering && !engineering->math().isEmpty()) {
            record::MathTriggerParse math = record::MathTrigger::parse(options.trigger, setup->data, engineering->math());
            if (math.namesMath) {
                if (!math.trigger)
                    return math.error;
                capture = std::make_unique<record::TriggerCapture>(
                    [watch = *math.trigger, columns = engineering.get()](const SampleRow &values,
                                                                         std::uint16_t failedChannels) mutable {
                        return watch.takeRow(values, failedChannels, columns->mathValues());
                    },
                    options.pre, options.post, options.repeat);
                return {};
            }
        }
        const record::TriggerParse parsed = record::parseTrigger(options.trigger, setup->data);
        if (parsed.setup)
            capture = std::make_unique<record::TriggerCapture>(*parsed.setup, options.pre, options.post, options.repeat);
        return parsed.error;
    };
    if (const QString influxError = influxDeviceProblem(options); !influxError.isEmpty())
        return fail(kExitArguments, influxError);
    if (!options.dataRead) {
        const record::Variables variables = record::buildVariables(std::nullopt);
        if (!variables.error.isEmpty())
            return fail(kExitArguments, variables.error);
        *setup = record::resolveChannels(options, variables.list);
        if (variables.shippedListsOnly)
            for (const QString &message : record::noteShippedNames(*setup))
                printMessage(message);
        if (!setup->error.isEmpty())
            return fail(kExitArguments, setup->error);
        if (const QString triggerError = resolveTrigger(); !triggerError.isEmpty())
            return fail(kExitArguments, triggerError);
        if (const QString influxError = influxColumnProblem(options, setup->data, engineering.get()); !influxError.isEmpty())
            return fail(kExitArguments, influxError);
        printWarnings(*setup);
    }
    const bool toNullDevice = !options.rotation.used() && isNullDevice(options.out);
    if (!options.out.isEmpty() && !options.outToStandardOutput() && !toNullDevice) {
        // A series of files is named from --out; --out itself is never written then.
        const bool replaceable = options.force || options.rotation.used();
        if (const QString problem = record::outPathProblem(options.out, replaceable); !problem.isEmpty())
            return fail(kExitArguments, problem);
    }
    // A reader of standard output that goes away (a collector stopped) is a failed write, not the
    // end of the process: the run ends as after any failed write, with the port closed.
    std::signal(SIGPIPE, SIG_IGN);
    // A file-size limit (ulimit -f, a service's LimitFSIZE) makes a write that reaches it fail
    // (EFBIG), told and handled as any failed write, instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);

    Link link;
    link.setMessageFunction(Link::MessageFunction([](const QString &text, const QString &detail) {
        printMessage(record::kPortProblem.arg(text, detail.isEmpty() ? QString() : u' ' + detail));
    }));
    if (link.open(PortUser::TrendRun, options.port) != 0)
        return kExitPort;
    if (options.dataRead) {
        const record::SuperBlockRead read = record::readSuperBlock(link, options, stop);
        if (read.stopped) {
            link.close();
            return fail(kExitDone, record::kDataReadStopped);
        }
        if (!read.lines)
            return fail(kExitPort, read.failure);
        *setup = record::resolveChannels(options, record::buildVariables(read.lines).list);
        if (!setup->error.isEmpty())
            return fail(kExitArguments, setup->error);
        if (const QString triggerError = resolveTrigger(); !triggerError.isEmpty())
            return fail(kExitArguments, triggerError);
        if (const QString influxError = influxColumnProblem(options, setup->data, engineering.get()); !influxError.isEmpty())
            return fail(kExitArguments, influxError);
        printWarnings(*setup);
    }
    // Rows go to the file (or standard output), to each broker, or both.
    const bool toFile = !options.out.isEmpty();
    record::PartialOutput output;
    QString error;
    const bool series = options.rotation.used();
    if (!toFile || series) {
        output.inPlace = true;
        output.fd = record::RunRecording::kNoFile;
    } else if (toNullDevice) {
        if (!openNullDevice(output, options.out, &error))
            return fail(kExitArguments, record::kOutCannotBeMade.arg(options.out, error));
    } else if (options.outToStandardOutput() ? !output.openStandardOutput(&error) : !output.open(options.out, &error)) {
        return fail(kExitArguments, record::kOutCannotBeMade.arg(options.out, error));
    }

    const bool showStatus = !options.quiet && ::isatty(STDERR_FILENO);
    const QString line = record::lineName(options.port);
    record::RunRecording recording(setup->data, output.fd);
    recording.setOutput(&output);
    recording.setCapture(capture.get());
    recording.setEngineering(engineering.get());
    recording.setFormat(options.format);
    if (series)
        recording.setRotation(options.out, options.rotation);
    recording.setInfluxTags(devicePathForPort(options.port), options.tags);
    std::vector<std::unique_ptr<record::MqttPublisher>> publishers =
        record::startPublishers(options, setup->data, &error);
    if (!error.isEmpty()) {
        output.discard();
        return fail(kExitPort, error);
    }
    for (const auto &publisher : publishers)
        recording.addPublisher(publisher.get());
    const auto started = std::chrono::steady_clock::now();
    if (!recording.begin(started, QDateTime::currentDateTime())) {
        output.discard();
        const record::RunRecording::Figures figures = recording.figures();
        return fail(kExitPort, record::kOutWriteFailed.arg(series ? figures.filePath : options.out, figures.writeError));
    }
    LinkTask task;
    task.setPause(std::chrono::milliseconds(options.waitTimeMs));
    std::thread reader([&] { record::recordPasses(link, task, setup->data, recording, {}, options.readMode); });

    const auto runState = [&] {
        QList<record::MqttPublisher::Figures> brokers;
        for (const auto &publisher : publishers)
            brokers.append(publisher->figures());
        return record::runStateText(capture ? std::optional(capture->progress()) : std::nullopt, brokers);
    };
    bool stoppedBySignal = false;
    QString placeError; // why the file could not be put in place
    for (;;) {
        const int signal = stop.waitFor(kTick);
        const auto elapsed = std::chrono::steady_clock::now() - started;
        const bool written = recording.flush();
        // The file takes the place of --out with its first row, not before.
        if (written && recording.figures().rows > 0 && !output.moveIntoPlace(&placeError))
            break;
        if (showStatus)
            printStatus(record::statusLine(recording.figures(), elapsed, line, runState()));
        // The last event captured ends the run as the duration does.
        stoppedBySignal = signal != 0;
        if ((capture && capture->done()) || signal != 0 || !written || (options.duration && elapsed >= *options.duration))
            break;
    }
    // The exchange in flight ends; a pass it cut short is not written, so the file ends with a
    // whole row.
    task.cancel();
    reader.join();
    recording.flush();
    link.close();
    // What the brokers have not taken by now waits in the spools for the next start.
    for (const auto &publisher : publishers)
        publisher->stop(kPublishDrain);
    const record::RunRecording::Figures figures = recording.figures();
    if (showStatus)
        printLastStatus(record::statusLine(figures, std::chrono::steady_clock::now() - started, line, runState()));
    // Standard output carries the data alone when the rows go there.
    if (!options.quiet) {
        std::FILE *to = options.outToStandardOutput() ? stderr : stdout;
        print(to, record::summaryLine(figures, std::chrono::steady_clock::now() - started, setup->data) + u'\n');
        for (const auto &publisher : publishers)
            print(to, record::publishSummaryText(publisher->target(), publisher->figures()) + u'\n');
    }
    if (series && figures.writeFailed)
        return fail(kExitPort, record::kOutWriteFailed.arg(figures.filePath, figures.writeError));
    const int code = !toFile || series ? noGoodReadOutcome(figures, line) : finishOutput(output, figures, placeError, line);
    return code == kExitDone ? noEventOutcome(capture.get(), options.trigger, std::chrono::steady_clock::now() - started,
                                              stoppedBySignal)
                             : code;
}
