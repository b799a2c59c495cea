#include "trend/model/Cursor.h"

#include <algorithm>

namespace cursor {

int lastPosition(int dataNumbers)
{
    return 2 * dataNumbers - 2;
}

int positionOnLastRow(int dataNumbers)
{
    return std::max(0, lastPosition(dataNumbers));
}

std::optional<int> rowUnderCursor(int cursorX, int dataNumbers)
{
    if (cursorX < 0)
        return std::nullopt;
    const int row = cursorX / 2;
    if (row >= dataNumbers || row >= kDisplayRowsCapacity)
        return std::nullopt;
    return row;
}

std::optional<int> clickPosition(int x, int dataNumbers)
{
    if (dataNumbers <= 0)
        return std::nullopt;
    return std::clamp(x, 0, lastPosition(dataNumbers));
}

std::optional<int> stepRight(int cursorX, int dataNumbers)
{
    if (dataNumbers <= 0)
        return std::nullopt;
    const int x = cursorX + 2;
    return x > lastPosition(dataNumbers) || x < 0 ? 0 : x;
}

std::optional<int> stepLeft(int cursorX, int dataNumbers)
{
    if (dataNumbers <= 0)
        return std::nullopt;
    const int last = lastPosition(dataNumbers);
    const int x = cursorX - 2;
    return x < 0 || x > last ? last : x;
}

QString valueText(int channel, std::int32_t v, Base base, LogicText logic)
{
    if (channel >= kAnalogChannels) {
        if (logic == LogicText::HighLow)
            return v != 0 ? QStringLiteral("1") : QStringLiteral("0");
        return QString::number(v);
    }
    if (base == Base::Dec)
        return QString::number(v);
    return QStringLiteral("%1")
        .arg(static_cast<std::uint16_t>(static_cast<std::uint32_t>(v) & 0xFFFFu), 4, 16, QLatin1Char('0'))
        .toUpper();
}

std::vector<std::pair<int, QString>> cursorValueTexts(const TrendData &data, int cursorX, Base base,
                                                       LogicText logic)
{
    std::vector<std::pair<int, QString>> texts;
    const auto row = rowUnderCursor(cursorX, data.rowCount);
    if (!row)
        return texts;
    for (int c : data.selectedChannels) {
        if (c < 0 || c >= kChannels)
            continue;
        texts.emplace_back(c, valueText(c, data.displayRows[*row][c], base, logic));
    }
    return texts;
}

} // namespace cursor
