#include "recording/RecordingReadout.h"

#include "base/NumberText.h"
#include "base/TextFile.h"
#include "engineering/UnitsTable.h"
#include "recording/RecordingReadoutTexts.h"
#include "trend/readout/StepFiguresText.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/readout/TrendReadout.h"

#include <QDateTime>
#include <QTimeZone>
#include <algorithm>
#include <cmath>

namespace recording {

namespace {

using numbertext::secondsText;

std::optional<std::int32_t> readAt(const RecordingChannel &channel, std::size_t row)
{
    if (!channel.isGood(row))
        return std::nullopt;
    return channel.values[row];
}

QString cursorText(const RecordingData &data, const QString &name, std::size_t row)
{
    const std::int64_t ms = data.timesMs[row];
    QString text = QStringLiteral("%1: row %2").arg(name).arg(row + 1);
    // A .trd's rows have no times.
    if (!data.hasTimes)
        return text;
    if (data.hasClockTime) {
        const QDateTime at = QDateTime::fromMSecsSinceEpoch(data.clockStartMs + ms, QTimeZone::utc());
        text += u' ' + at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    }
    return text + QStringLiteral(" (t = %1 s)").arg(secondsText(ms));
}

const UnitScale *scaleOf(const ChannelScales *scales, std::size_t channel)
{
    if (!scales || channel >= scales->size() || !(*scales)[channel])
        return nullptr;
    return &*(*scales)[channel];
}

// The significant digits a channel's engineering values are shown with: a column of the file's own
// engineering values as it was written.
int digitsOf(const RecordingChannel &channel)
{
    return channel.engineering ? numbertext::kEngineeringDigits : readoutstatistics::kEngineeringDigits;
}

// The significant digits of a number's shortest text that reads back the same: 11 for
// 12345678901, 12 for 2147483647.25, 2 for 0.00025.
int significantDigits(double value)
{
    const QString text = numbertext::shortestText(value);
    int digits = 0;
    for (const QChar c : text) {
        if (c == u'e')
            break;
        if (c.isDigit() && (digits > 0 || c != u'0'))
            ++digits;
    }
    return digits;
}

// The digits a number read from the file is shown with, or a figure of such numbers (a
// difference, a mean): the 10 the files carry, or all that one of them has when it has more, so
// that 12345678901 does not show as 1.23456789e+10.
int shownDigits(std::initializer_list<double> numbers)
{
    int digits = numbertext::kEngineeringDigits;
    for (const double number : numbers)
        digits = std::max(digits, significantDigits(number));
    return digits;
}

// Whether the numbers of a column and of its reference are compared as the files held them: a
// column of engineering values, whatever power of ten either file stores it at (a rounded or
// capped conversion of the reference's stored values would show another number).
bool comparedAsRead(const RecordingChannel &own, const RecordingChannel *theirs, const UnitScale *scale)
{
    return scale && (own.engineering || own.isWide() || (theirs && theirs->isWide()));
}

// The number of a row in engineering values: a column of the file's own engineering values as read,
// another by `scale`.
double engineeringNumber(const RecordingChannel &channel, std::size_t row, const UnitScale &scale)
{
    return channel.isWide() ? channel.numberAt(row) : scale.apply(channel.values[row]);
}

// The cells of kReadoutSpanColumns and A of a column too wide for 32 bits, from its numbers as read.
QStringList wideCells(const RecordingChannel &channel, const UnitScale &scale, std::size_t rowA,
                      std::optional<std::size_t> rowB)
{
    // Each figure with the digits of the numbers it comes from.
    const auto text = [&](double value, std::initializer_list<double> from) {
        return readoutstatistics::engineeringText(value, scale, shownDigits(from));
    };
    const auto cell = [&](std::size_t row) {
        return channel.isGood(row) ? text(channel.numberAt(row), {channel.numberAt(row)}) : kReadoutFailed;
    };
    QStringList cells{cell(rowA)};
    if (!rowB)
        return cells;
    const double a = channel.numberAt(rowA), b = channel.numberAt(*rowB);
    cells << cell(*rowB) << (channel.isGood(rowA) && channel.isGood(*rowB) ? text(b - a, {a, b}) : kReadoutFailed);
    int good = 0, failed = 0;
    double low = 0, high = 0, sum = 0, sumOfSquares = 0;
    for (std::size_t row = std::min(rowA, *rowB); row <= std::max(rowA, *rowB); ++row) {
        if (!channel.isGood(row)) {
            ++failed;
            continue;
        }
        const double v = channel.numberAt(row);
        low = good == 0 ? v : std::min(low, v);
        high = good == 0 ? v : std::max(high, v);
        sum += v;
        sumOfSquares += v * v;
        ++good;
    }
    if (good > 0)
        cells << text(low, {low}) << text(high, {high}) << text(sum / good, {low, high})
              << text(std::sqrt(sumOfSquares / good), {low, high}) << text(high - low, {low, high});
    else
        cells << QString() << QString() << QString() << QString() << QString();
    return cells << QString() << QString() << QString::number(failed);
}

} // namespace

ChannelScales columnScales(const RecordingData &data)
{
    ChannelScales scales(data.channels.size());
    for (std::size_t c = 0; c < data.channels.size(); ++c) {
        const RecordingChannel &channel = data.channels[c];
        if (channel.engineering && !channel.logic)
            scales[c] = UnitScale{powerOfTen(-channel.decimals), 0.0, channel.unit};
    }
    return scales;
}

ChannelScales recordingScales(const UnitsTable &units, const RecordingData &data)
{
    ChannelScales scales = columnScales(data);
    for (std::size_t c = 0; c < data.channels.size(); ++c) {
        const RecordingChannel &channel = data.channels[c];
        if (channel.logic || channel.engineering)
            continue;
        if (const UnitScale *scale = units.find(channel.name, UnitsTable::keyAddress(channel.name)))
            scales[c] = *scale;
    }
    return scales;
}

std::vector<readoutstatistics::ChannelFigures> figuresAtCursors(const RecordingData &data, std::size_t rowA,
                                                      std::optional<std::size_t> rowB)
{
    std::vector<readoutstatistics::ChannelFigures> figures;
    if (rowA >= data.rowCount() || (rowB && *rowB >= data.rowCount()))
        return figures;
    for (std::size_t c = 0; c < data.channels.size(); ++c) {
        const RecordingChannel &channel = data.channels[c];
        readoutstatistics::ChannelFigures f;
        f.channel = static_cast<int>(c);
        f.atA = readAt(channel, rowA);
        if (rowB) {
            f.atB = readAt(channel, *rowB);
            const auto read = [&channel](std::int64_t row) { return readAt(channel, static_cast<std::size_t>(row)); };
            readoutstatistics::takeSpan(read, static_cast<std::int64_t>(std::min(rowA, *rowB)),
                              static_cast<std::int64_t>(std::max(rowA, *rowB)), f);
        }
        figures.push_back(f);
    }
    return figures;
}

readoutstatistics::ReadoutTable readoutAtCursors(const RecordingData &data, std::size_t rowA, std::optional<std::size_t> rowB,
                                                 const ChannelScales *scales)
{
    readoutstatistics::ReadoutTable table;
    table.columns << kReadoutChannelColumn << kCursorAMark;
    if (rowA >= data.rowCount() || (rowB && *rowB >= data.rowCount())) {
        table.header = kReadoutNoRows;
        return table;
    }
    table.header = cursorText(data, QStringLiteral("A"), rowA);
    if (rowB) {
        table.columns << kReadoutSpanColumns;
        const std::int64_t rows = static_cast<std::int64_t>(*rowB) - static_cast<std::int64_t>(rowA);
        table.header += QStringLiteral("    ") + cursorText(data, QStringLiteral("B"), *rowB);
        table.header += data.hasTimes ? QStringLiteral("    B-A: %1 rows  %2 s")
                                            .arg(rows)
                                            .arg(secondsText(data.timesMs[*rowB] - data.timesMs[rowA]))
                                      : QStringLiteral("    B-A: %1 rows").arg(rows);
    }
    for (const readoutstatistics::ChannelFigures &f : figuresAtCursors(data, rowA, rowB)) {
        const RecordingChannel &channel = data.channels[static_cast<std::size_t>(f.channel)];
        readoutstatistics::ReadoutTable::Row row;
        row.channel = f.channel;
        row.cells << channel.name;
        const UnitScale *scale = scaleOf(scales, static_cast<std::size_t>(f.channel));
        if (scale && channel.isWide()) {
            row.cells << wideCells(channel, *scale, rowA, rowB);
        } else if (scale) {
            row.cells << readoutstatistics::engineeringCell(f.atA, *scale, digitsOf(channel));
            if (rowB)
                row.cells << readoutstatistics::engineeringSpanCells(f, *scale, digitsOf(channel));
        } else {
            row.cells << (f.atA ? QString::number(*f.atA) : kReadoutFailed);
            if (rowB)
                row.cells << readoutstatistics::spanCells(f, channel.logic, false);
        }
        table.rows.push_back(row);
    }
    return table;
}

readoutstatistics::ReadoutTable referenceReadout(const RecordingData &data, const std::vector<Reference> &references,
                                       std::size_t rowA, std::optional<std::size_t> rowB, const ChannelScales *scales)
{
    readoutstatistics::ReadoutTable table;
    table.columns << QStringLiteral("Reference") << QStringLiteral("at A") << QStringLiteral("A-ref");
    if (rowB)
        table.columns << QStringLiteral("at B") << QStringLiteral("B-ref");
    if (rowA >= data.rowCount() || (rowB && *rowB >= data.rowCount()))
        return table;
    auto cells = [&data, scales](const Reference &reference, std::size_t channel, std::size_t row) {
        // The cursor outside the reference's rows: nothing to compare, and no read failed.
        if (!reference.rowAt(data.timesMs[row]))
            return QStringList{kReferenceNoRowsText, QString()};
        const std::optional<std::int32_t> own = readAt(data.channels[channel], row);
        const std::optional<std::int32_t> theirs = reference.valueAt(channel, data.timesMs[row]);
        const RecordingChannel &ownColumn = data.channels[channel];
        const RecordingChannel *theirColumn = reference.columnOf(channel);
        const UnitScale *ownScale = scaleOf(scales, channel);
        if (comparedAsRead(ownColumn, theirColumn, ownScale)) {
            const std::optional<double> their = reference.numberAt(channel, data.timesMs[row]);
            const bool both = their && ownColumn.isGood(row);
            const double mine =
                ownColumn.engineering ? ownColumn.numberAt(row) : engineeringNumber(ownColumn, row, *ownScale);
            return QStringList{
                their ? readoutstatistics::engineeringText(*their, *ownScale, shownDigits({*their})) : kReadoutFailed,
                both ? readoutstatistics::engineeringText(mine - *their, *ownScale, shownDigits({mine, *their}))
                     : kReadoutFailed};
        }
        if (const UnitScale *scale = scaleOf(scales, channel)) {
            // The difference of two engineering values: the offset drops out.
            const int digits = digitsOf(data.channels[channel]);
            const double difference = own && theirs ? scale->gain * (double(*own) - double(*theirs)) : 0.0;
            return QStringList{readoutstatistics::engineeringCell(theirs, *scale, digits),
                               own && theirs ? readoutstatistics::engineeringText(difference, *scale, digits)
                                             : kReadoutFailed};
        }
        return QStringList{theirs ? QString::number(*theirs) : kReadoutFailed,
                           own && theirs ? readout::differenceValueText(*own - *theirs, false) : kReadoutFailed};
    };
    for (const Reference &reference : references) {
        const QString name = textfile::bareFileName(reference.recording->data.path);
        for (std::size_t c = 0; c < data.channels.size(); ++c) {
            if (c >= reference.channelOf.size() || !reference.channelOf[c])
                continue;
            readoutstatistics::ReadoutTable::Row row;
            row.channel = static_cast<int>(c);
            row.cells << name + QStringLiteral(": ") + data.channels[c].name << cells(reference, c, rowA);
            if (rowB)
                row.cells << cells(reference, c, *rowB);
            table.rows.push_back(row);
        }
    }
    return table;
}

QStringList stepFiguresLines(const RecordingData &data, const std::vector<Reference> &references, std::size_t channel,
                             std::size_t rowA, std::size_t rowB, const ChannelScales *scales, double bandPercent)
{
    if (channel >= data.channels.size() || rowA >= data.rowCount() || rowB >= data.rowCount())
        return {};
    const std::size_t first = std::min(rowA, rowB);
    const std::size_t last = std::max(rowA, rowB);
    const UnitScale *scale = scaleOf(scales, channel);
    // One span per recording: the rows' times from the earlier cursor, the values as `read` gives them.
    const auto spanOf = [&](const QString &name, const auto &read) {
        stepfigurestext::Span span;
        span.name = name;
        span.firstRow = static_cast<long long>(first) + 1; // rows are numbered from 1 in this window
        span.unit = scale ? scale->unit : QString();
        // A .trd's rows have no times: durations in rows.
        span.timed = data.hasTimes;
        for (std::size_t row = first; row <= last; ++row) {
            const std::optional<double> value = read(row);
            span.seconds.push_back(data.hasTimes ? static_cast<double>(data.timesMs[row] - data.timesMs[first]) / 1000.0
                                                 : static_cast<double>(row - first));
            span.values.push_back(value.value_or(0.0));
            span.failed.push_back(value ? 0 : 1);
        }
        return stepfigurestext::figuresLines(span, bandPercent);
    };
    const RecordingChannel &own = data.channels[channel];
    // Values in engineering values where there is a scale, a wide column's as read.
    const auto ownValue = [&](std::size_t row) -> std::optional<double> {
        if (!own.isGood(row))
            return std::nullopt;
        return scale ? engineeringNumber(own, row, *scale) : double(own.values[row]);
    };
    QStringList lines = spanOf(own.name, ownValue);
    for (const Reference &reference : references) {
        const RecordingChannel *theirs = reference.columnOf(channel);
        if (!theirs)
            continue;
        const QString name = textfile::bareFileName(reference.recording->data.path) + QStringLiteral(": ") + own.name;
        lines << spanOf(name, [&](std::size_t row) -> std::optional<double> {
            if (comparedAsRead(own, theirs, scale))
                return reference.numberAt(channel, data.timesMs[row]);
            const std::optional<std::int32_t> value = reference.valueAt(channel, data.timesMs[row]);
            if (!value)
                return std::nullopt;
            return scale ? scale->apply(*value) : double(*value);
        });
    }
    return lines;
}

} // namespace recording
