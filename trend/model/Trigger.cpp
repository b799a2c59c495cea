#include "trend/model/Trigger.h"

#include "trend/model/TrendCoreTexts.h"

#include <algorithm>

namespace trigger {

namespace {

const QString kFileMark = QStringLiteral("QMX Trigger");
// The line of a set-up that fires without waiting for the rows before the trigger; a file without
// it (every older one) waits.
const QString kWaitKey = QStringLiteral("WaitPre");

QString edgeWord(Edge edge)
{
    switch (edge) {
    case Edge::Rises:
        return QStringLiteral("RISES");
    case Edge::Falls:
        return QStringLiteral("FALLS");
    case Edge::Crosses:
        break;
    }
    return QStringLiteral("CROSSES");
}

std::optional<Edge> edgeFromWord(const QString &word)
{
    for (Edge edge : {Edge::Rises, Edge::Falls, Edge::Crosses})
        if (word == edgeWord(edge))
            return edge;
    return std::nullopt;
}

QString conditionLine(const QString &key, const Condition &condition)
{
    return QStringLiteral("%1,%2,%3,%4").arg(key).arg(condition.channel).arg(edgeWord(condition.edge)).arg(condition.level);
}

std::optional<Condition> parseConditionFields(const QStringList &fields)
{
    if (fields.size() != 4)
        return std::nullopt;
    bool channelOk = false, levelOk = false;
    Condition condition;
    condition.channel = fields[1].toInt(&channelOk);
    condition.level = fields[3].toInt(&levelOk);
    const std::optional<Edge> edge = edgeFromWord(fields[2]);
    if (!channelOk || !levelOk || !edge || condition.channel < 0 || condition.channel >= kChannels)
        return std::nullopt;
    condition.edge = *edge;
    return condition;
}

} // namespace

ConditionState evaluate(const Condition &condition, std::optional<std::int32_t> previous, std::int32_t current)
{
    ConditionState state;
    if (condition.isLogic()) {
        const bool high = current != 0;
        const bool changed = previous && (*previous != 0) != high;
        switch (condition.edge) {
        case Edge::Rises:
            state.edge = changed && high;
            state.holds = high;
            break;
        case Edge::Falls:
            state.edge = changed && !high;
            state.holds = !high;
            break;
        case Edge::Crosses:
            state.edge = state.holds = changed;
            break;
        }
        return state;
    }
    return levelState(condition.edge, condition.level, previous, current);
}

ConditionState takeSample(const Condition &condition, std::optional<std::int32_t> &last, const SampleRow &row,
                          std::uint16_t failedChannels)
{
    // A failed read holds 0, which may lie on the far side of the level: it is no sample at all.
    if (failedChannels & (1u << condition.channel))
        return {};
    const std::int32_t current = row[static_cast<std::size_t>(condition.channel)];
    const ConditionState state = evaluate(condition, last, current);
    last = current;
    return state;
}

bool TriggerDetector::takeRow(const SampleRow &row, std::uint16_t failedChannels)
{
    const ConditionState first = takeSample(setup_.first, lastFirst_, row, failedChannels);
    std::optional<ConditionState> second;
    if (setup_.second)
        second = takeSample(*setup_.second, lastSecond_, row, failedChannels);
    return fires(first, second, setup_.combine);
}

SampleRow storedValues(const TrendData &data, const sampling::PassReadout &readout)
{
    SampleRow row{};
    for (int c : data.selectedChannels) {
        const std::int32_t v = readout.latestValue[static_cast<std::size_t>(c)];
        row[static_cast<std::size_t>(c)] =
            c < kAnalogChannels ? v : ((v & data.channelScale[static_cast<std::size_t>(c)]) != 0 ? 1 : 0);
    }
    return row;
}

int rowsFromTrigger(int preRows) { return std::max(1, kRingRows - 1 - std::clamp(preRows, 0, kRingRows - 1)); }

std::optional<std::int32_t> parseLevelText(const QString &text, bool hex)
{
    const QString t = text.trimmed();
    bool ok = false;
    if (hex) {
        const uint word = t.toUInt(&ok, 16);
        if (!ok || t.isEmpty() || t.size() > 4 || t.startsWith(u'+') || t.startsWith(u'-'))
            return std::nullopt;
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(word));
    }
    const int value = t.toInt(&ok, 10);
    if (!ok || value < -32768 || value > 32767)
        return std::nullopt;
    return value;
}

