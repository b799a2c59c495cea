#include "trend/model/ReadPlan.h"

#include "link/Settings.h"
#include "trend/model/TrendCoreTexts.h"

#include <QStringList>
#include <algorithm>
#include <iterator>
#include <limits>

namespace readplan {

namespace {

int blockWireBytes(int byteCount) { return kBlockReadFixedWireBytes + kBlockReadWireBytesPerByte * byteCount; }

PlannedRead wordRead(std::uint32_t address, std::vector<ChannelWord> served)
{
    return {'R', address, 2, std::move(served)};
}

// The channels on the word at `address`, in channel order.
std::vector<ChannelWord> channelsAt(std::uint32_t address, const std::vector<ChannelWord> &channels)
{
    std::vector<ChannelWord> on;
    std::copy_if(channels.begin(), channels.end(), std::back_inserter(on),
                 [address](const ChannelWord &c) { return c.address == address; });
    return on;
}

// Distinct words in the order their first channel comes.
std::vector<std::uint32_t> wordsInChannelOrder(const std::vector<ChannelWord> &channels)
{
    std::vector<std::uint32_t> words;
    for (const ChannelWord &c : channels) {
        if (std::find(words.begin(), words.end(), c.address) == words.end())
            words.push_back(c.address);
    }
    return words;
}

// Bytes from the first word of a run of ascending words to the end of its last one.
std::uint64_t spanBytes(std::uint32_t first, std::uint32_t last) { return std::uint64_t(last) - first + 2; }

// The cheapest cut of the ascending distinct words into runs, each read by one request: a lone
// word by "R", a longer run by one "r" over its span (unused words inside it cost their bytes
// too). A merge has to cost strictly fewer bytes than keeping the words apart.
std::vector<std::pair<std::size_t, std::size_t>> cheapestRuns(const std::vector<std::uint32_t> &words)
{
    const std::size_t n = words.size();
    std::vector<std::uint64_t> cost(n + 1, std::numeric_limits<std::uint64_t>::max());
    std::vector<std::size_t> runStart(n + 1, 0);
    cost[0] = 0;
    for (std::size_t end = 1; end <= n; ++end) {
        // Shorter runs first, so that a tie keeps the words apart.
        for (std::size_t begin = end; begin-- > 0;) {
            const std::uint64_t span = spanBytes(words[begin], words[end - 1]);
            if (end - begin > 1 && span > static_cast<std::uint64_t>(kLargestBlockRead))
                break;
            const std::uint64_t runCost =
                end - begin == 1 ? kWordReadWireBytes : static_cast<std::uint64_t>(blockWireBytes(static_cast<int>(span)));
            if (cost[begin] + runCost < cost[end]) {
                cost[end] = cost[begin] + runCost;
                runStart[end] = begin;
            }
        }
    }
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (std::size_t end = n; end > 0; end = runStart[end])
        runs.emplace_back(runStart[end], end);
    std::reverse(runs.begin(), runs.end());
    return runs;
}

QString counted(int n, const QString &what)
{
    return QStringLiteral("%1 %2%3").arg(n).arg(what).arg(n == 1 ? QString() : kPluralEnding);
}

} // namespace

int PlannedRead::wireBytes() const { return isBlock() ? blockWireBytes(byteCount) : kWordReadWireBytes; }

int ReadPlan::wireBytes() const
{
    int bytes = 0;
    for (const PlannedRead &read : reads)
        bytes += read.wireBytes();
    return bytes;
}

double ReadPlan::passLimit() const
{
    const int bytes = wireBytes();
    return bytes == 0 ? 0.0 : kWireBytesPerSecond / bytes;
}

int ReadPlan::blockReads() const
{
    return static_cast<int>(std::count_if(reads.begin(), reads.end(), [](const PlannedRead &r) { return r.isBlock(); }));
}

int ReadPlan::wordReads() const { return static_cast<int>(reads.size()) - blockReads(); }

ReadPlan makeReadPlan(const std::vector<ChannelWord> &channels, ReadMode mode)
{
    ReadPlan plan;
    plan.mode = mode;
    switch (mode) {
    case ReadMode::PerChannel:
        for (const ChannelWord &c : channels)
            plan.reads.push_back(wordRead(c.address, {c}));
        break;
    case ReadMode::EachWord:
        for (std::uint32_t word : wordsInChannelOrder(channels))
            plan.reads.push_back(wordRead(word, channelsAt(word, channels)));
        break;
    case ReadMode::Blocks: {
        std::vector<std::uint32_t> words = wordsInChannelOrder(channels);
        std::sort(words.begin(), words.end());
        for (const auto &[begin, end] : cheapestRuns(words)) {
            if (end - begin == 1) {
                plan.reads.push_back(wordRead(words[begin], channelsAt(words[begin], channels)));
                continue;
            }
            const std::uint32_t first = words[begin];
            const std::uint32_t last = words[end - 1];
            PlannedRead block{'r', first, static_cast<int>(spanBytes(first, last)), {}};
            std::copy_if(channels.begin(), channels.end(), std::back_inserter(block.served),
                         [first, last](const ChannelWord &c) { return c.address >= first && c.address <= last; });
            plan.reads.push_back(std::move(block));
        }
        break;
    }
    }
    return plan;
}

ReadPlan makeReadPlan(const std::vector<int> &selected, const std::array<std::uint32_t, kChannels> &addresses,
                      ReadMode mode)
{
    std::vector<ChannelWord> channels;
    for (int c : selected)
        channels.push_back({c, addresses[static_cast<std::size_t>(c)]});
    return makeReadPlan(channels, mode);
}

ReadPlan withoutBlockRead(const ReadPlan &plan, std::size_t index)
{
    if (index >= plan.reads.size() || !plan.reads[index].isBlock())
        return plan;
    ReadPlan out = plan;
    const std::vector<ChannelWord> served = plan.reads[index].served;
    std::vector<std::uint32_t> words = wordsInChannelOrder(served);
    std::sort(words.begin(), words.end());
    std::vector<PlannedRead> replacement;
    for (std::uint32_t word : words)
        replacement.push_back(wordRead(word, channelsAt(word, served)));
    const auto at = out.reads.erase(out.reads.begin() + static_cast<std::ptrdiff_t>(index));
    out.reads.insert(at, replacement.begin(), replacement.end());
    return out;
}

QString planText(const ReadPlan &plan)
{
    QStringList reads;
    if (plan.blockReads() > 0)
        reads << counted(plan.blockReads(), kBlockReadCounted);
    if (plan.wordReads() > 0 || reads.isEmpty())
        reads << counted(plan.wordReads(), kWordReadCounted);
    return kPlanText
        .arg(reads.join(QStringLiteral(" + ")))
        .arg(plan.wireBytes())
        .arg(plan.passLimit(), 0, 'f', 1);
}

QString givenUpText(const BlockReadGivenUp &givenUp)
{
    return kBlockReadGivenUp
        .arg(QString::number(givenUp.address, 16).toUpper().rightJustified(8, QLatin1Char('0')))
        .arg(givenUp.byteCount)
        .arg(givenUp.refused      ? kBlockReadRefusedReason
             : givenUp.unanswered ? kBlockReadNotAnsweredReason
                                  : kBlockReadWrongLengthReason)
        .arg(givenUp.code);
}

QString readModeName(ReadMode mode)
{
    switch (mode) {
    case ReadMode::PerChannel:
        return QStringLiteral("channel");
    case ReadMode::EachWord:
        return QStringLiteral("word");
    case ReadMode::Blocks:
        return QStringLiteral("block");
    }
    return {};
}

std::optional<ReadMode> parseReadMode(const QString &name)
{
    for (ReadMode mode : {ReadMode::PerChannel, ReadMode::EachWord, ReadMode::Blocks}) {
        if (name == readModeName(mode))
            return mode;
    }
    return std::nullopt;
}

ReadMode storedReadMode()
{
    return parseReadMode(readSetting(QString(), kReadModeValue)).value_or(kDefaultReadMode);
}

void storeReadMode(ReadMode mode) { writeSetting(QString(), kReadModeValue, readModeName(mode)); }

} // namespace readplan
