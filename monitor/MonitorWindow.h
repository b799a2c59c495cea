#pragma once
// The Monitor window: live controller values next to their names in three grids, polled while
// released, saved to and opened from .mon files, printed as a picture of the window. It wires its
// parts: the run polls, the values place what is read, the grid view shows them, the line status
// tells how the line goes, the file store opens and saves.

#include "program/Workspace.h"
#include "link/ExchangeStats.h"
#include "monitor/MonitorControls.h"
#include "monitor/MonitorFileStore.h"
#include "monitor/MonitorGridView.h"
#include "monitor/MonitorLayout.h"
#include "monitor/MonitorLineStatus.h"

#include <QWidget>
#include <array>

class MonitorRun;
class MonitorValues;
class QLabel;
class QPushButton;
class QTableWidget;

class MonitorWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 684;
    static constexpr int kClientHeight = 571;

    using Grid = monitor::Grid;
    static constexpr std::array<Grid, 3> kGrids = monitor::kGrids;

    explicit MonitorWindow(Workspace &ws, QWidget *parent = nullptr);
    ~MonitorWindow() override;

    // Handlers of the buttons. "Release" opens the port and polls until "Pause".
    void toggleNumberBase();
    void releaseOrPause();
    void printWindow();
    void saveMonitorFile();
    void openMonitorFile();

    // State.
    int dioCount() const;
    int superBlockOutputCount() const;
    const monitor::SectionTable &sections() const;
    const monitor::MonitorGrids &grids() const;
    // Released: from the port open through the pause after it and every pass, until "Pause".
    bool isPolling() const;
    // Passes whose every section was placed (for tests and benchmarks).
    quint64 passesCompleted() const;
    // The block reads of the current or last release, and the passes completed in it.
    const ExchangeStats &lineStats() const;
    quint64 releasePasses() const;

    // Controls, by role.
    QPushButton *releaseButton() const { return controls_.release; }
    QPushButton *numberBaseButton() const { return controls_.numberBase; }
    QPushButton *openButton() const { return controls_.open; }
    QPushButton *saveButton() const { return controls_.save; }
    QPushButton *printButton() const { return controls_.print; }
    QLabel *runStatus() const { return controls_.runStatus; }
    QLabel *fileName() const { return controls_.fileName; }
    QLabel *lineStatistics() const { return lineStatus_->figures(); }
    LineStateLabel *lineState() const { return lineStatus_->lineState(); }
    QTableWidget *gridView(Grid grid) const { return gridView_->table(grid); }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void connectParts();
    void showReleased();
    void showPaused();
    void stopForMissingPointers();

    Workspace &ws_;
    MonitorControls controls_;
    MonitorGridView *gridView_ = nullptr;
    MonitorValues *values_ = nullptr;
    MonitorRun *run_ = nullptr;
    MonitorLineStatus *lineStatus_ = nullptr;
    MonitorFileStore fileStore_;
    bool closed_ = false;
};
