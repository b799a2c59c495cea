#pragma once
// The math channels in the Trend Graph's read-outs and CSV export, without widgets: a row each in
// the Read-out window's table after the channels, a column each in "Export CSV..." after the read
// channels, and the export in engineering values (the word channels that have a scale written as
// raw x gain + offset, headed "NAME [unit]", "NAME []" without a unit; the math columns say which
// inputs they saw, see engineering/ColumnHeading.h). Math results are written in the engineering form
// (base/NumberText.h) of the values computed during the run; an empty result is an empty cell.

#include "trend/readout/ReadoutStatistics.h"
#include "trend/model/TrendData.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace mathreadout {

// The Read-out table's row of math channel m has the channel index kChannels + m.
inline constexpr int kFirstMathRow = kChannels;

// Adds a row per math channel of `data` to `table`, in its columns: the value at cursor A and, when
// the table has them, at B, B-A and the minimum, maximum, mean, RMS and peak-to-peak of the good
// results from A to B, and the count of empty ones. During a run the newest row stored.
void appendRows(readoutstatistics::ReadoutTable &table, const TrendData &data, bool running, int cursorAX,
                std::optional<int> cursorBX);

// The shown rows as "Export CSV..." writes them: with `scales` in engineering values, and the math
// channels' columns after the read channels. Without scales and math channels the bytes are
// readout::shownRowsCsv's.
QByteArray shownRowsCsv(const TrendData &data, const readoutstatistics::ChannelScales *scales);

} // namespace mathreadout
