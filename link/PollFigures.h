#pragma once
// The figures of one poll (a trend run, a Monitor release, a recording) and their one line of text
// for the read-outs: the exchanges, the failed ones by result code, mean and longest reply time,
// and the poll's one rate of passes: the passes it completed over the time from when its passes
// began to the end of the latest.

#include "link/ExchangeStats.h"

#include <QString>
#include <chrono>
#include <cstdint>

struct PollFigures {
    using Clock = std::chrono::steady_clock;

    ExchangeStats stats;
    std::uint64_t passes = 0;
    Clock::time_point began{};
    Clock::time_point latest{};

    // The passes begin at `now`: every figure back to nothing.
    void begin(Clock::time_point now);
    // Exchanges read up to `ended`, a whole pass's or a part of one; `passDone` when they
    // completed a pass.
    void take(const ExchangeStats &exchanges, Clock::time_point ended, bool passDone);
    // 0 while no time has passed.
    double passesPerSecond() const;
};

// "1234 exchanges, 12 failed (-1: 10, -3: 2), reply mean 27.1 ms, longest 1012.3 ms, 36.52 passes/s";
// `beforeTimes` goes where ", " stands before "reply" (a line end for a narrow read-out).
QString pollFiguresText(const PollFigures &figures, const QString &beforeTimes = QStringLiteral(", "));
