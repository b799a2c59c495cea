#include "monitor/MonitorGridView.h"

#include "monitor/MonitorTexts.h"

#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QTableWidget>

using namespace monitor;

namespace {

// Where the view begins on the window: the left edge of the grids, the top of the first caption.
constexpr QPoint kOrigin(8, 54);
constexpr int kColumnWidth = 75;
constexpr int kRowHeight = 15;
// The block outputs scroll; the two fixed grids show all their rows.
constexpr int kBlockOutputRowsShown = 7;

QLabel *createCaption(QWidget *view, const char *name, const QString &text, int top, int width)
{
    auto *caption = new QLabel(text, view);
    caption->setObjectName(QLatin1String(name));
    caption->setGeometry(0, top, width, 15);
    return caption;
}

} // namespace

MonitorGridView::MonitorGridView(QWidget *window) : QWidget(window)
{
    setObjectName(QStringLiteral("gridView"));
    // The places below are the window's less the view's origin.
    createCaption(this, "commandGridCaption", kCommandGridCaption, 0, 300);
    QTableWidget *commands = createTable("commandGrid", kCommandRows, 16, kCommandRows * kRowHeight + 2);
    createCaption(this, "inputOutputGridCaption", kInputOutputGridCaption, 157, 350);
    QTableWidget *inputsAndOutputs =
        createTable("inputOutputGrid", kInputOutputRows, 173, kInputOutputRows * kRowHeight + 2);
    createCaption(this, "blockOutputGridCaption", kBlockOutputGridCaption, 389, 300);
    QTableWidget *blockOutputs =
        createTable("blockOutputGrid", kBlockOutputRows, 405, kBlockOutputRowsShown * kRowHeight + 2);
    tables_[gridIndex(Grid::Commands)] = commands;
    tables_[gridIndex(Grid::InputsAndOutputs)] = inputsAndOutputs;
    tables_[gridIndex(Grid::BlockOutputs)] = blockOutputs;
    QRect area;
    for (const QWidget *child : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        area |= child->geometry();
    setGeometry(QRect(kOrigin, area.size()));
}

QTableWidget *MonitorGridView::createTable(const char *name, int rows, int top, int height)
{
    auto *table = new QTableWidget(rows, kGridColumns, this);
    table->setObjectName(QLatin1String(name));
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->horizontalHeader()->setMinimumSectionSize(1);
    table->verticalHeader()->setMinimumSectionSize(1);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
    table->verticalHeader()->setDefaultSectionSize(kRowHeight);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setWordWrap(false);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < kGridColumns; ++c)
            table->setItem(r, c, new QTableWidgetItem);
    }
    const int frame = 2 * table->frameWidth();
    const int scrollBar = table->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, table);
    table->setGeometry(0, top, kGridColumns * kColumnWidth + scrollBar + frame, height);
    return table;
}

void MonitorGridView::showGrid(Grid grid, const MonitorGrid &cells)
{
    QTableWidget *view = table(grid);
    for (int r = 0; r < cells.rowCount(); ++r) {
        for (int c = 0; c < kGridColumns; ++c) {
            QTableWidgetItem *item = view->item(r, c);
            const QString &text = cells.row(r)[static_cast<std::size_t>(c)];
            if (item->text() != text)
                item->setText(text);
        }
    }
}

void MonitorGridView::showStale(Grid grid, GridCursor from, GridCursor to, bool stale)
{
    // The value cells a section writes: every odd column from where it began to where it ended.
    QTableWidget *view = table(grid);
    const QBrush text = stale ? QBrush(kStaleColour) : QBrush();
    for (int row = from.row; row <= to.row && row < view->rowCount(); ++row) {
        for (int column = 1; column < kGridColumns; column += 2) {
            if ((row == from.row && column < from.column) || (row == to.row && column >= to.column))
                continue;
            if (QTableWidgetItem *item = view->item(row, column))
                item->setForeground(text);
        }
    }
}
