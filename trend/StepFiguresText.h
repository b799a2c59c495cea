#pragma once
// The step-response figures of one word channel between the Read-out window's cursors, as the
// lines the window shows and copies: the initial and final values, the step, the dead time, the
// rise time from 10 % to 90 %, the overshoot and the settling time, each with the rows it comes
// from. Rows of a run give seconds; rows opened from a .trd have no times, so their durations are
// given in rows.

#include "engineering/UnitsTable.h"
#include "trend/TrendData.h"

#include <QStringList>

namespace stepfigurestext {

// The figures of `channel` over the display rows `first` to `last` (both included, either order),
// failed reads left out; values scaled by `scale` when there is one. A span with no step says so.
QStringList figuresLines(const TrendData &data, int channel, int first, int last, const UnitScale *scale,
                         double bandPercent);

} // namespace stepfigurestext
