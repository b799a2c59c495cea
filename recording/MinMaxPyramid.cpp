#include "recording/MinMaxPyramid.h"

#include <algorithm>

namespace recording {

void MinMax::take(std::int32_t value)
{
    minimum = std::min(minimum, value);
    maximum = std::max(maximum, value);
}

void MinMax::take(const MinMax &other)
{
    minimum = std::min(minimum, other.minimum);
    maximum = std::max(maximum, other.maximum);
}

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
    // Rows up to the first boundary of the finest level, then the largest aligned entries that
    // fit, then the rows left over.
    constexpr std::size_t kFirstRows = std::size_t{1} << kFirstLevel;
    const std::size_t alignedFirst = std::min(end, (first + kFirstRows - 1) & ~(kFirstRows - 1));
    if (first >= end)
        return out;
    out.take(rawRange(first, alignedFirst));
    std::size_t row = alignedFirst;
    while (row + kFirstRows <= end) {
        int level = 0;
        while (level + 1 < levelCount()) {
            const std::size_t span = std::size_t{1} << (kFirstLevel + level + 1);
            if (row % span != 0 || row + span > end)
                break;
            ++level;
        }
        const std::size_t index = row >> (kFirstLevel + level);
        if (index >= levels_[level].size())
            break;
        out.take(levels_[level][index]);
        row += std::size_t{1} << (kFirstLevel + level);
    }
    out.take(rawRange(row, end));
    return out;
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
