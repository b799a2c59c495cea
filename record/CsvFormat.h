#pragma once
// A recording's rows as CSV: the trend export's columns (time, t_s, one per channel), and with a
// trigger the column "event", 1 on the trigger row, 2 on a window's first row after rows left out,
// 3 on a row that is both. Whole numbers as signed decimal, floats in the
// shortest form that reads back the same; a failed read is an empty cell.

#include "record/RecordRow.h"

#include <QByteArray>
#include <QStringList>

namespace record {

// "time,t_s,<column>,...[,event]" with its line end.
QByteArray csvHeader(const QStringList &columns, bool eventColumn);
// A row with its line end; `event` (whether it is the trigger row) when there is an event column,
// whose cell also says RecordRow::afterRowsLeftOut.
QByteArray csvLine(const RecordRow &row, std::optional<bool> event = std::nullopt);

// The columns the CSV form names for itself: time, t_s and event.
QStringList csvOwnColumns();

// A float as text: the shortest decimal form that reads back as the same double; empty for an
// infinity or NaN.
QByteArray floatText(double value);

} // namespace record
