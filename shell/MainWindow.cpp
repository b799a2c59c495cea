#include "shell/MainWindow.h"

#include "base/WindowLook.h"
#include "catalogue/VariablesListWindow.h"
#include "monitor/MonitorWindow.h"
#include "shell/MainWindowTexts.h"
#include "shell/PortSettingsDialog.h"
#include "trend/TrendGraphWindow.h"

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
    exitAction_ = file->addAction(kExitItemCaption);
    QMenu *display = menuBar()->addMenu(kDisplayMenuCaption);
    display->setObjectName(QStringLiteral("displayMenu"));
    trendGraphAction_ = display->addAction(kTrendItemCaption);
    monitorAction_ = display->addAction(kMonitorItemCaption);
    display->setDefaultAction(monitorAction_); // shown bold as the menu's default item
    QMenu *system = menuBar()->addMenu(kSystemMenuCaption);
    system->setObjectName(QStringLiteral("systemMenu"));
    portSettingsAction_ = system->addAction(kCommPortItemCaption);

    exitAction_->setObjectName(QStringLiteral("exitAction"));
    trendGraphAction_->setObjectName(QStringLiteral("trendGraphAction"));
    monitorAction_->setObjectName(QStringLiteral("monitorAction"));
    portSettingsAction_->setObjectName(QStringLiteral("portSettingsAction"));

    connect(exitAction_, &QAction::triggered, this, &MainWindow::exitProgram);
    connect(trendGraphAction_, &QAction::triggered, this, &MainWindow::openTrendGraph);
    connect(monitorAction_, &QAction::triggered, this, &MainWindow::openMonitor);
    connect(portSettingsAction_, &QAction::triggered, this, &MainWindow::openPortSettings);

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

void MainWindow::showTrendGraph()
{
    auto *window = new TrendGraphWindow(ws_, trend_);
    window->show();
}

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
    auto *window = new MonitorWindow(ws_);
    window->show();
}

void MainWindow::openVariablesList()
{
    auto *window = new VariablesListWindow(ws_);
    window->show();
}

void MainWindow::followSession(const SessionState &state)
{
    // The Trend Graph and the Monitor exclude each other: while either is open, neither can be
    // opened.
    trendGraphAction_->setEnabled(displayWindowAllowed(state));
    monitorAction_->setEnabled(displayWindowAllowed(state));
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The other windows go with the main window; each closes as it would by itself, so the port
    // is freed and nothing is left polling.
    for (QWidget *window : {ws_.trendGraphWindow.data(), ws_.monitorWindow.data(), ws_.variablesListWindow.data()}) {
        if (window)
            window->close();
    }
    event->accept();
    QCoreApplication::quit();
}
