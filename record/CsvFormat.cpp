#include "record/CsvFormat.h"

#include "base/NumberText.h"
#include "trend/model/TrendCsv.h"

#include <cmath>

namespace record {

QByteArray floatText(double value)
{
    // Neither CSV readers nor time-series databases agree on a text for these: no value.
    if (!std::isfinite(value))
        return {};
    return numbertext::shortestBytes(value);
}

QStringList csvOwnColumns()
{
    return {QStringLiteral("time"), QStringLiteral("t_s"), trendcsv::kEventColumn};
}

QByteArray csvHeader(const QStringList &columns, bool eventColumn)
{
    return trendcsv::headerLine(eventColumn ? QStringList(columns) << csvOwnColumns().back() : columns);
}

QByteArray csvLine(const RecordRow &row, std::optional<bool> event)
{
    // The time and t_s cells as the trend export writes them, its line end left for the values.
    QByteArray line = trendcsv::rowLine({row.time, row.seconds, {}});
    line.chop(2);
    for (const std::optional<ChannelValue> &value : row.values) {
        line += ',';
        if (!value)
            continue;
        if (const auto *whole = std::get_if<std::int64_t>(&*value))
            line += QByteArray::number(*whole);
        else
            line += floatText(std::get<double>(*value));
    }
    // In a triggered recording: 1 the trigger row, 2 a window's first row after rows left out
    // (which a reader must not join to the row before), 3 both.
    if (event && row.afterRowsLeftOut)
        line += *event ? QByteArrayLiteral(",3") : QByteArrayLiteral(",2");
    else if (event)
        line += trendcsv::eventCell(*event);
    return line + QByteArrayLiteral("\r\n");
}

} // namespace record
