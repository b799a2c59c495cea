#include "recording/MinMaxPyramid.h"

#include <algorithm>

namespace recording {

MinMaxPyramid::MinMaxPyramid(const RecordingChannel &channel) : channel_(channel)
{
    const std::size_t rows = channel.values.size();
    constexpr std::size_t kFirstRows = std::size_t{1} << kFirstLevel;
    if (rows < kFirstRows)
        return;
    std::vector<MinMax> first(rows / kFirstRows);
    for (std::size_t i = 0; i < first.size(); ++i)
        first[i] = rawRange(i * kFirstRows, (i + 1) * kFirstRows);
    levels_.push_back(std::move(first));
    while (levels_.back().size() >= 2) {
        const std::vector<MinMax> &finer = levels_.back();
        std::vector<MinMax> coarser(finer.size() / 2);
        for (std::size_t i = 0; i < coarser.size(); ++i) {
            coarser[i] = finer[2 * i];
            coarser[i].take(finer[2 * i + 1]);
        }
        levels_.push_back(std::move(coarser));
    }
}

MinMax MinMaxPyramid::rawRange(std::size_t first, std::size_t end) const
{
    MinMax out;
    for (std::size_t row = first; row < end; ++row) {
        if (channel_.isGood(row))
            out.take(channel_.values[row]);
    }
    return out;
}

MinMax MinMaxPyramid::range(std::size_t first, std::size_t end) const
{
    end = std::min(end, channel_.values.size());
    MinMax out;
    // Rows up to the first boundary of the finest level, then whole entries, then the rows left
    // over.
    constexpr std::size_t kFirstRows = std::size_t{1} << kFirstLevel;
    const std::size_t alignedFirst = std::min(end, (first + kFirstRows - 1) & ~(kFirstRows - 1));
    if (first >= end)
        return out;
    out.take(rawRange(first, alignedFirst));
    // The whole entries between, from the finest level up: at each level the odd entry at either
    // end is taken and the rest is left to the level above, at most two entries a level.
    const std::size_t alignedEnd = std::max(alignedFirst, end & ~(kFirstRows - 1));
    std::size_t low = alignedFirst >> kFirstLevel, high = alignedEnd >> kFirstLevel;
    for (int level = 0; low < high && level < levelCount(); ++level) {
        if (low & 1)
            out.take(levels_[level][low++]);
        if (high & 1)
            out.take(levels_[level][--high]);
        low >>= 1;
        high >>= 1;
    }
    out.take(rawRange(alignedEnd, end));
    return out;
}

void MinMaxPyramid::prefetch(std::size_t row) const
{
#if defined(__GNUC__)
    if (row >= channel_.values.size())
        return;
    __builtin_prefetch(&channel_.values[row]);
    __builtin_prefetch(&channel_.goodBits[row >> 6]);
    for (std::size_t level = 0; level < levels_.size(); ++level) {
        const std::size_t index = row >> (kFirstLevel + level);
        if (index < levels_[level].size())
            __builtin_prefetch(&levels_[level][index]);
    }
#else
    (void)row;
#endif
}

std::vector<MinMax> MinMaxPyramid::columns(std::size_t first, std::size_t end, int columns) const
{
    std::vector<MinMax> out(static_cast<std::size_t>(std::max(columns, 0)));
    if (end <= first || columns <= 0)
        return out;
    const std::size_t rows = end - first;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const std::size_t from = first + i * rows / out.size();
        const std::size_t to = first + (i + 1) * rows / out.size();
        out[i] = range(from, to);
    }
    return out;
}

} // namespace recording
