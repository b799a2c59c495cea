#include "trend/readout/TrendReadout.h"

#include "base/NumberText.h"
#include "trend/model/Cursor.h"
#include "trend/readout/EngineeringCells.h"
#include "trend/readout/TrendGraphTexts.h"

#include <QStringList>
#include <algorithm>
#include <cstdlib>

namespace readout {

using numbertext::secondsText;

QString cursorTimeText(const TrendData &data, int cursorX, const QString &mark)
{
    const std::optional<int> row = cursor::rowUnderCursor(cursorX, data.rowCount);
    if (!row)
        return {};
    const QString text = kCursorRow.arg(mark).arg(*row);
    const std::optional<std::int64_t> ms = rowMilliseconds(data.displayRowInfo[static_cast<std::size_t>(*row)]);
    return text + (ms ? kRowTime.arg(secondsText(*ms)) : kNoTime);
}

std::optional<CursorDifference> cursorDifference(const TrendData &data, int cursorAX, int cursorBX)
{
    const std::optional<int> a = cursor::rowUnderCursor(cursorAX, data.rowCount);
    const std::optional<int> b = cursor::rowUnderCursor(cursorBX, data.rowCount);
    if (!a || !b)
        return std::nullopt;
    const RowInfo &infoA = data.displayRowInfo[static_cast<std::size_t>(*a)];
    const RowInfo &infoB = data.displayRowInfo[static_cast<std::size_t>(*b)];
    CursorDifference d;
    d.rows = *b - *a;
    const std::optional<std::int64_t> msA = rowMilliseconds(infoA);
    const std::optional<std::int64_t> msB = rowMilliseconds(infoB);
    if (msA && msB)
        d.milliseconds = *msB - *msA;
    const SampleRow &rowA = data.displayRows[static_cast<std::size_t>(*a)];
    const SampleRow &rowB = data.displayRows[static_cast<std::size_t>(*b)];
    for (int c : data.selectedChannels) {
        const std::uint16_t bit = static_cast<std::uint16_t>(1u << c);
        if ((infoA.failedChannels | infoB.failedChannels) & bit)
            d.values.emplace_back(c, std::nullopt);
        else
            d.values.emplace_back(c, rowB[c] - rowA[c]);
    }
    return d;
}

QString differenceValueText(std::int32_t difference, bool hex)
{
    if (!hex)
        return difference > 0 ? QStringLiteral("+%1").arg(difference) : QString::number(difference);
    const std::int64_t magnitude = std::llabs(static_cast<std::int64_t>(difference));
    const QString digits = QStringLiteral("%1").arg(magnitude, 4, 16, QLatin1Char('0')).toUpper();
    if (difference == 0)
        return digits;
    return (difference > 0 ? QStringLiteral("+") : QStringLiteral("-")) + digits;
}

QStringList differenceItems(const TrendData &data, const CursorDifference &difference, bool hex,
                            const runscales::ChannelScales *scales)
{
    QStringList items{kRowsFromAToB.arg(difference.rows),
                      difference.milliseconds ? kSeconds.arg(secondsText(*difference.milliseconds)) : kNoTime};
    for (const auto &[channel, value] : difference.values) {
        const auto c = static_cast<std::size_t>(channel);
        // Only word channels are scaled: a logic channel's difference stays -1, 0 or +1.
        const std::optional<UnitScale> *scale =
            scales && channel >= 0 && channel < kAnalogChannels && (*scales)[c] ? &(*scales)[c] : nullptr;
        QString text = kReadoutFailed;
        if (value && scale)
            text = engineeringcells::engineeringDifferenceCell(*value, **scale);
        else if (value)
            text = differenceValueText(*value, hex);
        items << trendcsv::columnName(data.channels[c], channel) + u' ' + text;
    }
    return items;
}

QString differenceText(const TrendData &data, const CursorDifference &difference, bool hex,
                       const runscales::ChannelScales *scales)
{
    return differenceItems(data, difference, hex, scales).join(QStringLiteral("  "));
}

QString fitItems(const QStringList &items, const QString &separator, int width, int rows, const TextWidth &widthOf,
                 const QString &more)
{
    std::vector<QStringList> lines(1);
    const auto fits = [&](const QStringList &line) { return widthOf(line.join(separator)) <= width; };
    bool allFit = true;
    for (const QString &item : items) {
        QStringList extended = lines.back();
        extended << item;
        if (fits(extended)) {
            lines.back() = extended;
        } else if (static_cast<int>(lines.size()) < std::max(rows, 1) && !lines.back().isEmpty() &&
                   fits(QStringList{item})) {
            lines.push_back(QStringList{item});
        } else {
            allFit = false;
            break;
        }
    }
    if (!allFit) {
        // Items come off the last line until the mark fits after them.
        QStringList &last = lines.back();
        while (!last.isEmpty() && !fits(last + QStringList{more}))
            last.removeLast();
        last << more;
    }
    QStringList text;
    for (const QStringList &line : lines)
        text << line.join(separator);
    return text.join(u'\n');
}

QString lineEventText(trendpoll::LineEvent event, const TrendData &data, std::chrono::steady_clock::time_point when)
{
    QString text;
    switch (event) {
    case trendpoll::LineEvent::None:
        return {};
    case trendpoll::LineEvent::Lost:
        text = kLineLostEvent;
        break;
    case trendpoll::LineEvent::Back:
        text = kLineBackEvent;
        break;
    }
    const std::int64_t ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(when - data.runStartedSteady).count();
    if (data.runStartedAt.isValid())
        text += u' ' + data.runStartedAt.addMSecs(ms).toString(kBandTimeFormat);
    return text + kEventRunTime.arg(secondsText(ms));
}

QString planChangeText(const readplan::ReadPlan &plan, const std::vector<readplan::BlockReadGivenUp> &givenUp)
{
    QString text = readplan::planText(plan);
    if (givenUp.empty())
        return text;
    const bool refused = std::any_of(givenUp.begin(), givenUp.end(), [](const auto &g) { return g.refused; });
    return text + (refused ? kPlanBlockReadRefused : kPlanBlockReadWronglyAnswered);
}

trendcsv::Row csvRow(const TrendData &data, const SampleRow &row, const RowInfo &info)
{
    trendcsv::Row out = trendcsv::valuesRow(data, row, info.failedChannels);
    out.time = rowWallTime(data, info);
    if (const std::optional<std::int64_t> ms = rowMilliseconds(info))
        out.seconds = static_cast<double>(*ms) / 1000.0;
    return out;
}

QByteArray shownRowsCsv(const TrendData &data)
{
    QByteArray csv = trendcsv::headerLine(trendcsv::selectedColumns(data));
    const int rows = std::clamp(data.rowCount, 0, kDisplayRowsCapacity);
    csv.reserve(csv.size() + rows * (32 + 7 * data.selectedCount()));
    for (int k = 0; k < rows; ++k)
        csv += trendcsv::rowLine(csvRow(data, data.displayRows[static_cast<std::size_t>(k)],
                                        data.displayRowInfo[static_cast<std::size_t>(k)]));
    return csv;
}

} // namespace readout
