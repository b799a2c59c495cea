#include "recording/RecordingReadout.h"

#include "base/TextFile.h"
#include "trend/StepFiguresText.h"
#include "trend/TrendGraphTexts.h"
#include "trend/TrendReadout.h"

#include <QDateTime>
#include <QTimeZone>
#include <algorithm>

namespace recording {

namespace {

std::optional<std::int32_t> readAt(const RecordingChannel &channel, std::size_t row)
{
    if (!channel.isGood(row))
        return std::nullopt;
    return channel.values[row];
}

QString secondsText(std::int64_t ms) { return QString::number(ms / 1000.0, 'f', 3); }

QString cursorText(const RecordingData &data, const QString &name, std::size_t row)
{
    const std::int64_t ms = data.timesMs[row];
    QString text = QStringLiteral("%1: row %2").arg(name).arg(row + 1);
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
    constexpr int kWrittenDigits = 10;
    return channel.engineering ? kWrittenDigits : readoutstatistics::kEngineeringDigits;
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
        table.header += QStringLiteral("    ") + cursorText(data, QStringLiteral("B"), *rowB)
                        + QStringLiteral("    B-A: %1 rows  %2 s").arg(rows).arg(secondsText(data.timesMs[*rowB] - data.timesMs[rowA]));
    }
    for (const readoutstatistics::ChannelFigures &f : figuresAtCursors(data, rowA, rowB)) {
        const RecordingChannel &channel = data.channels[static_cast<std::size_t>(f.channel)];
        readoutstatistics::ReadoutTable::Row row;
        row.channel = f.channel;
        row.cells << channel.name;
        if (const UnitScale *scale = scaleOf(scales, static_cast<std::size_t>(f.channel))) {
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
        const std::optional<std::int32_t> own = readAt(data.channels[channel], row);
        const std::optional<std::int32_t> theirs = reference.valueAt(channel, data.timesMs[row]);
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
        for (std::size_t row = first; row <= last; ++row) {
            const std::optional<std::int32_t> value = read(row);
            span.seconds.push_back(static_cast<double>(data.timesMs[row] - data.timesMs[first]) / 1000.0);
            span.values.push_back(value ? (scale ? scale->apply(*value) : double(*value)) : 0.0);
            span.failed.push_back(value ? 0 : 1);
        }
        return stepfigurestext::figuresLines(span, bandPercent);
    };
    const RecordingChannel &own = data.channels[channel];
    QStringList lines = spanOf(own.name, [&own](std::size_t row) { return readAt(own, row); });
    for (const Reference &reference : references) {
        if (channel >= reference.channelOf.size() || !reference.channelOf[channel])
            continue;
        const QString name = textfile::bareFileName(reference.recording->data.path) + QStringLiteral(": ") + own.name;
        lines << spanOf(name, [&](std::size_t row) { return reference.valueAt(channel, data.timesMs[row]); });
    }
    return lines;
}

} // namespace recording
