// The application shell driven through its real windows, offscreen: start-up, who may be open
// when, and the port settings dialog with an isolated configuration store.

#include "catalogue/BlockTypeTable.h"
#include "catalogue/VariablesListWindow.h"
#include "link/Settings.h"
#include "link/UucpLock.h"
#include "monitor/MonitorWindow.h"
#include "shell/MainWindow.h"
#include "shell/PortSettingsDialog.h"
#include "shell/Program.h"
#include "shell/StopSignals.h"
#include "shell/WidgetDialogs.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/TrendGraphWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <csignal>

class TestShell : public QObject {
    Q_OBJECT

    static void settle()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

private slots:
    void initTestCase() { testenv::prepare(); }

    // SIGTERM and SIGHUP reach the program's thread as a request to end, in order; the program
    // then closes its main window as a user would. Without the handler they would kill it.
    void stopSignalsBecomeRequests()
    {
        StopSignals stopSignals;
        QSignalSpy requests(&stopSignals, &StopSignals::stopRequested);
        ::raise(SIGHUP);
        ::raise(SIGTERM);
        QTRY_COMPARE(requests.count(), 2);
        QCOMPARE(requests.at(0).at(0).toInt(), SIGHUP);
        QCOMPARE(requests.at(1).at(0).toInt(), SIGTERM);
    }

    // A stop signal while a message box waits for its OK (the box after a refused port, say):
    // the box is cancelled, the handler that opened it runs on without showing another, and the
    // program's windows close; nothing waits for a user who has logged out.
    void stopSignalWithAMessageBoxOpen()
    {
        WidgetDialogs dialogs;
        Program program(dialogs);
        program.start();
        settle();
        StopSignals stopSignals;
        connect(&stopSignals, &StopSignals::stopRequested, this, [&program] { program.end(); });
        bool boxReturned = false;
        bool secondReturned = false;
        QTimer::singleShot(0, this, [&] {
            dialogs.showMessage(QStringLiteral("Communication Error"));
            boxReturned = true;
            dialogs.showMessage(QStringLiteral("a second box, after the program was told to end"));
            secondReturned = true;
        });
        QTimer::singleShot(300, this, [] { ::raise(SIGTERM); });
        // Should the box stay, it is closed after a while so the test fails instead of hanging.
        QTimer::singleShot(8000, this, [] {
            if (QWidget *box = QApplication::activeModalWidget())
                box->close();
        });
        QTRY_VERIFY_WITH_TIMEOUT(boxReturned, 5000);
        QVERIFY(secondReturned);
        QTRY_VERIFY_WITH_TIMEOUT(!program.mainWindow || !program.mainWindow->isVisible(), 3000);
        // The main window took the others with it.
        for (const QWidget *window : QApplication::topLevelWidgets())
            QVERIFY(!window->isVisible() || !(qobject_cast<const TrendGraphWindow *>(window) ||
                                              qobject_cast<const VariablesListWindow *>(window)));
        settle();
    }

