#pragma once
// The minimum and maximum of one channel over any run of rows, fast enough to draw a whole day per
// pixel column: built once at load, a level per power of two from 16 rows up, each entry the
// minimum and maximum of the good reads in its rows. An entry whose rows hold no good read is
// empty, so a gap stays a gap at every level, and a single-sample spike is every coarser entry's
// minimum or maximum.

#include "recording/RecordingData.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace recording {

struct MinMax {
    std::int32_t minimum = std::numeric_limits<std::int32_t>::max();
    std::int32_t maximum = std::numeric_limits<std::int32_t>::min();
    bool isEmpty() const { return minimum > maximum; }
    // Inline: a redraw takes a few hundred thousand of them.
    void take(std::int32_t value)
    {
        minimum = std::min(minimum, value);
        maximum = std::max(maximum, value);
    }
    void take(const MinMax &other)
    {
        minimum = std::min(minimum, other.minimum);
        maximum = std::max(maximum, other.maximum);
    }
};

class MinMaxPyramid {
public:
    // The finest level's entries cover 2^kFirstLevel rows; finer runs are read from the values.
    static constexpr int kFirstLevel = 4;

    explicit MinMaxPyramid(const RecordingChannel &channel);
    // The pyramid reads the channel it was built on: never a temporary one.
    explicit MinMaxPyramid(RecordingChannel &&) = delete;

    // Over rows [first, end) of the channel; empty when none of them is a good read.
    MinMax range(std::size_t first, std::size_t end) const;
    // Rows [first, end) split into `columns` equal parts (the part of column i begins at row
    // first + i * (end - first) / columns), one entry each.
    std::vector<MinMax> columns(std::size_t first, std::size_t end, int columns) const;

    // Asks the cache for what a range beginning or ending at `row` reads (its values and the
    // entries about it on every level), ahead of the range: a redraw's columns cross the channel in
    // steps too long for the cache to guess, and waiting on memory at each boundary costs more than
    // the rest of the redraw.
    void prefetch(std::size_t row) const;

    int levelCount() const { return static_cast<int>(levels_.size()); }
    // Entry `index` of level `level`: rows [index << (kFirstLevel + level), ...).
    const MinMax &entry(int level, std::size_t index) const { return levels_[level][index]; }

private:
    MinMax rawRange(std::size_t first, std::size_t end) const;

    const RecordingChannel &channel_;
    std::vector<std::vector<MinMax>> levels_;
};

} // namespace recording
