#pragma once
// Trend passes over a noisy line, every value checked against the controller's memory: a value is
// either the word at its own channel's address or its read is reported failed, never another
// channel's word. The memory holds a different word at every address, so a value that moved to
// another channel cannot pass for right. Shared by the suite's short run and the soak benchmark.

#include "link/Link.h"
#include "link/LinkThread.h"
#include "sim/ControllerSimulator.h"
#include "trend/model/SamplingRead.h"
#include "trend/model/TrendPoll.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace noisyline {

inline constexpr std::uint32_t kFirstAddress = 0x600E00;
inline constexpr std::uint32_t kLastAddress = 0x601200;

// A word of its own at every even address in the range: (address / 2) times an odd number is a
// one-to-one map of 16-bit numbers.
inline std::uint16_t wordAt(std::uint32_t address)
{
    return static_cast<std::uint16_t>(((address >> 1) * 40503u) & 0xFFFFu);
}

inline ControllerMemory distinctWords()
{
    ControllerMemory memory;
    for (std::uint32_t a = kFirstAddress; a < kLastAddress; a += 2)
        memory.setWord(a, wordAt(a));
    return memory;
}

// Fourteen channels: word channels on neighbouring words (one block read in block mode) and on
// words of their own; logic channels on bits of those words and of others.
inline const std::vector<int> kSelected = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
inline const std::array<std::uint32_t, kChannels> kAddresses = {
    0x600E60, 0x600E62, 0x600E64, 0x600E70, 0x600F00, 0x600F02, 0x601000,
    0x600E60, 0x600E66, 0x600F04, 0x600F00, 0x601002, 0x601100, 0x600E62};

struct Figures {
    std::uint64_t passes = 0;
    std::uint64_t cells = 0;
    std::uint64_t wrong = 0;
    std::uint64_t empty = 0;
    std::uint64_t exchanges = 0;
    QString firstWrong; // the pass, channel and values of the first wrong value
};

// Reads passes until `exchanges` exchanges (requests and their replies) have been made (or `passes` passes read, whichever
// comes first) and checks every cell.
inline Figures readAndCheck(Link &link, readplan::ReadMode mode, std::uint64_t passes, std::uint64_t exchanges)
{
    Figures figures;
    LinkTask task;
    const quint64 exchangesBefore = link.exchangeCount();
    trendpoll::PollPlan plan = trendpoll::makePollPlan(kSelected, kAddresses, mode);
    while (figures.passes < passes && figures.exchanges < exchanges) {
        const trendpoll::TrendPass pass = trendpoll::readPass(link, task, plan);
        ++figures.passes;
        figures.exchanges = link.exchangeCount() - exchangesBefore;
        for (const int c : kSelected) {
            ++figures.cells;
            if (pass.readout.failedChannels & (1u << c)) {
                ++figures.empty;
                continue;
            }
            const std::int32_t expected = signedWord(wordAt(kAddresses[static_cast<std::size_t>(c)]));
            const std::int32_t got = pass.readout.latestValue[static_cast<std::size_t>(c)];
            if (got != expected) {
                if (figures.wrong++ == 0)
                    figures.firstWrong = QStringLiteral("pass %1, channel %2 (%3): %4, not %5")
                                             .arg(figures.passes)
                                             .arg(c + 1)
                                             .arg(kAddresses[static_cast<std::size_t>(c)], 8, 16, QLatin1Char('0'))
                                             .arg(got)
                                             .arg(expected);
            }
        }
    }
    return figures;
}

} // namespace noisyline
