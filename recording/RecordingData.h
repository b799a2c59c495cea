#pragma once
// One whole recording in memory, column by column: the time of every row and, per channel, its
// values with a bit per row saying whether the read was good. Kept compact (4 bytes a value, one
// bit of validity, 8 bytes a time) so that a day of 14 channels fits in well under 150 MB.
//
// A column of decimals (engineering values and math channels, as qmx-record --scaled/--math and
// the Trend Graph's export write them) keeps the same 4 bytes a value: its numbers times a power
// of ten of its own, `decimals`, chosen as the reader goes so that the finest cell is held exactly
// while the largest still fits in 32 bits. That keeps 9 to 10 significant digits, as many as the
// files carry; a float would keep 7, a double would double the memory of every column. A column
// whose cells cannot all be held at one power of ten in 32 bits (1 and 123456789.5, or 0.5 and
// 2147483647) keeps each number as read in a double as well (`exact`); its 32-bit values are then
// only what it is drawn from.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace recording {

// 10^exponent, exact up to 10^22.
double powerOfTen(int exponent);

struct RecordingChannel {
    RecordingChannel(QString name = {}, bool logic = false, int colourIndex = 0, std::vector<std::int32_t> values = {},
                     std::vector<std::uint64_t> goodBits = {})
        : name(std::move(name)), logic(logic), colourIndex(colourIndex), values(std::move(values)),
          goodBits(std::move(goodBits))
    {
    }

    QString name;       // the column's name: a data name, a hex address, a logic channel NAME.BB
    bool logic = false; // a bit (0/1), drawn as steps in a lane of its own
    int colourIndex = 0; // the Trend Graph's colour entry for this channel
    std::vector<std::int32_t> values; // a failed read holds 0
    std::vector<std::uint64_t> goodBits; // bit r: the read of row r was good
    QString unit;       // from a header "NAME [unit]"; may be empty
    // The header had a unit in brackets, empty ones too: "NAME []" is a column of engineering
    // values without a unit.
    bool unitBracket = false;
    // What a math channel's header says of the inputs it was computed on ("raw inputs", "scaled
    // inputs"), without its parentheses; empty when the header says nothing.
    QString mathInputs;
    // The column holds engineering values (decimals, or a unit in its header): shown as they are,
    // no units file applied on top.
    bool engineering = false;
    // A stored value is the column's number x 10^decimals; 0 for whole numbers, negative for
    // numbers too large for 32 bits.
    int decimals = 0;
    // Every row's number as read (0 for a failed read), only in a column too wide for 32 bits.
    std::vector<double> exact;
    bool wide = false;
    // The column's decimals are written in the shortest form that reads back the same, as
    // qmx-record writes them ("1e+05", "1e-04"), not to the 10 significant digits of the Trend
    // Graph's export ("100000", "0.0001"): its rows are written back in that form.
    bool shortestCells = false;

    bool isGood(std::size_t row) const { return (goodBits[row >> 6] >> (row & 63)) & 1u; }
    bool isWide() const { return wide; }
    void append(std::int32_t value, bool good);
    // The number a stored value stands for.
    double numberOf(std::int32_t stored) const;
    // The number of row `row` as read (a wide column's own, else its stored value's).
    double numberAt(std::size_t row) const { return isWide() ? exact[row] : numberOf(values[row]); }
    // The header the column was read under: "NAME", "NAME [unit]", "NAME []", each perhaps followed
    // by " (raw inputs)" or " (scaled inputs)".
    QString heading() const;
};

// What a file holds beyond its numbers, for writing its rows back byte for byte: the header as
// read, the line end, the first row's t_s, every row's clock, and the lines that the usual form
// (clock as yyyy-MM-ddTHH:mm:ss.zzz, t_s with three decimals, each cell as the recorder writes it)
// would not give back, kept as they were read.
struct RecordingText {
    // A line kept as read: its row, and where it ends in keptBytes (it begins where the one before
    // ends). All kept lines share one buffer, so a file with many of them costs their bytes alone.
    struct KeptLine {
        std::size_t row;
        qsizetype end;
    };

    QByteArray header;                     // with its line end; empty: built from the columns
    QByteArray lineEnd = QByteArrayLiteral("\r\n");
    std::int64_t firstSecondsMs = 0;       // the t_s of the first row
    // Per row, its clock time minus (clockStartMs + its timesMs): the recorder's clock and its t_s
    // are taken apart and differ by a millisecond now and then. Empty without a clock.
    std::vector<std::int32_t> clockOffsetsMs;
    std::vector<KeptLine> keptLines; // by row
    QByteArray keptBytes;            // the kept lines with their line ends, one after another

    // Kept line `index` with its line end.
    QByteArrayView keptLine(std::size_t index) const
    {
        const qsizetype begin = index == 0 ? 0 : keptLines[index - 1].end;
        return QByteArrayView(keptBytes).sliced(begin, keptLines[index].end - begin);
    }
};

struct RecordingData {
    QString path;
    // Milliseconds from the first row (the file's t_s; rows without one are a second apart).
    std::vector<std::int64_t> timesMs;
    // The wall clock of the first row as local date and time in milliseconds since 1970 read as
    // if local time were UTC; none when the file holds no clock time.
    bool hasClockTime = false;
    std::int64_t clockStartMs = 0;
    std::vector<RecordingChannel> channels;
    // A .trd holds no times: its rows are drawn a second apart, and durations are given in rows.
    bool hasTimes = true;
    bool hasEventColumn = false;        // the last column is "event" (a triggered recording)
    std::vector<std::size_t> eventRows; // trigger rows: marked 1 (or 3) in the column "event"
    // Rows marked 2 (or 3): qmx-record left out the rows before them, the first row of a window
    // that does not go on from the row above. A file without these (an older one) is parted by
    // its steps alone.
    std::vector<std::size_t> windowStartRows;
    // Rows not joined to the row before them: it is further back than a gap (gapThresholdMs), or
    // the two lie in different windows of a triggered recording. Ascending.
    std::vector<std::size_t> gapRows;
    RecordingText text;
    QStringList notes; // what the reader passed over, e.g. a half-written last line

    std::size_t rowCount() const { return timesMs.size(); }
};

// The first row at or after `timeMs` (rowCount() when none).
std::size_t rowAtOrAfter(const RecordingData &data, std::int64_t timeMs);

// The row whose time is nearest `timeMs` (the earlier of two as near); none in an empty recording.
std::optional<std::size_t> rowNearest(const RecordingData &data, std::int64_t timeMs);

// Rows further apart in time than this are not joined by a line: the time between the windows of
// a triggered file, a stop of the recording. Ten times the usual time between rows, at least 1.5 s.
std::int64_t gapThresholdMs(const RecordingData &data);

// The rows of `data` not joined to the row before (see RecordingData::gapRows): those further than
// gapThresholdMs from it and, in a triggered recording, the first rows of windows after rows left
// out: the rows qmx-record marks so (windowStartRows), or in an older file without such marks,
// between two trigger rows the row after the longest step, where that step is more than twice the
// usual time between rows (at least a few ms) and clearly longer than the next longest step there
// (one slow pass among steady ones is no window's end).
std::vector<std::size_t> findGapRows(const RecordingData &data);
// Whether row `row` is one of data.gapRows.
bool isGapRow(const RecordingData &data, std::size_t row);

} // namespace recording
