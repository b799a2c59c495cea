#include "recording/RecordingCsvFields.h"

#include "recording/CivilDate.h"

namespace recording {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int digitsValue(QByteArrayView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

int daysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

} // namespace

// The quotes of a quoted field are doubled inside it.
std::optional<QStringList> splitHeader(QByteArrayView line)
{
    QStringList fields;
    QByteArray field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"')
                field += c;
            else if (i + 1 < line.size() && line[i + 1] == '"')
                field += line[++i];
            else
                quoted = false;
        } else if (c == '"' && field.isEmpty()) {
            quoted = true;
        } else if (c == ',') {
            fields << QString::fromUtf8(field);
            field.clear();
        } else {
            field += c;
        }
    }
    if (quoted)
        return std::nullopt;
    fields << QString::fromUtf8(field);
    return fields;
}

std::optional<std::int64_t> parseLocalTime(QByteArrayView text)
{
    static constexpr char kPattern[] = "dddd-dd-ddTdd:dd:dd.ddd";
    if (text.size() != 23)
        return std::nullopt;
    for (qsizetype i = 0; i < 23; ++i) {
        if (kPattern[i] == 'd' ? !isDigit(text[i]) : text[i] != kPattern[i])
            return std::nullopt;
    }
    const int month = digitsValue(text, 5, 2), day = digitsValue(text, 8, 2);
    const int hour = digitsValue(text, 11, 2), minute = digitsValue(text, 14, 2);
    const int second = digitsValue(text, 17, 2);
    const int year = digitsValue(text, 0, 4);
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    const std::int64_t days = civildate::daysFromCivil(year, month, day);
    return days * kMsPerDay + ((hour * 60 + minute) * 60 + second) * 1000 + digitsValue(text, 20, 3);
}

std::optional<std::int64_t> parseSeconds(QByteArrayView text)
{
    const qsizetype point = text.indexOf('.');
    const QByteArrayView whole = point < 0 ? text : text.first(point);
    const QByteArrayView fraction = point < 0 ? QByteArrayView() : text.sliced(point + 1);
    if (whole.isEmpty() || whole.size() > 12 || fraction.size() > 3 || (point >= 0 && fraction.isEmpty()))
        return std::nullopt;
    std::int64_t ms = 0;
    for (char c : whole) {
        if (!isDigit(c))
            return std::nullopt;
        ms = ms * 10 + (c - '0');
    }
    int scale = 100;
    std::int64_t part = 0;
    for (char c : fraction) {
        if (!isDigit(c))
            return std::nullopt;
        part += (c - '0') * scale;
        scale /= 10;
    }
    return ms * 1000 + part;
}

} // namespace recording
