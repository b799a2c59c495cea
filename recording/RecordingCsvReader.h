#pragma once
// Reads a recording in the CSV form qmx-record and the Trend Graph's "Export CSV..." and "Record to
// file" write: a header `time,t_s,<channel>,...[,event]`, then one row per pass with the local
// date and time (ISO 8601 with milliseconds), the seconds since the run's start (three decimals),
// one signed whole number per channel (an empty cell where the read failed) and, in a triggered
// file, 1 in `event` on the trigger row. A channel written in engineering values (qmx-record
// --scaled, headed "NAME [unit]" or "NAME []"; older files a bare name when the scale has no unit)
// and a math channel ("NAME (raw inputs)", "NAME (scaled inputs)" or a bare name) hold decimals ("150.5", "-0.001234567891", "1e-05"): such a column is read as decimals (see
// DecimalColumn), a logic channel NAME.BB only ever as 0 or 1. The time or the seconds may be empty (rows exported from a .trd).
// The file is only ever read. A file that is not such a recording gets one message naming the
// line, the column and what was expected there; a last line without its line end is a row still
// being written and is passed over with a note. What the rows' text holds beyond their numbers is
// kept (RecordingText) so that an export gives the file back byte for byte; the gap rows are found
// once the rows are read.

#include "recording/RecordingData.h"

#include <QByteArrayView>
#include <QString>
#include <functional>
#include <optional>

namespace recording {

// Told the bytes read so far and the total; returning false stops the reading.
using ReadProgress = std::function<bool(qint64 done, qint64 total)>;

struct ReadResult {
    std::optional<RecordingData> data;
    QString error;          // why the file is no recording; empty when read or cancelled
    bool cancelled = false;
};

ReadResult readCsvBytes(QByteArrayView bytes, const ReadProgress &progress = {});
// Reads the file at `path` (mapped, never written); a folder, device or FIFO is refused.
ReadResult readCsvFile(const QString &path, const ReadProgress &progress = {});

} // namespace recording