    // A stop signal ends the program, as its main() runs it, within a second or two whatever is
    // open or pending: the refused-port box of a Data Read (the read, its pause and the Variables
    // List's close still waiting on it), or the question over a run's unsaved rows opened by
    // File > Exit (a question that cannot be asked answers Discard).
    void stopSignalEndsTheProgram_data()
    {
        QTest::addColumn<QString>("pending");
        QTest::newRow("refused-port box of a Data Read") << QStringLiteral("data read");
        QTest::newRow("question over unsaved rows at Exit") << QStringLiteral("unsaved rows");
    }
    void stopSignalEndsTheProgram()
    {
        QFETCH(QString, pending);
        SimulatedPort port;
        QVERIFY2(port.start(QStringLiteral("COM1")), qPrintable(port.error()));
        port.simulator().setLiveDemo(false);
        // Another process holds the device: a lock file of process 1, which always runs.
        const QString lockFile = QString::fromStdString(lockDirectory()) + QStringLiteral("/LCK..") +
                                 QFileInfo(QFileInfo(port.devicePath()).canonicalFilePath()).fileName();
        if (pending == QLatin1String("data read")) {
            QFile file(lockFile);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("         1\n");
        }

        WidgetDialogs dialogs;
        Program program(dialogs);
        program.start();
        settle();
        StopSignals stopSignals;
        connect(&stopSignals, &StopSignals::stopRequested, this, [&program] { program.end(); });
        QPointer<MainWindow> main = program.mainWindow;
        QPointer<TrendGraphWindow> trend = main->trendGraphWindow();
        QPointer<VariablesListWindow> list = main->variablesListWindow();
        QVERIFY(trend && list);

        if (pending == QLatin1String("data read")) {
            list->dataReadButton()->click();
        } else {
            program.ws.session.setCatalogueDecoded(true);
            for (int c = 0; c < kChannels; ++c)
                trend->table().row(c).selected->setChecked(c == 0);
            trend->table().setAddressKind(0, AddressKind::Address);
            trend->table().row(0).name->setText(QStringLiteral("600E00"));
            trend->table().row(0).scale->setText(QStringLiteral("2000"));
            trend->toggleRun();
            QTRY_VERIFY_WITH_TIMEOUT(trend->runActive() && trend->passesStored() >= 2, 8000);
            trend->toggleRun();
            QTimer::singleShot(0, main, [main] { main->exitAction()->trigger(); });
        }
        // The signal comes once the box is up; should the program stay, the stand-in for its main
        // loop gives up after 6 s (and the boxes left are closed) so the test fails, not hangs.
        QElapsedTimer sinceSignal;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (!sinceSignal.isValid() && QApplication::activeModalWidget()) {
                sinceSignal.start();
                ::raise(SIGTERM);
            }
        });
        poll.start(20);
        QTimer giveUp;
        giveUp.setSingleShot(true);
        connect(&giveUp, &QTimer::timeout, this, [] {
            while (QWidget *box = QApplication::activeModalWidget())
                box->close();
            QCoreApplication::exit(1);
        });
        giveUp.start(6000);
        // The program's event loop, as its main() runs it.
        const int exitCode = QApplication::exec();
        giveUp.stop();
        poll.stop();
        QFile::remove(lockFile);
        QVERIFY2(sinceSignal.isValid(), "no box came up");
        QCOMPARE(exitCode, 0);
        qInfo("ended %lld ms after the signal", sinceSignal.elapsed());
        QVERIFY2(sinceSignal.elapsed() < 2500, qPrintable(QString::number(sinceSignal.elapsed())));
        settle();
    }

    // Who holds the line and whether a catalogue is decoded decide, in one place, what the
    // windows let the user press: RUN/STOP, Data Read, and Display > Trend Graph / Moniter.
    void runStateDecidesTheButtons_data()
    {
        QTest::addColumn<int>("holder");
        QTest::addColumn<bool>("decoded");
        QTest::addColumn<bool>("run");
        QTest::addColumn<bool>("dataRead");
        QTest::newRow("nobody, decoded") << int(LineHolder::None) << true << true << true;
        QTest::newRow("nobody, nothing decoded") << int(LineHolder::None) << false << false << true;
        QTest::newRow("trend run") << int(LineHolder::TrendRun) << true << true << false;
        QTest::newRow("Data Read") << int(LineHolder::DataRead) << true << false << true;
        QTest::newRow("Data Read, nothing decoded yet") << int(LineHolder::DataRead) << false << false << true;
        QTest::newRow("Monitor poll") << int(LineHolder::MonitorPoll) << true << true << true;
    }
    void runStateDecidesTheButtons()
    {
        QFETCH(int, holder);
        QFETCH(bool, decoded);
        QFETCH(bool, run);
        QFETCH(bool, dataRead);
        ScriptedDialogs dialogs;
        Program program(dialogs);
        program.start();
        settle();
        auto *trend = program.mainWindow->trendGraphWindow();
        auto *list = program.mainWindow->variablesListWindow();
        QVERIFY(trend && list);
        Session &session = program.ws.session;
        session.setCatalogueDecoded(decoded);
        session.takeLine(static_cast<LineHolder>(holder));
        QCOMPARE(trend->runButton()->isEnabled(), run);
        QCOMPARE(list->dataReadButton()->isEnabled(), dataRead);
        // The Trend Graph is open: neither display window can be opened, whoever holds the line.
        QVERIFY(!program.mainWindow->trendGraphAction()->isEnabled());
        QVERIFY(!program.mainWindow->monitorAction()->isEnabled());
        // Given back, the line is free again; a release by another holder changes nothing.
        session.releaseLine(holder == int(LineHolder::DataRead) ? LineHolder::TrendRun : LineHolder::DataRead);
        QCOMPARE(list->dataReadButton()->isEnabled(), dataRead);
        session.releaseLine(static_cast<LineHolder>(holder));
        QCOMPARE(trend->runButton()->isEnabled(), decoded);
        QVERIFY(list->dataReadButton()->isEnabled());
        trend->close();
        settle();
        QVERIFY(program.mainWindow->trendGraphAction()->isEnabled());
        QVERIFY(program.mainWindow->monitorAction()->isEnabled());
        session.setMonitorOpen(true);
        QVERIFY(!program.mainWindow->trendGraphAction()->isEnabled());
        session.setMonitorOpen(false);
    }

    void startUpOpensThreeWindows()
    {
        ScriptedDialogs dialogs;
        Program program(dialogs);
        program.start();
        settle();

        MainWindow *main = program.mainWindow;
        QVERIFY(main && main->isVisible());
        QCOMPARE(main->windowTitle(), QStringLiteral("QMX Series Trend Monitor Version 2.50"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Trend Monitor"));
        QCOMPARE(main->centralWidget()->size(), QSize(343, 47));
        QCOMPARE(main->pos(), QPoint(2, 8));
        QVERIFY(program.mainWindow->trendGraphWindow() && program.mainWindow->trendGraphWindow()->isVisible());
        QVERIFY(program.mainWindow->variablesListWindow() && program.mainWindow->variablesListWindow()->isVisible());
        QVERIFY(!program.mainWindow->monitorWindow());
        // Windows of a fixed size offer no maximise button: it would do nothing.
        for (const QWidget *window : {static_cast<QWidget *>(main), static_cast<QWidget *>(program.mainWindow->trendGraphWindow()),
                                      static_cast<QWidget *>(program.mainWindow->variablesListWindow())}) {
            QVERIFY2(window->windowFlags() & Qt::CustomizeWindowHint, qPrintable(window->windowTitle()));
            QVERIFY2(!(window->windowFlags() & Qt::WindowMaximizeButtonHint), qPrintable(window->windowTitle()));
        }
        QVERIFY(program.ws.session.state().trendGraphOpen);
        QVERIFY(program.ws.session.state().variablesListOpen);
        QVERIFY(!main->trendGraphAction()->isEnabled());
        QVERIFY(!main->monitorAction()->isEnabled());
        QVERIFY(main->exitAction()->isEnabled() && main->portSettingsAction()->isEnabled());
        QCOMPARE(main->trendGraphAction()->text(), QStringLiteral("Trend(&T)"));
        QCOMPARE(main->exitAction()->text(), QStringLiteral("Exit(&X)"));
        QCOMPARE(main->portSettingsAction()->text(), QStringLiteral("CommPort(&C)"));
        QStringList menus;
        for (QAction *menu : main->menuBar()->actions())
            menus.append(menu->text());
        // Help beside the product's three menus.
        QCOMPARE(menus, (QStringList{"File(&F)", "Display(&D)", "System(&S)", "Help(&H)"}));
        // Every item of a menu is shown: nothing is kept in a menu hidden.
        QStringList items;
        for (QAction *menu : main->menuBar()->actions()) {
            for (QAction *item : menu->menu()->actions()) {
                QVERIFY2(item->isVisible(), qPrintable(item->text()));
                items.append(item->text());
            }
        }
        QCOMPARE(items, (QStringList{"Open recording...", "Exit(&X)", "Trend(&T)", "Moniter", "CommPort(&C)", "About(&A)..."}));
        auto *display = qobject_cast<QMenu *>(main->monitorAction()->parent());
        QVERIFY(display);
        QCOMPARE(display->defaultAction(), main->monitorAction());
        QCOMPARE(main->monitorAction()->text(), QStringLiteral("Moniter"));
        QCOMPARE(program.ws.session.state().waitTime.typed, QStringLiteral("0"));

        // The parameter words per function-block type, as the super-block decoding counts them.
        const auto counts = blockWordCounts();
        QCOMPARE(int(counts.size()), 65);
        const int head[] = {0, 8, 18, 3, 2, 7, 3, 1, 3, 30, 5, 2, 2, 8, 2, 3, 4, 11, 7, 10,
                            4, 32, 2, 11, 8, 3, 2, 2, 2, 11, 7, 2, 1, 1, 3, 2, 2, 1};
        for (int i = 0; i < 65; ++i)
            QCOMPARE(counts[std::size_t(i)], i < 38 ? head[i] : 0);
    }

    void trendAndMonitorExcludeEachOther()
    {
        ScriptedDialogs dialogs;
        Program program(dialogs);
        program.start();
        settle();
        MainWindow *main = program.mainWindow;

        // Both items disabled while the Trend Graph is open: the handlers do nothing.
        main->openMonitor();
        main->openTrendGraph();
        settle();
        QVERIFY(!program.mainWindow->monitorWindow());

        program.mainWindow->trendGraphWindow()->close();
        settle();
        QVERIFY(!program.mainWindow->trendGraphWindow());
        QVERIFY(!program.ws.session.state().trendGraphOpen);
        QVERIFY(main->trendGraphAction()->isEnabled() && main->monitorAction()->isEnabled());

        main->monitorAction()->trigger();
        settle();
        QVERIFY(program.mainWindow->monitorWindow() && program.mainWindow->monitorWindow()->isVisible());
        QVERIFY(!main->trendGraphAction()->isEnabled() && !main->monitorAction()->isEnabled());
        main->openTrendGraph();
        settle();
        QVERIFY(!program.mainWindow->trendGraphWindow());

        program.mainWindow->monitorWindow()->close();
        settle();
        QVERIFY(!program.mainWindow->monitorWindow());
        QVERIFY(main->trendGraphAction()->isEnabled() && main->monitorAction()->isEnabled());
        QVERIFY(!program.link.isOpen());

        // A closed Variables List is opened again by whichever display window comes next.
        program.mainWindow->variablesListWindow()->close();
        settle();
        QVERIFY(!program.mainWindow->variablesListWindow() && !program.ws.session.state().variablesListOpen);
        main->openTrendGraph();
        settle();
        QVERIFY(program.mainWindow->trendGraphWindow());
        QVERIFY(program.mainWindow->variablesListWindow() && program.ws.session.state().variablesListOpen);
        program.mainWindow->trendGraphWindow()->close();
        program.mainWindow->variablesListWindow()->close();
        settle();
        main->openMonitor();
        settle();
        QVERIFY(program.mainWindow->monitorWindow() && program.mainWindow->variablesListWindow());

        // The program-wide data outlives the windows.
        QVERIFY(program.ws.catalogue.variableListBuilt);
    }

    void portSettingsDialog()
    {
        ScriptedDialogs dialogs;
        SimulatedPort port;
        QVERIFY(port.start());
        auto program = std::make_unique<Program>(dialogs);
        Workspace &ws = program->ws;

        // Nothing stored: COM1 checked, and closing stores it.
        setChosenPortName(QString());
        {
            PortSettingsDialog dialog(ws);
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Comm Set"));
            // The client area of 157 by 210 keeps its controls; the device panel is added to its right.
            QCOMPARE(dialog.height(), 210);
            QVERIFY(dialog.width() > 157);
            for (const QWidget *child : dialog.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                QVERIFY2(child->geometry().right() < 157 || child->x() >= 157, qPrintable(child->objectName()));
            QVERIFY(dialog.portButton(1)->isChecked());
            QCOMPARE(dialog.waitTimeField()->text(), QStringLiteral("0"));
            dialog.show();
            dialog.okButton()->click();
        }
        QCOMPARE(chosenPortName(), QStringLiteral("COM1"));

        // COM4 chosen, 50 ms typed, closed by the close box: the next open uses COM4.
        port.mapTo(QStringLiteral("COM4"));
        setChosenPortName(QStringLiteral("COM1"));
        {
            PortSettingsDialog dialog(ws);
            dialog.show();
            dialog.portButton(4)->setChecked(true);
            QVERIFY(dialog.portDevice()->text().contains(port.devicePath()));
            dialog.waitTimeField()->setText(QStringLiteral("50"));
            dialog.close();
        }
        QCOMPARE(chosenPortName(), QStringLiteral("COM4"));
        QCOMPARE(ws.session.state().waitTime.typed, QStringLiteral("50"));
        QCOMPARE(program->link.open(PortUser::Tool), 0);
        QCOMPARE(program->link.portName(), QStringLiteral("COM4"));
        QCOMPARE(program->link.readValue('R', 2, 0x00600600), 0x4304);
        program->link.close();

        // A name outside COM1 to COM9 checks nothing and stays stored; any text is taken as typed.
        setChosenPortName(QStringLiteral("COM12"));
        {
            PortSettingsDialog dialog(ws);
            for (int i = 1; i <= 9; ++i)
                QVERIFY(!dialog.portButton(i)->isChecked());
            dialog.waitTimeField()->setText(QStringLiteral("abc"));
            dialog.accept();
        }
        QCOMPARE(chosenPortName(), QStringLiteral("COM12"));
        QCOMPARE(ws.session.state().waitTime.typed, QStringLiteral("abc"));

        // The wait time is not kept between runs; the port is.
        program.reset();
        program = std::make_unique<Program>(dialogs);
        program->start();
        settle();
        QCOMPARE(program->ws.session.state().waitTime.typed, QStringLiteral("0"));
        QCOMPARE(chosenPortName(), QStringLiteral("COM12"));
        setChosenPortName(QStringLiteral("COM1"));
    }
};

QTEST_MAIN(TestShell)
#include "test_shell.moc"
