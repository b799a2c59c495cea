#include "monitor/MonitorFile.h"

#include "base/TextFile.h"
#include "monitor/MonitorTexts.h"

namespace monitor {

namespace {

constexpr int kFieldWidth = 8;

// A grid's part of the file ends at its first row without a name in column 0.
void appendGridRows(QStringList &lines, const MonitorGrid &grid)
{
    for (int r = 0; r < grid.rowCount() && !grid.cell(r, 0).isEmpty(); ++r)
        lines.append(rowLine(grid.row(r)));
}

QString fileLabelOf(const QString &firstLine)
{
    const QString rest = firstLine.mid(firstLine.indexOf(QLatin1Char(':')) + 1);
    const qsizetype space = rest.indexOf(QLatin1Char(' '));
    return space < 0 ? rest : rest.left(space + 1);
}

// Reads row lines from `index` up to the line equal to `terminator`, leaving `index` on it.
// False when the lines run out first.
bool readRowsUntil(const QStringList &lines, qsizetype &index, const QString &terminator,
                   std::vector<QStringList> &rows)
{
    for (; index < lines.size(); ++index) {
        if (lines[index] == terminator)
            return true;
        rows.push_back(splitRowCells(lines[index]));
    }
    return false;
}

} // namespace

QString rowLine(const GridRow &row)
{
    QString line;
    for (const QString &cell : row)
        line += cell.rightJustified(kFieldWidth, QLatin1Char(' '));
    return line;
}

QStringList formatMonitorLines(const QString &bareFileName, const QString &formatCaption, const MonitorGrids &grids)
{
    QStringList lines;
    lines << kFileTitleStart + bareFileName + kFileTitleEnd << QString()
          << kFileFormatLineStart + formatCaption << kCommandGridHeading;
    appendGridRows(lines, grids.commands);
    lines << QString() << kInputOutputGridHeading;
    appendGridRows(lines, grids.inputsAndOutputs);
    lines << QString() << kBlockOutputGridHeading;
    appendGridRows(lines, grids.blockOutputs);
    lines << kFileEndLine;
    return lines;
}

QByteArray formatMonitorFile(const QString &bareFileName, const QString &formatCaption, const MonitorGrids &grids)
{
    return textfile::joinLinesCrLf(formatMonitorLines(bareFileName, formatCaption, grids));
}

QStringList splitRowCells(const QString &line)
{
    QStringList cells;
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n) {
        // The counter is the position inside the current field: a whole field of spaces is an
        // empty cell and starts the count again.
        int counter = 0;
        while (i < n && line[i] == QLatin1Char(' ')) {
            ++i;
            counter = (counter + 1) % kFieldWidth;
        }
        if (i >= n)
            break;
        const qsizetype begin = i;
        while (i < n && line[i] != QLatin1Char(' ') && counter < kFieldWidth) {
            ++i;
            ++counter;
        }
        cells.append(line.mid(begin, i - begin));
    }
    return cells;
}

std::optional<MonitorSnapshot> parseMonitorFile(const QStringList &lines)
{
    constexpr qsizetype kFirstRowLine = 4;
    if (lines.size() <= kFirstRowLine)
        return std::nullopt;

    MonitorSnapshot snapshot;
    snapshot.fileLabel = fileLabelOf(lines[0]);
    const QString &formatLine = lines[2];
    if (formatLine.contains(kDec))
        snapshot.formatCaption = kDec;
    else if (formatLine.contains(kHex))
        snapshot.formatCaption = kHex;
    snapshot.formatKnown = !snapshot.formatCaption.isEmpty();

    qsizetype index = kFirstRowLine;
    for (const Grid grid : {Grid::Commands, Grid::InputsAndOutputs}) {
        if (!readRowsUntil(lines, index, QString(), snapshot.rows[gridIndex(grid)]))
            return std::nullopt;
        index += 2; // the empty line and the next grid's heading
        if (index > lines.size())
            return std::nullopt;
    }
    if (!readRowsUntil(lines, index, kFileEndLine, snapshot.rows[gridIndex(Grid::BlockOutputs)]))
        return std::nullopt;
    return snapshot;
}

void applySnapshotCells(MonitorGrids &grids, const MonitorSnapshot &snapshot)
{
    for (const Grid which : kGrids) {
        MonitorGrid &grid = grids.grid(which);
        const auto &rows = snapshot.rows[gridIndex(which)];
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (qsizetype c = 0; c < rows[r].size(); ++c)
                grid.setCell(static_cast<int>(r), static_cast<int>(c), rows[r][c]);
        }
    }
}

} // namespace monitor
