#pragma once
// A recording's rows as JSON messages, one per pass:
//   {"time":"2026-12-08T13:00:00.123Z","t":1796734800.123456,"pass":7,"run":1796734790000,
//    "values":{"SpdFbk":123,"InvFlag.07":1}}
// the time in UTC to the millisecond and again as seconds since the epoch to the microsecond, whole numbers as integers, floats as numbers; a failed read
// leaves its value out, and a trigger row adds "event":1. "run" (the run's start in milliseconds
// since the epoch) is left out when a row has none.

#include "record/RecordRow.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <cstdint>

namespace record {

// The keys a message names for itself: time, pass, run, event and values.
QStringList jsonOwnKeys();

// The columns' names as JSON strings, quoted, made once for a run.
QList<QByteArray> jsonKeys(const QStringList &columns);
// Seconds since the epoch with six decimals: the instant floored to the microsecond.
QByteArray epochSecondsText(std::int64_t epochNanoseconds);
QByteArray jsonPayload(const QList<QByteArray> &keys, const RecordRow &row, bool event = false);

} // namespace record
