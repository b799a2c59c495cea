#pragma once
// The error trace ("ErrTrace.txt") kept to a bounded size: a run that fails for days must not fill
// the disk. When an entry would take the file past the limit, the file becomes "ErrTrace.1.txt"
// (replacing the one kept before) and a new file begins; one older file is kept, so the trace
// never takes more than about twice the limit.

#include <QByteArray>
#include <QString>

inline constexpr qint64 kErrorTraceMaxBytes = 16 * 1024 * 1024;

// The name the trace at `path` takes when it is set aside: "ErrTrace.txt" -> "ErrTrace.1.txt" in
// the same folder ("trace" -> "trace.1").
QString olderErrorTracePath(const QString &path);

// Appends `entry` (its bytes as they are, line end included) to the trace at `path`, first setting
// the file aside when the entry would take it past `maxBytes`. An entry is never split: one larger
// than the limit begins a file of its own. False when the entry could not be written whole.
bool appendErrorTrace(const QString &path, const QByteArray &entry, qint64 maxBytes = kErrorTraceMaxBytes);
