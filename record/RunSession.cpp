#include "record/RunSession.h"

#include "link/Link.h"
#include "link/Settings.h"
#include "record/RecordOptions.h"
#include "record/RecordTexts.h"
#include "record/Recording.h"
#include "record/RunChannels.h"
#include "record/RunStatus.h"
#include "record/RunStopSignals.h"
#include "record/TerminalOutput.h"

#include <QDateTime>
#include <unistd.h>

namespace record {

namespace {

// The status line and the file are brought up to date this often; the file at least once a second.
constexpr std::chrono::milliseconds kTick{250};
// At the end of a run, how long the passes still waiting are sent while the broker is there.
constexpr std::chrono::milliseconds kPublishDrain{3000};

} // namespace

RunSession::RunSession(Link &link, PartialOutput &output, const RunChannels &channels, const RecordOptions &options)
    : link_(link), output_(output), channels_(channels), options_(options), recording_(channels.data(), output.fd),
      showStatus_(!options.quiet && ::isatty(STDERR_FILENO))
{
    end_.lineName = lineName(options.port);
    recording_.setOutput(&output);
    recording_.setCapture(channels.capture());
    recording_.setEngineering(channels.engineering());
    recording_.setFormat(options.format);
    if (options.rotation.used())
        recording_.setRotation(options.out, options.rotation);
    recording_.setInfluxTags(devicePathForPort(options.port), options.tags);
}

int RunSession::record(const RunStopSignals &stop)
{
    if (const QString error = start(); !error.isEmpty()) {
        output_.discard();
        return exitWithMessage(kExitPort, error);
    }
    task_.setPause(std::chrono::milliseconds(options_.waitTimeMs));
    reader_ = std::thread([this] { recordPasses(link_, task_, channels_.data(), recording_, {}, options_.readMode); });
    watch(stop);
    this->stop();
    end_.figures = recording_.figures();
    const auto elapsed = std::chrono::steady_clock::now() - end_.started;
    if (showStatus_)
        printLastStatus(statusLine(end_.figures, elapsed, end_.lineName, runState()));
    printSummary(options_, end_.figures, std::chrono::steady_clock::now() - end_.started, channels_.data(), publishers_);
    return runOutcome(options_, output_, channels_.capture(), end_);
}

QString RunSession::start()
{
    QString error;
    publishers_ = startPublishers(options_, channels_.data(), &error);
    if (!error.isEmpty())
        return error;
    for (const auto &publisher : publishers_)
        recording_.addPublisher(publisher.get());
    end_.started = std::chrono::steady_clock::now();
    if (!recording_.begin(end_.started, QDateTime::currentDateTime())) {
        const RunRecording::Figures figures = recording_.figures();
        return kOutWriteFailed.arg(options_.rotation.used() ? figures.filePath : options_.out, figures.writeError);
    }
    return {};
}

void RunSession::watch(const RunStopSignals &stop)
{
    const TriggerCapture *capture = channels_.capture();
    for (;;) {
        const int signal = stop.waitFor(kTick);
        const auto elapsed = std::chrono::steady_clock::now() - end_.started;
        const bool written = recording_.flush();
        // The file takes the place of --out with its first row, not before.
        if (written && recording_.figures().rows > 0 && !output_.moveIntoPlace(&end_.placeError))
            break;
        if (showStatus_)
            printStatus(statusLine(recording_.figures(), elapsed, end_.lineName, runState()));
        // The last event captured ends the run as the duration does.
        end_.stoppedBySignal = signal != 0;
        if ((capture && capture->done()) || signal != 0 || !written
            || (options_.duration && elapsed >= *options_.duration))
            break;
    }
}

void RunSession::stop()
{
    task_.cancel();
    reader_.join();
    recording_.flush();
    link_.close();
    // What the brokers have not taken by now waits in the spools for the next start.
    for (const auto &publisher : publishers_)
        publisher->stop(kPublishDrain);
}

QString RunSession::runState() const
{
    QList<MqttPublisher::Figures> brokers;
    for (const auto &publisher : publishers_)
        brokers.append(publisher->figures());
    const TriggerCapture *capture = channels_.capture();
    return runStateText(capture ? std::optional(capture->progress()) : std::nullopt, brokers);
}

} // namespace record
