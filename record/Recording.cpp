#include "record/Recording.h"

#include "link/LinkResult.h"
#include "link/Settings.h"
#include "record/RecordTexts.h"
#include "trend/model/Presets.h"
#include "trend/model/RunStart.h"
#include "trend/model/TrendCoreTexts.h"
#include "trend/model/TrendCsv.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <thread>

namespace record {

namespace {

// Resolves the records' names and addresses and derives the selection, scales and addresses,
// as a run start does. `describe(c)` names channel c in a message.
QString resolveSetup(TrendData &data, const QStringList &variableList, const std::function<QString(int)> &describe)
{
    const runstart::Resolution resolution = runstart::resolveAddresses(data.channels, variableList);
    for (int c = 0; c < kChannels; ++c) {
        if (data.channels[c].selected && resolution.addressText[c].isEmpty()) {
            QString message = kNotInVariableList.arg(describe(c));
            const QStringList near = runstart::closestNames(variableList, data.channels[c].addressOrName);
            if (!near.isEmpty())
                message += kDidYouMean.arg(near.join(QStringLiteral(", ")));
            return message;
        }
        data.channelAddress[c] = runstart::addressFromText(resolution.addressText[c]);
    }
    switch (runstart::checkScales(data.channels)) {
    case runstart::ScaleProblem::None:
        break;
    case runstart::ScaleProblem::BadBitNumber:
        return kBitNumberNotWhole.arg(describe(-1));
    case runstart::ScaleProblem::BadFullScale:
    case runstart::ScaleProblem::FullScaleZero:
        return kFullScaleNotWhole.arg(describe(-1));
    }
    if (const std::optional<int> c = runstart::firstBitOutOfRange(data.channels))
        return kBitOutOfRange.arg(describe(*c));
    runstart::buildSelection(data);
    if (data.selectedChannels.empty())
        return kNoChannelOn.arg(describe(-1));
    return {};
}

bool isHexText(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
    });
}

} // namespace

ChannelSetup channelsFromTexts(const QStringList &texts, const QStringList &variableList)
{
    ChannelSetup setup;
    for (ChannelRecord &record : setup.data.channels)
        record = {false, AddressKind::Address, QString(), QStringLiteral("1")};
    std::array<QString, kChannels> given;
    int nextWord = 0;
    int nextLogic = kAnalogChannels;
    for (const QString &text : texts) {
        const QString argument = kChannelArgument.arg(text);
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        const QString name = colon < 0 ? text : text.left(colon);
        const QString bit = colon < 0 ? QString() : text.mid(colon + 1);
        if (name.isEmpty() || name.contains(QLatin1Char(' ')) || name.contains(QLatin1Char(',')) ||
            name.contains(QLatin1Char('"'))) {
            setup.error = argument + kGiveNameOrAddress;
            return setup;
        }
        bool bitOk = false;
        const int bitNumber = bit.toInt(&bitOk);
        if (colon >= 0 && (!bitOk || bitNumber < 0 || bitNumber > 15)) {
            setup.error = argument + kBitAfterColonOutOfRange;
            return setup;
        }
        int &next = colon < 0 ? nextWord : nextLogic;
        if (next >= (colon < 0 ? kAnalogChannels : kChannels)) {
            setup.error = argument + (colon < 0 ? kTooManyWordChannels : kTooManyLogicChannels);
            return setup;
        }
        ChannelRecord &record = setup.data.channels[next];
        const bool named = !runstart::lookUpName(variableList, name).isEmpty();
        if (!named && isHexText(name)) {
            if (name.size() > kMaxAddressDigits) {
                setup.error = argument + kAddressTooLong;
                return setup;
            }
            if (!name.front().isDigit())
                setup.warnings.append(argument + kReadAsAddress.arg(name.toUpper()));
        }
        record.selected = true;
        record.addressKind = named ? AddressKind::Name : AddressKind::Address;
        record.addressOrName = named ? name : name.toUpper();
        record.fullScale = colon < 0 ? QStringLiteral("1") : bit;
        given[next] = argument;
        ++next;
    }
    setup.error = resolveSetup(setup.data, variableList, [&given, &texts](int c) {
        return c >= 0 ? given[c] : kChannelArgument.arg(texts.join(QStringLiteral(" --channel ")));
    });
    return setup;
}

ChannelSetup channelsFromPresets(const QStringList &presetLines, const QString &fileName,
                                 const QStringList &variableList)
{
    ChannelSetup setup;
    setup.data.channels = presets::parsePresetLines(presetLines);
    setup.error = resolveSetup(setup.data, variableList, [&](int c) {
        if (c < 0)
            return kPresetsArgument.arg(fileName);
        return kPresetsChannel.arg(fileName).arg(c + 1).arg(setup.data.channels[c].addressOrName);
    });
    return setup;
}

