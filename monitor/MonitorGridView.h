#pragma once
// The Monitor's three grids with their captions, one under the other: they show the names and
// values as MonitorValues holds them, and the values a failed pass left unrefreshed in grey.

#include "monitor/MonitorLayout.h"

#include <QColor>
#include <QWidget>
#include <array>

class QTableWidget;

namespace monitor {
// The colour of values the last pass did not refresh.
inline const QColor kStaleColour(128, 128, 128);
} // namespace monitor

class MonitorGridView : public QWidget {
    Q_OBJECT
public:
    // Takes its place on `window` under the file name.
    explicit MonitorGridView(QWidget *window);

    QTableWidget *table(monitor::Grid grid) const { return tables_[monitor::gridIndex(grid)]; }
    // Shows `cells` in the table of `grid`; only texts that differ are set.
    void showGrid(monitor::Grid grid, const monitor::MonitorGrid &cells);
    // Greys the value cells of `grid` from `from` up to `to` (a section's values), or shows them
    // in the text colour again.
    void showStale(monitor::Grid grid, monitor::GridCursor from, monitor::GridCursor to, bool stale);

private:
    QTableWidget *createTable(const char *name, int rows, int top, int height);

    std::array<QTableWidget *, monitor::kGrids.size()> tables_{};
};
