#include "trend/model/TrendPoll.h"

#include "link/LinkCodes.h"

#include <algorithm>

namespace trendpoll {

PollPlan makePollPlan(const std::vector<int> &selected, const std::array<std::uint32_t, kChannels> &addresses,
                      readplan::ReadMode mode)
{
    return {selected, addresses, readplan::makeReadPlan(selected, addresses, mode)};
}

namespace {

// A failed block read after which the link is in step again: its block-read probes went
// unanswered and the word read it probes with then was answered (the link's own rule for a
// controller that never answers "r"), while a silent line leaves it out of step.
bool blockReadNeverAnswered(const Link &link, int code)
{
    return code == codeOf(LinkResult::Timeout) && !link.lastReplyOfWrongLength() && !link.outOfStep();
}

// Whether a failed block read tells that the controller will not answer "r" as asked, rather than
// that the line or the controller failed this once.
bool blockReadUnanswerable(const Link &link, int code)
{
    return isRefusal(code) || (code == codeOf(LinkResult::Timeout) && link.lastReplyOfWrongLength()) ||
           blockReadNeverAnswered(link, code);
}

} // namespace

QString failureWhereText(const ReadFailure &failure, const QString &name)
{
    const auto hex = [](std::uint32_t address) {
        return QString::number(address, 16).toUpper().rightJustified(8, QLatin1Char('0'));
    };
    QString request = QString(QLatin1Char(failure.letter)) + u' ' + hex(failure.requestAddress);
    if (failure.letter == 'r')
        request += u'+' + QString::number(failure.requestBytes);
    return QStringLiteral("Channel=%1:%2 Address=%3 Request=%4").arg(failure.channel + 1).arg(name, hex(failure.address), request);
}

TrendPass readPass(LineKeeper &line, const LinkTask &task, PollPlan &plan)
{
    Link &link = line.link();
    TrendPass pass;
    std::array<std::optional<ReadFailure>, kChannels> failures;
    ReadBuffer block(readplan::kLargestBlockRead, 0);
    // One request on the line: its time and outcome counted, a gone line noticed.
    const auto exchange = [&](const readplan::PlannedRead &read) {
        const auto start = std::chrono::steady_clock::now();
        int code = 0;
        if (read.isBlock()) {
            code = link.readBlock('r', static_cast<std::uint16_t>(read.byteCount), read.address, block) == 0
                       ? 0
                       : link.lastReadResult();
        } else {
            code = link.readValue('R', 2, read.address);
        }
        pass.stats.add(code < 0 ? code : 0, std::chrono::steady_clock::now() - start);
        if (line.afterRequest(code))
            pass.lineEvent = LineEvent::Lost;
        return code;
    };

    for (std::size_t i = 0; i < plan.reads.reads.size(); ++i) {
        if (i > 0 && task.cancelled()) {
            pass.readout.abandoned = true;
            break;
        }
        const readplan::PlannedRead &read = plan.reads.reads[i];
        const int result = exchange(read);
        if (result < 0 && read.isBlock() && pass.lineEvent == LineEvent::None && blockReadUnanswerable(link, result)) {
            pass.blockReadsGivenUp.push_back(
                {read.address, read.byteCount, result, isRefusal(result), blockReadNeverAnswered(link, result)});
            plan.reads = readplan::withoutBlockRead(plan.reads, i);
            pass.planNow = plan.reads;
            --i; // the same place again, now the first of the words' "R" reads
            continue;
        }
        for (const readplan::ChannelWord &served : read.served) {
            const auto c = static_cast<std::size_t>(served.channel);
            if (result < 0) {
                failures[c] = ReadFailure{result,         link.lastErrorReply(), served.channel, served.address,
                                          read.letter,    read.address,          read.byteCount};
                continue;
            }
            const int offset = read.isBlock() ? readplan::wordOffset(read, served) : 0;
            const int word = read.isBlock() ? block[static_cast<std::size_t>(offset)] * 256 +
                                                  block[static_cast<std::size_t>(offset) + 1]
                                            : result;
            pass.readout.latestValue[c] = signedWord(word);
        }
    }
    // Failures are told in channel order, as one read per channel told them.
    for (int c : plan.selected) {
        const auto &failure = failures[static_cast<std::size_t>(c)];
        if (!failure)
            continue;
        pass.failures.push_back(*failure);
        ++pass.readout.errorCount;
        pass.readout.failedChannels = static_cast<std::uint16_t>(pass.readout.failedChannels | (1u << c));
    }
    pass.ended = std::chrono::steady_clock::now();
    pass.reply = line.replyState();
    return pass;
}

TrendPass readPass(Link &link, const LinkTask &task, PollPlan &plan)
{
    LineKeeper line(link);
    return readPass(line, task, plan);
}

void pollPasses(Link &link, LinkTask &task, PollPlan plan, const std::function<void(TrendPass)> &handOver)
{
    LineKeeper line(link);
    while (task.waitForRoom(LineKeeper::kPassesAhead)) {
        if (!line.reopenWhenDue(task))
            return;
        TrendPass pass = readPass(line, task, plan);
        if (line.takeLineBack() && pass.lineEvent == LineEvent::None)
            pass.lineEvent = LineEvent::Back;
        const bool abandoned = pass.readout.abandoned;
        task.handedOver();
        handOver(std::move(pass));
        if (abandoned)
            return;
        const std::chrono::milliseconds pause = task.pause();
        if (pause.count() > 0 && !task.sleepFor(pause))
            return;
    }
}

} // namespace trendpoll
