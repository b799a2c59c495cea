#include "trend/TrendCsv.h"

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

QByteArray headerLine(const QStringList &channelColumns)
{
    QByteArray line = "time,t_s";
    for (const QString &name : channelColumns)
        line += ',' + field(name);
    return line + kLineEnd;
}

QByteArray rowLine(const Row &row)
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
    return line + kLineEnd;
}

} // namespace trendcsv