RingCapture::State RingCapture::takeRow(const SampleRow &row, std::uint16_t failedChannels)
{
    // While the rows before it fill, an edge passes unfired; the detector sees every row all the
    // same, so the first row after them compares with the last good sample.
    const bool mayFire = !fillingPreRows();
    ++rowsTaken_;
    if (state_ == State::Armed && detector_.takeRow(row, failedChannels) && mayFire) {
        triggerRow_ = rowsTaken_;
        state_ = State::Filling;
    }
    if (state_ == State::Filling && ++rowsFromTrigger_ >= rowsFromTrigger(detector_.setup().preRows))
        state_ = State::Complete;
    return state_;
}

std::optional<int> shownRowIndex(int triggerRowNumber, int rowsStored, int shownRows)
{
    const int index = triggerRowNumber - (rowsStored - shownRows) - 1;
    if (index < 0 || index >= shownRows)
        return std::nullopt;
    return index;
}

QString conditionText(const Condition &condition, const ChannelNamer &channelName, const LevelWriter &levelText)
{
    // The words are the Trigger window's choices, listed in the order of the edges.
    const auto edge = static_cast<qsizetype>(condition.edge);
    const QString name = channelName(condition.channel);
    if (condition.isLogic())
        return name + u' ' + kTriggerLogicConditions.at(edge);
    return name + u' ' + kTriggerAnalogConditions.at(edge) + u' ' + levelText(condition.channel, condition.level);
}

QString setupText(const TriggerSetup &setup, const ChannelNamer &channelName, const LevelWriter &levelText)
{
    QString text = conditionText(setup.first, channelName, levelText);
    if (setup.second)
        text += u' ' + kTriggerCombinations.at(setup.combine == Combine::And ? 0 : 1) + u' ' +
                conditionText(*setup.second, channelName, levelText);
    return text;
}

QStringList setupLines(const TriggerSetup &setup)
{
    QStringList lines{kFileMark, conditionLine(QStringLiteral("First"), setup.first)};
    if (setup.second) {
        lines.append(conditionLine(QStringLiteral("Second"), *setup.second));
        lines.append(setup.combine == Combine::And ? QStringLiteral("Combine,AND") : QStringLiteral("Combine,OR"));
    }
    lines.append(QStringLiteral("Pre,%1").arg(setup.preRows));
    // Waiting is the default and needs no line, so a set-up that waits keeps the file's older form.
    if (!setup.waitForPreRows)
        lines.append(QStringLiteral("%1,0").arg(kWaitKey));
    return lines;
}

std::optional<TriggerSetup> parseSetupLines(const QStringList &lines)
{
    if (lines.isEmpty() || lines.front() != kFileMark)
        return std::nullopt;
    TriggerSetup setup;
    bool haveFirst = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const QStringList fields = lines[i].split(u',');
        const QString &key = fields.front();
        if (key == QLatin1String("First") || key == QLatin1String("Second")) {
            const std::optional<Condition> condition = parseConditionFields(fields);
            if (!condition)
                return std::nullopt;
            (key == QLatin1String("First") ? (haveFirst = true, setup.first) : setup.second.emplace()) = *condition;
        } else if (key == QLatin1String("Combine") && fields.size() == 2 &&
                   (fields[1] == QLatin1String("AND") || fields[1] == QLatin1String("OR"))) {
            setup.combine = fields[1] == QLatin1String("AND") ? Combine::And : Combine::Or;
        } else if (key == kWaitKey && fields.size() == 2 &&
                   (fields[1] == QLatin1String("0") || fields[1] == QLatin1String("1"))) {
            setup.waitForPreRows = fields[1] == QLatin1String("1");
        } else if (key == QLatin1String("Pre") && fields.size() == 2) {
            bool ok = false;
            setup.preRows = fields[1].toInt(&ok);
            if (!ok || setup.preRows < 0 || setup.preRows >= kRingRows)
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    if (!haveFirst)
        return std::nullopt;
    return setup;
}

} // namespace trigger
