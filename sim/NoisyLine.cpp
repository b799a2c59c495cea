#include "sim/NoisyLine.h"

#include "sim/ControllerFrames.h"

#include <algorithm>
#include <optional>

namespace noisyline {

using namespace controllerframes;

namespace {

char strayByte(std::mt19937 &random)
{
    static constexpr char kLikely[] = {kLf, kCr, kStx, kNak};
    std::uniform_int_distribution<int> pick(0, 4);
    const int k = pick(random);
    if (k < 4)
        return kLikely[k];
    return static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
}

} // namespace

std::vector<NoisySegment> noisySegments(const QByteArray &reply, const LineNoise &noise, std::mt19937 &random,
                                        std::uint64_t &strays, std::uint64_t &stalls)
{
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    QByteArray bytes = reply;
    std::vector<NoisySegment> segments;
    std::optional<NoisySegment> later;
    if (chance(random) < noise.strayChance) {
        const int n = std::uniform_int_distribution<int>(1, 3)(random);
        for (int k = 0; k < n; ++k) {
            const char stray = strayByte(random);
            ++strays;
            // One in five comes a little after the reply, while the program may be sending its
            // next request; the others before, inside or right after it.
            if (std::uniform_int_distribution<int>(0, 4)(random) == 0) {
                if (!later)
                    later = NoisySegment{std::chrono::milliseconds(std::uniform_int_distribution<int>(1, 200)(random)),
                                         {}};
                later->bytes += stray;
            } else {
                const auto at = std::uniform_int_distribution<qsizetype>(0, bytes.size())(random);
                bytes.insert(at, stray);
            }
        }
    }
    std::vector<qsizetype> cuts;
    if (chance(random) < noise.splitChance && bytes.size() > 1) {
        const int pieces = std::uniform_int_distribution<int>(2, 4)(random);
        for (int k = 1; k < pieces; ++k)
            cuts.push_back(std::uniform_int_distribution<qsizetype>(1, bytes.size() - 1)(random));
        std::sort(cuts.begin(), cuts.end());
    }
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        segments.push_back({std::chrono::milliseconds(segments.empty() ? 0 : std::uniform_int_distribution<int>(1, 20)(random)),
                            bytes.mid(from, cut - from)});
        from = cut;
    }
    segments.push_back({std::chrono::milliseconds(segments.empty() ? 0 : std::uniform_int_distribution<int>(1, 20)(random)),
                        bytes.mid(from)});
    if (chance(random) < noise.stallChance) {
        ++stalls;
        segments.front().pause =
            std::chrono::milliseconds(std::uniform_int_distribution<int>(0, std::max(0, noise.longestStallMs))(random));
    }
    if (later)
        segments.push_back(*later);
    return segments;
}

} // namespace noisyline
