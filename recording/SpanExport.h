#pragma once
// The rows of a recording's visible span as CSV, in the columns the recording was read with
// (time, t_s, its channels and, in a triggered file, event): what a script or a spreadsheet
// takes of the stretch the window shows. A column read as decimals is written as decimals under
// its header as read ("NAME [unit]").

#include "recording/RecordingData.h"

#include <QByteArray>

namespace recording {

// Rows [first, end) as CSV, header first, lines ended by CR LF; t_s counts from the first row of
// the recording, time is left empty when the recording has no clock.
QByteArray spanCsv(const RecordingData &data, std::size_t first, std::size_t end);

} // namespace recording
