#pragma once
// The command line of qmx-record, parsed into what a recording needs. Every mistake is reported
// with the argument it concerns.

#include "base/DurationText.h"
#include "record/EngineeringColumns.h"
#include "record/InfluxFormat.h"
#include "record/MqttTarget.h"
#include "record/Rotation.h"
#include "trend/model/ReadPlan.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

namespace record {

// What the output file holds: CSV rows, or InfluxDB line protocol.
enum class OutputFormat { Csv, Influx };

// --out - : the rows on standard output.
inline constexpr char kStandardOutput[] = "-";

struct RecordOptions {
    QString port;                     // "COM1" or a device path
    QString presets;                  // a preset file ("UserPre.qmt"), or empty
    QStringList channels;             // --channel texts in order: NAME, HEXADDRESS or NAME:BIT
    QString out;                      // the file written; "-" for standard output
    OutputFormat format = OutputFormat::Csv;
    InfluxTags tags;                  // --tag pairs in order, added to every influx line
    Rotation rotation;                // --rotate and --keep: a series of files named from --out
    // --publish: brokers and topics each pass goes to, the messages' form, the TLS files, and how
    // many passes may wait in each spool (a count, or a length of time at the plan's wire limit).
    QList<MqttTarget> publish;
    bool jsonPayload = false;
    MqttTls tls;
    std::optional<std::uint64_t> spoolMaxPasses;
    std::chrono::milliseconds spoolMaxTime{3600 * 1000};
    std::optional<std::chrono::milliseconds> duration; // none: until stopped
    int waitTimeMs = 0;               // the pause between passes
    readplan::ReadMode readMode = readplan::kDefaultReadMode; // the requests of a pass
    bool dataRead = false;            // read the super block from the controller first
    bool quiet = false;
    bool force = false;               // replace an existing --out file
    bool help = false;
    // Triggered capture: the --trigger text as given (resolved against the channels later), the
    // time kept before and after each event, and how many events to capture before the end.
    QString trigger;
    std::chrono::milliseconds pre{5000};
    std::chrono::milliseconds post{5000};
    int repeat = 1;
    EngineeringOptions engineering; // --units, --scaled, --math

    bool outToStandardOutput() const { return out == QLatin1String(kStandardOutput); }
    // Whether the run writes InfluxDB lines: to the file, or as the messages of --publish.
    bool writesInfluxLines() const { return format == OutputFormat::Influx || (!publish.isEmpty() && !jsonPayload); }
    // The spool's bound for passes of `secondsPerPass` at the most.
    std::uint64_t spoolMax(double secondsPerPass) const;
};

struct ParseResult {
    std::optional<RecordOptions> options;
    QString error; // names the argument; empty when options were parsed
};

// Without the program name. "--config FILE" stands for the arguments written in FILE (what a
// service reads from /etc/qmx-record/<name>.conf), in its place among the others.
ParseResult parseArguments(const QStringList &arguments);

using durationtext::ZeroLength;

// "90", "90s", "500ms", "15m", "2h", "0.5s": a length of time; nothing for anything else. A length
// of 0 in any of these forms ("0", "0s", "0.0", "0ms") only where `zero` allows it; a length that
// rounds to no whole millisecond counts as 0.
inline std::optional<std::chrono::milliseconds> parseDuration(const QString &text, ZeroLength zero = ZeroLength::Refused)
{
    return durationtext::parseDuration(text, {.zero = zero});
}

} // namespace record
