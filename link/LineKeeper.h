#pragma once
// What every poll of the program keeps on the link thread, whatever it reads: the line itself (a
// device that went away is closed at once and opened again every kReopenInterval until it is back)
// and whether the controller is answering (the last request got a reply or not, and when it last
// answered). The Trend Graph, the Monitor and qmx-record poll through it, so the three lose and
// find the line, and say "no reply", by the same rule.

#include "link/Link.h"
#include "link/LinkThread.h"

#include <chrono>

// Whether the controller answers, as the link thread last saw it. A refusal or a spoilt reply is
// an answer: the controller is there. A time-out, or a device that has gone, is none.
struct ReplyState {
    bool answering = true;
    // When a request last got a reply (or when the poll began, before any did).
    std::chrono::steady_clock::time_point lastAnswer{};
};

class LineKeeper {
public:
    using Clock = std::chrono::steady_clock;
    // How often a poll whose line has gone opens the device again; one pass of failed reads is
    // made per attempt.
    static constexpr std::chrono::milliseconds kReopenInterval{1000};
    // How many finished passes may wait for the window before the link thread waits for it.
    static constexpr int kPassesAhead = 3;

    explicit LineKeeper(Link &link);
    Link &link() const { return link_; }

    // After every request, with its result (a negative code or a value). A request that failed
    // because the device has gone closes the port, keeping its holder, so that the requests after
    // it fail at once instead of each waiting out the reply time. True when this request found
    // the device gone.
    bool afterRequest(int result);

    // Before a pass: while the device is gone, waits until the next attempt is due and opens it
    // again. False when `task` was cancelled meanwhile.
    bool reopenWhenDue(LinkTask &task);
    bool lineLost() const { return lineLost_; }
    // True once, for the first pass after the device came back.
    bool takeLineBack();

    ReplyState replyState() const { return reply_; }

private:
    Link &link_;
    bool lineLost_ = false;
    bool lineBack_ = false;
    Clock::time_point nextReopen_{};
    ReplyState reply_;
};
