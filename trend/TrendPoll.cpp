#include "trend/TrendPoll.h"

namespace sampling {

TrendPass ReadPass(Link &link, const LinkTask &task, const PollPlan &plan)
{
    TrendPass pass;
    const auto read = [&](std::uint32_t address) {
        const auto start = std::chrono::steady_clock::now();
        const int value = link.ComReadValue('R', 2, address);
        pass.stats.add(value < 0 ? value : 0, std::chrono::steady_clock::now() - start);
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
    while (task.waitForRoom(kPassesAhead)) {
        TrendPass pass = ReadPass(link, task, plan);
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

} // namespace sampling
