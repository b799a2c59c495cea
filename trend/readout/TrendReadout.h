#pragma once
// The read-out beyond the screen, without widgets: the time of every stored row, the difference
// between two cursors, the texts of the read-out band, and the shown rows as CSV. The window
// calls these and only places their texts.

#include "trend/model/RingRows.h"
#include "trend/model/RunScales.h"
#include "trend/model/TrendCsv.h"
#include "trend/model/TrendData.h"
#include "trend/model/TrendPoll.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace readout {

// The ring's rows and times, read where the read-out reads them.
using ringrows::beginRunClock;
using ringrows::forgetDisplayRowInfo;
using ringrows::recordRowInfo;
using ringrows::rowMilliseconds;
using ringrows::rowWallTime;

// The band line of the cursor row: "A: row 12  t = 1.234 s" ("no time" for a row without one);
// empty when the cursor addresses no row.
QString cursorTimeText(const TrendData &data, int cursorX, const QString &mark);

// B - A between the rows of two cursors.
struct CursorDifference {
    int rows = 0;
    std::optional<std::int64_t> milliseconds;                     // both rows timed
    std::vector<std::pair<int, std::optional<std::int32_t>>> values; // per selected channel; none: a read failed
};
std::optional<CursorDifference> cursorDifference(const TrendData &data, int cursorAX, int cursorBX);
// A difference in the Dec/Hex choice: "+120", "-5", "0"; hex "+0078", "-0005", "0000".
QString differenceValueText(std::int32_t difference, bool hex);
// "B-A: 77 rows  3.333 s  SpdFbk +120  InvFlag.07 -1  GateFlag.12 failed". With `scales` (engineering
// values shown), a word channel that has one gives gain x difference with its unit as the Read-out's
// B-A column does, in Dec and Hex alike: "SpdFbk 60 rpm".
QString differenceText(const TrendData &data, const CursorDifference &difference, bool hex,
                       const runscales::ChannelScales *scales = nullptr);
// The same as items, each to be shown whole: "B-A: 77 rows", "3.333 s", "SpdFbk +120", ...
QStringList differenceItems(const TrendData &data, const CursorDifference &difference, bool hex,
                            const runscales::ChannelScales *scales = nullptr);

// The width of a text as a font draws it.
using TextWidth = std::function<int(const QString &)>;
// `items` joined by `separator` into at most `rows` lines (joined by LF) no wider than `width`,
// broken only between items. When they do not all fit, the last line ends in `more` after as
// many items as leave room for it.
QString fitItems(const QStringList &items, const QString &separator, int width, int rows, const TextWidth &widthOf,
                 const QString &more);

// "line lost 12:34:56.789 (t = 12.345 s)" / "line back ..."; empty for no event.
QString lineEventText(trendpoll::LineEvent event, const TrendData &data, std::chrono::steady_clock::time_point when);

// The band's plan after block reads were given up: "plan: 14 word reads, 364 bytes/pass, limit 2.6
// passes/s, block read refused" (the error trace has the whole story).
QString planChangeText(const readplan::ReadPlan &plan, const std::vector<readplan::BlockReadGivenUp> &givenUp);

// One row as CSV: its time, and its values with failed reads left empty.
trendcsv::Row csvRow(const TrendData &data, const SampleRow &row, const RowInfo &info);
// The header and every shown row (displayRows, oldest first).
QByteArray shownRowsCsv(const TrendData &data);

} // namespace readout
