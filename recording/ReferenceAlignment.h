#pragma once
// A reference laid over a recording: another recording (or .trd) drawn dimmed behind it, its
// channels matched to the recording's by name, shifted in time so that its first event falls on
// the recording's first event when both have one, else so that the two start together. The
// offset can then be moved a sample at a time or set in seconds.

#include "recording/LoadedRecording.h"

#include <memory>
#include <optional>
#include <vector>

namespace recording {

// Milliseconds added to the reference's times to put them on the recording's time axis.
std::int64_t alignmentOffsetMs(const RecordingData &recording, const RecordingData &reference);

// For each channel of the recording, the reference's channel of the same name.
std::vector<std::optional<std::size_t>> matchChannels(const RecordingData &recording, const RecordingData &reference);

// The usual time between the reference's rows: one sample's step of the offset (1 ms at least).
std::int64_t sampleStepMs(const RecordingData &reference);

struct Reference {
    std::shared_ptr<const LoadedRecording> recording;
    std::vector<std::optional<std::size_t>> channelOf; // per channel of the main recording
    // Per channel of the main recording, the power of ten that brings the reference's stored values
    // to the recording's (the two columns' decimals differ); none taken as 0.
    std::vector<int> powerOf;
    std::int64_t offsetMs = 0;

    int powerFor(std::size_t channel) const { return channel < powerOf.size() ? powerOf[channel] : 0; }

    // The reference's read of `channel` (a channel of the main recording) at the row nearest
    // `timeMs` on the main recording's axis; none without a matching channel, outside the
    // reference's time, or where its read failed. In the recording's power of ten for the channel.
    std::optional<std::int32_t> valueAt(std::size_t channel, std::int64_t timeMs) const;
    // The reference's row nearest `timeMs` on the main recording's axis; none outside the
    // reference's time (it has no rows there, which is no failed read).
    std::optional<std::size_t> rowAt(std::int64_t timeMs) const;
    // The reference's number of `channel` at `timeMs` as its file held it; none as for valueAt().
    std::optional<double> numberAt(std::size_t channel, std::int64_t timeMs) const;
    // The reference's column matched to `channel`, or null.
    const RecordingChannel *columnOf(std::size_t channel) const;
};

// A stored value brought from one power of ten to another by `power` (rounded, kept within 32 bits).
std::int32_t rescaled(std::int32_t stored, int power);

// A reference for `recording`, aligned and matched.
Reference makeReference(const RecordingData &recording, std::shared_ptr<const LoadedRecording> reference);

} // namespace recording
