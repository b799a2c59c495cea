#include "monitor/MonitorPoll.h"

#include "link/ControllerWord.h"

#include <chrono>
#include <utility>

namespace monitor {

void pollSections(Link &link, LinkTask &task, const SectionTable &table, const std::array<QString, 4> &pointers,
                  std::size_t readBufferSize, const std::function<void(SectionResult)> &handOver)
{
    using Clock = std::chrono::steady_clock;
    ReadBuffer buffer(readBufferSize, 0);
    ExchangeStats sectionStats;
    bool lineLost = false;      // the device is gone; it is opened again at nextReopen
    bool lostInSection = false; // this section found it gone
    Clock::time_point nextReopen{};
    const WordReader read = [&](std::uint32_t address, int words, std::vector<int> &values) {
        const auto start = std::chrono::steady_clock::now();
        const int code = link.readBlock('r', static_cast<std::uint16_t>(2 * words), address, buffer);
        // A block read's -1 hides which of its exchanges failed and how.
        const int failure = code != 0 && link.lastReadResult() != 0 ? link.lastReadResult() : code;
        sectionStats.add(failure, std::chrono::steady_clock::now() - start);
        if (code != 0 && !lineLost && link.isOpen() && link.lineGone()) {
            link.closeLostLine();
            lineLost = lostInSection = true;
            nextReopen = Clock::now() + kMonitorReopenInterval;
        }
        if (code != 0)
            return false;
        values.resize(static_cast<std::size_t>(words));
        for (std::size_t k = 0; k < values.size(); ++k)
            values[k] = signedWord(buffer[2 * k], buffer[2 * k + 1]);
        return true;
    };
    for (;;) {
        bool back = false;
        if (lineLost) {
            const auto untilReopen = std::chrono::ceil<std::chrono::milliseconds>(nextReopen - Clock::now());
            if (untilReopen.count() > 0 && !task.sleepFor(untilReopen))
                return;
            back = link.reopen() == 0;
            lineLost = !back;
            nextReopen = Clock::now() + kMonitorReopenInterval;
        }
        for (int i = 0; i < static_cast<int>(table.size()); ++i) {
            if (!task.waitForRoom(kSectionsAhead))
                return;
            SectionResult result;
            result.section = i;
            result.outcome = readSection(table[static_cast<std::size_t>(i)], pointers, read, result.values);
            result.stats = std::exchange(sectionStats, ExchangeStats{});
            result.lineLost = std::exchange(lostInSection, false);
            result.lineBack = std::exchange(back, false);
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
