#include "record/RecordOptions.h"

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
        static const QStringList kWithValue = {QStringLiteral("--port"),     QStringLiteral("--presets"),
                                               QStringLiteral("--out"),      QStringLiteral("--duration"),
                                               QStringLiteral("--wait-time"), QStringLiteral("--channel"),
                                               QStringLiteral("--reads"),    QStringLiteral("--trigger"),
                                               QStringLiteral("--pre"),      QStringLiteral("--post"),
                                               QStringLiteral("--repeat")};
        if (!kWithValue.contains(arg))
            return fail(QStringLiteral("%1: unknown option (see --help)").arg(arg));
        if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
            return fail(QStringLiteral("%1: a value is missing").arg(arg));
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
                return fail(QStringLiteral("--duration %1: give a length of time such as 90s, 15m or 2h").arg(value));
        } else if (arg == QLatin1String("--wait-time")) {
            const std::optional<std::int32_t> ms = presets::parseWaitTime(value);
            if (!ms)
                return fail(QStringLiteral("--wait-time %1: give the pause in milliseconds (0 or more)").arg(value));
            options.waitTimeMs = *ms;
        } else if (arg == QLatin1String("--reads")) {
            const std::optional<readplan::ReadMode> mode = readplan::parseReadMode(value);
            if (!mode)
                return fail(QStringLiteral("--reads %1: give channel, word or block").arg(value));
            options.readMode = *mode;
        } else if (arg == QLatin1String("--trigger")) {
            options.trigger = value;
        } else if (arg == QLatin1String("--pre") || arg == QLatin1String("--post")) {
            // No time before or after the event is a sensible choice.
            const std::optional<std::chrono::milliseconds> length = parseDuration(value, ZeroLength::Allowed);
            if (!length)
                return fail(QStringLiteral("%1 %2: give a length of time such as 0, 2s or 1m").arg(arg, value));
            (arg == QLatin1String("--pre") ? options.pre : options.post) = *length;
            triggerOnly.append(arg);
        } else if (arg == QLatin1String("--repeat")) {
            bool ok = false;
            options.repeat = value.toInt(&ok);
            if (!ok || options.repeat < 1)
                return fail(QStringLiteral("--repeat %1: give the number of events, 1 or more").arg(value));
            triggerOnly.append(arg);
        } else {
            options.channels.append(value);
        }
    }
    if (options.help)
        return {options, {}};
    if (options.port.isEmpty())
        return fail(QStringLiteral("--port: the port is missing (COM1 or a device such as /dev/ttyUSB0)"));
    if (options.out.isEmpty())
        return fail(QStringLiteral("--out: the CSV file to write is missing"));
    if (options.presets.isEmpty() && options.channels.isEmpty())
        return fail(QStringLiteral("--presets or --channel: no channels to record"));
    if (!options.presets.isEmpty() && !options.channels.isEmpty())
        return fail(QStringLiteral("--presets and --channel: give one or the other"));
    if (options.trigger.isEmpty() && !triggerOnly.isEmpty())
        return fail(QStringLiteral("%1: only with --trigger").arg(triggerOnly.front()));
    return {options, {}};
}

QString helpText()
{
    return QStringLiteral(
        "usage: qmx-record --port PORT (--presets FILE | --channel CH ...) --out FILE.csv\n"
        "                  [--duration T] [--wait-time MS] [--reads MODE] [--data-read] [--force] [--quiet]\n"
        "                  [--trigger COND [--pre T] [--post T] [--repeat N]]\n"
        "\n"
        "Records every trend pass of a QMX controller to a CSV file (time, t_s, one column per\n"
        "channel; a failed read is an empty cell), flushed at least once a second. Runs until the\n"
        "duration is over or Ctrl-C / SIGTERM / SIGHUP; a device that goes away and comes back is opened\n"
        "again by itself.\n"
        "\n"
        "  --port PORT       COM1..COM9 as the program maps them, or a device such as /dev/ttyUSB0\n"
        "  --presets FILE    the channels of a preset file (UserPre.qmt) whose channels are ON\n"
        "  --channel CH      a channel: a variable name (SpdFbk), a hex address (600E60), or a\n"
        "                    logic channel NAME:BIT or ADDRESS:BIT (InvFlag:07); repeat for more,\n"
        "                    up to 7 word channels and 7 logic channels; an address has at most\n"
        "                    8 hex digits, and one that is no name but begins with A-F is read\n"
        "                    as an address with a warning\n"
        "  --out FILE        the CSV file; written beside it under a temporary name and put in\n"
        "                    its place with the first row, so a failed start or a run without a\n"
        "                    row leaves any file there as it was; a write that fails (a full\n"
        "                    disk) leaves the file ending with its last whole row\n"
        "  --force           replace an --out file that exists (refused otherwise); a folder,\n"
        "                    device or FIFO is never replaced\n"
        "  --duration T      stop after T: a number with ms, s, m or h (90s, 15m, 2h; no unit:\n"
        "                    seconds); default: until stopped\n"
        "  --wait-time MS    pause between passes in milliseconds (default 0)\n"
        "  --reads MODE      the requests of a pass: channel (one read per channel), word (each\n"
        "                    word once, the default) or block (neighbouring words in one block\n"
        "                    read; a block read the controller refuses falls back to word reads)\n"
        "  --data-read       read the super block from the controller first (as Data Read does,\n"
        "                    writing sbdata.qmx); names are otherwise resolved through the saved\n"
        "                    sbdata.qmx, Varlist.txt and Varlist2.txt (a sbdata.qmx that fails its\n"
        "                    check is refused)\n"
        "  --trigger COND    write only the rows around events: 'CH>LEVEL' or 'CH rises LEVEL' (the\n"
        "                    value passes the level upwards), 'CH<LEVEL' or 'CH falls LEVEL',\n"
        "                    'CH crosses LEVEL'; for a logic channel 'NAME:BIT rises|falls|changes';\n"
        "                    two conditions joined by ' and ' or ' or '. CH is one of the --channel\n"
        "                    texts (or a preset channel's name), another one in each condition;\n"
        "                    LEVEL decimal, -32768 to 32767, or the 16-bit word in hex as the\n"
        "                    Trend Graph's Hex shows it (0xC000 is -16384). A failed read is\n"
        "                    never an event. Adds the column event (1 on the trigger row)\n"
        "  --pre T           the time kept before each event (default 5s; 0, 0s or 0ms for none)\n"
        "  --post T          the time written after each event (default 5s; 0 for none)\n"
        "  --repeat N        end (exit 0) after N events (default 1)\n"
        "  --quiet           no status line (there is none either when not on a terminal)\n"
        "  --help            this text\n"
        "\n"
        "Exit codes: 0 done or stopped (the file complete; a stop during --data-read records\n"
        "nothing and leaves sbdata.qmx and --out as they were), 1 the port could not be opened, the\n"
        "super block not read, or a write to the file failed during the run, 2 bad arguments (also\n"
        "an --out that exists without --force, that is no regular file, or whose folder cannot be\n"
        "written).\n"
        "\n"
        "Example:\n"
        "  qmx-record --port /dev/ttyUSB0 --channel SpdFbk --channel 600E60 --channel InvFlag:07 \\\n"
        "             --out run.csv --duration 2h\n");
}

} // namespace record
