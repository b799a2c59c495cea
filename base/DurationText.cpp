#include "base/DurationText.h"

namespace durationtext {

namespace {

struct Unit {
    QLatin1StringView suffix;
    double ms;
};

// "ms" before "m" and "s", which it ends with.
constexpr Unit kUnits[] = {{QLatin1StringView("ms"), 1.0},
                           {QLatin1StringView("s"), 1000.0},
                           {QLatin1StringView("m"), 60000.0},
                           {QLatin1StringView("h"), 3600000.0}};

constexpr double kLongestMs = 1e15;

} // namespace

std::optional<std::chrono::milliseconds> parseDuration(const QString &text, const DurationRules &rules)
{
    QString number = rules.trimmed ? text.trimmed() : text;
    double unit = 1000.0;
    for (const Unit &u : kUnits) {
        if (number.endsWith(u.suffix)) {
            if (u.suffix == QLatin1StringView("h") && !rules.hours)
                return std::nullopt;
            unit = u.ms;
            number.chop(u.suffix.size());
            break;
        }
    }
    const QString sign = number.trimmed().left(1);
    if (sign == QLatin1String("-") || (sign == QLatin1String("+") && !rules.plusSign))
        return std::nullopt;
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !(value >= 0) || value * unit > kLongestMs)
        return std::nullopt;
    const double ms = value * unit;
    const auto length = std::chrono::milliseconds(
        static_cast<long long>(rules.rounding == Rounding::Nearest ? ms + 0.5 : ms));
    const bool none = rules.rounding == Rounding::Nearest ? length.count() == 0 : value == 0;
    if (none && rules.zero == ZeroLength::Refused)
        return std::nullopt;
    return length;
}

} // namespace durationtext
