#pragma once
// A noisy line (--noise, ControllerSimulator::setLineNoise): a reply given stray bytes, split in
// pieces and stalled at random, drawn from the line's own seeded generator.

#include "sim/ControllerSimulator.h"

#include <QByteArray>
#include <chrono>
#include <cstdint>
#include <random>
#include <vector>

namespace noisyline {

// One stretch of a noisy reply: written `pause` after the previous one ended.
struct NoisySegment {
    std::chrono::milliseconds pause{0};
    QByteArray bytes;
};

// The reply as the noisy line delivers it; counts the stray bytes and stalls it adds.
std::vector<NoisySegment> noisySegments(const QByteArray &reply, const LineNoise &noise, std::mt19937 &random,
                                        std::uint64_t &strays, std::uint64_t &stalls);

} // namespace noisyline
