#include "trend/run/TrendRun.h"

#include "base/ErrorTrace.h"
#include "base/PortPause.h"
#include "base/ProgramFolder.h"
#include "base/SaveFailure.h"
#include "base/TextFile.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/model/Presets.h"
#include "trend/model/RunStart.h"
#include "trend/run/Sampling.h"
#include "trend/model/TrendCsv.h"
#include "trend/readout/TrendReadout.h"

#include "link/LinkResult.h"

#include <QDateTime>
#include <algorithm>
#include <utility>

namespace {

const QString kErrorTraceFile = QStringLiteral("ErrTrace.txt");

// The message of a selection whose scales cannot be drawn, or nothing.
std::optional<QString> scaleMessage(runstart::ScaleProblem problem)
{
    switch (problem) {
    case runstart::ScaleProblem::None:
        break;
    case runstart::ScaleProblem::BadFullScale:
        return kCheckFullScale;
    case runstart::ScaleProblem::FullScaleZero:
        return kFullScaleZero;
    case runstart::ScaleProblem::BadBitNumber:
        return kCheckBitNumber;
    }
    return std::nullopt;
}

} // namespace

TrendRun::TrendRun(Workspace &ws, TrendData &data, GraphLayers &layers, QObject *parent)
    : QObject(parent), ws_(ws), data_(data), layers_(layers)
{
    portPause_ = new PortPause(this);
    connect(portPause_, &PortPause::finished, this, &TrendRun::beginSampling);
    replyWatch_ = new NoReplyWatch(this);
    connect(replyWatch_, &NoReplyWatch::noReply, this, &TrendRun::noReply);
    connect(replyWatch_, &NoReplyWatch::replyAgain, this, &TrendRun::replyAgain);
}

TrendRun::~TrendRun()
{
    if (active_ || starting_ || task_)
        stop();
}

QString TrendRun::unresolvedMessage(const runstart::Resolution &resolution) const
{
    QString message = kAddressNotFound;
    if (const std::optional<int> c = runstart::firstUnresolved(data_.channels, resolution))
        message += u'\n' + kChannelNotFound.arg(*c + 1).arg(data_.channels[static_cast<std::size_t>(*c)].addressOrName);
    // Until a Data Read has decoded the super block, only the names of the variable files are known.
    const std::vector<BlockRecord> &blocks = ws_.catalogue.blockRecords;
    if (blocks.empty() || blocks.front().typeCode == 0)
        message += u'\n' + kDataReadBuildsList;
    return message;
}

std::optional<QString> TrendRun::start(const QString &numberBaseCaption)
{
    const runstart::Resolution resolution = runstart::resolveAddresses(data_.channels, ws_.catalogue.variableList);
    if (resolution.errorCount != 0)
        return unresolvedMessage(resolution);
    // Scales are checked before anything is saved or cleared, so a refused start keeps the last
    // recording and the presets.
    if (const std::optional<QString> message = scaleMessage(runstart::checkScales(data_.channels)))
        return message;
    if (const std::optional<int> c = runstart::firstBitOutOfRange(data_.channels)) {
        const ChannelRecord &record = data_.channels[static_cast<std::size_t>(*c)];
        return kCheckBitNumber + u'\n' + kBitOutOfRange.arg(*c + 1).arg(record.addressOrName, record.fullScale);
    }

    std::array<std::optional<std::uint32_t>, kChannels> addresses{};
    for (int c = 0; c < kChannels; ++c)
        addresses[static_cast<std::size_t>(c)] = runstart::addressFromText(resolution.addressText[static_cast<std::size_t>(c)]);
    if (const std::optional<QString> refused = math_.refusal(data_.channels, addresses))
        return refused;
    for (int c = 0; c < kChannels; ++c)
        data_.channelAddress[static_cast<std::size_t>(c)] = addresses[static_cast<std::size_t>(c)].value_or(0);
    // A preset file that cannot be written does not stop the run (the recording matters more), but
    // the user hears that the set-up will be gone at the next start.
    QStringList notSaved;
    if (!presets::savePresets(numberBaseCaption, data_.channels, &notSaved))
        savefailure::report(ws_.dialogs, kPresetsNotSaved, notSaved);
    runstart::buildSelection(data_);
    runstart::resetRecording(data_);
    layers_.pen.restart();
    math_.begin(data_);

    starting_ = true;
    const quint64 start = ++startCount_;
    ws_.linkThread.openTellingFailure(
        PortUser::TrendRun, this,
        [this, start](LinkThread::OpenOutcome outcome, const LinkThread::PortMessages &messages) {
            // A start that was given up meanwhile has nothing more to do.
            if (start == startCount_ && starting_)
                portOpened(outcome, messages);
        });
    return std::nullopt;
}

