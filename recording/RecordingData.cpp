#include "recording/RecordingData.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace recording {

double powerOfTen(int exponent)
{
    static const std::array<double, 23> kExact = [] {
        std::array<double, 23> powers{};
        double power = 1.0;
        for (double &p : powers) {
            p = power;
            power *= 10.0;
        }
        return powers;
    }();
    if (exponent >= 0 && exponent < 23)
        return kExact[static_cast<std::size_t>(exponent)];
    if (exponent < 0 && exponent > -23)
        return 1.0 / kExact[static_cast<std::size_t>(-exponent)];
    return std::pow(10.0, exponent);
}

double RecordingChannel::numberOf(std::int32_t stored) const
{
    // A division by an exact power gives the nearest double to the decimal the file held.
    return decimals >= 0 ? stored / powerOfTen(decimals) : stored * powerOfTen(-decimals);
}

QString RecordingChannel::heading() const
{
    QString text = name;
    if (unitBracket || !unit.isEmpty())
        text += QStringLiteral(" [") + unit + u']';
    if (!mathInputs.isEmpty())
        text += QStringLiteral(" (") + mathInputs + u')';
    return text;
}

void RecordingChannel::append(std::int32_t value, bool good)
{
    const std::size_t row = values.size();
    values.push_back(value);
    if ((row & 63) == 0)
        goodBits.push_back(0);
    if (good)
        goodBits.back() |= std::uint64_t{1} << (row & 63);
}

std::size_t rowAtOrAfter(const RecordingData &data, std::int64_t timeMs)
{
    return static_cast<std::size_t>(
        std::lower_bound(data.timesMs.begin(), data.timesMs.end(), timeMs) - data.timesMs.begin());
}

std::optional<std::size_t> rowNearest(const RecordingData &data, std::int64_t timeMs)
{
    if (data.timesMs.empty())
        return std::nullopt;
    const std::size_t after = rowAtOrAfter(data, timeMs);
    if (after == 0)
        return 0;
    if (after == data.rowCount() || timeMs - data.timesMs[after - 1] <= data.timesMs[after] - timeMs)
        return after - 1;
    return after;
}

namespace {

// The median time between the first rows; none with fewer than two rows.
std::optional<std::int64_t> usualIntervalMs(const RecordingData &data)
{
    constexpr std::size_t kIntervalsLookedAt = 4096;
    std::vector<std::int64_t> intervals;
    const std::size_t rows = std::min(data.rowCount(), kIntervalsLookedAt + 1);
    for (std::size_t row = 1; row < rows; ++row)
        intervals.push_back(data.timesMs[row] - data.timesMs[row - 1]);
    if (intervals.empty())
        return std::nullopt;
    const auto middle = intervals.begin() + static_cast<std::ptrdiff_t>(intervals.size() / 2);
    std::nth_element(intervals.begin(), middle, intervals.end());
    return *middle;
}

} // namespace

std::int64_t gapThresholdMs(const RecordingData &data)
{
    constexpr std::int64_t kLeastGapMs = 1500;
    const std::optional<std::int64_t> usual = usualIntervalMs(data);
    return usual ? std::max(kLeastGapMs, *usual * 10) : kLeastGapMs;
}

namespace {

// In a file without window marks: between each two trigger rows, the row after the longest step
// when that step stands out as the time between two windows.
void addUnmarkedWindowStarts(const RecordingData &data, std::vector<std::size_t> &gaps)
{
    // Rows a millisecond or two apart differ by a step of rounding: no step of a few ms is a gap.
    constexpr std::int64_t kLeastUsualStepMs = 5;
    const std::int64_t usual = std::max(usualIntervalMs(data).value_or(0), kLeastUsualStepMs);
    for (std::size_t e = 1; e < data.eventRows.size(); ++e) {
        std::size_t longest = 0;
        std::int64_t longestMs = 0, nextLongestMs = 0;
        for (std::size_t row = data.eventRows[e - 1] + 1; row <= data.eventRows[e]; ++row) {
            const std::int64_t step = data.timesMs[row] - data.timesMs[row - 1];
            if (step > longestMs) {
                nextLongestMs = longestMs;
                longestMs = step;
                longest = row;
            } else {
                nextLongestMs = std::max(nextLongestMs, step);
            }
        }
        // More than twice the usual step, and half as long again as any other step there.
        if (longest > 0 && longestMs > 2 * usual && 2 * longestMs > 3 * nextLongestMs)
            gaps.push_back(longest);
    }
}

} // namespace

std::vector<std::size_t> findGapRows(const RecordingData &data)
{
    std::vector<std::size_t> gaps;
    const std::int64_t threshold = gapThresholdMs(data);
    for (std::size_t row = 1; row < data.rowCount(); ++row) {
        if (data.timesMs[row] - data.timesMs[row - 1] > threshold)
            gaps.push_back(row);
    }
    // Between two windows of a triggered file the step can be shorter than a gap, yet no row was
    // recorded in it. qmx-record marks a window's first row after rows it left out; an older file
    // is told by its steps.
    if (data.windowStartRows.empty())
        addUnmarkedWindowStarts(data, gaps);
    for (const std::size_t row : data.windowStartRows) {
        if (row > 0)
            gaps.push_back(row);
    }
    std::sort(gaps.begin(), gaps.end());
    gaps.erase(std::unique(gaps.begin(), gaps.end()), gaps.end());
    return gaps;
}

bool isGapRow(const RecordingData &data, std::size_t row)
{
    return std::binary_search(data.gapRows.begin(), data.gapRows.end(), row);
}

} // namespace recording
