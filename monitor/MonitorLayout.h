#pragma once
// The Monitor's three grids as data: the names laid out from the variable list, the memory
// sections that feed them, and the rules by which each section's words land next to the names.
// Every row holds up to four name/value pairs: names in columns 0, 2, 4 and 6, each value to the
// right of its name.

#include <QString>
#include <QStringList>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace monitor {

constexpr int kGridColumns = 8;
constexpr int kCommandRows = 9;
constexpr int kInputOutputRows = 14;
constexpr int kBlockOutputRows = 128;

// The three grids from top to bottom: command values and feedback (the DIO words and ALL0 to
// ALL4); inputs, outputs and the M variables; the outputs of the super block's blocks.
enum class Grid { Commands, InputsAndOutputs, BlockOutputs };
inline constexpr std::array<Grid, 3> kGrids{Grid::Commands, Grid::InputsAndOutputs, Grid::BlockOutputs};

// A grid's place in per-grid arrays, which follow kGrids.
constexpr std::size_t gridIndex(Grid grid) { return static_cast<std::size_t>(grid); }

using GridRow = std::array<QString, kGridColumns>;

// The cells of one grid. Writes outside its rows or columns are dropped, as a cell beyond a grid's
// last row or column is never shown; reads there give an empty text.
class MonitorGrid {
public:
    explicit MonitorGrid(int rows) : rows_(static_cast<std::size_t>(rows)) {}

    int rowCount() const { return static_cast<int>(rows_.size()); }
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString &text);
    const GridRow &row(int row) const { return rows_.at(static_cast<std::size_t>(row)); }

    bool operator==(const MonitorGrid &) const = default;

private:
    std::vector<GridRow> rows_;
};

struct MonitorGrids {
    MonitorGrid commands{kCommandRows};
    MonitorGrid inputsAndOutputs{kInputOutputRows};
    MonitorGrid blockOutputs{kBlockOutputRows};

    MonitorGrid &grid(Grid which);
    const MonitorGrid &grid(Grid which) const;
};

// Where the next name or value goes in a grid.
struct GridCursor {
    int row = 0;
    int column = 0;
};

// One cursor per grid, in the order of kGrids.
using GridCursors = std::array<GridCursor, kGrids.size()>;

// When a placed value's position moves on to the next row.
enum class WrapRule {
    PastLastPair,          // only past column 6 (the command grid)
    PastLastPairOrNoName,  // also when no name stands at the new position
};

enum class SectionSource {
    Block,    // `words` words from `start`
    Pointers, // one word at each of the four pointer addresses of the catalogue
};

struct MonitorSection {
    Grid grid = Grid::Commands;
    SectionSource source = SectionSource::Block;
    std::uint32_t start = 0;
    int words = 0;
};

using SectionTable = std::array<MonitorSection, 7>;

struct MonitorLayout {
    MonitorGrids grids;
    int dioCount = 0;
    int superBlockOutputCount = 0;
};

// The polling reads at most this many words in one section: the Monitor's read buffer holds
// 30000 bytes, and a name list could otherwise ask for more (a "DIO" name with a huge number).
constexpr int kMaxSectionWords = 15000;

// Lays out the names of the three grids from the variable list ("AAAAAAAA,Name" entries closed by
// "END") and counts the words of the DIO and block-output sections.
MonitorLayout layOutNames(const QStringList &variableList);

// The seven sections polled in every pass, in order.
SectionTable makeSectionTable(int dioCount, int superBlockOutputCount);

WrapRule wrapRuleOfGrid(Grid grid);

// "Dec": the signed decimal number; anything else: eight upper-case hex digits of the value as a
// signed 32-bit number (-2 gives FFFFFFFE).
QString valueText(int value, bool decimal);

// Writes one value into the cell right of the name position and moves on to the next pair.
void placeValue(MonitorGrid &grid, GridCursor &cursor, const QString &text, WrapRule rule);
// A section ends on a fresh row, so the next section of the grid begins at column 0.
void finishSection(GridCursor &cursor);

// Places one section's words from the cursor on and finishes the section.
void placeSectionValues(MonitorGrid &grid, GridCursor &cursor, const std::vector<int> &values, bool decimal,
                        WrapRule rule);

} // namespace monitor
