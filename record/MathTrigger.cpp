#include "record/MathTrigger.h"

#include "record/EngineeringTexts.h"
#include "record/TriggerCapture.h"

#include <QRegularExpression>
#include <cmath>

namespace record {

namespace {

struct Condition {
    QString channel;
    QString edge; // rises, falls or crosses
    QString level;
    bool matched = false;
};

// "NAME>LEVEL", "NAME<LEVEL", "NAME rises|falls|crosses LEVEL".
Condition splitCondition(const QString &text)
{
    static const QRegularExpression comparison(QStringLiteral("^\\s*([^\\s<>]+)\\s*([<>])\\s*(\\S+)\\s*$"));
    if (const QRegularExpressionMatch m = comparison.match(text); m.hasMatch())
        return {m.captured(1), m.captured(2) == u'>' ? QStringLiteral("rises") : QStringLiteral("falls"), m.captured(3),
                true};
    const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    if (words.size() != 3)
        return {words.value(0), {}, {}, false};
    return {words[0], words[1].toLower(), words[2], true};
}

} // namespace

MathTriggerParse MathTrigger::parse(const QString &text, const TrendData &channels, const MathChannelSet &math)
{
    static const QRegularExpression joint(QStringLiteral("\\s+(and|or)\\s+"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = joint.match(text);
    const QStringList parts = m.hasMatch() ? QStringList{text.left(m.capturedStart()), text.mid(m.capturedEnd())}
                                           : QStringList{text};
    MathTriggerParse parsed;
    for (const QString &part : parts)
        parsed.namesMath = parsed.namesMath || math.indexOf(splitCondition(part).channel) >= 0;
    if (!parsed.namesMath)
        return parsed;

    MathTrigger result;
    if (m.hasMatch())
        result.combine_ = m.captured(1).toLower() == QLatin1String("and") ? trigger::Combine::And : trigger::Combine::Or;
    std::vector<Watch> watches;
    for (const QString &part : parts) {
        const Condition condition = splitCondition(part);
        Watch watch;
        watch.math = math.indexOf(condition.channel);
        if (watch.math < 0) {
            // A read channel's condition, by the read channels' own rules.
            const TriggerParse read = parseTrigger(part, channels);
            if (!read.setup) {
                parsed.error = read.error;
                return parsed;
            }
            watch.read = read.setup->first;
        } else {
            if (!condition.matched)
                return MathTriggerParse{std::nullopt, kMathTriggerForm.arg(text), true};
            if (condition.edge == QLatin1String("rises"))
                watch.edge = trigger::Edge::Rises;
            else if (condition.edge == QLatin1String("falls"))
                watch.edge = trigger::Edge::Falls;
            else if (condition.edge == QLatin1String("crosses"))
                watch.edge = trigger::Edge::Crosses;
            else
                return MathTriggerParse{std::nullopt, kMathTriggerForm.arg(text), true};
            bool ok = false;
            watch.level = condition.level.toDouble(&ok);
            if (!ok || !std::isfinite(watch.level))
                return MathTriggerParse{std::nullopt, kMathTriggerLevel.arg(text), true};
        }
        watches.push_back(watch);
    }
    if (watches.size() == 2) {
        const bool sameMath = watches[0].math >= 0 && watches[0].math == watches[1].math;
        const bool sameRead = watches[0].read && watches[1].read && watches[0].read->channel == watches[1].read->channel;
        if (sameMath || sameRead)
            return MathTriggerParse{std::nullopt, kMathTriggerSameTwice.arg(text), true};
        result.second_ = watches[1];
    }
    result.first_ = watches[0];
    parsed.trigger = result;
    return parsed;
}

trigger::ConditionState MathTrigger::step(Watch &watch, const SampleRow &values, std::uint16_t failedChannels,
                                          std::span<const std::optional<double>> math)
{
    if (watch.read)
        return trigger::takeSample(*watch.read, watch.lastRead, values, failedChannels);
    // An empty result is no sample: the comparison goes on from the last good one.
    const std::size_t index = static_cast<std::size_t>(watch.math);
    if (index >= math.size() || !math[index])
        return {};
    const double current = *math[index];
    const trigger::ConditionState state = trigger::levelState(watch.edge, watch.level, watch.lastMath, current);
    watch.lastMath = current;
    return state;
}

bool MathTrigger::takeRow(const SampleRow &values, std::uint16_t failedChannels,
                          std::span<const std::optional<double>> math)
{
    const trigger::ConditionState first = step(first_, values, failedChannels, math);
    std::optional<trigger::ConditionState> second;
    if (second_)
        second = step(*second_, values, failedChannels, math);
    return trigger::fires(first, second, combine_);
}

} // namespace record
