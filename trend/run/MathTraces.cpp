#include "trend/run/MathTraces.h"

#include "trend/model/RunScales.h"
#include "trend/model/TrendCsv.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// What math channel `m`'s column says of its inputs: scaled where it uses a channel with a scale.
columnheading::MathInputs inputsOf(const RunMath &math, int m)
{
    bool runHasScales = false;
    for (int i = 0; i < math.inputCount(); ++i)
        runHasScales = runHasScales || math.scale(i) != nullptr;
    bool usesScaled = false;
    for (int input : math.channels().inputsUsedBy(m))
        usesScaled = usesScaled || (input < math.inputCount() && math.scale(input) != nullptr);
    return columnheading::mathInputs(runHasScales, usesScaled);
}

} // namespace

void MathTraces::setUp(MathChannelDefinitions definitions, std::optional<UnitsTable> units)
{
    definitions_ = std::move(definitions);
    units_ = std::move(units);
}

std::optional<QString> MathTraces::refusal(const std::array<ChannelRecord, kChannels> &channels,
                                           const std::array<std::optional<std::uint32_t>, kChannels> &addresses) const
{
    if (definitions_.empty())
        return std::nullopt;
    return mathchannels::refusal(definitions_, mathchannels::inputsOf(channels, addresses));
}

void MathTraces::begin(TrendData &data)
{
    data.mathChannels.clear();
    data.mathRing.fill(MathRow{});
    data.displayMathRows.fill(MathRow{});
    math_.reset();
    previousY_.fill(std::nullopt);
    inputChannels_ = data.selectedChannels;
    if (definitions_.empty())
        return;
    math_.emplace(runscales::scaledInputs(units_ ? &*units_ : nullptr, data));
    for (const MathChannelDefinition &d : definitions_) {
        // Checked before the start; should one be refused now, it and those after it are left out.
        if (!math_->add(d.definition))
            break;
        const int m = math_->channels().size() - 1;
        data.mathChannels.push_back({math_->channels().name(m), d.fullScale, inputsOf(*math_, m)});
    }
}

void MathTraces::takeRow(TrendData &data, GraphLayers &layers)
{
    const auto at = static_cast<std::size_t>(data.ringWritePos);
    MathRow &results = data.mathRing[at];
    results = MathRow{};
    if (!math_ || math_->channels().isEmpty())
        return;
    const SampleRow &row = data.sampleRing[at];
    const RowInfo &info = data.rowInfoRing[at];
    const std::size_t inputs = inputChannels_.size();
    for (std::size_t i = 0; i < inputs; ++i) {
        const int c = inputChannels_[i];
        readings_[i] = (info.failedChannels & (1u << c)) != 0 ? std::nullopt
                                                               : std::optional<double>(row[static_cast<std::size_t>(c)]);
    }
    const double seconds =
        info.sinceRunStart ? std::chrono::duration<double>(*info.sinceRunStart).count() : 0.0;
    const std::span<const std::optional<double>> computed =
        math_->takeRow(seconds, std::span<const std::optional<double>>(readings_.data(), inputs));
    for (std::size_t m = 0; m < computed.size() && m < results.size(); ++m) {
        results[m] = computed[m];
        if (!computed[m]) {
            previousY_[m].reset();
            continue;
        }
        const int y = mathY(*computed[m], data.mathChannels[m].fullScale);
        const int fromY = previousY_[m] ? *previousY_[m] : y;
        const int fromX = previousY_[m] ? layers.pen.previousX : layers.pen.x;
        layers.drawSegmentBehind(fromX, fromY, layers.pen.x, y, kMathTraceColors[m]);
        previousY_[m] = y;
    }
}
