#pragma once
// A strict reader of InfluxDB line protocol as the recorder writes it, for the tests: a
// measurement, tags and fields whose names use only the escapes the protocol defines, integer
// fields with their "i", floats in decimal, a timestamp in whole nanoseconds, single spaces
// between the parts and nothing after the timestamp. A line that breaks any rule is refused with
// where and why.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QRegularExpression>
#include <QString>
#include <cstring>
#include <optional>
#include <variant>

struct InfluxPoint {
    QString measurement;
    QList<QPair<QString, QString>> tags;
    QMap<QString, std::variant<qint64, double>> fields;
    QStringList fieldOrder;
    qint64 timestamp = 0;
};

class InfluxLineParser {
public:
    explicit InfluxLineParser(const QByteArray &line) : line_(line) {}

    std::optional<InfluxPoint> parse(QString *why)
    {
        InfluxPoint point;
        if (line_.contains('\n') || line_.contains('\r'))
            return refuse(why, QStringLiteral("a line end inside the line"));
        if (!name(", ", ", ", &point.measurement) || point.measurement.isEmpty())
            return refuse(why, QStringLiteral("no measurement"));
        while (peek() == ',') {
            ++at_;
            QString key, value;
            if (!name(",= ", ",= ", &key) || key.isEmpty() || peek() != '=')
                return refuse(why, QStringLiteral("a tag key"));
            ++at_;
            if (!name(",= ", ",= ", &value) || value.isEmpty())
                return refuse(why, QStringLiteral("a tag value"));
            point.tags.append({key, value});
        }
        if (peek() != ' ')
            return refuse(why, QStringLiteral("no space after the tags"));
        ++at_;
        do {
            if (peek() == ',')
                ++at_;
            QString key;
            if (!name(",= ", ",= ", &key) || key.isEmpty() || peek() != '=')
                return refuse(why, QStringLiteral("a field key"));
            ++at_;
            const qsizetype end = nextOf(",  ");
            const QByteArray text = line_.mid(at_, end - at_);
            at_ = end;
            static const QRegularExpression integer(QStringLiteral("^-?(0|[1-9][0-9]*)i$"));
            static const QRegularExpression decimal(
                QStringLiteral("^-?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][-+]?[0-9]+)?$"));
            bool ok = false;
            if (integer.match(QString::fromLatin1(text)).hasMatch()) {
                const qint64 value = text.chopped(1).toLongLong(&ok);
                if (!ok)
                    return refuse(why, QStringLiteral("an integer out of range"));
                point.fields.insert(key, value);
            } else if (decimal.match(QString::fromLatin1(text)).hasMatch()) {
                point.fields.insert(key, text.toDouble(&ok));
            } else {
                return refuse(why, QStringLiteral("the value of field %1: %2").arg(key, QString::fromLatin1(text)));
            }
            if (point.fieldOrder.contains(key))
                return refuse(why, QStringLiteral("field %1 twice").arg(key));
            point.fieldOrder.append(key);
        } while (peek() == ',');
        if (point.fields.isEmpty() || peek() != ' ')
            return refuse(why, QStringLiteral("no space before the timestamp"));
        ++at_;
        static const QRegularExpression stamp(QStringLiteral("^-?[0-9]{1,19}$"));
        const QByteArray text = line_.mid(at_);
        bool ok = false;
        point.timestamp = text.toLongLong(&ok);
        if (!stamp.match(QString::fromLatin1(text)).hasMatch() || !ok)
            return refuse(why, QStringLiteral("the timestamp: %1").arg(QString::fromLatin1(text)));
        return point;
    }

private:
    char peek() const { return at_ < line_.size() ? line_[at_] : '\0'; }
    qsizetype nextOf(const char *stops) const
    {
        qsizetype i = at_;
        while (i < line_.size() && !std::strchr(stops, line_[i]))
            ++i;
        return i;
    }
    // A name up to an unescaped stop; a backslash escapes only the characters in `escapable`, and a
    // quote or an unescaped '=' where it cannot stand is refused.
    bool name(const char *stops, const char *escapable, QString *out)
    {
        QByteArray bytes;
        while (at_ < line_.size()) {
            const char c = line_[at_];
            if (c == '\\' && at_ + 1 < line_.size() && std::strchr(escapable, line_[at_ + 1])) {
                bytes += line_[at_ + 1];
                at_ += 2;
                continue;
            }
            if (c == '\\' || c == '"')
                return false; // a backslash the recorder never writes bare, a quote it never writes
            if (std::strchr(stops, c))
                break;
            bytes += c;
            ++at_;
        }
        *out = QString::fromUtf8(bytes);
        return true;
    }
    std::nullopt_t refuse(QString *why, const QString &what) const
    {
        *why = QStringLiteral("%1 at byte %2 of \"%3\"").arg(what).arg(at_).arg(QString::fromUtf8(line_));
        return std::nullopt;
    }

    QByteArray line_;
    qsizetype at_ = 0;
};
