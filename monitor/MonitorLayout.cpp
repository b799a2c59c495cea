#include "monitor/MonitorLayout.h"

#include "monitor/MonitorTexts.h"

#include <algorithm>

namespace monitor {

QString MonitorGrid::cell(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= kGridColumns)
        return {};
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void MonitorGrid::setCell(int row, int column, const QString &text)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= kGridColumns)
        return;
    rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
}

namespace {

template <typename Grids> auto &gridOf(Grids &grids, Grid which)
{
    switch (which) {
    case Grid::Commands:
        return grids.commands;
    case Grid::InputsAndOutputs:
        return grids.inputsAndOutputs;
    case Grid::BlockOutputs:
        break;
    }
    return grids.blockOutputs;
}

} // namespace

MonitorGrid &MonitorGrids::grid(Grid which) { return gridOf(*this, which); }
const MonitorGrid &MonitorGrids::grid(Grid which) const { return gridOf(*this, which); }

namespace {

const QString kEndEntry = QStringLiteral("END");
const QString kCmdFlag = QStringLiteral("CmdFlag");
const QString kFirstDio = QStringLiteral("DIO00");
const QString kDio = QStringLiteral("DIO");

constexpr int kNameColumnStep = 2;
constexpr int kLastPairColumn = 6;
constexpr int kBlockHeaderNameLength = 5;
constexpr int kBlockOutputNameLength = 6;

// The name of a list entry: its text after the eight address digits and the comma.
QString nameOf(const QString &entry) { return entry.mid(9); }

// Index of the first entry before "END" that `matches`, or -1.
template <typename Pred> qsizetype findBeforeEnd(const QStringList &list, qsizetype from, Pred matches)
{
    for (qsizetype i = from; i < list.size() && list[i] != kEndEntry; ++i) {
        if (matches(list[i]))
            return i;
    }
    return -1;
}

// Fills name cells left to right, two columns apart, four to a row.
class NameWriter {
public:
    explicit NameWriter(MonitorGrid &grid) : grid_(grid) {}

    void put(const QString &name)
    {
        grid_.setCell(cursor_.row, cursor_.column, name);
        cursor_.column += kNameColumnStep;
        if (cursor_.column > kLastPairColumn)
            nextRow();
    }
    void nextRow()
    {
        ++cursor_.row;
        cursor_.column = 0;
    }
    // A new row only when the current one already holds a name.
    void startNewRow()
    {
        if (cursor_.column != 0)
            nextRow();
    }

private:
    MonitorGrid &grid_;
    GridCursor cursor_;
};

// One row per block: the outputs of a block share a row; a block with more than four outputs runs
// on past the grid's last column, where its names are not shown.
int layOutBlockOutputs(const QStringList &list, MonitorGrid &grid)
{
    const qsizetype flag = findBeforeEnd(list, 0, [](const QString &e) { return nameOf(e).left(7) == kCmdFlag; });
    if (flag < 0)
        return 0;
    qsizetype i = flag + 1;
    auto atEnd = [&list](qsizetype k) { return k >= list.size() || list[k] == kEndEntry; };
    while (!atEnd(i) && list[i].isEmpty())
        ++i;
    while (!atEnd(i) && nameOf(list[i]).size() == kBlockHeaderNameLength)
        ++i;
    if (atEnd(i))
        return 0;

    int count = 0;
    QString prefix = nameOf(list[i]).left(kBlockHeaderNameLength);
    GridCursor cursor;
    for (; !atEnd(i) && !list[i].isEmpty(); ++i) {
        const QString name = nameOf(list[i]);
        if (name.size() != kBlockOutputNameLength)
            continue;
        ++count;
        if (name.left(kBlockHeaderNameLength) != prefix) {
            ++cursor.row;
            cursor.column = 0;
            prefix = name.left(kBlockHeaderNameLength);
        }
        grid.setCell(cursor.row, cursor.column, name);
        cursor.column += kNameColumnStep;
    }
    return count;
}

// DIO names four to a row, then ALL0 to ALL4 from a fresh row. Returns the number of DIO words.
int layOutDioNames(const QStringList &list, MonitorGrid &grid)
{
    NameWriter writer(grid);
    int dioCount = 0;
    qsizetype i = findBeforeEnd(list, 0, [](const QString &e) { return nameOf(e).left(5) == kFirstDio; });
    if (i >= 0) {
        QString last;
        for (; i < list.size() && list[i] != kEndEntry && nameOf(list[i]).left(3) == kDio; ++i) {
            last = nameOf(list[i]);
            writer.put(last);
        }
        dioCount = static_cast<int>(std::clamp<qint64>(last.mid(3).toLongLong() + 1, 0, kMaxSectionWords));
    }
    writer.startNewRow();
    for (int n = 0; n <= 4; ++n)
        writer.put(kAllName.arg(n));
    return dioCount;
}

void layOutFixedNames(MonitorGrid &grid)
{
    NameWriter writer(grid);
    QStringList items = kInputOutputNames.split(QLatin1Char(','));
    items.removeLast(); // every item is closed by its comma; nothing follows the last one
    for (const QString &item : items) {
        if (item.isEmpty())
            writer.nextRow();
        else
            writer.put(item);
    }
    writer.nextRow();
    for (int n = 0; n <= 7; ++n)
        writer.put(kUdatName.arg(n));
    for (int n = 0; n <= 31; ++n)
        writer.put(kVariableMName.arg(n, 2, 10, QLatin1Char('0')));
}

} // namespace

