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
#include "record/RecordOptions.h"
#include "record/Recording.h"
#include "record/TriggerCapture.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <thread>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kExitDone = 0;
constexpr int kExitPort = 1;
constexpr int kExitArguments = 2;
// The status line and the file are brought up to date this often; the file at least once a second.
constexpr std::chrono::milliseconds kTick{250};
constexpr std::size_t kDataReadBufferSize = 60000;

void print(std::FILE *to, const QString &text) { std::fputs(text.toLocal8Bit().constData(), to); }

int fail(int code, const QString &text)
{
    print(stderr, QStringLiteral("qmx-record: %1\n").arg(text));
    return code;
}

struct Variables {
    QStringList list;
    QString error; // a saved super-block file that failed its check: its messages
};

// The variable list as the windows build it: from the saved super-block file and the two variable
// files, or from the lines a Data Read has just read (saved as the file first, as Data Read does).
// A saved file that fails its check gives no names at all, rather than names of a damaged file
// reading the wrong addresses for hours; without a file only addresses can be given.
Variables buildVariables(const std::optional<QStringList> &readLines)
{
    CatalogueData catalogue;
    const QString path = programfolder::file(kSuperBlockFileName);
    if (!readLines && !QFile::exists(path))
        return {};
    CheckOutcome check;
    if (readLines) {
        check = textfile::writeAtomically(path, textfile::joinLinesCrLf(*readLines))
                    ? checkSuperBlockFile(path, catalogue)
                    : checkSuperBlockLines(*readLines, catalogue, path);
    } else {
        check = checkSuperBlockFile(path, catalogue);
        if (!check.proceed || check.errorCount > 0)
            return {{}, path + QStringLiteral(": ") + check.messages.join(QStringLiteral(" "))};
    }
    if (!check.proceed || !decodeSuperBlock(catalogue).proceed || !buildVariableList(catalogue).proceed)
        return {};
    return {catalogue.variableList, {}};
}

void printWarnings(const record::ChannelSetup &setup)
{
    for (const QString &warning : setup.warnings)
        print(stderr, QStringLiteral("qmx-record: warning: %1\n").arg(warning));
}

// The output is written under a temporary name in its own folder and renamed into place once it
// holds a row, so a start that fails (port, channels, Ctrl-C during --data-read) leaves a file
// that was there as it was.
struct PartialOutput {
    QString path;      // the temporary file
    QString finalPath; // --out
    std::FILE *file = nullptr;
    bool inPlace = false;

