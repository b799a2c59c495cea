#include "engineering/RunMath.h"

namespace {

std::vector<MathInput> mathInputs(const std::vector<ScaledInput> &inputs)
{
    std::vector<MathInput> names;
    names.reserve(inputs.size());
    for (const ScaledInput &input : inputs)
        names.push_back(input.input);
    return names;
}

} // namespace

RunMath::RunMath(std::vector<ScaledInput> inputs)
    : set_(mathInputs(inputs)), values_(inputs.size(), 0.0), failed_(new bool[inputs.size() + 1]())
{
    scales_.reserve(inputs.size());
    for (ScaledInput &input : inputs)
        scales_.push_back(std::move(input.scale));
}

bool RunMath::add(const QString &definition, QString *error)
{
    results_ = {};
    return set_.add(definition, error);
}

const UnitScale *RunMath::scale(int input) const
{
    const std::optional<UnitScale> &scale = scales_[static_cast<std::size_t>(input)];
    return scale ? &*scale : nullptr;
}

std::span<const std::optional<double>> RunMath::takeRow(double seconds, std::span<const std::optional<double>> raw)
{
    for (std::size_t i = 0; i < scales_.size(); ++i) {
        const std::optional<double> reading = i < raw.size() ? raw[i] : std::nullopt;
        failed_[i] = !reading;
        // A failed read's value is never used: the expressions see it as failed.
        values_[i] = !reading ? 0.0 : scales_[i] ? scales_[i]->apply(*reading) : *reading;
    }
    results_ = set_.isEmpty() ? std::span<const std::optional<double>>()
                              : set_.evaluate(seconds, values_, std::span<const bool>(failed_.get(), scales_.size()));
    return results_;
}

std::optional<double> RunMath::value(int input) const
{
    const auto i = static_cast<std::size_t>(input);
    if (failed_[i])
        return std::nullopt;
    return values_[i];
}

void RunMath::reset()
{
    set_.reset();
    results_ = {};
}