MonitorLayout layOutNames(const QStringList &variableList)
{
    MonitorLayout layout;
    layout.superBlockOutputCount =
        std::min(layOutBlockOutputs(variableList, layout.grids.blockOutputs), kMaxSectionWords);
    layout.dioCount = layOutDioNames(variableList, layout.grids.commands);
    layOutFixedNames(layout.grids.inputsAndOutputs);
    return layout;
}

SectionTable makeSectionTable(int dioCount, int superBlockOutputCount)
{
    return SectionTable{{
        {Grid::Commands, SectionSource::Block, 0x600E00, std::clamp(dioCount, 0, kMaxSectionWords)},
        {Grid::Commands, SectionSource::Block, 0x600FA8, 5},
        {Grid::InputsAndOutputs, SectionSource::Block, 0x600F92, 6},
        {Grid::InputsAndOutputs, SectionSource::Pointers, 0, 4},
        {Grid::InputsAndOutputs, SectionSource::Block, 0x600FCE, 32},
        {Grid::InputsAndOutputs, SectionSource::Block, 0x600E80, 16},
        {Grid::BlockOutputs, SectionSource::Block, 0x600EC0,
         std::clamp(superBlockOutputCount, 0, kMaxSectionWords)},
    }};
}

WrapRule wrapRuleOfGrid(Grid grid)
{
    return grid == Grid::Commands ? WrapRule::PastLastPair : WrapRule::PastLastPairOrNoName;
}

QString valueText(int value, bool decimal)
{
    if (decimal)
        return QString::number(value);
    return QStringLiteral("%1").arg(static_cast<quint32>(value), 8, 16, QLatin1Char('0')).toUpper();
}

void placeValue(MonitorGrid &grid, GridCursor &cursor, const QString &text, WrapRule rule)
{
    grid.setCell(cursor.row, cursor.column + 1, text);
    cursor.column += kNameColumnStep;
    const bool noName = rule == WrapRule::PastLastPairOrNoName && grid.cell(cursor.row, cursor.column).isEmpty();
    if (cursor.column > kLastPairColumn || noName) {
        ++cursor.row;
        cursor.column = 0;
    }
}

void finishSection(GridCursor &cursor)
{
    if (cursor.column != 0) {
        ++cursor.row;
        cursor.column = 0;
    }
}

void placeSectionValues(MonitorGrid &grid, GridCursor &cursor, const std::vector<int> &values, bool decimal,
                        WrapRule rule)
{
    for (int value : values)
        placeValue(grid, cursor, valueText(value, decimal), rule);
    finishSection(cursor);
}

} // namespace monitor
