#pragma once
// qmx-sim's command line: the memory it starts with, the line it serves, the faults, noise and
// scripted values it puts on it, and when the line goes away.

#include "base/DurationText.h"
#include "sim/ControllerSimulator.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>
#include <vector>

namespace sim {

struct SimOptions {
    QString image;
    QString link;
    int baud = 0;
    std::optional<SimFault> fault;
    int faultEvery = 0;
    LineNoise noise;
    bool live = true;
    std::chrono::milliseconds dropEvery{0};
    std::chrono::milliseconds dropFor{3000};
    std::vector<ScheduledStep> steps;
    std::vector<ScheduledToggle> toggles;
    std::vector<ScheduledResponse> responses;
};

// --drop-every and --drop-for: "10s", "500ms", "2m", "3" (seconds), a leading + taken, no hours; a
// fraction of a millisecond cut off, so only a length written as 0 is refused.
inline constexpr durationtext::DurationRules kDropDurationRules{
    .hours = false, .plusSign = true, .trimmed = false, .rounding = durationtext::Rounding::TowardZero};

// "nak:D", "late:1500", "repeat", ...: a fault for every request (or every --fault-every N-th).
std::optional<SimFault> parseFault(const QString &text);

// "stray=0.01,split=0.05,stall=0.001,stall-ms=2500,seed=7": every key optional, chances 0 to 1.
std::optional<LineNoise> parseNoise(const QString &text);

// Without the program name; nothing for any argument that cannot be taken (the usage says why).
std::optional<SimOptions> parseSimArguments(const QStringList &arguments);

} // namespace sim
