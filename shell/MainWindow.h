#pragma once
// The main window: a small strip with the menu bar from which the other windows are opened. It
// decides which of the Trend Graph and the Monitor may be opened, and closing it ends the program.

#include "program/Workspace.h"
#include "trend/TrendData.h"

#include <QAction>
#include <QMainWindow>

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(Workspace &ws, TrendData &trend, QWidget *parent = nullptr);

    void exitProgram();
    void openPortSettings();
    // The Trend Graph and the Monitor exclude each other: each opens only while neither is open.
    void openTrendGraph();
    void openMonitor();
    void openVariablesList();

    // Opens the Trend Graph as at start-up (whatever the menu items say).
    void showTrendGraph();

    QAction *exitAction() const { return exitAction_; }
    QAction *trendGraphAction() const { return trendGraphAction_; }
    QAction *monitorAction() const { return monitorAction_; }
    QAction *portSettingsAction() const { return portSettingsAction_; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Display > Trend Graph and Moniter follow the run state.
    void followSession(const SessionState &state);

    Workspace &ws_;
    TrendData &trend_;
    QAction *exitAction_ = nullptr;
    QAction *trendGraphAction_ = nullptr;
    QAction *monitorAction_ = nullptr;
    QAction *portSettingsAction_ = nullptr;
};
