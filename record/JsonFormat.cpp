#include "record/JsonFormat.h"

#include "record/CsvFormat.h"

#include <QJsonDocument>
#include <QJsonArray>

namespace record {

QStringList jsonOwnKeys()
{
    return {QStringLiteral("time"), QStringLiteral("pass"), QStringLiteral("run"), QStringLiteral("event"),
            QStringLiteral("values")};
}

QList<QByteArray> jsonKeys(const QStringList &columns)
{
    QList<QByteArray> keys;
    for (const QString &column : columns) {
        // A one-element array is the smallest document Qt writes a string in; its brackets go.
        const QByteArray array = QJsonDocument(QJsonArray{column}).toJson(QJsonDocument::Compact);
        keys.append(array.mid(1, array.size() - 2));
    }
    return keys;
}

QByteArray epochSecondsText(std::int64_t epochNanoseconds)
{
    // Whole microseconds, floored, written as digits: a double would round the seventh and later
    // significant digits of today's seconds away.
    std::int64_t micro = epochNanoseconds / 1000;
    if (epochNanoseconds % 1000 < 0)
        --micro;
    const bool negative = micro < 0;
    const auto magnitude = negative ? 0 - static_cast<std::uint64_t>(micro) : static_cast<std::uint64_t>(micro);
    return (negative ? QByteArrayLiteral("-") : QByteArray()) +
           QByteArray::number(static_cast<qulonglong>(magnitude / 1000000)) + '.' +
           QByteArray::number(static_cast<qulonglong>(magnitude % 1000000)).rightJustified(6, '0');
}

QByteArray jsonPayload(const QList<QByteArray> &keys, const RecordRow &row, bool event)
{
    QByteArray text = "{\"time\":\"";
    if (row.time)
        text += row.time->toUTC().toString(Qt::ISODateWithMs).toLatin1();
    text += '"';
    // The same instant as a number, the one form of a time that tools taking a timestamp from a
    // message's field read; a spooled pass carries the time it was read, not the time it was sent.
    if (row.time)
        text += ",\"t\":" + epochSecondsText(row.epochNanoseconds);
    text += ",\"pass\":" + QByteArray::number(static_cast<qulonglong>(row.pass));
    if (row.run != 0)
        text += ",\"run\":" + QByteArray::number(static_cast<qlonglong>(row.run));
    if (event)
        text += ",\"event\":1";
    text += ",\"values\":{";
    bool first = true;
    for (qsizetype c = 0; c < keys.size() && c < static_cast<qsizetype>(row.values.size()); ++c) {
        const std::optional<ChannelValue> &value = row.values[static_cast<std::size_t>(c)];
        if (!value)
            continue;
        QByteArray number;
        if (const auto *whole = std::get_if<std::int64_t>(&*value))
            number = QByteArray::number(*whole);
        else
            number = floatText(std::get<double>(*value));
        if (number.isEmpty())
            continue; // JSON has no number for an infinity or NaN
        if (!first)
            text += ',';
        first = false;
        text += keys[c] + ':' + number;
    }
    return text + "}}";
}

} // namespace record
