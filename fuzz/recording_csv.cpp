// Arbitrary bytes read as a recording in CSV: read or refused, never past the bytes given. A
// refusal names its line; a recording read has a value and a validity bit for every row of every
// channel, times that never go back and events on its rows; written back as CSV (as qmx-record
// writes it, and as the Recording window exports a span) it reads again the same, the whole file
// exported giving back its bytes; and each channel's pyramid gives over all rows the minimum
// and maximum of its good reads.

#include "recording/CivilDate.h"
#include "recording/MinMaxPyramid.h"
#include "recording/RecordingCsvReader.h"
#include "recording/SpanExport.h"
#include "trend/model/TrendCsv.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace recording;

namespace {

// The local date and time as the reader takes it; years 0 to 9999 only.
QByteArray timeText(std::int64_t ms)
{
    std::int64_t days = ms >= 0 ? ms / 86400000 : -((-ms + 86399999) / 86400000);
    const std::int64_t inDay = ms - days * 86400000;
    const civildate::Date date = civildate::civilFromDays(days);
    return QStringLiteral("%1-%2-%3T%4:%5:%6.%7")
        .arg(date.year, 4, 10, QLatin1Char('0'))
        .arg(date.month, 2, 10, QLatin1Char('0'))
        .arg(date.day, 2, 10, QLatin1Char('0'))
        .arg(inDay / 3600000, 2, 10, QLatin1Char('0'))
        .arg(inDay / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(inDay / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(inDay % 1000, 3, 10, QLatin1Char('0'))
        .toLatin1();
}

// From 0000-01-01 to the end of 9999: the times four year digits can write.
constexpr std::int64_t kFirstWritableMs = -62167219200000;
constexpr std::int64_t kPastWritableMs = 253402300800000;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

QByteArray writeBack(const RecordingData &data)
{
    QStringList columns;
    for (const RecordingChannel &channel : data.channels)
        columns << channel.heading();
    const bool events = data.hasEventColumn;
    if (events)
        columns << QStringLiteral("event");
    QByteArray csv = trendcsv::headerLine(columns);
    csv.replace("\r\n", "\n"); // lines ended by LF alone as well
    std::size_t nextEvent = 0;
    for (std::size_t row = 0; row < data.rowCount(); ++row) {
        trendcsv::Row line;
        line.seconds = data.timesMs[row] / 1000.0;
        for (const RecordingChannel &channel : data.channels)
            line.values.push_back(channel.isGood(row) ? std::optional<std::int32_t>(channel.values[row]) : std::nullopt);
        QByteArray text = trendcsv::rowLine(line);
        if (data.hasClockTime)
            text.prepend(timeText(data.clockStartMs + data.timesMs[row]));
        if (events) {
            const bool event = nextEvent < data.eventRows.size() && data.eventRows[nextEvent] == row;
            nextEvent += event;
            text.insert(text.size() - 2, event ? QByteArrayLiteral(",1") : QByteArrayLiteral(","));
        }
        csv += text;
    }
    return csv;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(size));
    const ReadResult result = readCsvBytes(input);
    check(!result.cancelled);
    if (!result.data) {
        check(result.error.startsWith(QStringLiteral("line ")));
        return 0;
    }
    const RecordingData &data = *result.data;
    const std::size_t rows = data.rowCount();
    check(std::is_sorted(data.timesMs.begin(), data.timesMs.end()));
    check(std::is_sorted(data.eventRows.begin(), data.eventRows.end()));
    check(data.eventRows.empty() || data.eventRows.back() < rows);
    for (const RecordingChannel &channel : data.channels) {
        check(channel.values.size() == rows && channel.goodBits.size() == (rows + 63) / 64);
        const MinMaxPyramid pyramid(channel);
        MinMax expected;
        for (std::size_t row = 0; row < rows; ++row) {
            if (channel.isGood(row))
                expected.take(channel.values[row]);
        }
        const MinMax whole = pyramid.range(0, rows);
        check(whole.isEmpty() == expected.isEmpty());
        check(whole.isEmpty() || (whole.minimum == expected.minimum && whole.maximum == expected.maximum));
    }
    if (data.hasClockTime && (data.clockStartMs < kFirstWritableMs || rows == 0
                              || data.clockStartMs + data.timesMs.back() >= kPastWritableMs))
        return 0;
    const ReadResult again = readCsvBytes(writeBack(data));
    check(again.data.has_value());
    const RecordingData &copy = *again.data;
    check(copy.timesMs == data.timesMs && copy.eventRows == data.eventRows && copy.hasEventColumn == data.hasEventColumn && copy.channels.size() == data.channels.size());
    check(copy.hasClockTime == data.hasClockTime && copy.clockStartMs == data.clockStartMs);
    for (std::size_t c = 0; c < data.channels.size(); ++c) {
        check(copy.channels[c].name == data.channels[c].name && copy.channels[c].logic == data.channels[c].logic);
        check(copy.channels[c].values == data.channels[c].values && copy.channels[c].goodBits == data.channels[c].goodBits);
    }
    // The Recording window's own export of the whole file gives back its bytes (all but a
    // half-written last line, which was not read), and reads again to the same numbers, names and
    // units.
    const QByteArray whole = spanCsv(data, 0, rows);
    check(!data.notes.isEmpty() || whole == input);
    const ReadResult exported = readCsvBytes(whole);
    check(exported.data.has_value() && exported.data->channels.size() == data.channels.size());
    check(exported.data->timesMs == data.timesMs && exported.data->eventRows == data.eventRows);
    for (std::size_t c = 0; c < data.channels.size(); ++c) {
        const RecordingChannel &was = data.channels[c];
        const RecordingChannel &is = exported.data->channels[c];
        check(is.name == was.name && is.unit == was.unit && is.logic == was.logic && is.goodBits == was.goodBits);
        for (std::size_t row = 0; row < rows; ++row) {
            const double before = was.numberAt(row);
            const double after = is.numberAt(row);
            check(std::abs(after - before) <= 1e-9 * std::max(1.0, std::abs(before)));
        }
    }
    return 0;
}