void recordPasses(Link &link, LinkTask &task, const TrendData &channels, RunRecording &recording,
                  const std::function<void(std::uint64_t rows)> &afterRow, readplan::ReadMode mode)
{
    // The file takes the passes on a thread of its own, as the window does on its own: the reading
    // thread hands a pass over and reads the next one while the row is written, never more than
    // kPassesAhead ahead (the task's hand-over).
    std::mutex mutex;
    std::condition_variable handed;
    std::deque<trendpoll::TrendPass> waiting;
    bool ended = false;
    std::thread writer([&] {
        std::uint64_t rows = 0;
        for (;;) {
            std::unique_lock lock(mutex);
            handed.wait(lock, [&] { return ended || !waiting.empty(); });
            if (waiting.empty())
                return;
            const trendpoll::TrendPass pass = std::move(waiting.front());
            waiting.pop_front();
            lock.unlock();
            recording.append(pass);
            task.taken();
            if (!pass.readout.abandoned && afterRow)
                afterRow(++rows);
        }
    });
    trendpoll::PollPlan plan = trendpoll::makePollPlan(channels.selectedChannels, channels.channelAddress, mode);
    recording.setPlan(plan.reads);
    trendpoll::pollPasses(link, task, std::move(plan), [&](trendpoll::TrendPass pass) {
        {
            std::lock_guard lock(mutex);
            waiting.push_back(std::move(pass));
        }
        handed.notify_one();
    });
    {
        std::lock_guard lock(mutex);
        ended = true;
    }
    handed.notify_one();
    writer.join();
}

namespace {

QString failedReadsText(const ExchangeStats &stats)
{
    QStringList failed;
    for (const auto &[code, count] : stats.failuresByCode)
        failed << QStringLiteral("%1: %2").arg(linkResultLabel(code)).arg(count);
    return failed.isEmpty() ? kNoFailedReads : failed.join(QStringLiteral(", "));
}

} // namespace

QString clockText(std::chrono::steady_clock::duration elapsed)
{
    const long long s = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString summaryLine(const RunRecording::Figures &figures, std::chrono::steady_clock::duration elapsed,
                    const TrendData &channels)
{
    QStringList byChannel;
    for (int c : channels.selectedChannels) {
        const std::uint64_t failed = figures.failedReadsByChannel[static_cast<std::size_t>(c)];
        if (failed > 0)
            byChannel << kChannelFailedReads.arg(trendcsv::columnName(channels.channels[static_cast<std::size_t>(c)], c))
                             .arg(failed);
    }
    QString failed = failedReadsText(figures.poll.stats);
    if (!byChannel.isEmpty())
        failed += kFailedReadsByChannel.arg(byChannel.join(QStringLiteral(", ")));
    QString summary =
        kSummaryLine.arg(figures.rows).arg(clockText(elapsed)).arg(figures.poll.passesPerSecond(), 0, 'f', 2).arg(failed);
    // The block reads given up for word reads, a line each: the status line that said so is shown
    // on a terminal only.
    for (const QString &givenUp : figures.givenUp)
        summary += u'\n' + kProgramMessage.arg(givenUp).trimmed();
    return summary;
}

QString lineName(const QString &port)
{
    const QString device = devicePathForPort(port);
    return device == port ? port : kPortAndDevice.arg(port, device);
}

QString statusLine(const RunRecording::Figures &figures, std::chrono::steady_clock::duration elapsed,
                   const QString &lineName, const QString &state)
{
    QString line;
    if (!lineName.isEmpty())
        line += lineName + QStringLiteral("  ");
    if (figures.poll.passes > 0 && !figures.reply.answering) {
        const auto ago = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                               figures.reply.lastAnswer);
        line += kNoReplySinceStatus.arg(QDateTime::currentDateTime().addMSecs(-ago.count()).toString(kLineEventTimeFormat)) +
                QStringLiteral("  ");
    }
    if (!state.isEmpty())
        line += state + QStringLiteral("  ");
    line += kStatusLine
                       .arg(figures.rows)
                       .arg(figures.poll.passesPerSecond(), 0, 'f', 2)
                       .arg(failedReadsText(figures.poll.stats), clockText(elapsed))
                       .arg(static_cast<double>(figures.bytes) / 1024.0, 0, 'f', 1);
    if (figures.lastLineEvent != trendpoll::LineEvent::None)
        line += QStringLiteral("  %1 %2")
                    .arg(figures.lastLineEvent == trendpoll::LineEvent::Lost ? kLineLostEvent : kLineBackEvent,
                         figures.lastLineEventAt.toString(kLineEventTimeFormat));
    if (!figures.planText.isEmpty())
        line += QStringLiteral("  ") + figures.planText;
    if (!figures.givenUpText.isEmpty())
        line += QStringLiteral("  ") + figures.givenUpText;
    return line;
}

} // namespace record
