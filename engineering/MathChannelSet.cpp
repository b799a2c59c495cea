#include "engineering/MathChannelSet.h"

#include "engineering/EngineeringTexts.h"

#include <algorithm>

namespace {

bool isNameStart(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || u == u'_';
}

bool isNameCharacter(QChar c) { return isNameStart(c) || (c.unicode() >= u'0' && c.unicode() <= u'9') || c == u'.'; }

} // namespace

MathChannelSet::MathChannelSet(std::vector<MathInput> inputs) : inputs_(std::move(inputs)) {}

int MathChannelSet::indexOf(const QString &name) const
{
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        if (channels_[i].name == name)
            return static_cast<int>(i);
    }
    return -1;
}

bool MathChannelSet::add(const QString &definition, QString *error)
{
    MathFault fault;
    if (add(definition, &fault))
        return true;
    if (error)
        *error = engineeringtexts::kMathFault.arg(definition, fault.message).arg(fault.position + 1);
    return false;
}

bool MathChannelSet::add(const QString &definition, MathFault *fault)
{
    const auto refuse = [&](qsizetype position, const QString &message) {
        if (fault)
            *fault = MathFault{static_cast<int>(position), message};
        return false;
    };
    if (definition.size() > MathExpression::kMaxLength)
        return refuse(MathExpression::kMaxLength, engineeringtexts::kMathTooLong.arg(MathExpression::kMaxLength));
    if (size() >= kMaxChannels)
        return refuse(0, engineeringtexts::kMathTooMany.arg(kMaxChannels));
    const qsizetype equals = definition.indexOf(u'=');
    if (equals < 0)
        return refuse(definition.size(), engineeringtexts::kMathNoEquals);
    qsizetype nameStart = 0;
    while (nameStart < equals && definition.at(nameStart).isSpace())
        ++nameStart;
    const QString name = definition.mid(nameStart, equals - nameStart).trimmed();
    if (name.isEmpty())
        return refuse(nameStart, engineeringtexts::kMathNoEquals);
    if (!isNameStart(name.front()) || !std::all_of(name.begin(), name.end(), isNameCharacter))
        return refuse(nameStart, engineeringtexts::kMathBadName);
    const bool taken = indexOf(name) >= 0 || std::any_of(inputs_.begin(), inputs_.end(), [&](const MathInput &input) {
                           return input.name == name;
                       });
    if (taken)
        return refuse(nameStart, engineeringtexts::kMathNameTaken.arg(name));
    std::optional<MathExpression> expression = MathExpression::parse(definition, equals + 1, inputs_, fault);
    if (!expression)
        return false;
    channels_.push_back(Channel{name, definition.trimmed(), std::move(*expression)});
    results_.assign(channels_.size(), std::nullopt);
    return true;
}

std::vector<int> MathChannelSet::inputsUsed() const
{
    std::vector<int> used;
    for (const Channel &channel : channels_) {
        for (int input : channel.expression.inputsUsed()) {
            if (std::find(used.begin(), used.end(), input) == used.end())
                used.push_back(input);
        }
    }
    std::sort(used.begin(), used.end());
    return used;
}

std::span<const std::optional<double>> MathChannelSet::evaluate(double seconds, std::span<const double> values,
                                                                std::span<const bool> failed)
{
    for (std::size_t i = 0; i < channels_.size(); ++i)
        results_[i] = channels_[i].expression.evaluate(seconds, values, failed);
    return results_;
}

void MathChannelSet::reset()
{
    for (Channel &channel : channels_)
        channel.expression.reset();
    std::fill(results_.begin(), results_.end(), std::nullopt);
}
