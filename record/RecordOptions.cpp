#include "record/RecordOptions.h"

#include "engineering/ColumnHeading.h"
#include "record/ConfigFiles.h"
#include "record/CsvFormat.h"
#include "record/JsonFormat.h"
#include "record/RecordTexts.h"
#include "trend/model/Presets.h"

#include "base/TextFile.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <iterator>

namespace record {

std::uint64_t RecordOptions::spoolMax(double secondsPerPass) const
{
    if (spoolMaxPasses)
        return *spoolMaxPasses;
    const double passes = std::ceil(static_cast<double>(spoolMaxTime.count()) / 1000.0 / std::max(secondsPerPass, 1e-3));
    return static_cast<std::uint64_t>(std::max(1.0, passes));
}

namespace {

// Every name a CSV header, an InfluxDB line or a JSON message of ours uses for itself, each once.
QStringList outputsOwnNames()
{
    QStringList names = csvOwnColumns() + influxOwnKeys() + jsonOwnKeys();
    names.removeDuplicates();
    return names;
}

// Why the name of a --math definition cannot name a column, field and key in every output: one the
// outputs use for themselves (a second "pass" field makes the server refuse every line), one the
// server keeps, or one the Recording window would read as a logic channel's bit. The definition's
// own faults are MathChannelSet's to name.
QString mathNameProblem(const QString &definition)
{
    const qsizetype equals = definition.indexOf(u'=');
    if (equals < 0)
        return {};
    const QString name = definition.left(equals).trimmed();
    if (outputsOwnNames().contains(name))
        return kMathNameOwn.arg(definition, name, outputsOwnNames().join(QStringLiteral(", ")));
    if (name.startsWith(u'_'))
        return kMathNameUnderscore.arg(definition);
    if (columnheading::isLogicColumn(name))
        return kMathNameLogic.arg(definition, name);
    return {};
}

// The password in --password-file: its first line without the line end.
std::optional<QString> passwordFromFile(const QString &path, QString *error)
{
    if (const QString reason = textfile::notRegularFileReason(path); !reason.isEmpty()) {
        *error = kPasswordFileUnreadable.arg(path, reason);
        return std::nullopt;
    }
    QString readError;
    const std::optional<QStringList> lines = textfile::readLines(path, &readError);
    if (!lines) {
        *error = kPasswordFileUnreadable.arg(path, readError);
        return std::nullopt;
    }
    if (lines->isEmpty() || lines->front().isEmpty()) {
        *error = kPasswordFileEmpty.arg(path);
        return std::nullopt;
    }
    return lines->front();
}

// What the command line has given so far, and what only the whole of it can check.
struct ParseState {
    RecordOptions options;
    QStringList triggerOnly;             // options that mean something only with --trigger
    QStringList publishOnly;             // and only with --publish
    std::optional<QString> filePassword; // --password-file's
};

// Takes an option's value (empty for an option without one) into the state; the mistake, or
// nothing.
using TakeOption = QString (*)(ParseState &, const QString &option, const QString &value);

struct OptionRow {
    QLatin1StringView name;
    bool takesValue;
    TakeOption take;
};

QString takeDuration(ParseState &state, const QString &, const QString &value)
{
    state.options.duration = parseDuration(value);
    return state.options.duration ? QString() : kBadDuration.arg(value);
}

QString takeWaitTime(ParseState &state, const QString &, const QString &value)
{
    const std::optional<std::int32_t> ms = presets::parseWaitTime(value);
    if (!ms)
        return kBadWaitTime.arg(value);
    state.options.waitTimeMs = *ms;
    return {};
}

QString takeReadMode(ParseState &state, const QString &, const QString &value)
{
    const std::optional<readplan::ReadMode> mode = readplan::parseReadMode(value);
    if (!mode)
        return kBadReadMode.arg(value);
    state.options.readMode = *mode;
    return {};
}

QString takeFormat(ParseState &state, const QString &, const QString &value)
{
    if (value == QLatin1String("csv"))
        state.options.format = OutputFormat::Csv;
    else if (value == QLatin1String("influx"))
        state.options.format = OutputFormat::Influx;
    else
        return kBadFormat.arg(value);
    return {};
}

QString takeTag(ParseState &state, const QString &, const QString &value)
{
    QPair<QString, QString> tag;
    if (const QString problem = tagProblem(value, &tag); !problem.isEmpty())
        return problem;
    for (const auto &given : std::as_const(state.options.tags)) {
        if (given.first == tag.first)
            return kTagTwice.arg(value);
    }
    state.options.tags.append(tag);
    return {};
}

QString takePublish(ParseState &state, const QString &, const QString &value)
{
    QString error;
    const std::optional<MqttTarget> target = parseMqttUrl(value, &error);
    if (!target)
        return error;
    for (const MqttTarget &given : std::as_const(state.options.publish)) {
        if (given.shownUrl() == target->shownUrl())
            return kPublishTwice.arg(withoutPassword(value));
    }
    state.options.publish.append(*target);
    return {};
}

QString takePayload(ParseState &state, const QString &option, const QString &value)
{
    if (value != QLatin1String("influx") && value != QLatin1String("json"))
        return kBadPayload.arg(value);
    state.options.jsonPayload = value == QLatin1String("json");
    state.publishOnly.append(option);
    return {};
}

// --cafile, --cert and --key.
QString takeTlsFile(ParseState &state, const QString &option, const QString &value)
{
    if (const QString reason = textfile::notRegularFileReason(value); !reason.isEmpty())
        return kTlsFileUnreadable.arg(option, value, reason);
    if (!QFileInfo(value).isReadable())
        return kTlsFileMissing.arg(option, value);
    MqttTls &tls = state.options.tls;
    (option == QLatin1String("--cafile") ? tls.caFile : option == QLatin1String("--cert") ? tls.certFile : tls.keyFile) =
        value;
    state.publishOnly.append(option);
    return {};
}

QString takeSpoolMax(ParseState &state, const QString &option, const QString &value)
{
    // A bare number counts passes; with a unit it is the passes of that length of time.
    bool isCount = false;
    const qulonglong count = value.toULongLong(&isCount);
    const std::optional<std::chrono::milliseconds> length = isCount ? std::nullopt : parseDuration(value);
    if (isCount && count > 0) {
        state.options.spoolMaxPasses = count;
    } else if (length) {
        state.options.spoolMaxTime = *length;
        state.options.spoolMaxPasses.reset();
    } else {
        return kBadSpoolMax.arg(value);
    }
    state.publishOnly.append(option);
    return {};
}

QString takePasswordFile(ParseState &state, const QString &option, const QString &value)
{
    QString error;
    const std::optional<QString> password = passwordFromFile(value, &error);
    if (!password)
        return error;
    state.filePassword = password;
    state.publishOnly.append(option);
    return {};
}

QString takeRotate(ParseState &state, const QString &, const QString &value)
{
    const std::optional<Rotation> rotation = parseRotation(value);
    if (!rotation)
        return kBadRotate.arg(value);
    const int keep = state.options.rotation.keep;
    state.options.rotation = *rotation;
    state.options.rotation.keep = keep;
    return {};
}

QString takeKeep(ParseState &state, const QString &, const QString &value)
{
    bool ok = false;
    state.options.rotation.keep = value.toInt(&ok);
    return ok && state.options.rotation.keep >= 1 ? QString() : kBadKeep.arg(value);
}

// --pre and --post.
QString takeCaptureTime(ParseState &state, const QString &option, const QString &value)
{
    // No time before or after the event is a sensible choice.
    const std::optional<std::chrono::milliseconds> length = parseDuration(value, ZeroLength::Allowed);
    if (!length)
        return kBadCaptureTime.arg(option, value);
    (option == QLatin1String("--pre") ? state.options.pre : state.options.post) = *length;
    state.triggerOnly.append(option);
    return {};
}

QString takeRepeat(ParseState &state, const QString &option, const QString &value)
{
    bool ok = false;
    state.options.repeat = value.toInt(&ok);
    if (!ok || state.options.repeat < 1)
        return kBadRepeat.arg(value);
    state.triggerOnly.append(option);
    return {};
}

// Every option but --config (read before the others) and the engineering values' (their own).
constexpr OptionRow kOptions[] = {
    {QLatin1StringView("--help"), false, [](ParseState &s, const QString &, const QString &) { s.options.help = true; return QString(); }},
    {QLatin1StringView("-h"), false, [](ParseState &s, const QString &, const QString &) { s.options.help = true; return QString(); }},
    {QLatin1StringView("--data-read"), false,
     [](ParseState &s, const QString &, const QString &) { s.options.dataRead = true; return QString(); }},
    {QLatin1StringView("--quiet"), false, [](ParseState &s, const QString &, const QString &) { s.options.quiet = true; return QString(); }},
    {QLatin1StringView("--force"), false, [](ParseState &s, const QString &, const QString &) { s.options.force = true; return QString(); }},
    {QLatin1StringView("--port"), true, [](ParseState &s, const QString &, const QString &v) { s.options.port = v; return QString(); }},
    {QLatin1StringView("--presets"), true,
     [](ParseState &s, const QString &, const QString &v) { s.options.presets = v; return QString(); }},
    {QLatin1StringView("--channel"), true,
     [](ParseState &s, const QString &, const QString &v) { s.options.channels.append(v); return QString(); }},
    {QLatin1StringView("--out"), true, [](ParseState &s, const QString &, const QString &v) { s.options.out = v; return QString(); }},
    {QLatin1StringView("--duration"), true, takeDuration},
    {QLatin1StringView("--wait-time"), true, takeWaitTime},
    {QLatin1StringView("--reads"), true, takeReadMode},
    {QLatin1StringView("--trigger"), true,
     [](ParseState &s, const QString &, const QString &v) { s.options.trigger = v; return QString(); }},
    {QLatin1StringView("--pre"), true, takeCaptureTime},
    {QLatin1StringView("--post"), true, takeCaptureTime},
    {QLatin1StringView("--repeat"), true, takeRepeat},
    {QLatin1StringView("--format"), true, takeFormat},
    {QLatin1StringView("--tag"), true, takeTag},
    {QLatin1StringView("--publish"), true, takePublish},
    {QLatin1StringView("--payload"), true, takePayload},
    {QLatin1StringView("--cafile"), true, takeTlsFile},
    {QLatin1StringView("--cert"), true, takeTlsFile},
    {QLatin1StringView("--key"), true, takeTlsFile},
    {QLatin1StringView("--spool-max"), true, takeSpoolMax},
    {QLatin1StringView("--password-file"), true, takePasswordFile},
    {QLatin1StringView("--rotate"), true, takeRotate},
    {QLatin1StringView("--keep"), true, takeKeep},
};

// Takes the argument at `i` (and its value, moving `i` past it); the mistake, or nothing.
QString takeArgument(const QStringList &arguments, qsizetype &i, ParseState &state)
{
    const QString &arg = arguments[i];
    const auto row =
        std::find_if(std::begin(kOptions), std::end(kOptions), [&](const OptionRow &option) { return option.name == arg; });
    if (row == std::end(kOptions)) {
        QString engineeringError;
        if (takeEngineeringArgument(arguments, i, state.options.engineering, &engineeringError))
            return engineeringError;
        return kUnknownOption.arg(arg);
    }
    if (!row->takesValue)
        return row->take(state, arg, QString());
    if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
        return kValueMissing.arg(arg);
    return row->take(state, arg, arguments[++i]);
}

// What the options say together, checked in this order once all are read; the first mistake, or
// nothing. Passwords and TLS ports go to the brokers on the way.
QString crossCheck(ParseState &state)
{
    RecordOptions &options = state.options;
    if (options.port.isEmpty())
        return kPortMissing;
    if (options.out.isEmpty() && options.publish.isEmpty())
        return kOutMissing;
    if (options.presets.isEmpty() && options.channels.isEmpty())
        return kNoChannels;
    if (!options.presets.isEmpty() && !options.channels.isEmpty())
        return kPresetsAndChannels;
    if (options.rotation.keep > 0 && !options.rotation.used())
        return kKeepWithoutRotate;
    if (options.rotation.used() && (options.out.isEmpty() || options.outToStandardOutput()))
        return kRotateWithoutFile;
    if (options.publish.isEmpty() && !state.publishOnly.isEmpty())
        return kOnlyWithPublish.arg(state.publishOnly.front());
    if (options.tls.certFile.isEmpty() != options.tls.keyFile.isEmpty())
        return kCertAndKey;
    // A password kept out of the process list: from --password-file, else the environment, for a
    // target whose URL names a user and no password.
    const QString environmentPassword = qEnvironmentVariable(kPasswordVariable);
    for (MqttTarget &target : options.publish) {
        if (!target.user.isEmpty() && target.password.isEmpty())
            target.password = state.filePassword.value_or(environmentPassword);
    }
    // A broker reached over TLS listens on its own port unless told otherwise.
    for (MqttTarget &target : options.publish) {
        if (options.tls.used() && !target.portGiven)
            target.port = kMqttTlsPort;
    }
    if (!options.tags.isEmpty() && !options.writesInfluxLines())
        return kTagOnlyInflux.arg(options.tags.front().first + u'=' + options.tags.front().second);
    if (options.trigger.isEmpty() && !state.triggerOnly.isEmpty())
        return kOnlyWithTrigger.arg(state.triggerOnly.front());
    for (const QString &definition : std::as_const(options.engineering.math)) {
        if (const QString problem = mathNameProblem(definition); !problem.isEmpty())
            return problem;
    }
    return {};
}

} // namespace

ParseResult parseArguments(const QStringList &givenArguments)
{
    QString configError;
    const std::optional<QStringList> arguments = withConfigFiles(givenArguments, &configError);
    if (!arguments)
        return {std::nullopt, configError};
    ParseState state;
    for (qsizetype i = 0; i < arguments->size(); ++i) {
        if (const QString error = takeArgument(*arguments, i, state); !error.isEmpty())
            return {std::nullopt, error};
    }
    if (state.options.help)
        return {state.options, {}};
    if (const QString error = crossCheck(state); !error.isEmpty())
        return {std::nullopt, error};
    return {state.options, {}};
}

} // namespace record
