#pragma once
// The math channels of a Trend Graph run: checked over the run's channels before it starts,
// computed after each pass from the row just stored (into TrendData's math ring, beside the sample
// ring at the same index), and drawn on the trace layer behind the read channels, each against its
// own full scale, in a colour no channel, cursor or mark uses. A row whose result is empty draws
// nothing: the trace has a gap there.
//
// What the expressions see: a channel that has a scale in the units the run was given (the units
// file, while the Read-out shows engineering values when the run starts) in engineering values,
// every other channel raw (a logic channel 0 or 1). The choice is made once per run, so deriv,
// integ, mavg and mrms never mix raw and scaled rows.

#include "engineering/RunMath.h"
#include "engineering/UnitsTable.h"
#include "trend/graph/GraphLayers.h"
#include "trend/model/MathChannelsFile.h"
#include "trend/model/TrendData.h"

#include <QString>
#include <array>
#include <optional>

class MathTraces {
public:
    // The channels to compute in the next run, and the scales their inputs take (none: raw).
    void setUp(MathChannelDefinitions definitions, std::optional<UnitsTable> units);
    const MathChannelDefinitions &definitions() const { return definitions_; }

    // Why the channels cannot be computed over the selected channels of `channels` with the word
    // addresses the start resolved; nothing when they can (or there are none).
    std::optional<QString> refusal(const std::array<ChannelRecord, kChannels> &channels,
                                   const std::array<std::optional<std::uint32_t>, kChannels> &addresses) const;
    // The run's selection is built: the channels are made anew for it and named in data.mathChannels.
    void begin(TrendData &data);
    // The row just stored at data.ringWritePos, before the pen and the ring move on: its results
    // into data.mathRing, their segments from the layers' pen's previous x to its x.
    void takeRow(TrendData &data, GraphLayers &layers);

private:
    MathChannelDefinitions definitions_;
    std::optional<UnitsTable> units_;
    std::optional<RunMath> math_;
    std::vector<int> inputChannels_;
    std::array<std::optional<double>, kChannels> readings_{};
    std::array<std::optional<int>, kMathChannels> previousY_{};
};
