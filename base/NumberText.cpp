#include "base/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace numbertext {

namespace {

// The longest shortest text of a double, "-2.2250738585072014e-308", and room to spare.
constexpr int kShortestCapacity = 32;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "-9223372036854775.808" and room to spare.
constexpr int kSecondsCapacity = 32;

// Writes the seconds of `milliseconds` at `text`, returns its end. Whole numbers throughout: a
// double would round the thousandths of a count past 2^53.
char *writeSeconds(char *text, std::int64_t milliseconds)
{
    const auto count = static_cast<std::uint64_t>(milliseconds);
    const std::uint64_t magnitude = milliseconds < 0 ? std::uint64_t{0} - count : count;
    char *at = text;
    if (milliseconds < 0)
        *at++ = '-';
    at = std::to_chars(at, text + kSecondsCapacity, magnitude / 1000).ptr;
    const auto thousandths = static_cast<unsigned>(magnitude % 1000);
    *at++ = '.';
    *at++ = static_cast<char>('0' + thousandths / 100);
    *at++ = static_cast<char>('0' + thousandths / 10 % 10);
    *at++ = static_cast<char>('0' + thousandths % 10);
    return at;
}

// Writes `value` at `text`, returns its end.
char *writeShortest(char *text, double value, WholeDigits wholeDigits)
{
    char *const end = std::to_chars(text, text + kShortestCapacity, value).ptr;
    if (wholeDigits == WholeDigits::Exact || !std::all_of(text, end, [](char c) { return isDigit(c) || c == '-'; }))
        return end;
    // The same number of digits, those of the exponent form ("9.223372036854776e+18") then zeros.
    char scientific[kShortestCapacity];
    char *const exponent = std::find(scientific, std::to_chars(scientific, scientific + kShortestCapacity, value,
                                                               std::chars_format::scientific).ptr, 'e');
    char *digit = std::find_if(text, end, isDigit);
    for (const char *c = scientific; c != exponent && digit != end; ++c)
        if (isDigit(*c))
            *digit++ = *c;
    std::fill(digit, end, '0');
    return end;
}

} // namespace

QString secondsText(std::int64_t milliseconds)
{
    char text[kSecondsCapacity];
    return QString::fromLatin1(text, writeSeconds(text, milliseconds) - text);
}

QByteArray secondsBytes(std::int64_t milliseconds)
{
    char text[kSecondsCapacity];
    return QByteArray(text, writeSeconds(text, milliseconds) - text);
}

QString shortestText(double value, WholeDigits wholeDigits)
{
    char text[kShortestCapacity];
    const char *const end = writeShortest(text, value, wholeDigits);
    return QString::fromLatin1(text, end - text);
}

QByteArray shortestBytes(double value)
{
    char text[kShortestCapacity];
    const char *const end = writeShortest(text, value, WholeDigits::Exact);
    return QByteArray(text, end - text);
}

QString significantText(double value, int digits) { return QString::number(value, 'g', digits); }

QString engineeringText(double value) { return significantText(value, kEngineeringDigits); }

QByteArray engineeringBytes(double value) { return QByteArray::number(value, 'g', kEngineeringDigits); }

double engineeringValue(double value)
{
    if (!std::isfinite(value))
        return value;
    bool ok = false;
    const double written = engineeringBytes(value).toDouble(&ok);
    return ok ? written : value;
}

} // namespace numbertext
