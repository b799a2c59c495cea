#pragma once
// Trend rows as CSV for spreadsheets and scripts: UTF-8, comma-separated, one header line, one line
// per row. Columns: `time` (local date and time, ISO 8601 with milliseconds), `t_s` (seconds since
// the run's start, three decimals), then one column per selected channel named by its data name
// (a logic channel by its name and bit, "InvFlag.07"), then, where the run has math channels and
// the file takes them, one column per math channel named by it. Values are signed decimal (logic
// 0/1), math results in the engineering form (base/NumberText.h); a read that failed is an empty
// cell, as are an empty math result and the time of a row that has none (opened from a .trd).

#include "trend/model/TrendData.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace trendcsv {

// The column of channel `channel` (0..13) as its record names it.
QString columnName(const ChannelRecord &record, int channel);
// The columns of the run's selected channels, in their order.
QStringList selectedColumns(const TrendData &data);
// The columns of the run's math channels, in their order.
QStringList mathColumns(const TrendData &data);
// "time,t_s,<column>,..." with its line end.
QByteArray headerLine(const QStringList &channelColumns);

struct Row {
    std::optional<QDateTime> time;
    std::optional<double> seconds;
    std::vector<std::optional<std::int32_t>> values; // one per channel column; empty: failed
};
// The values of the run's selected channels as a row without its time: a logic channel's stored
// 0 or 1, an analog channel's word; a channel whose bit is set in `failedChannels` an empty cell.
Row valuesRow(const TrendData &data, const SampleRow &values, std::uint16_t failedChannels);
QByteArray rowLine(const Row &row);
// The same line with `moreCells` (",12.5,,3") after the channels' cells, before the line end.
QByteArray rowLine(const Row &row, const QByteArray &moreCells);
// The cells of a row's math results (`results` of the run's math channels), each led by its comma.
QByteArray mathCells(const TrendData &data, const MathRow &results);

// A field as CSV needs it: quoted, its quotes doubled, when it holds a comma, quote or line end.
QByteArray field(const QString &text);

// The last column of a triggered run's rows, as qmx-record writes it, the Trend Graph exports it
// and the Recording window aligns on it: "1" on the trigger row, else an empty cell.
inline const QString kEventColumn = QStringLiteral("event");
// A row's event cell led by its comma: ",1" or ",".
QByteArray eventCell(bool event);
// `csv` (a header line and one line per row, each ending in CR LF) with the event column added
// after every other, 1 on row `eventRow` (0 for the first line after the header).
QByteArray withEventColumn(const QByteArray &csv, int eventRow);

} // namespace trendcsv
