#pragma once
// The read-out cursor: where a click or the "<<" and ">>" buttons put it, which display row it
// reads, and how the value boxes show that row. Positions are graph pixels, 2 per sample.

#include "trend/model/TrendData.h"

#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace cursor {

// Where the read-out cursor (cursor A) stands on the graph. The Trend Graph keeps it beside the
// run's rows, not in them: qmx-record and the Recording window have no such cursor.
struct Position {
    // Where the graph's layers first draw it, before any rows are shown.
    static constexpr int kRestX = 498;
    int x = kRestX;
};

// x of the last row: 2 x rowCount - 2 (-2 when there is no row, which addresses nothing).
int lastPosition(int dataNumbers);

// Where REDRAW and Open put the cursor: on the last row; at 0 when there is no row.
int positionOnLastRow(int dataNumbers);

// The row under the cursor, or nothing when the position addresses no row of the display.
std::optional<int> rowUnderCursor(int cursorX, int dataNumbers);

// A click at `x`: the cursor stands on x itself (odd x too), pulled back to the last row.
// Nothing when there is no row to stand on.
std::optional<int> clickPosition(int x, int dataNumbers);
// ">>": two pixels on; past the last row it starts again at the first.
std::optional<int> stepRight(int cursorX, int dataNumbers);
// "<<": two pixels back; before the first row it goes to the last.
std::optional<int> stepLeft(int cursorX, int dataNumbers);

enum class Base { Dec, Hex };
// How a logic channel reads: its stored value, or "1"/"0" for set/clear (the "<<" read-out).
enum class LogicText { Value, HighLow };

// The text of channel `channel`'s value box for value `v`: analog in signed decimal or as the
// low 16 bits in four upper-case hexadecimal digits; logic in decimal or as "1"/"0".
QString valueText(int channel, std::int32_t v, Base base, LogicText logic);

// The value box texts of the selected channels at `cursorX`, as (channel, text) in the order of
// selectedChannels; empty when the cursor addresses no row.
std::vector<std::pair<int, QString>> cursorValueTexts(const TrendData &data, int cursorX, Base base,
                                                       LogicText logic);

} // namespace cursor
