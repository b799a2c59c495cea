#pragma once
// One row of a recording as every output takes it: the pass's time, its number and a value per
// recorded column. A value is a whole number (a word, a logic bit) or a float (a scaled or computed
// channel); a read that failed has none. Each output format turns such a row into its own text in
// one function of its own file: CsvFormat.h, InfluxFormat.h, JsonFormat.h.

#include <QDateTime>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace record {

using ChannelValue = std::variant<std::int64_t, double>;

struct RecordRow {
    std::optional<QDateTime> time; // local wall-clock time of the pass, to the millisecond
    std::optional<double> seconds; // since the run's start
    std::vector<std::optional<ChannelValue>> values; // one per column; none: the read failed
    std::int64_t epochNanoseconds = 0; // the same instant as `time`, to the nanosecond
    std::uint64_t pass = 0;            // passes of the run counted from 1
    // The run the pass belongs to: its start in milliseconds since the epoch; passes restart at 1
    // in every run, so (run, pass) tells a pass from an earlier run's. 0: not given (none written).
    std::int64_t run = 0;
    // A triggered recording's rows before this one were left out (or none was recorded before it):
    // the first row of a window that does not go on from the rows written before it.
    bool afterRowsLeftOut = false;
};

} // namespace record