    bool open(const QString &out, QString *error)
    {
        finalPath = out;
        const QFileInfo info(out);
        QByteArray name = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                                            QStringLiteral(".partial-XXXXXX"));
        const int fd = ::mkstemp(name.data());
        if (fd < 0) {
            *error = QStringLiteral("%1: %2").arg(out, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        path = QFile::decodeName(name);
        // The file the user gets has the permissions a plain create would have given it.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        file = ::fdopen(fd, "wb");
        return file != nullptr;
    }
    // Puts the file in place; its stream goes on writing to it.
    bool moveIntoPlace(QString *error)
    {
        if (inPlace)
            return true;
        if (std::rename(QFile::encodeName(path).constData(), QFile::encodeName(finalPath).constData()) != 0) {
            *error = QStringLiteral("%1: %2").arg(finalPath, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        inPlace = true;
        return true;
    }
    // A start that did not get as far as a row: nothing of it stays.
    void discard()
    {
        if (file)
            std::fclose(file);
        file = nullptr;
        if (!inPlace && !path.isEmpty())
            QFile::remove(path);
    }
};

record::ChannelSetup resolveChannels(const record::RecordOptions &options, const QStringList &variables)
{
    if (options.presets.isEmpty())
        return record::channelsFromTexts(options.channels, variables);
    QString error;
    const std::optional<QStringList> lines = textfile::readLines(options.presets, &error);
    if (!lines)
        return {TrendData{}, QStringLiteral("--presets %1: the file cannot be read (%2)").arg(options.presets, error), {}};
    return record::channelsFromPresets(*lines, options.presets, variables);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const record::ParseResult parsed = record::parseArguments(arguments);
    if (!parsed.options)
        return fail(kExitArguments, parsed.error);
    const record::RecordOptions &options = *parsed.options;
    if (options.help) {
        print(stdout, record::helpText());
        return kExitDone;
    }

    // Channels that can be resolved without the controller are checked before the port is opened.
    auto setup = std::make_unique<record::ChannelSetup>();
    std::unique_ptr<record::TriggerCapture> capture;
    const auto resolveTrigger = [&]() -> QString {
        if (options.trigger.isEmpty())
            return {};
        const record::TriggerParse parsed = record::parseTrigger(options.trigger, setup->data);
        if (parsed.setup)
            capture = std::make_unique<record::TriggerCapture>(*parsed.setup, options.pre, options.post, options.repeat);
        return parsed.error;
    };
    if (!options.dataRead) {
        const Variables variables = buildVariables(std::nullopt);
        if (!variables.error.isEmpty())
            return fail(kExitArguments, variables.error);
        *setup = resolveChannels(options, variables.list);
        if (!setup->error.isEmpty())
            return fail(kExitArguments, setup->error);
        if (const QString triggerError = resolveTrigger(); !triggerError.isEmpty())
            return fail(kExitArguments, triggerError);
        printWarnings(*setup);
    }
    QString error;
    if (!options.force && QFileInfo::exists(options.out))
        return fail(kExitArguments,
                    QStringLiteral("--out %1: the file exists; --force replaces it").arg(options.out));
    if (!QFileInfo(QFileInfo(options.out).absolutePath()).isWritable())
        return fail(kExitArguments, QStringLiteral("--out %1: its folder cannot be written").arg(options.out));

    Link link;
    link.setMessageFunction(Link::MessageFunction([](const QString &text, const QString &detail) {
        print(stderr, QStringLiteral("qmx-record: --port: %1%2\n").arg(text, detail.isEmpty() ? QString() : u' ' + detail));
    }));
    if (link.open(PortUser::TrendRun, options.port) != 0)
        return kExitPort;
    if (options.dataRead) {
        ReadBuffer buffer(kDataReadBufferSize, 0);
        DataReadReport report;
        // The read takes seconds at 9600 baud: on a terminal, how far it has come.
        const bool showProgress = !options.quiet && ::isatty(STDERR_FILENO);
        const DataReadWatch progress = [showProgress](const DataReadProgress &done) {
            if (showProgress)
                print(stderr, QStringLiteral("\rreading super block: %1 words (%2 reads)\x1b[K")
                                  .arg(done.superBlockWords)
                                  .arg(done.reads));
            return true;
        };
        const std::optional<QStringList> lines = readSuperBlockImage(link, buffer, progress, &report);
        if (showProgress)
            print(stderr, QStringLiteral("\r\x1b[K"));
        if (!lines) {
            return fail(kExitPort, QStringLiteral("--data-read: the read at %1 failed with code %2 (%3)")
                                       .arg(report.failedAddress.value_or(0), 8, 16, QLatin1Char('0'))
                                       .arg(report.failedCode)
                                       .arg(linkResultText(report.failedCode, link.lastErrorReply())));
        }
        *setup = resolveChannels(options, buildVariables(lines).list);
        if (!setup->error.isEmpty())
            return fail(kExitArguments, setup->error);
        if (const QString triggerError = resolveTrigger(); !triggerError.isEmpty())
            return fail(kExitArguments, triggerError);
        printWarnings(*setup);
    }
    PartialOutput output;
    if (!output.open(options.out, &error)) {
        output.discard();
        return fail(kExitArguments, QStringLiteral("--out ") + error);
    }
    std::FILE *file = output.file;

    // Ctrl-C, SIGTERM and SIGHUP (the terminal or the session closed) are taken by the waiting
    // below, never by the reading thread, and all end the run the same way.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const bool showStatus = !options.quiet && ::isatty(STDERR_FILENO);
    record::CsvRecording recording(setup->data, file);
    recording.setCapture(capture.get());
    const auto started = std::chrono::steady_clock::now();
    if (!recording.begin(started, QDateTime::currentDateTime())) {
        output.discard();
        return fail(kExitPort, QStringLiteral("--out %1: the file cannot be written").arg(options.out));
    }
    LinkTask task;
    task.setPause(std::chrono::milliseconds(options.waitTimeMs));
    std::thread reader([&] { record::recordPasses(link, task, setup->data, recording, {}, options.readMode); });

    const auto captureStatus = [&] {
        return capture ? QStringLiteral("  ") + record::captureStatusText(capture->progress()) : QString();
    };
    bool writeFailed = false;
    for (;;) {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(kTick).count();
        const timespec wait{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        const int signal = sigtimedwait(&stopSignals, nullptr, &wait);
        const auto elapsed = std::chrono::steady_clock::now() - started;
        writeFailed = !recording.flush();
        if (!writeFailed && recording.figures().rows > 0 && !output.moveIntoPlace(&error))
            writeFailed = true;
        if (showStatus)
            print(stderr, QStringLiteral("\r%1%2\x1b[K").arg(record::statusLine(recording.figures(), elapsed), captureStatus()));
        // The last event captured ends the run as the duration does.
        if ((capture && capture->done()) || signal == SIGINT || signal == SIGTERM || signal == SIGHUP || writeFailed || (options.duration && elapsed >= *options.duration))
            break;
    }
    // The exchange in flight ends; a pass it cut short is not written, so the file ends with a
    // whole row.
    task.cancel();
    reader.join();
    writeFailed = !recording.flush() || writeFailed;
    // A run stopped before its first row still leaves its file (the header) in place.
    if (!writeFailed && !output.moveIntoPlace(&error))
        writeFailed = true;
    link.close();
    if (showStatus)
        print(stderr, QStringLiteral("\r%1%2\x1b[K\n")
                          .arg(record::statusLine(recording.figures(), std::chrono::steady_clock::now() - started),
                               captureStatus()));
    if (!options.quiet)
        print(stdout, record::summaryLine(recording.figures(), std::chrono::steady_clock::now() - started) + u'\n');
    if (writeFailed) {
        if (!output.inPlace)
            QFile::remove(output.path);
        return fail(kExitPort, QStringLiteral("--out %1: the file could not be written").arg(options.out));
    }
    return kExitDone;
}
