#pragma once
// What qmx-record does between the command line and the file: the channels of a preset file or of
// --channel texts resolved through the variable list, and every pass of the run written as a CSV
// row (the trend export's format) to a file that is flushed at least once a second, so that it
// can be read while it grows and a power cut loses at most a second. Memory stays the same
// however long the run: a row is written and forgotten.

#include "link/ExchangeStats.h"
#include "trend/TrendData.h"
#include "trend/TrendPoll.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>

namespace record {

class TriggerCapture;

// The channels of a recording: records as the Trend Graph keeps them, with the selection,
// addresses and scales its run start derives from them.
struct ChannelSetup {
    TrendData data;
    QString error; // names the argument; empty when the set-up is usable
    QStringList warnings; // name the argument; the set-up is usable all the same
};

// The most hex digits of an address channel: the controller's addresses are 32 bits.
inline constexpr int kMaxAddressDigits = 8;

// Channels from --channel texts: a variable name found in `variableList` (an "L" channel), else an
// address of at most eight hex digits; one that begins with a letter (A to F) could as well be a
// misspelt name, so it is read as an address with a warning. Then:
// upper-case or lower-case hex address ("A"); "NAME:BIT" makes a logic channel. Word channels take
// channels 1..7 in order, logic channels 8..14.
ChannelSetup channelsFromTexts(const QStringList &texts, const QStringList &variableList);
// Channels from the lines of a preset file: the channels that are ON, resolved as RUN does.
ChannelSetup channelsFromPresets(const QStringList &presetLines, const QString &fileName,
                                 const QStringList &variableList);

// The CSV file of one recording. append() runs on the thread that reads the passes; flush() and
// the figures may be asked from any other.
class CsvRecording {
public:
    CsvRecording(const TrendData &channels, std::FILE *file);
    ~CsvRecording();
    CsvRecording(const CsvRecording &) = delete;
    CsvRecording &operator=(const CsvRecording &) = delete;

    // Opens (replaces) `path` and writes the header line; nullptr with `error` set on failure.
    static std::FILE *openFile(const QString &path, QString *error);

    // Rows go through `capture` (kept until an event, written around it with the column "event");
    // set before begin(). Without one every pass is written.
    void setCapture(TriggerCapture *capture) { capture_ = capture; }

    // Writes the header; called once before the first pass.
    bool begin(std::chrono::steady_clock::time_point steadyStart, const QDateTime &wallStart);
    // One pass as one row; an abandoned pass (the run ended during it) is not part of the recording.
    void append(const sampling::TrendPass &pass);
    // Hands what has been written to the system; false when the file could not be written.
    bool flush();

    struct Figures {
        std::uint64_t rows = 0;
        std::uint64_t bytes = 0;
        ExchangeStats stats;
        std::optional<std::chrono::steady_clock::time_point> firstEnded, lastEnded;
        sampling::LineEvent lastLineEvent = sampling::LineEvent::None;
        QDateTime lastLineEventAt;
        bool writeFailed = false;
        QString planText;   // the requests of a pass and their wire limit
        QString givenUpText; // the block reads given up during the run
    };
    Figures figures() const;
    // The plan the passes are read with; a pass that changes it says so itself.
    void setPlan(const readplan::ReadPlan &plan);

private:
    // With the mutex held.
    void takePlanChange(const sampling::TrendPass &pass);

    const TrendData &channels_;
    std::FILE *file_;
    std::chrono::steady_clock::time_point steadyStart_;
    QDateTime wallStart_;
    mutable std::mutex mutex_;
    Figures figures_;
    bool dirty_ = false;
    TriggerCapture *capture_ = nullptr;
};

// Reads passes until `task` is cancelled, each written to `recording`: the Trend Graph's pass
// loop with the file in place of the window. Returns once every pass read has been written.
// `afterRow` (optional, on the writing thread) hears the row count.
void recordPasses(Link &link, LinkTask &task, const TrendData &channels, CsvRecording &recording,
                  const std::function<void(std::uint64_t rows)> &afterRow = {},
                  readplan::ReadMode mode = readplan::kDefaultReadMode);

// The status line: rows, passes per second, failed reads by code, elapsed time, file size, the
// last line event with its time, the plan with its wire limit and the block reads given up.
QString statusLine(const CsvRecording::Figures &figures, std::chrono::steady_clock::duration elapsed);
// The line printed when a run ends: rows, how long, passes per second, and the failed reads by
// result with their meaning, e.g. "qmx-record: 120 rows in 0:00:45, 2.64 passes/s, failed reads: -1 no reply: 2".
QString summaryLine(const CsvRecording::Figures &figures, std::chrono::steady_clock::duration elapsed);

} // namespace record
