#include "trend/readout/ReadoutStatistics.h"

#include "base/NumberText.h"
#include "trend/model/Cursor.h"
#include "trend/model/RingRows.h"
#include "trend/model/TrendCsv.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/readout/TrendReadout.h"

#include <algorithm>
#include <cmath>

namespace readoutstatistics {

namespace {

bool readFailed(const RowInfo &info, int channel) { return (info.failedChannels & (1u << channel)) != 0; }

std::optional<std::int32_t> valueAt(const TrendData &data, int row, int channel)
{
    if (readFailed(data.displayRowInfo[static_cast<std::size_t>(row)], channel))
        return std::nullopt;
    return data.displayRows[static_cast<std::size_t>(row)][static_cast<std::size_t>(channel)];
}

bool isLogic(int channel) { return channel >= kAnalogChannels; }

QString valueCell(int channel, const std::optional<std::int32_t> &value, bool hex)
{
    if (!value)
        return kReadoutFailed;
    return cursor::valueText(channel, *value, hex ? cursor::Base::Hex : cursor::Base::Dec, cursor::LogicText::Value);
}

// Mean and RMS are not words the controller holds: they stay decimal in Hex too.
QString figureCell(double figure) { return QString::number(figure, 'f', 2); }

QString peakToPeakCell(std::int64_t peakToPeak, bool hex)
{
    if (!hex)
        return QString::number(peakToPeak);
    return QStringLiteral("%1").arg(peakToPeak, 4, 16, QLatin1Char('0')).toUpper();
}

QString headerText(const TrendData &data, int cursorAX, std::optional<int> cursorBX)
{
    QString header = readout::cursorTimeText(data, cursorAX, kCursorAMark);
    if (!cursorBX)
        return header;
    header += QStringLiteral("    ") + readout::cursorTimeText(data, *cursorBX, kCursorBMark);
    if (const std::optional<readout::CursorDifference> d = readout::cursorDifference(data, cursorAX, *cursorBX)) {
        header += QStringLiteral("    ") + kRowsFromAToB.arg(d->rows) + QStringLiteral("  ") +
                  (d->milliseconds ? kSeconds.arg(numbertext::secondsText(*d->milliseconds)) : kNoTime);
    }
    return header;
}

} // namespace

QStringList engineeringSpanCells(const ChannelFigures &f, const UnitScale &scale, int digits)
{
    QStringList cells;
    cells << engineeringCell(f.atB, scale, digits);
    if (f.atA && f.atB)
        cells << engineeringDifferenceCell(std::int64_t{*f.atB} - *f.atA, scale, digits);
    else
        cells << kReadoutFailed;
    if (f.samples > 0) {
        const double low = scale.apply(f.minimum);
        const double high = scale.apply(f.maximum);
        // The mean of (gain x raw + offset)^2 from the raw mean and mean square.
        const double meanSquare = scale.gain * scale.gain * f.rms * f.rms + 2 * scale.gain * scale.offset * f.mean +
                                  scale.offset * scale.offset;
        cells << engineeringText(std::min(low, high), scale, digits)
              << engineeringText(std::max(low, high), scale, digits)
              << engineeringText(scale.apply(f.mean), scale, digits)
              << engineeringText(std::sqrt(std::max(0.0, meanSquare)), scale, digits)
              << engineeringText(std::abs(scale.gain) * static_cast<double>(f.peakToPeak()), scale, digits);
    } else {
        cells << QString() << QString() << QString() << QString() << QString();
    }
    cells << QString() << QString() << QString::number(f.failed);
    return cells;
}

QStringList spanCells(const ChannelFigures &f, bool logic, bool hex)
{
    // Values are written as a channel of their kind writes them.
    const int formatChannel = logic ? kAnalogChannels : 0;
    QStringList cells;
    cells << valueCell(formatChannel, f.atB, hex);
    if (f.atA && f.atB)
        cells << readout::differenceValueText(*f.atB - *f.atA, hex && !logic);
    else
        cells << kReadoutFailed;
    const bool analogFigures = !logic && f.samples > 0;
    cells << (analogFigures ? valueCell(formatChannel, f.minimum, hex) : QString())
          << (analogFigures ? valueCell(formatChannel, f.maximum, hex) : QString())
          << (analogFigures ? figureCell(f.mean) : QString()) << (analogFigures ? figureCell(f.rms) : QString())
          << (analogFigures ? peakToPeakCell(f.peakToPeak(), hex) : QString());
    cells << (logic ? QString::number(f.ones) : QString()) << (logic ? QString::number(f.edges) : QString());
    cells << QString::number(f.failed);
    return cells;
}

std::optional<CursorFigures> figuresBetweenCursors(const TrendData &data, int cursorAX, std::optional<int> cursorBX)
{
    const std::optional<int> rowA = cursor::rowUnderCursor(cursorAX, data.rowCount);
    if (!rowA)
        return std::nullopt;
    CursorFigures figures;
    figures.rowA = *rowA;
    if (cursorBX)
        figures.rowB = cursor::rowUnderCursor(*cursorBX, data.rowCount);
    for (int c : data.selectedChannels) {
        if (c < 0 || c >= kChannels)
            continue;
        ChannelFigures channel;
        channel.channel = c;
        channel.atA = valueAt(data, *rowA, c);
        if (figures.rowB) {
            channel.atB = valueAt(data, *figures.rowB, c);
            const auto readAt = [&data, c](std::int64_t row) { return valueAt(data, static_cast<int>(row), c); };
            takeSpan(readAt, std::min(*rowA, *figures.rowB), std::max(*rowA, *figures.rowB), channel);
        }
        figures.channels.push_back(channel);
    }
    return figures;
}

ReadoutTable readoutTableTexts(const TrendData &data, int cursorAX, std::optional<int> cursorBX, bool hex,
                               const ChannelScales *scales)
{
    ReadoutTable table;
    table.columns << kReadoutChannelColumn << kCursorAMark;
    const std::optional<CursorFigures> figures = figuresBetweenCursors(data, cursorAX, cursorBX);
    if (!figures) {
        table.header = kReadoutNoRows;
        return table;
    }
    table.header = headerText(data, cursorAX, figures->rowB ? cursorBX : std::nullopt);
    if (figures->rowB)
        table.columns << kReadoutSpanColumns;
    for (const ChannelFigures &f : figures->channels) {
        ReadoutTable::Row row;
        row.channel = f.channel;
        const auto channel = static_cast<std::size_t>(f.channel);
        const std::optional<UnitScale> *scale = scales && !isLogic(f.channel) ? &(*scales)[channel] : nullptr;
        row.cells << trendcsv::columnName(data.channels[channel], f.channel);
        if (scale && *scale) {
            row.cells << engineeringCell(f.atA, **scale);
            if (figures->rowB)
                row.cells << engineeringSpanCells(f, **scale);
        } else {
            row.cells << valueCell(f.channel, f.atA, hex);
            if (figures->rowB)
                row.cells << spanCells(f, isLogic(f.channel), hex);
        }
        table.rows.push_back(row);
    }
    return table;
}

ReadoutTable recordingTableTexts(const TrendData &data, bool running, int cursorAX, std::optional<int> cursorBX,
                                 bool hex, const ChannelScales *scales)
{
    if (!running)
        return readoutTableTexts(data, cursorAX, cursorBX, hex, scales);
    TrendData newest = data;
    unrollSamples(newest);
    return readoutTableTexts(newest, cursor::lastPosition(newest.rowCount), std::nullopt, hex, scales);
}

QString tabSeparatedText(const ReadoutTable &table)
{
    QString text = table.header + u'\n' + table.columns.join(u'\t') + u'\n';
    for (const ReadoutTable::Row &row : table.rows)
        text += row.cells.join(u'\t') + u'\n';
    return text;
}

} // namespace readoutstatistics
