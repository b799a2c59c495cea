#pragma once
// The Monitor file (.mon): a snapshot of the three grids that people can read too. Every grid row
// is one line of eight right-aligned 8-character fields; lines end in CR LF.

#include "monitor/MonitorLayout.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace monitor {

// What a Monitor file gives back to the window.
struct MonitorSnapshot {
    QString fileLabel;     // the snapshot's file name as line 1 names it, with the space after it
    QString formatCaption; // "Dec", "Hex", or empty when line 3 names neither
    bool formatKnown = false;
    // Per grid (in the order of kGrids), the cells of each row line from row 0 on, columns from 0 on.
    std::array<std::vector<QStringList>, kGrids.size()> rows;
};

// One grid row as a line: the eight cells right-aligned in 8-character fields (longer texts whole).
QString rowLine(const GridRow &row);

// The lines of a Monitor file for the bare file name and the caption of the format button.
QStringList formatMonitorLines(const QString &bareFileName, const QString &formatCaption, const MonitorGrids &grids);
QByteArray formatMonitorFile(const QString &bareFileName, const QString &formatCaption, const MonitorGrids &grids);

// The cells of a row line, each read back from its 8-character field. A field of spaces (an empty
// cell) gives no cell, so the text after it moves into its place.
QStringList splitRowCells(const QString &line);

// Reads a Monitor file's lines. Nothing when the file ends before its "END" line or before the
// empty line and heading that close each of the first two grids.
std::optional<MonitorSnapshot> parseMonitorFile(const QStringList &lines);

// Writes the snapshot's cells over the grids; cells the file does not reach keep their text.
void applySnapshotCells(MonitorGrids &grids, const MonitorSnapshot &snapshot);

} // namespace monitor
