#include "trend/model/SamplingRead.h"

namespace sampling {

PassReadout readChannels(const TrendData &data, const ValueReader &read, const FailureSink &failed,
                         const KeepGoing &keepGoing)
{
    return readChannels(data.selectedChannels, data.channelAddress, read, failed, keepGoing);
}

PassReadout readChannels(const std::vector<int> &selected, const std::array<std::uint32_t, kChannels> &addresses,
                         const ValueReader &read, const FailureSink &failed, const KeepGoing &keepGoing)
{
    PassReadout readout;
    bool first = true;
    for (int c : selected) {
        if (!first && keepGoing && !keepGoing()) {
            readout.abandoned = true;
            return readout;
        }
        first = false;
        const int v = read(addresses[static_cast<std::size_t>(c)]);
        if (v < 0) {
            if (failed)
                failed(v);
            ++readout.errorCount;
            readout.failedChannels = static_cast<std::uint16_t>(readout.failedChannels | (1u << c));
            readout.latestValue[c] = 0;
        } else {
            readout.latestValue[c] = signedWord(v);
        }
    }
    return readout;
}

} // namespace sampling
