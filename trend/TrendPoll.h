#pragma once
// The passes of a trend run as the link thread reads them: every selected channel once per pass,
// back to back with the run's pause between passes, each finished pass handed to the window with
// its values, the codes of its failed reads and the refusal stored at each failure. The window
// then stores and draws it (Sampling.h).

#include "link/ExchangeStats.h"
#include "link/LinkThread.h"
#include "trend/SamplingRead.h"

#include <QByteArray>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace sampling {

// One failed read of a pass: its code and the controller's last refusal at that moment.
struct ReadFailure {
    int code = 0;
    QByteArray lastErrorReply;
};

// What happened to the line itself before a pass: a device that went away (unplugged adapter)
// or came back.
enum class LineEvent { None, Lost, Back };

struct TrendPass {
    PassReadout readout;
    std::vector<ReadFailure> failures;
    std::chrono::steady_clock::time_point ended; // when its last read ended
    ExchangeStats stats;                          // the reads of this pass
    LineEvent lineEvent = LineEvent::None;
};

// What a run reads: the selected channels in ascending order and the address of each channel.
struct PollPlan {
    std::vector<int> selected;
    std::array<std::uint32_t, kChannels> addresses{};
};

// How often a run whose line has gone tries to open the device again; while it is gone, one pass of
// failed reads is recorded per attempt.
inline constexpr std::chrono::milliseconds kReopenInterval{1000};

// How many finished passes may wait for the window before the link thread waits for it.
inline constexpr int kPassesAhead = 3;

// Reads one pass on `link`. Cancelling `task` abandons it before the next read. When a read finds
// that the line has gone, the port is closed (its holder kept), the pass's remaining reads fail at
// once and the pass says LineEvent::Lost.
TrendPass ReadPass(Link &link, const LinkTask &task, const PollPlan &plan);

// Runs on the link thread until `task` is cancelled: pass, hand over, the task's pause, next pass.
// An abandoned pass is handed over too (its failures happened) and ends the poll. While the line
// is gone, the same device is opened again every kReopenInterval, one pass of failed reads
// recorded per attempt; the first pass after it is back says LineEvent::Back. A silent controller
// on a present line is not reopened: its reads just time out.
void PollPasses(Link &link, LinkTask &task, const PollPlan &plan, const std::function<void(TrendPass)> &handOver);

} // namespace sampling
