#include "shell/MainWindow.h"

#include "shell/About.h"

#include "base/WindowLook.h"
#include "catalogue/VariablesListWindow.h"
#include "monitor/MonitorWindow.h"
#include "recording/RecordingTexts.h"
#include "recording/RecordingWindow.h"
#include "shell/MainWindowTexts.h"
#include "shell/PortSettingsDialog.h"
#include "trend/window/TrendGraphWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLayout>
#include <QMenuBar>

MainWindow::MainWindow(Workspace &ws, TrendData &trend, QWidget *parent)
    : QMainWindow(parent), ws_(ws), trend_(trend)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(windowlook::courierNew(12));

    QMenu *file = menuBar()->addMenu(kFileMenuCaption);
    file->setObjectName(QStringLiteral("fileMenu"));
    openRecordingAction_ = file->addAction(kOpenRecordingItemCaption);
    exitAction_ = file->addAction(kExitItemCaption);
    QMenu *display = menuBar()->addMenu(kDisplayMenuCaption);
    display->setObjectName(QStringLiteral("displayMenu"));
    trendGraphAction_ = display->addAction(kTrendItemCaption);
    monitorAction_ = display->addAction(kMonitorItemCaption);
    display->setDefaultAction(monitorAction_); // shown bold as the menu's default item
    QMenu *system = menuBar()->addMenu(kSystemMenuCaption);
    system->setObjectName(QStringLiteral("systemMenu"));
    portSettingsAction_ = system->addAction(kCommPortItemCaption);
    QMenu *help = menuBar()->addMenu(kHelpMenuCaption);
    help->setObjectName(QStringLiteral("helpMenu"));
    aboutAction_ = help->addAction(kAboutItemCaption);
    aboutAction_->setObjectName(QStringLiteral("aboutAction"));
    // A greyed item says why when the pointer rests on it.
    display->setToolTipsVisible(true);

    exitAction_->setObjectName(QStringLiteral("exitAction"));
    trendGraphAction_->setObjectName(QStringLiteral("trendGraphAction"));
    monitorAction_->setObjectName(QStringLiteral("monitorAction"));
    portSettingsAction_->setObjectName(QStringLiteral("portSettingsAction"));
    openRecordingAction_->setObjectName(QStringLiteral("openRecordingAction"));

    connect(exitAction_, &QAction::triggered, this, &MainWindow::exitProgram);
    connect(trendGraphAction_, &QAction::triggered, this, &MainWindow::openTrendGraph);
    connect(monitorAction_, &QAction::triggered, this, &MainWindow::openMonitor);
    connect(portSettingsAction_, &QAction::triggered, this, &MainWindow::openPortSettings);
    connect(openRecordingAction_, &QAction::triggered, this, &MainWindow::openRecording);
    connect(aboutAction_, &QAction::triggered, this, &MainWindow::showAbout);
    openRecordingAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));

    auto *client = new QWidget(this);
    client->setFixedSize(343, 47);
    setCentralWidget(client);

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    move(2, 8);

    connect(&ws_.links, &WindowLinks::variablesListWanted, this, &MainWindow::openVariablesList);
    connect(&ws_.session, &Session::changed, this, &MainWindow::followSession);

    ws_.session.setWaitTime(WaitTime{});
    setWindowTitle(kProgramVersionCaption + QString::number(kProgramVersion, 'f', 2));
    followSession(ws_.session.state());
}

void MainWindow::exitProgram() { close(); }

void MainWindow::openPortSettings()
{
    PortSettingsDialog dialog(ws_, this);
    dialog.exec();
}

MainWindow::~MainWindow()
{
    closeOpenedWindows();
    for (const QPointer<QWidget> &window : std::as_const(openedWindows_))
        delete window.data();
}

void MainWindow::showOpened(QWidget *window)
{
    openedWindows_.removeAll(nullptr);
    openedWindows_ << window;
    window->show();
}

template <typename Window>
Window *MainWindow::latestOpened() const
{
    for (auto it = openedWindows_.crbegin(); it != openedWindows_.crend(); ++it) {
        if (auto *window = qobject_cast<Window *>(it->data()))
            return window;
    }
    return nullptr;
}

TrendGraphWindow *MainWindow::trendGraphWindow() const { return latestOpened<TrendGraphWindow>(); }
MonitorWindow *MainWindow::monitorWindow() const { return latestOpened<MonitorWindow>(); }
VariablesListWindow *MainWindow::variablesListWindow() const { return latestOpened<VariablesListWindow>(); }

bool MainWindow::closeOpenedWindows()
{
    // A copy: a window that closes may go from the list meanwhile.
    const QList<QPointer<QWidget>> windows = openedWindows_;
    // Every question is answered before any window closes: a window closed before another's
    // Cancel would stay closed.
    QList<QPointer<TrendGraphWindow>> answered;
    for (const QPointer<QWidget> &window : windows) {
        auto *trend = qobject_cast<TrendGraphWindow *>(window.data());
        if (!trend)
            continue;
        if (!trend->askBeforeClosing()) {
            for (const QPointer<TrendGraphWindow> &kept : std::as_const(answered)) {
                if (kept)
                    kept->forgetCloseAnswer();
            }
            return false;
        }
        answered << trend;
    }
    for (const QPointer<QWidget> &window : windows) {
        // A window whose user chose to keep it (Cancel on its question) keeps the program open.
        if (window && !window->close())
            return false;
    }
    return true;
}

void MainWindow::showTrendGraph() { showOpened(new TrendGraphWindow(ws_, trend_)); }

void MainWindow::openTrendGraph()
{
    if (!displayWindowAllowed(ws_.session.state()))
        return;
    showTrendGraph();
}

void MainWindow::openMonitor()
{
    if (!displayWindowAllowed(ws_.session.state()))
        return;
    showOpened(new MonitorWindow(ws_));
}

void MainWindow::openVariablesList()
{
    showOpened(new VariablesListWindow(ws_));
}

void MainWindow::openRecording()
{
    const QString path = ws_.dialogs.askOpenFile(kRecordingFileFilter);
    if (!path.isEmpty())
        showRecording(path);
}

void MainWindow::showRecording(const QString &path)
{
    showOpened(new recording::RecordingWindow(ws_.dialogs, path));
}

void MainWindow::followSession(const SessionState &state)
{
    // The Trend Graph and the Monitor exclude each other: while either is open, neither can be
    // opened.
    trendGraphAction_->setEnabled(displayWindowAllowed(state));
    monitorAction_->setEnabled(displayWindowAllowed(state));
    const QString why = state.trendGraphOpen ? kTrendGraphOpenTip : state.monitorOpen ? kMonitorOpenTip : QString();
    // An empty tip gives the item's caption back as its tip.
    trendGraphAction_->setToolTip(why);
    monitorAction_->setToolTip(why);
}

void MainWindow::showAbout() { ws_.dialogs.showMessage(about::title(), about::detail()); }

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The other windows go with the main window; each closes as it would by itself, so the port
    // is freed and nothing is left polling.
    if (!closeOpenedWindows()) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}
