#pragma once
// What qmx-record does between the command line and the file: the channels of a preset file or of
// --channel texts resolved through the variable list, and every pass of the run written as a CSV
// row to its file (RunRecording). Memory stays the same however long the run: a row is written and
// forgotten.

#include "record/RunRecording.h"
#include "trend/model/TrendData.h"
#include "trend/model/TrendPoll.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>

namespace record {

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

// Reads passes until `task` is cancelled, each written to `recording`: the Trend Graph's pass
// loop with the file in place of the window. Returns once every pass read has been written.
// `afterRow` (optional, on the writing thread) hears the row count.
void recordPasses(Link &link, LinkTask &task, const TrendData &channels, RunRecording &recording,
                  const std::function<void(std::uint64_t rows)> &afterRow = {},
                  readplan::ReadMode mode = readplan::kDefaultReadMode);

// The status line, the state first and the plan last (a terminal's width cuts it from the end): the
// line read (`lineName`, e.g. "COM1 (/dev/ttyUSB0)", when given), "no reply since" while the
// controller does not answer, the run's `state` (its trigger and brokers, see RunStatus.h), rows in
// the file, passes per second, failed reads by code, elapsed time, file size, the last line event
// with its time, the plan with its wire limit and the block reads given up.
QString statusLine(const RunRecording::Figures &figures, std::chrono::steady_clock::duration elapsed,
                   const QString &lineName = QString(), const QString &state = QString());
// "1:02:05": a length of time as the status and summary lines give it.
QString clockText(std::chrono::steady_clock::duration elapsed);
// The line printed when a run ends (and after it a line for each block read given up for word
// reads): rows in the file, how long, passes per second, and the failed
// reads by result with their meaning and by channel, e.g. "qmx-record: 120 rows in 0:00:45, 2.64
// passes/s, failed reads: -1 no reply: 2 (SpdFbk: 2)".
QString summaryLine(const RunRecording::Figures &figures, std::chrono::steady_clock::duration elapsed,
                    const TrendData &channels);
// "COM1 (/dev/ttyUSB0)" for a port name the configuration maps, the device itself for a path.
QString lineName(const QString &port);

} // namespace record
