#include "trend/model/RunScales.h"

#include "trend/model/TrendCsv.h"

namespace runscales {

const UnitScale *scaleOf(const UnitsTable &units, const TrendData &data, int channel)
{
    if (channel < 0 || channel >= kAnalogChannels)
        return nullptr;
    const auto c = static_cast<std::size_t>(channel);
    const ChannelRecord &record = data.channels[c];
    const QString name = record.addressKind == AddressKind::Name ? record.addressOrName.trimmed() : QString();
    std::optional<std::uint32_t> address;
    if (data.channelAddress[c] != 0)
        address = data.channelAddress[c];
    else if (record.addressKind == AddressKind::Address)
        address = UnitsTable::keyAddress(record.addressOrName.trimmed());
    return units.find(name, address);
}

ChannelScales channelScales(const UnitsTable &units, const TrendData &data)
{
    ChannelScales scales;
    for (int c : data.selectedChannels) {
        if (const UnitScale *scale = scaleOf(units, data, c))
            scales[static_cast<std::size_t>(c)] = *scale;
    }
    return scales;
}

std::vector<ScaledInput> scaledInputs(const UnitsTable *units, const TrendData &data)
{
    std::vector<ScaledInput> inputs;
    inputs.reserve(data.selectedChannels.size());
    for (int c : data.selectedChannels) {
        const auto channel = static_cast<std::size_t>(c);
        ScaledInput input{{trendcsv::columnName(data.channels[channel], c), data.channelAddress[channel]}, std::nullopt};
        if (const UnitScale *scale = units ? scaleOf(*units, data, c) : nullptr)
            input.scale = *scale;
        inputs.push_back(std::move(input));
    }
    return inputs;
}

} // namespace runscales
