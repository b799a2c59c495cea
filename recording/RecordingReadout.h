#pragma once
// The read-out of the Recording window, without widgets: per channel its value at cursor A and,
// with cursor B, its value there, B-A and the figures between the cursors (minimum, maximum,
// mean, RMS, peak-to-peak of a word; 1s and edges of a bit; failed reads), worked out by the
// Trend Graph's statistics core and written in the columns of its Read-out window.

#include "recording/RecordingData.h"
#include "recording/ReferenceAlignment.h"
#include "trend/readout/ReadoutStatistics.h"

#include <QStringList>
#include <optional>
#include <vector>

namespace recording {

// Per channel of the recording its scale to engineering values: a column the file holds in
// engineering values (decimals or a unit) by its own power of ten and unit, whatever `units` says;
// any other by `units`, by the column's name (a data name or a hex address); none for a bit or a
// channel without one.
using ChannelScales = std::vector<std::optional<UnitScale>>;
ChannelScales recordingScales(const UnitsTable &units, const RecordingData &data);
// Only the scales of the columns the file holds in engineering values: what the read-out applies
// while engineering values are off.
ChannelScales columnScales(const RecordingData &data);

// The figures of every channel (ChannelFigures::channel its index in the recording) at row `rowA`
// and, with `rowB`, between the two rows.
std::vector<readoutstatistics::ChannelFigures> figuresAtCursors(const RecordingData &data, std::size_t rowA,
                                                      std::optional<std::size_t> rowB);

// The table as the window shows and copies it (readoutstatistics::tabSeparatedText): its header gives the
// row and time of each cursor and B-A in rows and seconds.
// With `scales`, the channels that have one are given in engineering values; a column the file
// holds in engineering values to the 10 significant digits it was written with.
readoutstatistics::ReadoutTable readoutAtCursors(const RecordingData &data, std::size_t rowA, std::optional<std::size_t> rowB,
                                                 const ChannelScales *scales = nullptr);

// Per reference and channel it matches, a row of cells: "<reference file>: <channel>", its value at
// A, the recording's value at A minus it, and with B the same at B ("failed" where either read is
// missing).
readoutstatistics::ReadoutTable referenceReadout(const RecordingData &data, const std::vector<Reference> &references,
                                       std::size_t rowA, std::optional<std::size_t> rowB,
                                       const ChannelScales *scales = nullptr);

// The step figures of `channel` between rows A and B (either order) of the recording, and of the
// same channel of each reference laid over that matches it, read at the recording's rows: a
// heading and the figures (or "no step") for each. Times count from the earlier cursor.
QStringList stepFiguresLines(const RecordingData &data, const std::vector<Reference> &references, std::size_t channel,
                             std::size_t rowA, std::size_t rowB, const ChannelScales *scales, double bandPercent);

} // namespace recording
