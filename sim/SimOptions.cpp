#include "sim/SimOptions.h"

#include <algorithm>
#include <functional>
#include <iterator>

namespace sim {

std::optional<SimFault> parseFault(const QString &text)
{
    const QString kind = text.section(QLatin1Char(':'), 0, 0).toLower();
    const QString argument = text.section(QLatin1Char(':'), 1);
    SimFault fault;
    if (kind == QLatin1String("silence"))
        fault.kind = SimFault::Kind::Silence;
    else if (kind == QLatin1String("nak")) {
        if (argument.size() != 1 || argument[0].unicode() > 0x7F)
            return std::nullopt;
        fault.kind = SimFault::Kind::Nak;
        fault.letter = argument[0].toLatin1();
    } else if (kind == QLatin1String("checksum"))
        fault.kind = SimFault::Kind::WrongChecksum;
    else if (kind == QLatin1String("lowercase"))
        fault.kind = SimFault::Kind::LowerCaseChecksum;
    else if (kind == QLatin1String("badfirst"))
        fault.kind = SimFault::Kind::BadFirstByte;
    else if (kind == QLatin1String("pieces")) {
        fault.kind = SimFault::Kind::Pieces;
        if (!argument.isEmpty()) {
            bool ok = false;
            fault.pieces = argument.toInt(&ok);
            if (!ok || fault.pieces < 1)
                return std::nullopt;
        }
    } else if (kind == QLatin1String("nolf"))
        fault.kind = SimFault::Kind::NoLineFeed;
    else if (kind == QLatin1String("garbage"))
        fault.kind = SimFault::Kind::Garbage;
    else if (kind == QLatin1String("late")) {
        fault.kind = SimFault::Kind::Late;
        bool ok = false;
        fault.delayMs = argument.toInt(&ok);
        if (!ok || fault.delayMs < 0)
            return std::nullopt;
    } else if (kind == QLatin1String("echo"))
        fault.kind = SimFault::Kind::WrongEcho;
    else if (kind == QLatin1String("refuse-r")) {
        if (argument.size() > 1 || (argument.size() == 1 && argument[0].unicode() > 0x7F))
            return std::nullopt;
        fault.kind = SimFault::Kind::RefuseBlockReads;
        if (argument.size() == 1)
            fault.letter = argument[0].toLatin1();
    } else if (kind == QLatin1String("short-r"))
        fault.kind = SimFault::Kind::ShortBlockReads;
    else if (kind == QLatin1String("silent-r"))
        fault.kind = SimFault::Kind::IgnoreBlockReads;
    else if (kind == QLatin1String("stray")) {
        fault.kind = SimFault::Kind::StrayByte;
        fault.delayMs = 50;
        if (!argument.isEmpty()) {
            bool ok = false;
            const uint byte = argument.toUInt(&ok, 16);
            if (!ok || argument.size() > 2 || byte > 0xFF)
                return std::nullopt;
            fault.stray = static_cast<char>(byte);
        }
    } else if (kind == QLatin1String("repeat") || kind == QLatin1String("out-of-order")) {
        const bool repeat = kind == QLatin1String("repeat");
        fault.kind = repeat ? SimFault::Kind::Repeated : SimFault::Kind::OutOfOrder;
        fault.delayMs = repeat ? 30 : 0;
        if (!argument.isEmpty()) {
            bool ok = false;
            fault.delayMs = argument.toInt(&ok);
            if (!ok || fault.delayMs < 0)
                return std::nullopt;
        }
    } else
        return std::nullopt;
    return fault;
}

std::optional<LineNoise> parseNoise(const QString &text)
{
    LineNoise noise;
    for (const QString &item : text.split(QLatin1Char(','))) {
        const qsizetype equals = item.indexOf(QLatin1Char('='));
        if (equals <= 0)
            return std::nullopt;
        const QString key = item.left(equals);
        const QString value = item.mid(equals + 1);
        bool ok = false;
        if (key == QLatin1String("stall-ms")) {
            noise.longestStallMs = value.toInt(&ok);
            ok = ok && noise.longestStallMs >= 0;
        } else if (key == QLatin1String("seed")) {
            noise.seed = value.toUInt(&ok);
        } else {
            const double chance = value.toDouble(&ok);
            ok = ok && chance >= 0 && chance <= 1;
            if (key == QLatin1String("stray"))
                noise.strayChance = chance;
            else if (key == QLatin1String("split"))
                noise.splitChance = chance;
            else if (key == QLatin1String("stall"))
                noise.stallChance = chance;
            else
                ok = false;
        }
        if (!ok)
            return std::nullopt;
    }
    return noise;
}

namespace {

// An option that takes a value: how the value goes into the options; false when it cannot.
struct ValueOption {
    QLatin1StringView name;
    std::function<bool(SimOptions &, const QString &)> take;
};

// A whole number of at least `least`.
bool takeNumber(const QString &value, int least, int &into)
{
    bool ok = false;
    into = value.toInt(&ok);
    return ok && into >= least;
}

bool takeDropLength(const QString &value, std::chrono::milliseconds &into)
{
    const std::optional<std::chrono::milliseconds> length = durationtext::parseDuration(value, kDropDurationRules);
    if (length)
        into = *length;
    return length.has_value();
}

// Appends what `parse` makes of the value, when it makes something.
template <typename Item>
bool takeInto(std::optional<Item> item, std::vector<Item> &into)
{
    if (item)
        into.push_back(*item);
    return item.has_value();
}

const ValueOption kValueOptions[] = {
    {QLatin1StringView("--image"), [](SimOptions &o, const QString &v) { o.image = v; return true; }},
    {QLatin1StringView("--link"), [](SimOptions &o, const QString &v) { o.link = v; return true; }},
    {QLatin1StringView("--baud"), [](SimOptions &o, const QString &v) { return takeNumber(v, 0, o.baud); }},
    {QLatin1StringView("--drop-every"), [](SimOptions &o, const QString &v) { return takeDropLength(v, o.dropEvery); }},
    {QLatin1StringView("--drop-for"), [](SimOptions &o, const QString &v) { return takeDropLength(v, o.dropFor); }},
    {QLatin1StringView("--fault-every"), [](SimOptions &o, const QString &v) { return takeNumber(v, 1, o.faultEvery); }},
    {QLatin1StringView("--step"), [](SimOptions &o, const QString &v) { return takeInto(ValueSchedule::parseStep(v), o.steps); }},
    {QLatin1StringView("--toggle"),
     [](SimOptions &o, const QString &v) { return takeInto(ValueSchedule::parseToggle(v), o.toggles); }},
    {QLatin1StringView("--response"),
     [](SimOptions &o, const QString &v) { return takeInto(ValueSchedule::parseResponse(v), o.responses); }},
    {QLatin1StringView("--noise"),
     [](SimOptions &o, const QString &v) {
         const std::optional<LineNoise> noise = parseNoise(v);
         if (noise)
             o.noise = *noise;
         return noise.has_value();
     }},
    {QLatin1StringView("--fault"),
     [](SimOptions &o, const QString &v) {
         o.fault = parseFault(v);
         return o.fault.has_value();
     }},
};

} // namespace

std::optional<SimOptions> parseSimArguments(const QStringList &arguments)
{
    SimOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (arg == QLatin1String("--no-live")) {
            options.live = false;
            continue;
        }
        const auto option = std::find_if(std::begin(kValueOptions), std::end(kValueOptions),
                                          [&](const ValueOption &o) { return o.name == arg; });
        // An empty value is a value: --image "" keeps the demo image.
        if (option == std::end(kValueOptions) || i + 1 >= arguments.size() || !option->take(options, arguments[++i]))
            return std::nullopt;
    }
    return options;
}

} // namespace sim
