#include "recording/SpanExport.h"

#include "trend/TrendCsv.h"

#include <QDateTime>
#include <QTimeZone>
#include <algorithm>

namespace recording {

namespace {

// A value as the recording's file held it: a whole number as ever, a decimal to the 10
// significant digits qmx-record and the Trend Graph write.
QByteArray cellText(const RecordingChannel &channel, std::int32_t stored)
{
    constexpr int kWrittenDigits = 10;
    if (channel.decimals == 0)
        return QByteArray::number(stored);
    return QByteArray::number(channel.numberOf(stored), 'g', kWrittenDigits);
}

} // namespace

QByteArray spanCsv(const RecordingData &data, std::size_t first, std::size_t end)
{
    QStringList columns;
    for (const RecordingChannel &channel : data.channels)
        columns << channel.heading();
    if (data.hasEventColumn)
        columns << QStringLiteral("event");
    QByteArray csv = trendcsv::headerLine(columns);
    const bool decimals = std::any_of(data.channels.begin(), data.channels.end(),
                                      [](const RecordingChannel &channel) { return channel.decimals != 0; });
    end = std::min(end, data.rowCount());
    auto event = std::lower_bound(data.eventRows.begin(), data.eventRows.end(), first);
    for (std::size_t row = first; row < end; ++row) {
        trendcsv::Row line;
        if (data.hasClockTime)
            line.time = QDateTime::fromMSecsSinceEpoch(data.clockStartMs + data.timesMs[row], QTimeZone::utc());
        line.seconds = data.timesMs[row] / 1000.0;
        QByteArray text;
        if (decimals) {
            // The time cells as the trend export writes them, the values after them.
            text = trendcsv::rowLine(line);
            text.chop(2);
            for (const RecordingChannel &channel : data.channels) {
                text += ',';
                if (channel.isGood(row))
                    text += cellText(channel, channel.values[row]);
            }
            text += QByteArrayLiteral("\r\n");
        } else {
            for (const RecordingChannel &channel : data.channels)
                line.values.push_back(channel.isGood(row) ? std::optional<std::int32_t>(channel.values[row]) : std::nullopt);
            text = trendcsv::rowLine(line);
        }
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
