#pragma once
// The Read-out window, opened from the graph menu: a tool window beside the Trend Graph with the
// rows and times of the cursors and a table of every selected channel's values at them and its
// figures between them. The texts come from ReadoutStatistics; the window only places them and
// copies them as tab-separated text (Ctrl+C or its context menu).

#include "trend/ReadoutStatistics.h"

#include <QRect>
#include <QWidget>
#include <optional>

class QAction;
class QLabel;
class QTableWidget;

class ReadoutWindow : public QWidget {
    Q_OBJECT
public:
    // `place` is where the window stood when last seen in this program run; it is kept up to date
    // and must outlive the window. Without one the window opens beside `trendGraph`.
    ReadoutWindow(std::optional<QRect> &place, QWidget *trendGraph);

    // Shows the window where it belongs and brings it forward.
    void open();
    void showTable(const readoutstatistics::ReadoutTable &table);
    const readoutstatistics::ReadoutTable &table() const { return table_; }
    void copyTable();

    QLabel *header() const { return header_; }
    QTableWidget *grid() const { return grid_; }
    QAction *copyAction() const { return copyAction_; }

protected:
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void keepPlace();
    QRect placeBesideTrendGraph() const;

    std::optional<QRect> &place_;
    QWidget *trendGraph_;
    readoutstatistics::ReadoutTable table_;
    QLabel *header_ = nullptr;
    QTableWidget *grid_ = nullptr;
    QAction *copyAction_ = nullptr;
};
