#pragma once
// The rows of a recording's visible span as CSV, in the columns the recording was read with
// (time, t_s, its channels and, in a triggered file, event): what a script or a spreadsheet
// takes of the stretch the window shows. The rows are written back as the file held them: its
// header and line ends, the recorder's t_s (continued across the files of a rotated series) and
// clock time of each row, every digit of every cell; a line the usual form would not give back is
// written as it was read. A file exported whole comes out byte for byte as it was read.

#include "recording/RecordingData.h"

#include <QByteArray>

namespace recording {

// Rows [first, end) as CSV, header first.
QByteArray spanCsv(const RecordingData &data, std::size_t first, std::size_t end);

} // namespace recording
