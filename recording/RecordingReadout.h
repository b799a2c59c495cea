#pragma once
// The read-out of the Recording window, without widgets: per channel its value at cursor A and,
// with cursor B, its value there, B-A and the figures between the cursors (minimum, maximum,
// mean, RMS, peak-to-peak of a word; 1s and edges of a bit; failed reads), worked out by the
// Trend Graph's statistics core and written in the columns of its Read-out window.

#include "recording/RecordingData.h"
#include "recording/ReferenceAlignment.h"
#include "trend/ReadoutStatistics.h"

#include <optional>

namespace recording {

// The figures of every channel (ChannelFigures::channel its index in the recording) at row `rowA`
// and, with `rowB`, between the two rows.
std::vector<readoutstatistics::ChannelFigures> figuresAtCursors(const RecordingData &data, std::size_t rowA,
                                                      std::optional<std::size_t> rowB);

// The table as the window shows and copies it (readoutstatistics::tabSeparatedText): its header gives the
// row and time of each cursor and B-A in rows and seconds.
readoutstatistics::ReadoutTable readoutAtCursors(const RecordingData &data, std::size_t rowA, std::optional<std::size_t> rowB);

// Per reference and channel it matches, a row of cells: "<reference file>: <channel>", its value at
// A, the recording's value at A minus it, and with B the same at B ("failed" where either read is
// missing).
readoutstatistics::ReadoutTable referenceReadout(const RecordingData &data, const std::vector<Reference> &references,
                                       std::size_t rowA, std::optional<std::size_t> rowB);

} // namespace recording
