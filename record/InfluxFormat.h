#pragma once
// A recording's rows in InfluxDB line protocol, one line per pass:
//   qmx,port=<device>[,<tag>=<value>...] <column>=<value>[,...],pass=<n>i,run=<ms>i <nanoseconds since the epoch>
// Whole numbers as integers ("123i"), floats as floats; a failed read leaves its field out, so a
// pass without a good read carries its pass and run fields alone. `run` is the run's start in
// milliseconds since the epoch (RecordRow::run), left out when a row has none. Names and tag values
// are escaped as the protocol asks (a backslash before a comma, an equals sign or a space).

#include "record/RecordRow.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

namespace record {

inline constexpr char kInfluxMeasurement[] = "qmx";

using InfluxTags = QList<QPair<QString, QString>>;

// What every line of a run begins with and the field key of each column, made once.
struct InfluxSeries {
    QByteArray prefix; // measurement and tags, without the space after them
    QList<QByteArray> fieldKeys;
};

// The series of a run on `device` with the --tag pairs `tags`, for the recorded `columns`.
InfluxSeries influxSeries(const QString &device, const InfluxTags &tags, const QStringList &columns);
// The line of a row, without a line end; `event` adds the field event=1i on a trigger row.
QByteArray influxLine(const InfluxSeries &series, const RecordRow &row, bool event = false);

// The keys a line names for itself: the tag port, the fields pass, event and run, and time, which
// the server keeps for the point's time.
QStringList influxOwnKeys();

// Why a --tag text cannot be a tag ("KEY=VALUE", neither empty, no line end, not ending in a
// backslash, the key none of influxOwnKeys() and not beginning with "_", which the server keeps
// for itself), or nothing; `tag` gets the pair.
QString tagProblem(const QString &text, QPair<QString, QString> *tag);

// Why `text` (a device path, a column's name) cannot stand in a line as a name or tag value, or
// nothing: a line end ends the line whatever comes before it, and a backslash before a comma, an
// equals sign, a blank or another backslash, or at the end, is read by InfluxDB 1.x as an escape of
// what follows it (it has no escape for a backslash itself). A backslash before any other
// character stands as it is.
QString influxTextProblem(const QString &text);

// Escapes of the line protocol: a measurement escapes commas and spaces; tag keys, tag values and
// field keys escape commas, equals signs and spaces.
QByteArray escapedMeasurement(const QString &name);
QByteArray escapedKey(const QString &name);

} // namespace record
