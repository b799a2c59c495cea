#pragma once
// The Read-out window, opened from the graph menu: a tool window beside the Trend Graph with the
// rows and times of the cursors and a table of every selected channel's values at them and its
// figures between them. The texts come from ReadoutStatistics; the window only places them and
// copies them as tab-separated text (Ctrl+C or its context menu). "Engineering values" shows the
// word channels that have a scale in the user's Units.txt as raw x gain + offset with their unit;
// "Step response" gives the figures of a chosen word channel's step between the cursors.

#include "trend/readout/ReadoutStatistics.h"

#include <QRect>
#include <QWidget>
#include <optional>

class EngineeringControls;
class QAction;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
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
    // The table of a recording as the Trend Graph shows it (see recordingTableTexts), in
    // engineering values where they are asked for, and the chosen channel's step figures.
    void showRecording(const TrendData &data, bool running, int cursorAX, std::optional<int> cursorBX, bool hex);
    const readoutstatistics::ReadoutTable &table() const { return table_; }
    void copyTable();

    QLabel *header() const { return header_; }
    QTableWidget *grid() const { return grid_; }
    QAction *copyAction() const { return copyAction_; }
    EngineeringControls *engineering() const { return engineering_; }
    QCheckBox *engineeringValues() const;
    QLabel *unitsNote() const;
    QComboBox *stepChannel() const;
    QLabel *stepFigures() const { return stepFigures_; }
    // Where the units file is read from; the user's Units.txt unless a test says otherwise.
    void setUnitsPath(const QString &path);

signals:
    // The engineering values or the step channel or band changed: the table is wanted again.
    void optionsChanged();

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
    EngineeringControls *engineering_ = nullptr;
    QLabel *stepFigures_ = nullptr;
};
