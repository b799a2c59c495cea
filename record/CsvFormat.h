#pragma once
// A recording's rows as CSV: the trend export's columns (time, t_s, one per channel), and with a
// trigger the column "event", 1 on the trigger row. Whole numbers as signed decimal, floats in the
// shortest form that reads back the same; a failed read is an empty cell.

#include "record/RecordRow.h"

#include <QByteArray>
#include <QStringList>

namespace record {

// "time,t_s,<column>,...[,event]" with its line end.
QByteArray csvHeader(const QStringList &columns, bool eventColumn);
// A row with its line end; `event` is the event cell's content when there is an event column.
QByteArray csvLine(const RecordRow &row, std::optional<bool> event = std::nullopt);

// The columns the CSV form names for itself: time, t_s and event.
QStringList csvOwnColumns();

// Whether a column named `name` is a logic channel's to the readers of ours: NAME.BB, a bit number
// of one or two digits after the last point, as the Trend Graph's export names a bit and the
// Recording window's reader takes it (recording/RecordingCsvReader.h, whose rule this is).
bool readsAsLogicColumn(const QString &name);

// A float as text: the shortest decimal form that reads back as the same double; empty for an
// infinity or NaN.
QByteArray floatText(double value);

} // namespace record
