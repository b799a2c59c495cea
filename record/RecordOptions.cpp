#include "record/RecordOptions.h"

#include "engineering/ColumnHeading.h"
#include "record/CsvFormat.h"
#include "record/JsonFormat.h"
#include "record/RecordTexts.h"
#include "trend/model/Presets.h"

#include "base/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cmath>

namespace record {

std::uint64_t RecordOptions::spoolMax(double secondsPerPass) const
{
    if (spoolMaxPasses)
        return *spoolMaxPasses;
    const double passes = std::ceil(static_cast<double>(spoolMaxTime.count()) / 1000.0 / std::max(secondsPerPass, 1e-3));
    return static_cast<std::uint64_t>(std::max(1.0, passes));
}

namespace {

// The arguments with each "--config FILE" replaced by the arguments in FILE: per line, words as a
// shell splits them (double quotes keep spaces and quotes inside them are tripled), lines that
// begin with # left out. A file holds no --config of its own.
std::optional<QStringList> withConfigFiles(const QStringList &arguments, QString *error)
{
    QStringList expanded;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] != QLatin1String("--config")) {
            expanded.append(arguments[i]);
            continue;
        }
        if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
            *error = kValueMissing.arg(arguments[i]);
            return std::nullopt;
        }
        const QString path = arguments[++i];
        QFile file(path);
        if (const QString reason = textfile::notRegularFileReason(path); !reason.isEmpty()) {
            *error = kConfigUnreadable.arg(path, reason);
            return std::nullopt;
        }
        if (!file.open(QIODevice::ReadOnly)) {
            *error = kConfigUnreadable.arg(path, file.errorString());
            return std::nullopt;
        }
        if (file.size() > textfile::kMaxReadBytes) {
            *error = kConfigTooLarge.arg(path);
            return std::nullopt;
        }
        for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
            const QString text = line.trimmed();
            if (text.isEmpty() || text.startsWith(u'#'))
                continue;
            const QStringList words = QProcess::splitCommand(text);
            if (words.contains(QLatin1String("--config"))) {
                *error = kConfigInConfig.arg(path);
                return std::nullopt;
            }
            expanded += words;
        }
    }
    return expanded;
}

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

} // namespace

