#pragma once
// The sample ring as rows: the ring unrolled into the display rows, and each stored row's time
// since the run's start and its failed reads. No drawing and no texts here; the graph draws the
// display rows and the read-out says their times.

#include "trend/model/SamplingRead.h"
#include "trend/model/TrendData.h"

#include <QDateTime>
#include <chrono>
#include <cstdint>
#include <optional>

// Fills displayRows and rowCount from the sample ring, oldest row first. After a wrap the row at
// ringWritePos (the oldest) is left out, so at most 249 rows.
void unrollSamples(TrendData &data);

namespace ringrows {

// A new run's clock: the wall time and the steady time of its start; no row has a time yet.
void beginRunClock(TrendData &data, const QDateTime &wallNow, std::chrono::steady_clock::time_point steadyNow);
// The time and failures of the pass about to be stored at ringWritePos (call before storePass).
void recordRowInfo(TrendData &data, const sampling::PassReadout &readout, std::chrono::steady_clock::time_point ended);
// Rows put on display from elsewhere (a .trd file) have no time, no failures and no math channels.
void forgetDisplayRowInfo(TrendData &data);

// Whole milliseconds since the run's start, or nothing for a row without time. The time and t_s
// columns of the CSV both come from this figure, so they always agree.
std::optional<std::int64_t> rowMilliseconds(const RowInfo &info);
// The row's wall-clock time, or nothing.
std::optional<QDateTime> rowWallTime(const TrendData &data, const RowInfo &info);

} // namespace ringrows
