#include "trend/model/TrendCsv.h"

#include "base/NumberText.h"

#include <algorithm>

namespace trendcsv {

namespace {

const QByteArray kLineEnd = "\r\n";

} // namespace

QString columnName(const ChannelRecord &record, int channel)
{
    if (channel < kAnalogChannels)
        return record.addressOrName;
    return record.addressOrName + u'.' + record.fullScale;
}

QByteArray field(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\r') && !bytes.contains('\n'))
        return bytes;
    bytes.replace("\"", "\"\"");
    return '"' + bytes + '"';
}

QStringList selectedColumns(const TrendData &data)
{
    QStringList names;
    for (int c : data.selectedChannels)
        names << columnName(data.channels[static_cast<std::size_t>(c)], c);
    return names;
}

QStringList mathColumns(const TrendData &data)
{
    QStringList names;
    for (const MathChannelInfo &channel : data.mathChannels)
        names << columnheading::mathColumn(channel.name, channel.inputs);
    return names.mid(0, kMathChannels);
}

QByteArray headerLine(const QStringList &channelColumns)
{
    QByteArray line = "time,t_s";
    for (const QString &name : channelColumns)
        line += ',' + field(name);
    return line + kLineEnd;
}

Row valuesRow(const TrendData &data, const SampleRow &values, std::uint16_t failedChannels)
{
    Row out;
    out.values.reserve(data.selectedChannels.size());
    for (int c : data.selectedChannels) {
        if (failedChannels & (1u << c))
            out.values.emplace_back(std::nullopt);
        else
            out.values.emplace_back(values[static_cast<std::size_t>(c)]);
    }
    return out;
}

QByteArray mathCells(const TrendData &data, const MathRow &results)
{
    QByteArray cells;
    const auto count = std::min(data.mathChannels.size(), results.size());
    for (std::size_t m = 0; m < count; ++m) {
        cells += ',';
        if (results[m])
            cells += numbertext::engineeringBytes(*results[m]);
    }
    return cells;
}

QByteArray rowLine(const Row &row) { return rowLine(row, {}); }

QByteArray rowLine(const Row &row, const QByteArray &moreCells)
{
    QByteArray line;
    if (row.time)
        line += row.time->toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toLatin1();
    line += ',';
    if (row.seconds)
        line += QByteArray::number(*row.seconds, 'f', 3);
    for (const std::optional<std::int32_t> &value : row.values) {
        line += ',';
        if (value)
            line += QByteArray::number(*value);
    }
    return line + moreCells + kLineEnd;
}

QByteArray eventCell(bool event) { return event ? QByteArrayLiteral(",1") : QByteArrayLiteral(","); }

QByteArray withEventColumn(const QByteArray &csv, int eventRow)
{
    QByteArray out;
    out.reserve(csv.size() + csv.count(kLineEnd) * 2 + kEventColumn.size());
    qsizetype start = 0;
    int line = -1; // the header
    for (qsizetype end = csv.indexOf(kLineEnd); end >= 0; end = csv.indexOf(kLineEnd, start), ++line) {
        out += QByteArrayView(csv).sliced(start, end - start);
        out += line < 0 ? ',' + field(kEventColumn) : eventCell(line == eventRow);
        out += kLineEnd;
        start = end + kLineEnd.size();
    }
    return out;
}

} // namespace trendcsv
