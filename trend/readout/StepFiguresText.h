#pragma once
// The step-response figures of one word channel between the Read-out window's cursors, as the
// lines the window shows and copies: the initial and final values, the step, the dead time, the
// rise time from 10 % to 90 %, the overshoot and the settling time, each with the rows it comes
// from. Rows of a run give seconds; rows opened from a .trd have no times, so their durations are
// given in rows.

#include "engineering/UnitsTable.h"
#include "trend/model/TrendData.h"

#include <QStringList>
#include <vector>

namespace stepfigurestext {

// The rows of one channel between two cursors, as any window has them.
struct Span {
    QString name;                // the channel as the heading names it
    std::vector<double> seconds; // each row's time (or its number, when `timed` is false)
    std::vector<double> values;  // already in engineering values where they are shown so
    std::vector<char> failed;    // nonzero: the read failed
    bool timed = true;
    long long firstRow = 0;      // the number the window gives the span's first row
    QString unit;
};

// The lines of a span's figures: a heading, then the figures or "no step".
QStringList figuresLines(const Span &span, double bandPercent);

// The figures of `channel` over the display rows `first` to `last` (both included, either order),
// failed reads left out; values scaled by `scale` when there is one. A span with no step says so.
QStringList figuresLines(const TrendData &data, int channel, int first, int last, const UnitScale *scale,
                         double bandPercent);

} // namespace stepfigurestext
