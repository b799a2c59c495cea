#include "record/TriggerCapture.h"

#include "record/CsvFormat.h"
#include "record/RecordTexts.h"

#include <QRegularExpression>

namespace record {

namespace {

struct LevelParse {
    std::optional<std::int32_t> level;
    QString problem; // the message's end when there is no level
};

// Decimal (a leading 0 is no octal mark here), or 0x and the 16-bit word as the controller holds
// it and the Trend Graph's Hex shows it: 0xC000 is -16384, not 49152, which no word ever reaches.
LevelParse parseLevel(const QString &text)
{
    static const QRegularExpression hexWord(QStringLiteral("^0[xX]([0-9A-Fa-f]{1,4})$"));
    static const QRegularExpression hexLonger(QStringLiteral("^0[xX]0*[0-9A-Fa-f]+$"));
    static const QRegularExpression decimal(QStringLiteral("^-?[0-9]+$"));
    const QString t = text.trimmed();
    if (const QRegularExpressionMatch m = hexWord.match(t); m.hasMatch())
        return {trigger::parseLevelText(m.captured(1), true), {}};
    if (hexLonger.match(t).hasMatch())
        return {std::nullopt, kHexLevelTooLong};
    if (!decimal.match(t).hasMatch())
        return {std::nullopt, kLevelNotANumber};
    if (const std::optional<std::int32_t> level = trigger::parseLevelText(t, false))
        return {level, {}};
    return {std::nullopt, kLevelOutOfRange.arg(t)};
}

// The recorded channel a trigger names: a word channel by its name or address, a logic channel
// by NAME:BIT.
std::optional<int> findChannel(const QString &text, const TrendData &channels)
{
    const qsizetype colon = text.indexOf(u':');
    const QString name = colon < 0 ? text : text.left(colon);
    bool bitOk = colon < 0;
    const int bit = colon < 0 ? -1 : text.mid(colon + 1).toInt(&bitOk);
    if (!bitOk)
        return std::nullopt;
    for (int c : channels.selectedChannels) {
        const ChannelRecord &record = channels.channels[static_cast<std::size_t>(c)];
        if (record.addressOrName.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (colon < 0 && c < kAnalogChannels)
            return c;
        if (colon >= 0 && c >= kAnalogChannels && record.fullScale.toInt() == bit)
            return c;
    }
    return std::nullopt;
}

TriggerParse parseCondition(const QString &text, const TrendData &channels, trigger::Condition *condition)
{
    const QString argument = kTriggerArgument.arg(text);
    static const QRegularExpression comparison(QStringLiteral("^\\s*([^\\s<>]+)\\s*([<>])\\s*(\\S+)\\s*$"));
    QString channelText, edgeText, levelText;
    if (const QRegularExpressionMatch m = comparison.match(text); m.hasMatch()) {
        channelText = m.captured(1);
        edgeText = m.captured(2) == u'>' ? QStringLiteral("rises") : QStringLiteral("falls");
        levelText = m.captured(3);
    } else {
        const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
        if (words.size() < 2 || words.size() > 3)
            return {std::nullopt, argument + kTriggerForms};
        channelText = words[0];
        edgeText = words[1].toLower();
        levelText = words.value(2);
    }
    const std::optional<int> channel = findChannel(channelText, channels);
    if (!channel)
        return {std::nullopt, argument + kNotRecordedChannel.arg(channelText)};
    condition->channel = *channel;
    if (condition->isLogic()) {
        if (!levelText.isEmpty()) {
            const std::optional<std::int32_t> level = parseLevel(levelText).level;
            const bool bitValue = level && (*level == 0 || *level == 1);
            return {std::nullopt, argument + (bitValue ? kLogicLevel : kLogicLevelOutOfRange.arg(levelText))};
        }
        if (edgeText == QLatin1String("crosses"))
            return {std::nullopt, argument + kLogicLevel};
        if (edgeText == QLatin1String("changes"))
            condition->edge = trigger::Edge::Crosses;
        else if (edgeText == QLatin1String("rises") || edgeText == QLatin1String("falls"))
            condition->edge = edgeText == QLatin1String("rises") ? trigger::Edge::Rises : trigger::Edge::Falls;
        else
            return {std::nullopt, argument + kLogicChannelEdges};
        return {};
    }
    if (edgeText == QLatin1String("rises"))
        condition->edge = trigger::Edge::Rises;
    else if (edgeText == QLatin1String("falls"))
        condition->edge = trigger::Edge::Falls;
    else if (edgeText == QLatin1String("crosses"))
        condition->edge = trigger::Edge::Crosses;
    else
        return {std::nullopt, argument + kWordChannelEdges};
    const LevelParse level = parseLevel(levelText);
    if (!level.level)
        return {std::nullopt, argument + level.problem};
    condition->level = *level.level;
    return {};
}

} // namespace

TriggerParse parseTrigger(const QString &text, const TrendData &channels)
{
    static const QRegularExpression joint(QStringLiteral("\\s+(and|or)\\s+"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = joint.match(text);
    trigger::TriggerSetup setup;
    if (!m.hasMatch()) {
        TriggerParse parsed = parseCondition(text, channels, &setup.first);
        if (parsed.error.isEmpty())
            parsed.setup = setup;
        return parsed;
    }
    setup.combine = m.captured(1).toLower() == QLatin1String("and") ? trigger::Combine::And : trigger::Combine::Or;
    TriggerParse parsed = parseCondition(text.left(m.capturedStart()), channels, &setup.first);
    if (!parsed.error.isEmpty())
        return parsed;
    parsed = parseCondition(text.mid(m.capturedEnd()), channels, &setup.second.emplace());
    if (!parsed.error.isEmpty())
        return parsed;
    // The Trend Graph refuses a second condition on the first one's channel; so does the recorder,
    // so that a set-up means the same in both.
    if (setup.second->channel == setup.first.channel)
        return {std::nullopt, kTriggerArgument.arg(text) + kSameChannelTwice};
    parsed.setup = setup;
    return parsed;
}

TriggerCapture::TriggerCapture(const trigger::TriggerSetup &setup, std::chrono::milliseconds pre,
                               std::chrono::milliseconds post, int repeat)
    : TriggerCapture(
          [detector = trigger::TriggerDetector(setup)](const SampleRow &values, std::uint16_t failedChannels) mutable {
              return detector.takeRow(values, failedChannels);
          },
          pre, post, repeat)
{
}

TriggerCapture::TriggerCapture(RowDetector detector, std::chrono::milliseconds pre, std::chrono::milliseconds post,
                               int repeat)
    : detector_(std::move(detector)), pre_(pre), post_(post), repeat_(std::max(1, repeat))
{
}

std::vector<TriggerCapture::Line> TriggerCapture::takeRow(const RecordRow &row, const SampleRow &values,
                                                          std::uint16_t failedChannels,
                                                          std::chrono::milliseconds sinceStart)
{
    // Every row goes through the detector, so the sample before the next event is the true one.
    const bool fired = detector_(values, failedChannels);
    std::vector<Line> lines;
    if (state_ == State::Done)
        return lines;
    if (state_ == State::Capturing) {
        if (sinceStart <= captureEnd_) {
            lines.push_back({row, false});
            return lines;
        }
        if (eventsSeen_ >= repeat_) {
            state_ = State::Done;
            return lines;
        }
        // An event inside the window of the one before is part of that window, not a new one.
        state_ = State::Armed;
    }
    kept_.push_back({row, sinceStart});
    while (!kept_.empty() && kept_.front().sinceStart < sinceStart - pre_) {
        kept_.pop_front();
        rowsLeftOut_ = true;
    }
    if (!fired)
        return lines;
    ++eventsSeen_;
    captureEnd_ = sinceStart + post_;
    state_ = State::Capturing;
    for (KeptRow &kept : kept_)
        lines.push_back({std::move(kept.row), false});
    lines.front().row.afterRowsLeftOut = rowsLeftOut_;
    rowsLeftOut_ = false;
    lines.back().event = true;
    kept_.clear();
    return lines;
}

TriggerCapture::Progress TriggerCapture::progress() const
{
    const State state = state_.load();
    const int seen = eventsSeen_.load();
    return {state, state == State::Armed ? std::min(seen + 1, repeat_) : seen, repeat_};
}

QString captureStatusText(const TriggerCapture::Progress &progress)
{
    switch (progress.state) {
    case TriggerCapture::State::Armed:
        return kCaptureArmed.arg(progress.event).arg(progress.repeat);
    case TriggerCapture::State::Capturing:
        return kCaptureCapturing.arg(progress.event).arg(progress.repeat);
    case TriggerCapture::State::Done:
        break;
    }
    return kCaptureDone.arg(progress.event).arg(progress.repeat);
}

QByteArray eventRowLine(const TriggerCapture::Line &line) { return csvLine(line.row, line.event); }

} // namespace record
