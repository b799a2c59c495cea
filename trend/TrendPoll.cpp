#include "trend/TrendPoll.h"

#include <algorithm>

namespace sampling {

TrendPass ReadPass(Link &link, const LinkTask &task, const PollPlan &plan)
{
    TrendPass pass;
    const auto read = [&](std::uint32_t address) {
        const auto start = std::chrono::steady_clock::now();
        const int value = link.ComReadValue('R', 2, address);
        pass.stats.add(value < 0 ? value : 0, std::chrono::steady_clock::now() - start);
        // A gone line would cost every further read the whole reply time; with the port closed
        // they fail at once.
        if (value < 0 && link.isOpen() && link.lineGone()) {
            link.ComLineLost();
            pass.lineEvent = LineEvent::Lost;
        }
        return value;
    };
    pass.readout = ReadChannels(
        plan.selected, plan.addresses, read,
        [&](int code) { pass.failures.push_back({code, link.LastErrorReply()}); },
        [&task] { return !task.cancelled(); });
    pass.ended = std::chrono::steady_clock::now();
    return pass;
}

void PollPasses(Link &link, LinkTask &task, const PollPlan &plan, const std::function<void(TrendPass)> &handOver)
{
    using Clock = std::chrono::steady_clock;
    bool lineLost = false;
    Clock::time_point nextReopen{};
    while (task.waitForRoom(kPassesAhead)) {
        bool back = false;
        if (lineLost && Clock::now() >= nextReopen) {
            back = link.ComReopen() == 0;
            lineLost = !back;
            nextReopen = Clock::now() + kReopenInterval;
        }
        TrendPass pass = ReadPass(link, task, plan);
        if (pass.lineEvent == LineEvent::Lost) {
            lineLost = true;
            nextReopen = Clock::now() + kReopenInterval;
        } else if (back) {
            pass.lineEvent = LineEvent::Back;
        }
        const bool abandoned = pass.readout.abandoned;
        task.handedOver();
        handOver(std::move(pass));
        if (abandoned)
            return;
        std::chrono::milliseconds pause = task.pause();
        if (lineLost) {
            const auto untilReopen = std::chrono::ceil<std::chrono::milliseconds>(nextReopen - Clock::now());
            pause = std::max(pause, untilReopen);
        }
        if (pause.count() > 0 && !task.sleepFor(pause))
            return;
    }
}

} // namespace sampling
