#include "recording/SpanExport.h"

#include "base/NumberText.h"
#include "recording/CivilDate.h"
#include "trend/model/TrendCsv.h"

#include <algorithm>
#include <cstdio>

namespace recording {

namespace {

QByteArray headerText(const RecordingData &data)
{
    if (!data.text.header.isEmpty())
        return data.text.header;
    QStringList columns;
    for (const RecordingChannel &channel : data.channels)
        columns << channel.heading();
    if (data.hasEventColumn)
        columns << QStringLiteral("event");
    return trendcsv::headerLine(columns);
}

// A cell as its column was written: a whole number as ever, a decimal in qmx-record's shortest
// form or to the 10 significant digits of the Trend Graph's export.
void appendCell(QByteArray &line, const RecordingChannel &channel, std::size_t row)
{
    if (!channel.isGood(row))
        return;
    if (channel.decimals == 0 && !channel.isWide())
        line += QByteArray::number(channel.values[row]);
    else if (channel.shortestCells)
        line += numbertext::shortestBytes(channel.numberAt(row));
    else
        line += numbertext::engineeringBytes(channel.numberAt(row));
}

// "yyyy-MM-ddTHH:mm:ss.zzz" of local milliseconds since 1970 taken as UTC, for every year the
// reader takes (0000 to 9999).
void appendClock(QByteArray &line, std::int64_t ms)
{
    constexpr std::int64_t kMsPerDay = 86400000;
    const std::int64_t days = ms >= 0 ? ms / kMsPerDay : -((-ms + kMsPerDay - 1) / kMsPerDay);
    const std::int64_t inDay = ms - days * kMsPerDay;
    const civildate::Date date = civildate::civilFromDays(days);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", date.year, date.month, date.day,
                  static_cast<int>(inDay / 3600000), static_cast<int>(inDay / 60000 % 60),
                  static_cast<int>(inDay / 1000 % 60), static_cast<int>(inDay % 1000));
    line += text;
}

QByteArray rowText(const RecordingData &data, std::size_t row, int eventMark)
{
    QByteArray line;
    if (data.hasClockTime) {
        const std::int64_t offset = row < data.text.clockOffsetsMs.size() ? data.text.clockOffsetsMs[row] : 0;
        appendClock(line, data.clockStartMs + data.timesMs[row] + offset);
    }
    line += ',';
    // Rows without times (a .trd's) have no seconds to give: t_s stays empty, as they read back.
    if (data.hasTimes)
        line += numbertext::secondsBytes(data.text.firstSecondsMs + data.timesMs[row]);
    for (const RecordingChannel &channel : data.channels) {
        line += ',';
        appendCell(line, channel, row);
    }
    if (data.hasEventColumn) {
        line += ',';
        if (eventMark != 0)
            line += QByteArray::number(eventMark);
    }
    return line + data.text.lineEnd;
}

} // namespace

QByteArray spanCsv(const RecordingData &data, std::size_t first, std::size_t end)
{
    QByteArray csv = headerText(data);
    end = std::min(end, data.rowCount());
    auto event = std::lower_bound(data.eventRows.begin(), data.eventRows.end(), first);
    auto windowStart = std::lower_bound(data.windowStartRows.begin(), data.windowStartRows.end(), first);
    const auto &keptLines = data.text.keptLines;
    auto kept = std::lower_bound(keptLines.begin(), keptLines.end(), first,
                                 [](const RecordingText::KeptLine &line, std::size_t row) { return line.row < row; });
    for (std::size_t row = first; row < end; ++row) {
        const bool isEvent = event != data.eventRows.end() && *event == row;
        event += isEvent;
        const bool isWindowStart = windowStart != data.windowStartRows.end() && *windowStart == row;
        windowStart += isWindowStart;
        if (kept != keptLines.end() && kept->row == row) {
            csv += data.text.keptLine(static_cast<std::size_t>(kept - keptLines.begin()));
            ++kept;
            continue;
        }
        // The event cell as qmx-record writes it: 1 the trigger row, 2 a window's first row after
        // rows left out, 3 both.
        csv += rowText(data, row, (isEvent ? 1 : 0) | (isWindowStart ? 2 : 0));
    }
    return csv;
}

} // namespace recording
