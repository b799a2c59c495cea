#pragma once
// The figures of the Read-out window, without widgets: per selected channel its values at the two
// cursors and, over the display rows from one cursor to the other, its minimum, maximum, mean,
// RMS and peak-to-peak (analog) or its count of 1s and edges (logic). A read that failed is
// counted, never taken as a value. The texts of the table and its copy as tab-separated text.

#include "engineering/UnitsTable.h"
#include "trend/model/RunScales.h"
#include "trend/model/TrendData.h"
#include "trend/readout/EngineeringCells.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace readoutstatistics {

// One selected channel over the rows between the cursors (both ends included).
struct ChannelFigures {
    int channel = 0;
    std::optional<std::int32_t> atA; // none: the read at A's row failed
    std::optional<std::int32_t> atB; // none: no second cursor, or the read at B's row failed
    int samples = 0;                 // good reads between the cursors
    int failed = 0;                  // failed reads between the cursors
    // Over the good reads (analog channels); valid when samples > 0.
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    double mean = 0.0;
    double rms = 0.0;
    std::int64_t peakToPeak() const { return std::int64_t{maximum} - minimum; }
    // Logic channels: good reads that are 1, and changes between one good read and the next.
    int ones = 0;
    int edges = 0;
};

// The figures of one channel over the reads `first` to `last` (both included) of any run of rows:
// `readAt(row)` gives a row's read, none when it failed. A failed read is counted and skipped, so
// an edge is a change from one good read to the next good one. The one statistics core of every
// read-out: the Trend Graph's display rows and the Recording window's whole recordings.
template <typename ReadAt>
void takeSpan(const ReadAt &readAt, std::int64_t first, std::int64_t last, ChannelFigures &figures)
{
    std::int64_t sum = 0;
    double sumOfSquares = 0.0;
    std::optional<bool> previousBit;
    for (std::int64_t row = first; row <= last; ++row) {
        const std::optional<std::int32_t> value = readAt(row);
        if (!value) {
            ++figures.failed;
            continue;
        }
        const std::int32_t v = *value;
        if (figures.samples == 0) {
            figures.minimum = v;
            figures.maximum = v;
        }
        figures.minimum = std::min(figures.minimum, v);
        figures.maximum = std::max(figures.maximum, v);
        ++figures.samples;
        sum += v;
        sumOfSquares += static_cast<double>(v) * static_cast<double>(v);
        const bool bit = v != 0;
        figures.ones += bit ? 1 : 0;
        if (previousBit && *previousBit != bit)
            ++figures.edges;
        previousBit = bit;
    }
    if (figures.samples > 0) {
        figures.mean = static_cast<double>(sum) / figures.samples;
        figures.rms = std::sqrt(sumOfSquares / figures.samples);
    }
}

// Each channel's scale to engineering values, none for a channel shown raw, and the scales `units`
// gives the selected word channels of `data` (see RunScales).
using runscales::ChannelScales;
using runscales::channelScales;

// A value, a number and a difference in engineering units with the scale's unit, the cells of the
// word channels that have a scale.
using engineeringcells::engineeringCell;
using engineeringcells::engineeringDifferenceCell;
using engineeringcells::engineeringText;
using engineeringcells::kEngineeringDigits;

// The cells of kReadoutSpanColumns (B, B-A, the figures, failed reads) of one channel's row, a
// word or a logic channel, in Dec or Hex.
QStringList spanCells(const ChannelFigures &figures, bool logic, bool hex);
// The same cells of a word channel in engineering values: each value and figure as raw x gain +
// offset followed by the unit (the RMS from the raw mean and RMS, the peak-to-peak by |gain|).
// `digits`: the significant digits of each number.
QStringList engineeringSpanCells(const ChannelFigures &figures, const UnitScale &scale,
                                 int digits = kEngineeringDigits);

struct CursorFigures {
    int rowA = 0;
    std::optional<int> rowB;
    std::vector<ChannelFigures> channels; // in the order of selectedChannels
};

// The figures at cursor A (cursorAX) and, when there is a second cursor on a row, between A
// and B; nothing when A addresses no display row.
std::optional<CursorFigures> figuresBetweenCursors(const TrendData &data, int cursorAX, std::optional<int> cursorBX);

// The table as the Read-out window shows and copies it.
struct ReadoutTable {
    QString header;      // rows and times of A and B, and B-A in rows and seconds
    QStringList columns; // "Channel", "A"; with a second cursor also B, B-A and the figures
    struct Row {
        int channel = 0;
        QStringList cells; // one per column, the first the channel's name
    };
    std::vector<Row> rows;
};

// The table in Dec or Hex; its header says so when no rows are shown. With `scales`, the word
// channels that have one are given in engineering values (Dec and Hex alike).
ReadoutTable readoutTableTexts(const TrendData &data, int cursorAX, std::optional<int> cursorBX, bool hex,
                               const ChannelScales *scales = nullptr);
// The table of a recording as the Trend Graph shows it: during a run the newest row stored (the
// display rows being the last REDRAW's, it is read from the ring unrolled into a copy the graph
// never sees), else the rows at the cursors (A at -1 when the cursors are not shown).
ReadoutTable recordingTableTexts(const TrendData &data, bool running, int cursorAX, std::optional<int> cursorBX,
                                 bool hex, const ChannelScales *scales = nullptr);
// The header line, the column captions and every row, cells separated by tabs, lines by LF.
QString tabSeparatedText(const ReadoutTable &table);

} // namespace readoutstatistics
