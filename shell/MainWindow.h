#pragma once
// The main window: a small strip with the menu bar from which the other windows are opened. It
// decides which of the Trend Graph and the Monitor may be opened, and closing it ends the program.

#include "program/Workspace.h"
#include "trend/model/TrendData.h"

#include <QAction>
#include <QList>
#include <QMainWindow>
#include <QPointer>

class MonitorWindow;
class TrendGraphWindow;
class VariablesListWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(Workspace &ws, TrendData &trend, QWidget *parent = nullptr);
    // The windows it opened go with it.
    ~MainWindow() override;

    void exitProgram();
    void openPortSettings();
    // The Trend Graph and the Monitor exclude each other: each opens only while neither is open.
    void openTrendGraph();
    void openMonitor();
    void openVariablesList();
    // File > "Open recording...": a Recording window for the file chosen.
    void openRecording();
    // Help > About: the version, the program and data folders and the settings file.
    void showAbout();
    // A Recording window reading `path`; one per file.
    void showRecording(const QString &path);

    // Opens the Trend Graph as at start-up (whatever the menu items say).
    void showTrendGraph();

    QAction *exitAction() const { return exitAction_; }
    QAction *trendGraphAction() const { return trendGraphAction_; }
    QAction *monitorAction() const { return monitorAction_; }
    QAction *portSettingsAction() const { return portSettingsAction_; }
    QAction *openRecordingAction() const { return openRecordingAction_; }
    QAction *aboutAction() const { return aboutAction_; }

    // The latest window of each kind it opened, while it is open.
    TrendGraphWindow *trendGraphWindow() const;
    MonitorWindow *monitorWindow() const;
    VariablesListWindow *variablesListWindow() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Display > Trend Graph and Moniter follow the run state.
    void followSession(const SessionState &state);
    void showOpened(QWidget *window);
    template <typename Window>
    Window *latestOpened() const;
    // Closes every window it opened, each as it would close by itself.
    bool closeOpenedWindows();

    Workspace &ws_;
    TrendData &trend_;
    QAction *exitAction_ = nullptr;
    QAction *trendGraphAction_ = nullptr;
    QAction *monitorAction_ = nullptr;
    QAction *portSettingsAction_ = nullptr;
    QAction *openRecordingAction_ = nullptr;
    QAction *aboutAction_ = nullptr;
    QList<QPointer<QWidget>> openedWindows_;
};