void TrendRun::portOpened(LinkThread::OpenOutcome outcome, const LinkThread::PortMessages &messages)
{
    if (outcome != LinkThread::OpenOutcome::Opened) {
        starting_ = false;
        // A port held by another window of the program has been named already. A port that would
        // not open is told in one box: the port's message, its device and reason, and under them
        // that the run did not start.
        if (outcome == LinkThread::OpenOutcome::Failed) {
            if (messages.empty()) {
                ws_.dialogs.showMessage(kCommunicationError);
            } else {
                QStringList detail;
                for (std::size_t i = 0; i < messages.size(); ++i) {
                    if (i > 0)
                        detail << messages[i].first;
                    if (!messages[i].second.isEmpty())
                        detail << messages[i].second;
                }
                detail << kCommunicationError;
                ws_.dialogs.showMessage(messages.front().first, detail.join(u'\n'));
            }
        }
        emit startFailed();
        return;
    }
    // The controller is given a moment after the port opened; the window stays live meanwhile.
    portPause_->start();
}

void TrendRun::beginSampling()
{
    starting_ = false;
    active_ = true;
    data_.ringWritePos = 0;
    layers_.clearTraceLayer();
    errorTrace_.reset();
    // The plan is made once, before anyone hears that the run has begun.
    trendpoll::PollPlan plan =
        trendpoll::makePollPlan(data_.selectedChannels, data_.channelAddress, readplan::storedReadMode());
    readPlan_ = plan.reads;
    emit samplingBegun();
    replyWatch_->begin(passDue());

    task_ = ws_.linkThread.newTask();
    task_->setPause(std::chrono::milliseconds(waitTimeMs()));
    const LinkThread::Reply reply = ws_.linkThread.replyTo(this);
    ws_.linkThread.post([this, task = task_, plan = std::move(plan), reply](Link &link) {
        trendpoll::pollPasses(link, *task, plan, [&](trendpoll::TrendPass pass) {
            reply([this, task, pass = std::move(pass)] { takePass(task, pass); });
        });
    });
}

void TrendRun::stop()
{
    portPause_->stop();
    starting_ = false;
    ++startCount_;
    if (task_) {
        task_->cancel();
        task_.reset();
    }
    active_ = false;
    replyWatch_->end();
    // The port goes back once the exchange in flight has ended; a new start waits for that.
    ws_.linkThread.close(PortUser::TrendRun);
}

int TrendRun::waitTimeMs() const
{
    return static_cast<int>(ws_.session.state().waitTime.pause.count());
}

void TrendRun::appendErrorTrace(const trendpoll::ReadFailure &failure)
{
    const QString timestamp = sampling::traceTimestamp(QDateTime::currentDateTime());
    const QString name = trendcsv::columnName(data_.channels[static_cast<std::size_t>(failure.channel)], failure.channel);
    appendErrorTrace(sampling::errorTraceLine(timestamp, failure.code, failure.lastErrorReply,
                                              trendpoll::failureWhereText(failure, name)));
}

void TrendRun::appendErrorTrace(const readplan::BlockReadGivenUp &givenUp)
{
    const QString timestamp = sampling::traceTimestamp(QDateTime::currentDateTime());
    appendErrorTrace(sampling::errorTraceLine(timestamp, readplan::givenUpText(givenUp)));
}

void TrendRun::appendErrorTrace(const QByteArray &entry)
{
    if (!errorTrace_) {
        // A trace that cannot be written where it began goes on in the user's data folder; the
        // window hears it once and says so without a message box interrupting the run.
        errorTrace_ = std::make_unique<ErrorTrace>(
            programfolder::errorTracePath(kErrorTraceFile), programfolder::userDataPath(),
            [this](const QString &, const QString &problem, const QString &nowPath) {
                emit errorTraceMoved(problem, nowPath);
            });
    }
    errorTrace_->append(entry);
}

void TrendRun::takePass(const std::shared_ptr<LinkTask> &task, const trendpoll::TrendPass &pass)
{
    task->taken();
    // Every failed read is traced, also in a pass that STOP cut short.
    for (const trendpoll::ReadFailure &failure : pass.failures)
        appendErrorTrace(failure);
    for (const readplan::BlockReadGivenUp &givenUp : pass.blockReadsGivenUp)
        appendErrorTrace(givenUp);
    if (task == task_ && pass.planNow)
        readPlan_ = *pass.planNow;
    // A pass of a run that has ended, or one cut short, is not part of the recording.
    if (task != task_ || !active_ || pass.readout.abandoned)
        return;
    // The wait time may have been changed in the port settings meanwhile.
    task->setPause(std::chrono::milliseconds(waitTimeMs()));
    readout::recordRowInfo(data_, pass.readout, pass.ended);
    // As sampling::storePass, with the math channels computed from the row before the pen moves on.
    sampling::storeAndDraw(data_, layers_, pass.readout);
    math_.takeRow(data_, layers_);
    sampling::advancePen(layers_.pen);
    sampling::advanceRing(data_);
    ++passesStored_;
    replyWatch_->setResultDue(passDue());
    replyWatch_->take(pass.reply);
    emit passStored(pass);
}

std::chrono::milliseconds TrendRun::passDue() const
{
    // A pass of good reads takes a few tens of milliseconds per read; one reply time (at most 2 s)
    // more than the pause and those reads, and the line is silent.
    using namespace std::chrono;
    const auto reads = static_cast<int>(data_.selectedChannels.size());
    return milliseconds(waitTimeMs()) + milliseconds(40) * reads + milliseconds(2100);
}
