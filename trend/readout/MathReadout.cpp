#include "trend/readout/MathReadout.h"

#include "base/NumberText.h"
#include "trend/model/Cursor.h"
#include "trend/model/RingRows.h"
#include "trend/model/TrendCsv.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/readout/TrendReadout.h"

#include <algorithm>
#include <cmath>

namespace mathreadout {

namespace {

using numbertext::engineeringText;

QString cell(const std::optional<double> &value) { return value ? engineeringText(*value) : kReadoutFailed; }

// A row's cells: name, A and, with B, the span's figures in kReadoutSpanColumns.
QStringList rowCells(const TrendData &data, int m, int rowA, std::optional<int> rowB)
{
    const auto channel = static_cast<std::size_t>(m);
    const auto at = [&](int row) { return data.displayMathRows[static_cast<std::size_t>(row)][channel]; };
    QStringList cells{data.mathChannels[channel].name, cell(at(rowA))};
    if (!rowB)
        return cells;
    const std::optional<double> a = at(rowA);
    const std::optional<double> b = at(*rowB);
    cells << cell(b) << (a && b ? engineeringText(*b - *a) : kReadoutFailed);
    int good = 0;
    int failed = 0;
    double low = 0;
    double high = 0;
    double sum = 0;
    double sumOfSquares = 0;
    for (int row = std::min(rowA, *rowB); row <= std::max(rowA, *rowB); ++row) {
        const std::optional<double> v = at(row);
        if (!v) {
            ++failed;
            continue;
        }
        low = good == 0 ? *v : std::min(low, *v);
        high = good == 0 ? *v : std::max(high, *v);
        sum += *v;
        sumOfSquares += *v * *v;
        ++good;
    }
    if (good > 0)
        cells << engineeringText(low) << engineeringText(high) << engineeringText(sum / good)
              << engineeringText(std::sqrt(sumOfSquares / good)) << engineeringText(high - low);
    else
        cells << QString() << QString() << QString() << QString() << QString();
    cells << QString() << QString() << QString::number(failed);
    return cells;
}

} // namespace

void appendRows(readoutstatistics::ReadoutTable &table, const TrendData &data, bool running, int cursorAX,
                std::optional<int> cursorBX)
{
    if (data.mathChannels.empty())
        return;
    const TrendData *rows = &data;
    TrendData newest;
    if (running) {
        // The display rows are the last REDRAW's; the newest row is read from the ring unrolled.
        newest = data;
        unrollSamples(newest);
        rows = &newest;
        cursorAX = cursor::lastPosition(newest.rowCount);
        cursorBX.reset();
    }
    const std::optional<int> rowA = cursor::rowUnderCursor(cursorAX, rows->rowCount);
    if (!rowA)
        return;
    // B counts only where the table has its columns.
    const std::optional<int> rowB = cursorBX && table.columns.size() > 2
                                        ? cursor::rowUnderCursor(*cursorBX, rows->rowCount)
                                        : std::nullopt;
    const int channels = std::min(static_cast<int>(rows->mathChannels.size()), kMathChannels);
    for (int m = 0; m < channels; ++m)
        table.rows.push_back({kFirstMathRow + m, rowCells(*rows, m, *rowA, rowB)});
}

QByteArray shownRowsCsv(const TrendData &data, const readoutstatistics::ChannelScales *scales)
{
    if (!scales && data.mathChannels.empty())
        return readout::shownRowsCsv(data);
    QStringList columns = trendcsv::selectedColumns(data);
    std::vector<const UnitScale *> columnScales;
    for (std::size_t i = 0; i < data.selectedChannels.size(); ++i) {
        const auto c = static_cast<std::size_t>(data.selectedChannels[i]);
        const UnitScale *scale = scales && c < scales->size() && (*scales)[c] ? &*(*scales)[c] : nullptr;
        columnScales.push_back(scale);
        // "NAME []" for a scale without a unit: its cells are engineering values all the same.
        if (scale)
            columns[static_cast<qsizetype>(i)] = columnheading::scaledColumn(columns[static_cast<qsizetype>(i)], scale->unit);
    }
    QByteArray csv = trendcsv::headerLine(columns + trendcsv::mathColumns(data));
    const int rows = std::clamp(data.rowCount, 0, kDisplayRowsCapacity);
    for (int k = 0; k < rows; ++k) {
        const auto row = static_cast<std::size_t>(k);
        trendcsv::Row values = readout::csvRow(data, data.displayRows[row], data.displayRowInfo[row]);
        QByteArray cells;
        for (std::size_t i = 0; i < values.values.size(); ++i) {
            cells += ',';
            if (!values.values[i])
                continue;
            cells += columnScales[i] ? numbertext::engineeringBytes(columnScales[i]->apply(*values.values[i]))
                                     : QByteArray::number(*values.values[i]);
        }
        cells += trendcsv::mathCells(data, data.displayMathRows[row]);
        values.values.clear();
        csv += trendcsv::rowLine(values, cells);
    }
    return csv;
}

} // namespace mathreadout
