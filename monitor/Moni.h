#pragma once
// The Monitor window: live controller values next to their names in three grids, polled while
// released, saved to and opened from .mon files, printed as a picture of the window.

#include "catalogue/Workspace.h"
#include "link/Link.h"
#include "monitor/MonitorLayout.h"

#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;

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
    void AppIdle();      // one polling pass
    void FormClose();
    void Button3Click(); // Print
    void Button4Click(); // Save
    void Button5Click(); // Open

    int DioCount() const { return dioCount_; }
    int SuperBlockOutputCount() const { return superBlockOutputCount_; }
    const monitor::SectionTable &sections() const { return sections_; }
    const monitor::MonitorGrids &grids() const { return grids_; }
    // A pass is armed or running: the window is released.
    bool isPolling() const;

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
    void startPolling();
    void stopPolling();

    Workspace &ws_;
    monitor::MonitorGrids grids_;
    monitor::SectionTable sections_{};
    int dioCount_ = 0;
    int superBlockOutputCount_ = 0;
    ReadBuffer readBuffer_;
    QTimer pollTimer_;
    bool inReleaseWait_ = false;
    bool inPass_ = false;
    bool closed_ = false;

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
