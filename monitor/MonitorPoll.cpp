#include "monitor/MonitorPoll.h"

namespace monitor {

void PollSections(Link &link, LinkTask &task, const SectionTable &table, const std::array<QString, 4> &pointers,
                  std::size_t readBufferSize, const std::function<void(SectionResult)> &handOver)
{
    ReadBuffer buffer(readBufferSize, 0);
    const WordReader read = [&](std::uint32_t address, int words, std::vector<int> &values) {
        if (link.ComReadBlock('r', static_cast<std::uint16_t>(2 * words), address, buffer) != 0)
            return false;
        values.resize(static_cast<std::size_t>(words));
        for (std::size_t k = 0; k < values.size(); ++k)
            values[k] = SignedWord(buffer[2 * k], buffer[2 * k + 1]);
        return true;
    };
    for (;;) {
        for (int i = 0; i < static_cast<int>(table.size()); ++i) {
            if (!task.waitForRoom(kSectionsAhead))
                return;
            SectionResult result;
            result.section = i;
            result.outcome = ReadSection(table[static_cast<std::size_t>(i)], pointers, read, result.values);
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