ParseResult parseArguments(const QStringList &givenArguments)
{
    QString configError;
    const std::optional<QStringList> expanded = withConfigFiles(givenArguments, &configError);
    if (!expanded)
        return {std::nullopt, configError};
    const QStringList &arguments = *expanded;
    RecordOptions options;
    QStringList triggerOnly; // options that mean something only with --trigger
    QStringList publishOnly; // and only with --publish
    std::optional<QString> filePassword; // --password-file's
    QString passwordError;
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
                                               QStringLiteral("--repeat"),   QStringLiteral("--format"),
                                               QStringLiteral("--tag"),      QStringLiteral("--publish"),
                                               QStringLiteral("--payload"),  QStringLiteral("--cafile"),
                                               QStringLiteral("--cert"),     QStringLiteral("--key"),
                                               QStringLiteral("--spool-max"), QStringLiteral("--rotate"),
                                               QStringLiteral("--keep"),     QStringLiteral("--password-file")};
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
        } else if (arg == QLatin1String("--format")) {
            if (value == QLatin1String("csv"))
                options.format = OutputFormat::Csv;
            else if (value == QLatin1String("influx"))
                options.format = OutputFormat::Influx;
            else
                return fail(kBadFormat.arg(value));
        } else if (arg == QLatin1String("--tag")) {
            QPair<QString, QString> tag;
            if (const QString problem = tagProblem(value, &tag); !problem.isEmpty())
                return fail(problem);
            for (const auto &given : std::as_const(options.tags)) {
                if (given.first == tag.first)
                    return fail(kTagTwice.arg(value));
            }
            options.tags.append(tag);
        } else if (arg == QLatin1String("--publish")) {
            QString error;
            const std::optional<MqttTarget> target = parseMqttUrl(value, &error);
            if (!target)
                return fail(error);
            for (const MqttTarget &given : std::as_const(options.publish)) {
                if (given.shownUrl() == target->shownUrl())
                    return fail(kPublishTwice.arg(withoutPassword(value)));
            }
            options.publish.append(*target);
        } else if (arg == QLatin1String("--payload")) {
            if (value != QLatin1String("influx") && value != QLatin1String("json"))
                return fail(kBadPayload.arg(value));
            options.jsonPayload = value == QLatin1String("json");
            publishOnly.append(arg);
        } else if (arg == QLatin1String("--cafile") || arg == QLatin1String("--cert") || arg == QLatin1String("--key")) {
            if (const QString reason = textfile::notRegularFileReason(value); !reason.isEmpty())
                return fail(kTlsFileUnreadable.arg(arg, value, reason));
            if (!QFileInfo(value).isReadable())
                return fail(kTlsFileMissing.arg(arg, value));
            (arg == QLatin1String("--cafile") ? options.tls.caFile
                                              : arg == QLatin1String("--cert") ? options.tls.certFile : options.tls.keyFile) =
                value;
            publishOnly.append(arg);
        } else if (arg == QLatin1String("--spool-max")) {
            // A bare number counts passes; with a unit it is the passes of that length of time.
            bool isCount = false;
            const qulonglong count = value.toULongLong(&isCount);
            const std::optional<std::chrono::milliseconds> length = isCount ? std::nullopt : parseDuration(value);
            if (isCount && count > 0) {
                options.spoolMaxPasses = count;
            } else if (length) {
                options.spoolMaxTime = *length;
                options.spoolMaxPasses.reset();
            } else {
                return fail(kBadSpoolMax.arg(value));
            }
            publishOnly.append(arg);
        } else if (arg == QLatin1String("--password-file")) {
            const std::optional<QString> password = passwordFromFile(value, &passwordError);
            if (!password)
                return fail(passwordError);
            filePassword = password;
            publishOnly.append(arg);
        } else if (arg == QLatin1String("--rotate")) {
            const std::optional<Rotation> rotation = parseRotation(value);
            if (!rotation)
                return fail(kBadRotate.arg(value));
            const int keep = options.rotation.keep;
            options.rotation = *rotation;
            options.rotation.keep = keep;
        } else if (arg == QLatin1String("--keep")) {
            bool ok = false;
            options.rotation.keep = value.toInt(&ok);
            if (!ok || options.rotation.keep < 1)
                return fail(kBadKeep.arg(value));
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
    if (options.out.isEmpty() && options.publish.isEmpty())
        return fail(kOutMissing);
    if (options.presets.isEmpty() && options.channels.isEmpty())
        return fail(kNoChannels);
    if (!options.presets.isEmpty() && !options.channels.isEmpty())
        return fail(kPresetsAndChannels);
    if (options.rotation.keep > 0 && !options.rotation.used())
        return fail(kKeepWithoutRotate);
    if (options.rotation.used() && (options.out.isEmpty() || options.outToStandardOutput()))
        return fail(kRotateWithoutFile);
    if (options.publish.isEmpty() && !publishOnly.isEmpty())
        return fail(kOnlyWithPublish.arg(publishOnly.front()));
    if (options.tls.certFile.isEmpty() != options.tls.keyFile.isEmpty())
        return fail(kCertAndKey);
    // A password kept out of the process list: from --password-file, else the environment, for a
    // target whose URL names a user and no password.
    const QString environmentPassword = qEnvironmentVariable(kPasswordVariable);
    for (MqttTarget &target : options.publish) {
        if (!target.user.isEmpty() && target.password.isEmpty())
            target.password = filePassword.value_or(environmentPassword);
    }
    // A broker reached over TLS listens on its own port unless told otherwise.
    for (MqttTarget &target : options.publish) {
        if (options.tls.used() && !target.portGiven)
            target.port = kMqttTlsPort;
    }
    if (!options.tags.isEmpty() && !options.writesInfluxLines())
        return fail(kTagOnlyInflux.arg(options.tags.front().first + u'=' + options.tags.front().second));
    if (options.trigger.isEmpty() && !triggerOnly.isEmpty())
        return fail(kOnlyWithTrigger.arg(triggerOnly.front()));
    for (const QString &definition : std::as_const(options.engineering.math)) {
        if (const QString problem = mathNameProblem(definition); !problem.isEmpty())
            return fail(problem);
    }
    return {options, {}};
}

} // namespace record
