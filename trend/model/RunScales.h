#pragma once
// The scales a run's channels take from the units table, and the run's read channels as the math
// channels see them. One lookup for every place that shows or writes engineering values of a run:
// the Trend Graph's read-outs, exports and math channels, and qmx-record.
//
// A word channel takes the entry of its variable's name (as typed, blanks around it dropped), else
// that of its word address: the one the run resolved, else the one typed as hex. A logic channel is
// a bit, 0 or 1, and takes none.

#include "engineering/RunMath.h"
#include "engineering/UnitsTable.h"
#include "trend/model/TrendData.h"

#include <array>
#include <optional>
#include <vector>

namespace runscales {

// Each channel's scale to engineering values; none for a channel shown raw.
using ChannelScales = std::array<std::optional<UnitScale>, kChannels>;

// The scale `units` gives channel `channel` (0..13) of `data`; nothing when it takes none.
const UnitScale *scaleOf(const UnitsTable &units, const TrendData &data, int channel);
// The scales of the selected channels of `data`.
ChannelScales channelScales(const UnitsTable &units, const TrendData &data);

// The selected channels of `data` in their order, each by its column name and the word address the
// run resolved, with its scale from `units` (none without units: every value raw).
std::vector<ScaledInput> scaledInputs(const UnitsTable *units, const TrendData &data);

} // namespace runscales
