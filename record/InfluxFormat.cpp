#include "record/InfluxFormat.h"

#include "record/CsvFormat.h"
#include "record/RecordTexts.h"

namespace record {

namespace {

QByteArray escaped(const QString &name, const QByteArray &special)
{
    const QByteArray bytes = name.toUtf8();
    QByteArray out;
    out.reserve(bytes.size() + 4);
    for (const char c : bytes) {
        if (special.contains(c))
            out += '\\';
        out += c;
    }
    return out;
}

} // namespace

QByteArray escapedMeasurement(const QString &name) { return escaped(name, QByteArrayLiteral(", ")); }

QByteArray escapedKey(const QString &name) { return escaped(name, QByteArrayLiteral(",= ")); }

QStringList influxOwnKeys()
{
    return {QStringLiteral("port"), QStringLiteral("pass"), QStringLiteral("event"), QStringLiteral("run"),
            QStringLiteral("time")};
}

QString influxTextProblem(const QString &text)
{
    if (text.contains(u'\n') || text.contains(u'\r'))
        return kInfluxLineEnd;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\')
            continue;
        if (i + 1 == text.size() || QStringView(u",= \\").contains(text[i + 1]))
            return kInfluxBackslash;
    }
    return {};
}

QString tagProblem(const QString &text, QPair<QString, QString> *tag)
{
    const qsizetype equals = text.indexOf(u'=');
    if (equals <= 0 || equals == text.size() - 1)
        return kTagForm.arg(text);
    const QString key = text.left(equals);
    const QString value = text.mid(equals + 1);
    // The protocol has no escape for a line end, and a backslash before a separator would escape it.
    for (const QString &part : {key, value}) {
        if (part.contains(u'\n') || part.contains(u'\r') || part.contains(u'\\'))
            return kTagCharacters.arg(text);
    }
    if (influxOwnKeys().contains(key))
        return kTagReserved.arg(text, key);
    if (key.startsWith(u'_'))
        return kTagUnderscore.arg(text);
    *tag = {key, value};
    return {};
}

InfluxSeries influxSeries(const QString &device, const InfluxTags &tags, const QStringList &columns)
{
    InfluxSeries series;
    series.prefix = escapedMeasurement(QString::fromLatin1(kInfluxMeasurement)) + ",port=" + escapedKey(device);
    for (const auto &[key, value] : tags)
        series.prefix += ',' + escapedKey(key) + '=' + escapedKey(value);
    for (const QString &column : columns)
        series.fieldKeys.append(escapedKey(column));
    return series;
}

QByteArray influxLine(const InfluxSeries &series, const RecordRow &row, bool event)
{
    QByteArray line = series.prefix;
    line += ' ';
    for (qsizetype c = 0; c < series.fieldKeys.size() && c < static_cast<qsizetype>(row.values.size()); ++c) {
        const std::optional<ChannelValue> &value = row.values[static_cast<std::size_t>(c)];
        if (!value)
            continue;
        QByteArray text;
        if (const auto *whole = std::get_if<std::int64_t>(&*value))
            text = QByteArray::number(*whole) + 'i';
        else
            text = floatText(std::get<double>(*value));
        if (text.isEmpty())
            continue; // a float the protocol cannot carry (infinite or NaN) is no value
        line += series.fieldKeys[c] + '=' + text + ',';
    }
    if (event)
        line += "event=1i,";
    line += "pass=" + QByteArray::number(static_cast<qulonglong>(row.pass)) + 'i';
    if (row.run != 0)
        line += ",run=" + QByteArray::number(static_cast<qlonglong>(row.run)) + 'i';
    line += ' ';
    line += QByteArray::number(static_cast<qlonglong>(row.epochNanoseconds));
    return line;
}

} // namespace record
