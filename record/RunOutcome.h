#pragma once
// How a qmx-record run ends: its exit code (as --help and the README list them), the message that
// says why, and the summary of what it recorded.

#include "record/MqttPublisher.h"
#include "record/PartialOutput.h"
#include "record/RunRecording.h"

#include <QString>
#include <chrono>
#include <memory>
#include <vector>

namespace record {

struct RecordOptions;
class TriggerCapture;

inline constexpr int kExitDone = 0;
inline constexpr int kExitPort = 1; // also a failed write, a spool held by another recorder
inline constexpr int kExitArguments = 2;
inline constexpr int kExitNoGoodRead = 3;
inline constexpr int kExitNoEvent = 4;

// Says `message` on stderr and gives `code` back.
int exitWithMessage(int code, const QString &message);

// The summary line and each broker's on stdout (stderr when the rows go to stdout); none with --quiet.
void printSummary(const RecordOptions &options, const RunRecording::Figures &figures,
                  std::chrono::steady_clock::duration elapsed, const TrendData &channels,
                  const std::vector<std::unique_ptr<MqttPublisher>> &publishers);

// What the run that has ended leaves and its exit code: the output put in place or left as it was,
// a failed write, a run without a good read, a trigger that saw no event. `placeError` says why
// the file could not take the place of --out during the run.
struct RunEnd {
    RunRecording::Figures figures;
    QString placeError;
    QString lineName;
    std::chrono::steady_clock::time_point started;
    bool stoppedBySignal = false;
};
int runOutcome(const RecordOptions &options, PartialOutput &output, const TriggerCapture *capture, const RunEnd &end);

} // namespace record
