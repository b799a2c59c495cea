#pragma once
// A recording as the window draws it: its data and one min/max pyramid per channel, built once.
// The pyramids refer to the data's channels, so it is made in place and never moved.

#include "recording/MinMaxPyramid.h"
#include "recording/RecordingData.h"

#include <memory>

namespace recording {

struct LoadedRecording {
    explicit LoadedRecording(RecordingData &&recorded);
    LoadedRecording(const LoadedRecording &) = delete;
    LoadedRecording &operator=(const LoadedRecording &) = delete;

    const RecordingData data;
    std::vector<MinMaxPyramid> pyramids;
};

} // namespace recording
