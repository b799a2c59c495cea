#pragma once
// The Monitor window: live controller values next to their names in three grids, polled while
// released, saved to and opened from .mon files, printed as a picture of the window.

#include "catalogue/Workspace.h"
#include "link/Link.h"
#include "monitor/MonitorFileStore.h"
#include "monitor/MonitorLayout.h"
#include "monitor/MonitorPoll.h"

#include <chrono>
#include <memory>
#include <optional>
#include <vector>
#include <QColor>
#include <QWidget>

class MonitorRun;
class MonitorValues;
class QLabel;
class QPushButton;
class QTableWidget;

namespace monitor {
// The line state's colour, and the colour of values the last pass did not refresh. Kept out of the
// texts header, which the file code (QtCore only) includes too.
inline const QColor kLineStateColour(220, 0, 0);
inline const QColor kStaleColour(128, 128, 128);
} // namespace monitor

class MonitorWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 684;
    static constexpr int kClientHeight = 571;

    using Grid = monitor::Grid;
    static constexpr std::array<Grid, 3> kGrids = monitor::kGrids;

    explicit MonitorWindow(Workspace &ws, QWidget *parent = nullptr);
    ~MonitorWindow() override;

    void toggleNumberBase();
    // "Release" opens the port and polls until "Pause".
    void releaseOrPause();
    void printWindow();
    void saveMonitorFile();
    void openMonitorFile();

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

    QPushButton *releaseButton() const { return releaseButton_; }
    QPushButton *numberBaseButton() const { return numberBaseButton_; }
    QPushButton *openButton() const { return openButton_; }
    QPushButton *saveButton() const { return saveButton_; }
    QPushButton *printButton() const { return printButton_; }
    QLabel *runStatus() const { return runStatus_; }
    QLabel *fileName() const { return fileName_; }
    QLabel *lineStatistics() const { return lineStatistics_; }
    QLabel *lineState() const { return lineState_; }
    QTableWidget *gridView(Grid grid) const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    QTableWidget *createGrid(const char *name, int rows, int top, int height);
    QLabel *createLabel(const char *name, const QString &text, const QRect &geometry);
    QPushButton *createButton(const char *name, const QString &text, const QRect &geometry);
    void showRunState(bool running);
    void enableFileButtons(bool enabled);
    void showGrid(Grid grid);
    void showReleased();
    void beginRelease();
    void showPaused();
    void takeSection(const monitor::SectionResult &result);
    void stopForMissingPointers();
    void showStale(Grid grid, monitor::GridCursor from, monitor::GridCursor to, bool stale);
    void showLineState(const monitor::SectionResult &result);
    void showLineStatistics();

    Workspace &ws_;
    MonitorValues *values_ = nullptr;
    MonitorRun *run_ = nullptr;
    bool lineLost_ = false;
    MonitorFileStore fileStore_;
    QLabel *lineState_ = nullptr;
    QString lineEventText_;
    bool closed_ = false;
    std::chrono::steady_clock::time_point statsShown_{};

    QLabel *runStatus_ = nullptr;
    QLabel *fileName_ = nullptr;
    QLabel *lineStatistics_ = nullptr;
    QTableWidget *commandGrid_ = nullptr;
    QTableWidget *inputOutputGrid_ = nullptr;
    QTableWidget *blockOutputGrid_ = nullptr;
    QPushButton *releaseButton_ = nullptr;
    QPushButton *numberBaseButton_ = nullptr;
    QPushButton *openButton_ = nullptr;
    QPushButton *saveButton_ = nullptr;
    QPushButton *printButton_ = nullptr;
};
