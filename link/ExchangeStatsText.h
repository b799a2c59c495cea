#pragma once
// The line's figures as one line of text for the windows' read-outs: exchanges, the failed ones by
// result code, mean and longest reply time, and the rate of passes of the current or last poll.

#include "link/ExchangeStats.h"

#include <QString>
#include <chrono>
#include <cstdint>

// Passes per second over `elapsed`; 0 when no time has passed.
double passesPerSecond(std::uint64_t passes, std::chrono::nanoseconds elapsed);

// "1234 exchanges, 12 failed (-1: 10, -3: 2), reply mean 27.1 ms, longest 1012.3 ms, 36.52 passes/s";
// `beforeTimes` goes where ", " stands before "reply" (a line end for a narrow read-out).
QString exchangeStatsText(const ExchangeStats &stats, std::uint64_t passes, std::chrono::nanoseconds elapsed,
                          const QString &beforeTimes = QStringLiteral(", "));
