#pragma once
// The passes of a trend run as the link thread reads them: every selected channel once per pass,
// through the requests of the run's read plan, back to back with the run's pause between passes,
// each finished pass handed to the window with its values, the codes of its failed reads and the
// refusal stored at each failure. The window then stores and draws it (Sampling.h).

#include "link/ExchangeStats.h"
#include "link/LineKeeper.h"
#include "link/LinkThread.h"
#include "trend/model/ReadPlan.h"
#include "trend/model/SamplingRead.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace trendpoll {

// One failed read of a pass: its code and the controller's last refusal at that moment.
struct ReadFailure {
    int code = 0;
    QByteArray lastErrorReply;
    int channel = 0;               // the channel whose value failed (0-13)
    std::uint32_t address = 0;     // its word's address
    char letter = 'R';             // the request that carried it: "R" of a word, "r" of a block
    std::uint32_t requestAddress = 0;
    int requestBytes = 2;
};

// "Channel=1:SpdFbk Address=00600E00 Request=R 00600E00" ("Request=r 00600E60+28" for a block
// read): what a failed read was, for the error trace; `name` the channel's name as the table shows it.
QString failureWhereText(const ReadFailure &failure, const QString &name);

// What happened to the line itself before a pass: a device that went away (unplugged adapter)
// or came back.
enum class LineEvent { None, Lost, Back };

struct TrendPass {
    sampling::PassReadout readout;
    std::vector<ReadFailure> failures;           // one per failed channel, in channel order
    std::chrono::steady_clock::time_point ended; // when the reply to its last request ended
    ExchangeStats stats;                          // the requests of this pass
    LineEvent lineEvent = LineEvent::None;
    ReplyState reply;                             // whether the controller answered its last request
    // Block reads given up in this pass (their words were read by "R" instead), and the plan the
    // run reads with from now on; neither when the plan did not change.
    std::vector<readplan::BlockReadGivenUp> blockReadsGivenUp;
    std::optional<readplan::ReadPlan> planNow;
};

// What a run reads: the selected channels in ascending order, the address of each channel and the
// requests that read them.
struct PollPlan {
    std::vector<int> selected;
    std::array<std::uint32_t, kChannels> addresses{};
    readplan::ReadPlan reads;
};
// The poll plan of a run's selected channels in `mode`.
PollPlan makePollPlan(const std::vector<int> &selected, const std::array<std::uint32_t, kChannels> &addresses,
                      readplan::ReadMode mode);

// Reads one pass on `line`, request by request of the plan; a failed request fails every channel
// it serves. Cancelling `task` abandons the pass before the next request. When a request finds
// that the line has gone, the port is closed (its holder kept), the pass's remaining requests fail
// at once and the pass says LineEvent::Lost. A block read that the controller refuses or answers
// with the wrong length is given up for the run: its words are read by "R" at once, in this pass
// and in the plan for the next ones.
TrendPass readPass(LineKeeper &line, const LinkTask &task, PollPlan &plan);
// The same on a line of its own, for a single pass.
TrendPass readPass(Link &link, const LinkTask &task, PollPlan &plan);

// Runs on the link thread until `task` is cancelled: pass, hand over, the task's pause, next pass,
// with at most LineKeeper::kPassesAhead passes waiting for the window. An abandoned pass is handed
// over too (its failures happened) and ends the poll. While the line is gone, the same device is
// opened again every LineKeeper::kReopenInterval, one pass of failed reads recorded per attempt;
// the first pass after it is back says LineEvent::Back. A silent controller on a present line is
// not reopened: its reads just time out.
void pollPasses(Link &link, LinkTask &task, PollPlan plan, const std::function<void(TrendPass)> &handOver);

} // namespace trendpoll
