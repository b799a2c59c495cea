#include "recording/SpanExport.h"

#include "trend/TrendCsv.h"

#include <QDateTime>
#include <QTimeZone>
#include <algorithm>

namespace recording {

QByteArray spanCsv(const RecordingData &data, std::size_t first, std::size_t end)
{
    QStringList columns;
    for (const RecordingChannel &channel : data.channels)
        columns << channel.name;
    if (data.hasEventColumn)
        columns << QStringLiteral("event");
    QByteArray csv = trendcsv::headerLine(columns);
    end = std::min(end, data.rowCount());
    auto event = std::lower_bound(data.eventRows.begin(), data.eventRows.end(), first);
    for (std::size_t row = first; row < end; ++row) {
        trendcsv::Row line;
        if (data.hasClockTime)
            line.time = QDateTime::fromMSecsSinceEpoch(data.clockStartMs + data.timesMs[row], QTimeZone::utc());
        line.seconds = data.timesMs[row] / 1000.0;
        for (const RecordingChannel &channel : data.channels)
            line.values.push_back(channel.isGood(row) ? std::optional<std::int32_t>(channel.values[row]) : std::nullopt);
        QByteArray text = trendcsv::rowLine(line);
        if (data.hasEventColumn) {
            const bool isEvent = event != data.eventRows.end() && *event == row;
            event += isEvent;
            // The line end stays last; the event cell goes before it.
            text.insert(text.size() - 2, isEvent ? QByteArrayLiteral(",1") : QByteArrayLiteral(","));
        }
        csv += text;
    }
    return csv;
}

} // namespace recording
