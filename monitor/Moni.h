#pragma once
// The Monitor window: live controller values next to their names in three grids, polled while
// released, saved to and opened from .mon files, printed as a picture of the window.

#include "catalogue/Workspace.h"
#include "link/Link.h"
#include "monitor/MonitorLayout.h"
#include "monitor/MonitorPoll.h"

#include <chrono>
#include <memory>
#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;
class PortPause;

class TMoniForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 684;
    static constexpr int kClientHeight = 571;
    static constexpr std::size_t kReadBufferSize = 30000;

    explicit TMoniForm(Workspace &ws, QWidget *parent = nullptr);
    ~TMoniForm() override;

    void FormCreate();
    void Button1Click(); // Dec / Hex
    void Button2Click(); // Release / Pause
    // A section read by the link thread: its values placed in its grid, or the end of a pass.
    void TakeSection(const std::shared_ptr<LinkTask> &task, const monitor::SectionResult &result);
    void FormClose();
    void Button3Click(); // Print
    void Button4Click(); // Save
    void Button5Click(); // Open

    int DioCount() const { return dioCount_; }
    int SuperBlockOutputCount() const { return superBlockOutputCount_; }
    const monitor::SectionTable &sections() const { return sections_; }
    const monitor::MonitorGrids &grids() const { return grids_; }
    // Released: from the port open through the pause after it and every pass, until "Pause".
    bool isPolling() const { return released_; }
    // "Dec", "Hex", or the format of an opened file that is neither, as Button1 shows it.
    const QString &valueFormat() const { return valueFormat_; }
    // Passes whose every section was placed (for tests and benchmarks).
    quint64 passesCompleted() const { return passesCompleted_; }
    // The block reads of the current or last release, and the passes completed in it.
    const ExchangeStats &lineStats() const { return lineStats_; }
    quint64 releasePasses() const { return releasePasses_; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    QTableWidget *createGrid(const char *name, int rows, int top, int height);
    QLabel *createLabel(const char *name, const QString &text, const QRect &geometry);
    QPushButton *createButton(const char *name, const QString &text, const QRect &geometry);
    void showRunState(bool running);
    void enableFileButtons(bool enabled);
    void showGrid(int index);
    void showAllGrids();
    void PortOpened(bool opened);
    void startPolling();
    void stopPolling();
    void showValueFormat(const QString &format);
    void showLineStatistics();

    Workspace &ws_;
    monitor::MonitorGrids grids_;
    monitor::SectionTable sections_{};
    int dioCount_ = 0;
    int superBlockOutputCount_ = 0;
    PortPause *portPause_ = nullptr;
    std::shared_ptr<LinkTask> task_; // the passes while released
    std::array<monitor::GridCursor, 3> passCursors_{};
    bool passDecimal_ = true; // the format the pass on the grids began with
    QString valueFormat_;
    bool opening_ = false;  // the port open is on its way
    bool released_ = false;
    bool closed_ = false;
    quint64 passesCompleted_ = 0;
    ExchangeStats lineStats_;
    quint64 releasePasses_ = 0;
    std::chrono::steady_clock::time_point releaseStarted_{};
    std::chrono::steady_clock::time_point lastSection_{};
    std::chrono::steady_clock::time_point statsShown_{};
    QLabel *LineStatistics = nullptr;

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label9 = nullptr;
    QLabel *Label11 = nullptr;
    QLabel *Label12 = nullptr;
    QLabel *Label13 = nullptr;
    QTableWidget *StringGrid1 = nullptr;
    QTableWidget *StringGrid2 = nullptr;
    QTableWidget *StringGrid3 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *Button3 = nullptr;
    QPushButton *Button4 = nullptr;
    QPushButton *Button5 = nullptr;
};
