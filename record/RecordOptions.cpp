#include "record/RecordOptions.h"

#include "record/RecordTexts.h"
#include "trend/Presets.h"

#include <cstring>

namespace record {

std::optional<std::chrono::milliseconds> parseDuration(const QString &text, ZeroLength zero)
{
    // "ms" before "m" and "s", which it ends with.
    static constexpr struct {
        const char *suffix;
        double ms;
    } kUnits[] = {{"ms", 1.0}, {"s", 1000.0}, {"m", 60000.0}, {"h", 3600000.0}};
    QString number = text.trimmed();
    double unit = 1000.0;
    for (const auto &u : kUnits) {
        if (number.endsWith(QLatin1String(u.suffix))) {
            unit = u.ms;
            number.chop(static_cast<qsizetype>(std::strlen(u.suffix)));
            break;
        }
    }
    // A sign would let "-0" through as 0, and "+" is no one's way of writing a length.
    if (number.startsWith(u'-') || number.startsWith(u'+'))
        return std::nullopt;
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !(value >= 0) || value * unit > 1e15)
        return std::nullopt;
    const auto length = std::chrono::milliseconds(static_cast<long long>(value * unit + 0.5));
    if (length.count() == 0 && zero == ZeroLength::Refused)
        return std::nullopt;
    return length;
}

ParseResult parseArguments(const QStringList &arguments)
{
    RecordOptions options;
    QStringList triggerOnly; // options that mean something only with --trigger
    const auto fail = [](const QString &text) { return ParseResult{std::nullopt, text}; };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options.help = true;
            continue;
        }
        if (arg == QLatin1String("--data-read")) {
            options.dataRead = true;
            continue;
        }
        if (arg == QLatin1String("--quiet")) {
            options.quiet = true;
            continue;
        }
        if (arg == QLatin1String("--force")) {
            options.force = true;
            continue;
        }
        QString engineeringError;
        if (takeEngineeringArgument(arguments, i, options.engineering, &engineeringError)) {
            if (!engineeringError.isEmpty())
                return fail(engineeringError);
            continue;
        }
        static const QStringList kWithValue = {QStringLiteral("--port"),     QStringLiteral("--presets"),
                                               QStringLiteral("--out"),      QStringLiteral("--duration"),
                                               QStringLiteral("--wait-time"), QStringLiteral("--channel"),
                                               QStringLiteral("--reads"),    QStringLiteral("--trigger"),
                                               QStringLiteral("--pre"),      QStringLiteral("--post"),
                                               QStringLiteral("--repeat")};
        if (!kWithValue.contains(arg))
            return fail(kUnknownOption.arg(arg));
        if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
            return fail(kValueMissing.arg(arg));
        const QString value = arguments[++i];
        if (arg == QLatin1String("--port")) {
            options.port = value;
        } else if (arg == QLatin1String("--presets")) {
            options.presets = value;
        } else if (arg == QLatin1String("--out")) {
            options.out = value;
        } else if (arg == QLatin1String("--duration")) {
            options.duration = parseDuration(value);
            if (!options.duration)
                return fail(kBadDuration.arg(value));
        } else if (arg == QLatin1String("--wait-time")) {
            const std::optional<std::int32_t> ms = presets::parseWaitTime(value);
            if (!ms)
                return fail(kBadWaitTime.arg(value));
            options.waitTimeMs = *ms;
        } else if (arg == QLatin1String("--reads")) {
            const std::optional<readplan::ReadMode> mode = readplan::parseReadMode(value);
            if (!mode)
                return fail(kBadReadMode.arg(value));
            options.readMode = *mode;
        } else if (arg == QLatin1String("--trigger")) {
            options.trigger = value;
        } else if (arg == QLatin1String("--pre") || arg == QLatin1String("--post")) {
            // No time before or after the event is a sensible choice.
            const std::optional<std::chrono::milliseconds> length = parseDuration(value, ZeroLength::Allowed);
            if (!length)
                return fail(kBadCaptureTime.arg(arg, value));
            (arg == QLatin1String("--pre") ? options.pre : options.post) = *length;
            triggerOnly.append(arg);
        } else if (arg == QLatin1String("--repeat")) {
            bool ok = false;
            options.repeat = value.toInt(&ok);
            if (!ok || options.repeat < 1)
                return fail(kBadRepeat.arg(value));
            triggerOnly.append(arg);
        } else {
            options.channels.append(value);
        }
    }
    if (options.help)
        return {options, {}};
    if (options.port.isEmpty())
        return fail(kPortMissing);
    if (options.out.isEmpty())
        return fail(kOutMissing);
    if (options.presets.isEmpty() && options.channels.isEmpty())
        return fail(kNoChannels);
    if (!options.presets.isEmpty() && !options.channels.isEmpty())
        return fail(kPresetsAndChannels);
    if (options.trigger.isEmpty() && !triggerOnly.isEmpty())
        return fail(kOnlyWithTrigger.arg(triggerOnly.front()));
    return {options, {}};
}

} // namespace record
