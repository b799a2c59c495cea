#include "monitor/MonitorPoll.h"

#include "link/ControllerWord.h"

#include <chrono>
#include <utility>

namespace monitor {

void pollSections(Link &link, LinkTask &task, const SectionTable &table, const std::array<QString, 4> &pointers,
                  std::size_t readBufferSize, const std::function<void(SectionResult)> &handOver)
{
    LineKeeper line(link);
    ReadBuffer buffer(readBufferSize, 0);
    ExchangeStats sectionStats;
    bool lostInSection = false; // this section found the device gone
    const WordReader read = [&](std::uint32_t address, int words, std::vector<int> &values) {
        const auto start = std::chrono::steady_clock::now();
        const int code = link.readBlock('r', static_cast<std::uint16_t>(2 * words), address, buffer);
        // A block read's -1 hides which of its exchanges failed and how.
        const int failure = code != 0 && link.lastReadResult() != 0 ? link.lastReadResult() : code;
        sectionStats.add(failure, std::chrono::steady_clock::now() - start);
        if (line.afterRequest(failure))
            lostInSection = true;
        if (code != 0)
            return false;
        values.resize(static_cast<std::size_t>(words));
        for (std::size_t k = 0; k < values.size(); ++k)
            values[k] = signedWord(buffer[2 * k], buffer[2 * k + 1]);
        return true;
    };
    const int sectionsAhead = LineKeeper::kPassesAhead * static_cast<int>(table.size());
    for (;;) {
        if (!line.reopenWhenDue(task))
            return;
        bool back = line.takeLineBack();
        for (int i = 0; i < static_cast<int>(table.size()); ++i) {
            if (!task.waitForRoom(sectionsAhead))
                return;
            SectionResult result;
            result.section = i;
            result.outcome = readSection(table[static_cast<std::size_t>(i)], pointers, read, result.values);
            result.stats = std::exchange(sectionStats, ExchangeStats{});
            result.lineLost = std::exchange(lostInSection, false);
            result.lineBack = std::exchange(back, false);
            result.reply = line.replyState();
            const PassOutcome outcome = result.outcome;
            task.handedOver();
            handOver(std::move(result));
            if (outcome == PassOutcome::PointersMissing)
                return;
            if (outcome == PassOutcome::ReadFailed)
                break;
        }
    }
}

} // namespace monitor
