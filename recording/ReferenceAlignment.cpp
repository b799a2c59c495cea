#include "recording/ReferenceAlignment.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace recording {

std::int64_t alignmentOffsetMs(const RecordingData &recording, const RecordingData &reference)
{
    if (!recording.eventRows.empty() && !reference.eventRows.empty())
        return recording.timesMs[recording.eventRows.front()] - reference.timesMs[reference.eventRows.front()];
    if (recording.timesMs.empty() || reference.timesMs.empty())
        return 0;
    return recording.timesMs.front() - reference.timesMs.front();
}

std::vector<std::optional<std::size_t>> matchChannels(const RecordingData &recording, const RecordingData &reference)
{
    std::vector<std::optional<std::size_t>> matched;
    for (const RecordingChannel &channel : recording.channels) {
        const auto found = std::find_if(reference.channels.begin(), reference.channels.end(),
                                        [&channel](const RecordingChannel &other) { return other.name == channel.name; });
        matched.push_back(found == reference.channels.end()
                              ? std::nullopt
                              : std::optional<std::size_t>(static_cast<std::size_t>(found - reference.channels.begin())));
    }
    return matched;
}

std::int64_t sampleStepMs(const RecordingData &reference)
{
    constexpr std::int64_t kLeastStepMs = 1;
    std::vector<std::int64_t> steps;
    for (std::size_t row = 1; row < std::min<std::size_t>(reference.rowCount(), 4097); ++row)
        steps.push_back(reference.timesMs[row] - reference.timesMs[row - 1]);
    if (steps.empty())
        return kLeastStepMs;
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return std::max(*middle, kLeastStepMs);
}

std::optional<std::size_t> Reference::rowAt(std::int64_t timeMs) const
{
    const RecordingData &data = recording->data;
    const std::int64_t own = timeMs - offsetMs;
    if (data.timesMs.empty() || own < data.timesMs.front() || own > data.timesMs.back())
        return std::nullopt;
    return rowNearest(data, own);
}

const RecordingChannel *Reference::columnOf(std::size_t channel) const
{
    if (channel >= channelOf.size() || !channelOf[channel])
        return nullptr;
    return &recording->data.channels[*channelOf[channel]];
}

std::optional<std::int32_t> Reference::valueAt(std::size_t channel, std::int64_t timeMs) const
{
    const RecordingChannel *samples = columnOf(channel);
    const std::optional<std::size_t> row = samples ? rowAt(timeMs) : std::nullopt;
    if (!row || !samples->isGood(*row))
        return std::nullopt;
    const int power = powerFor(channel);
    return power == 0 ? samples->values[*row] : rescaled(samples->values[*row], power);
}

std::optional<double> Reference::numberAt(std::size_t channel, std::int64_t timeMs) const
{
    const RecordingChannel *samples = columnOf(channel);
    const std::optional<std::size_t> row = samples ? rowAt(timeMs) : std::nullopt;
    if (!row || !samples->isGood(*row))
        return std::nullopt;
    return samples->numberAt(*row);
}

std::int32_t rescaled(std::int32_t stored, int power)
{
    constexpr double kLargest = std::numeric_limits<std::int32_t>::max();
    const double value = power >= 0 ? stored * powerOfTen(power) : stored / powerOfTen(-power);
    return static_cast<std::int32_t>(std::clamp(std::round(value), -kLargest, kLargest));
}

Reference makeReference(const RecordingData &recording, std::shared_ptr<const LoadedRecording> reference)
{
    Reference made;
    made.channelOf = matchChannels(recording, reference->data);
    for (std::size_t c = 0; c < made.channelOf.size(); ++c) {
        const std::optional<std::size_t> matched = made.channelOf[c];
        made.powerOf.push_back(matched ? recording.channels[c].decimals - reference->data.channels[*matched].decimals : 0);
    }
    made.offsetMs = alignmentOffsetMs(recording, reference->data);
    made.recording = std::move(reference);
    return made;
}

} // namespace recording
