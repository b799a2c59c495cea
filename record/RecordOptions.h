#pragma once
// The command line of qmx-record, parsed into what a recording needs. Every mistake is reported
// with the argument it concerns.

#include "record/EngineeringColumns.h"
#include "trend/ReadPlan.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

namespace record {

struct RecordOptions {
    QString port;                     // "COM1" or a device path
    QString presets;                  // a preset file ("UserPre.qmt"), or empty
    QStringList channels;             // --channel texts in order: NAME, HEXADDRESS or NAME:BIT
    QString out;                      // the CSV file
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
};

struct ParseResult {
    std::optional<RecordOptions> options;
    QString error; // names the argument; empty when options were parsed
};

ParseResult parseArguments(const QStringList &arguments); // without the program name

// Whether a length of time may be none at all (--pre 0) or must be some (--duration).
enum class ZeroLength { Refused, Allowed };

// "90", "90s", "500ms", "15m", "2h", "0.5s": a length of time; nothing for anything else. A length
// of 0 in any of these forms ("0", "0s", "0.0", "0ms") only where `zero` allows it; a length that
// rounds to no whole millisecond counts as 0.
std::optional<std::chrono::milliseconds> parseDuration(const QString &text, ZeroLength zero = ZeroLength::Refused);

} // namespace record
