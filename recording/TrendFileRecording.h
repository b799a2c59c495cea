#pragma once
// A .trd file as a recording: its selected channels, named as the Trend Graph's CSV export names
// them, and its rows, read by the Trend Graph's own .trd reading. A .trd holds no times, so its
// rows are a second apart and the recording says so in its notes.

#include "recording/RecordingCsvReader.h"

namespace recording {

ReadResult readTrendFile(const QString &path);

} // namespace recording
