#include "recording/LoadedRecording.h"

namespace recording {

LoadedRecording::LoadedRecording(RecordingData &&recorded) : data(std::move(recorded))
{
    pyramids.reserve(data.channels.size());
    for (const RecordingChannel &channel : data.channels)
        pyramids.emplace_back(channel);
}

} // namespace recording
