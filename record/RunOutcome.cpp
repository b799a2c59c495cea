#include "record/RunOutcome.h"

#include "record/RecordOptions.h"
#include "record/RecordTexts.h"
#include "record/Recording.h"
#include "record/TerminalOutput.h"
#include "record/TriggerCapture.h"

#include <QFileInfo>

namespace record {

namespace {

// Rows of empty cells are no recording: an unattended run must not look fine.
int noGoodReadOutcome(const RunRecording::Figures &figures, const QString &lineName)
{
    if (figures.poll.passes > 0 && figures.passesWithGoodRead == 0) {
        printMessage(kNoGoodRead.arg(lineName));
        return kExitNoGoodRead;
    }
    return kExitDone;
}

// A triggered run that saw no event says so: its file (if any) holds no row, which alone would
// look like a run that went well. Ended by its duration it has a code of its own; stopped by a
// signal it ends as a stop does.
int noEventOutcome(const TriggerCapture *capture, const QString &trigger, std::chrono::steady_clock::duration elapsed,
                   bool stoppedBySignal)
{
    if (!capture)
        return kExitDone;
    const TriggerCapture::Progress progress = capture->progress();
    if (progress.event != 1 || progress.state != TriggerCapture::State::Armed)
        return kExitDone;
    if (stoppedBySignal)
        return exitWithMessage(kExitDone, kNoEventBeforeStop.arg(trigger, clockText(elapsed)));
    return exitWithMessage(kExitNoEvent, kNoEventCame.arg(trigger, clockText(elapsed)));
}

// What becomes of the output when the run has ended, and the exit code: a file with rows is put in
// place (also after a failed write: it ends with its last whole row); a run without a row leaves a
// file that was there as it was, and otherwise puts its header in place, as a start of a file.
int finishOutput(PartialOutput &output, const RunRecording::Figures &figures, QString placeError,
                 const QString &lineName)
{
    if (output.toStandardOutput) {
        if (figures.writeFailed)
            return exitWithMessage(kExitPort, kStandardOutputFailed.arg(figures.writeError));
        return noGoodReadOutcome(figures, lineName);
    }
    const QString &out = output.finalPath;
    const bool fileThere = QFileInfo::exists(out);
    if (figures.rows == 0 && !output.inPlace && (fileThere || figures.writeFailed)) {
        output.discard();
        if (fileThere)
            printMessage(kOutNoRow.arg(out));
    } else if (placeError.isEmpty()) {
        output.moveIntoPlace(&placeError);
    }
    if (figures.writeFailed)
        printMessage(kOutWriteFailed.arg(out, figures.writeError));
    if (!placeError.isEmpty())
        printMessage(kOutNotInPlace.arg(out, placeError, output.path));
    if (figures.writeFailed || !placeError.isEmpty())
        return kExitPort;
    return noGoodReadOutcome(figures, lineName);
}

} // namespace

int exitWithMessage(int code, const QString &message)
{
    printMessage(message);
    return code;
}

void printSummary(const RecordOptions &options, const RunRecording::Figures &figures,
                  std::chrono::steady_clock::duration elapsed, const TrendData &channels,
                  const std::vector<std::unique_ptr<MqttPublisher>> &publishers)
{
    if (options.quiet)
        return;
    // Standard output carries the data alone when the rows go there.
    std::FILE *to = options.outToStandardOutput() ? stderr : stdout;
    print(to, summaryLine(figures, elapsed, channels) + u'\n');
    for (const auto &publisher : publishers)
        print(to, publishSummaryText(publisher->target(), publisher->figures()) + u'\n');
}

int runOutcome(const RecordOptions &options, PartialOutput &output, const TriggerCapture *capture, const RunEnd &end)
{
    const bool series = options.rotation.used();
    if (series && end.figures.writeFailed)
        return exitWithMessage(kExitPort, kOutWriteFailed.arg(end.figures.filePath, end.figures.writeError));
    const int code = options.out.isEmpty() || series ? noGoodReadOutcome(end.figures, end.lineName)
                                                     : finishOutput(output, end.figures, end.placeError, end.lineName);
    if (code != kExitDone)
        return code;
    return noEventOutcome(capture, options.trigger, std::chrono::steady_clock::now() - end.started, end.stoppedBySignal);
}

} // namespace record
