#pragma once
// The reading half of a sampling pass: one word per selected channel, the failures counted and
// told as they happen. QtCore only, so that the command-line recorder reads passes with the same
// code as the Trend Graph.

#include "link/ControllerWord.h"
#include "trend/model/TrendData.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace sampling {

// The value of one word at a controller address (0..65535), or a negative link result code.
using ValueReader = std::function<int(std::uint32_t address)>;
// Told the code of every failed read, in channel order.
using FailureSink = std::function<void(int code)>;
// Asked before every read but the first whether the pass is still wanted (the run may have been
// stopped meanwhile); false abandons the pass.
using KeepGoing = std::function<bool()>;

struct PassReadout {
    std::array<std::int32_t, kChannels> latestValue{}; // 0 for a failed read
    std::uint16_t failedChannels = 0; // bit c: the read of channel c failed
    int errorCount = 0;
    bool abandoned = false; // the run ended before every channel was read
};

// Reads every selected channel, one read each; a failure does not end the reading.
PassReadout readChannels(const std::vector<int> &selected, const std::array<std::uint32_t, kChannels> &addresses,
                         const ValueReader &read, const FailureSink &failed, const KeepGoing &keepGoing = {});
PassReadout readChannels(const TrendData &data, const ValueReader &read, const FailureSink &failed,
                         const KeepGoing &keepGoing = {});

} // namespace sampling
