// The serial line going away (the pseudo-terminal closed, as when a USB adapter is pulled) in the
// middle of a trend run, of a Data Read and of a Monitor pass, through the real program's windows
// and port; and the same windows working again once the line is back.

#include "base/ProgramFolder.h"
#include "catalogue/VariablesListTexts.h"
#include "catalogue/SuperBlockFile.h"
#include "monitor/MonitorTexts.h"
#include "sim/ControllerSimulator.h"
#include "tests/e2e/E2eSupport.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"
#include "trend/model/TrendPoll.h"
#include "trend/model/Presets.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QtTest>

using namespace e2e;

namespace {

constexpr quint32 kAnTermIn = 0x600F92;
constexpr quint32 kDio00 = 0x600E00;
constexpr quint32 kFirstPointerWord = 0x600616;
constexpr quint32 kMiscArea = 0x600E60; // read after the super block by Data Read

// A failing exchange waits out the reply time (up to 2 s); a click made meanwhile is handled when
// it returns.
constexpr int kOneFailedExchangeMs = 2000;
constexpr int kSlackMs = 600;

// The device is reached through a link path in the program folder, so that the line comes back
// under the same name after it went away.
QString linkPath(const char *name) { return testenv::programDir() + QLatin1String(name); }

// Clicks `button` `delayMs` from now and returns when the click has been handled; the time from
// now until then.
qint64 clickLaterAndWait(QPushButton *button, int delayMs, const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(delayMs, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    const bool handled = QTest::qWaitFor(done, 10000);
    return handled ? clock.elapsed() : -1;
}

} // namespace

class TestLineLoss : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void cleanupTestCase() { QFile::remove(kErrorTrace); }

    void trendRunGoesOnWithoutTheLineAndRunsAgainAfter();
    void dataReadAndMonitorKeepTheirDataWhenTheLineGoes();
};

void TestLineLoss::trendRunGoesOnWithoutTheLineAndRunsAgainAfter()
{
    SimulatedPort line;
    QVERIFY2(line.start(QStringLiteral("COM1"), linkPath("qmx-tty-trend")), qPrintable(line.error()));
    ControllerSimulator &sim = line.simulator();
    sim.setLiveDemo(false);
    sim.writeWord(kAnTermIn, 20000);
    QFile::remove(kErrorTrace);

    ScriptedDialogs dialogs;
    Program p(dialogs);
    p.start();
    settle();
    TrendGraphWindow *form = trendWindow(p);
    QVERIFY(form);
    QPushButton *dataRead = variablesListOf(p)->dataReadButton();
    p.ws.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("20")));
    setChannels(*form, {{0, "L", "AnTermIn", "20000"}});

    form->toggleRun();
    QTRY_COMPARE_WITH_TIMEOUT(form->runButton()->text(), QStringLiteral("STOP"), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(p.trend.ringWritePos >= 5, 5000);

    // The adapter is pulled between two passes; every later pass fails on its one exchange.
    sim.closeLine();
    const qint64 lostAt = QDateTime::currentSecsSinceEpoch();
    // Passes read before the pull may still be on their way to the window.
    const int storedAtLoss = p.trend.ringWritePos;
    QTRY_VERIFY_WITH_TIMEOUT(p.trend.ringWritePos >= storedAtLoss + LineKeeper::kPassesAhead + 2,
                             (LineKeeper::kPassesAhead + 3) * kOneFailedExchangeMs + kSlackMs);
    QVERIFY(form->runActive());
    QVERIFY(p.ws.linkThread.portOpen());

    // STOP pressed while a pass waits for its reply ends the run at once; the port is given back
    // as soon as that pass returns, and the pass is not recorded.
    const int beforeStop = p.trend.ringWritePos;
    const qint64 stopMs =
        clickLaterAndWait(form->runButton(), 30, [&] { return form->runButton()->text() == QStringLiteral("RUN"); });
    QCOMPARE(form->runButton()->text(), QStringLiteral("RUN"));
    QVERIFY2(stopMs >= 0 && stopMs <= 30 + 100, qPrintable(QString::number(stopMs)));
    QTRY_VERIFY_WITH_TIMEOUT(!p.ws.linkThread.portOpen(), kOneFailedExchangeMs + kSlackMs);
    QTest::qWait(50); // the pass under way reaches the window
    QVERIFY(p.trend.ringWritePos <= beforeStop + 1); // one may have ended just before the click
    QVERIFY(!form->pollArmed());
    QVERIFY(dataRead->isEnabled());
    QCOMPARE(form->runStatus()->text(), QStringLiteral("Stop"));
    QCOMPARE(dialogs.messages, QStringList{}); // a failing pass is never reported on screen

    // Rows before the loss keep their values; each failed pass stored 0, left a lime mark at its x
    // and one trace line with code -1 (no refusal has arrived in this program yet). The pass STOP
    // cut short is traced, as its exchange did fail, but not recorded.
    int good = 0;
    while (good < p.trend.ringWritePos && p.trend.sampleRing[good][0] == 20000)
        ++good;
    QVERIFY(good >= storedAtLoss && good <= storedAtLoss + LineKeeper::kPassesAhead + 1);
    const int failed = p.trend.ringWritePos - good;
    for (int row = 0; row < p.trend.ringWritePos; ++row) {
        QCOMPARE(p.trend.sampleRing[row][0], row < good ? 20000 : 0);
        QCOMPARE(pixel(form->layers().trace, 2 * row, 300) == kLime, row >= good);
    }
    const int traced = static_cast<int>(testenv::readAll(kErrorTrace).count(" Code="));
    QVERIFY2(traced == failed || traced == failed + 1, qPrintable(QStringLiteral("%1 %2").arg(traced).arg(failed)));
    const QString traceProblem = checkErrorTrace(testenv::readAll(kErrorTrace),
                                                 std::vector<TraceEntry>(static_cast<std::size_t>(traced), {-1, {}}),
                                                 lostAt, QDateTime::currentSecsSinceEpoch());
    QVERIFY2(traceProblem.isEmpty(), qPrintable(traceProblem));
    const QByteArray traceAfterLoss = testenv::readAll(kErrorTrace);

    // REDRAW shows what was recorded, the failed passes as zeros.
    form->redraw();
    QCOMPARE(p.trend.rowCount, p.trend.ringWritePos);
    QCOMPARE(form->table().row(0).value->text(), QStringLiteral("0"));
    QCOMPARE(p.trend.displayRows[0][0], 20000);

    // The line is back under the same name: a new run records the controller's values again.
    QVERIFY(sim.reopenLine());
    sim.writeWord(kAnTermIn, static_cast<quint16>(-5000));
    form->toggleRun();
    QTRY_COMPARE_WITH_TIMEOUT(form->runButton()->text(), QStringLiteral("STOP"), 3000);
    QCOMPARE(dialogs.messages, QStringList{});
    QTRY_VERIFY_WITH_TIMEOUT(p.trend.ringWritePos >= 3, 5000);
    form->toggleRun();
    QTRY_VERIFY(!p.ws.linkThread.portOpen());
    for (int row = 0; row < p.trend.ringWritePos; ++row)
        QCOMPARE(p.trend.sampleRing[row][0], -5000);
    QCOMPARE(testenv::readAll(kErrorTrace), traceAfterLoss);
    QCOMPARE(pixel(form->layers().trace, 0, 300) == kLime, false);
}

void TestLineLoss::dataReadAndMonitorKeepTheirDataWhenTheLineGoes()
{
    SimulatedPort line;
    QVERIFY2(line.start(QStringLiteral("COM1"), linkPath("qmx-tty-catalogue")), qPrintable(line.error()));
    ControllerSimulator &sim = line.simulator();
    sim.setLiveDemo(false);
    const QString dataFile = programfolder::file(kSuperBlockFileName);
    QFile::remove(dataFile);

    ScriptedDialogs dialogs;
    Program p(dialogs);
    p.start();
    settle();
    VariablesListWindow *varList = variablesListOf(p);
    QVERIFY(varList);
    QListWidget *names = varList->nameList();
    QPushButton *run = trendWindow(p)->runButton();

    const auto dataRead = [&] {
        varList->readDataFromController();
        return QTest::qWaitFor([&] { return !varList->dataReadRunning(); }, 20000);
    };
    // A first Data Read builds the block names and the pointers.
    QVERIFY(dataRead());
    QCOMPARE(dialogs.messages, QStringList{});
    QVERIFY(p.ws.catalogue.variableList.contains(QStringLiteral("00600EC0,PI3A11")));
    const std::array<QString, 4> demoPointers{"00600EC0", "00600EC2", "00600FA8", "00600FAA"};
    QCOMPARE(p.ws.catalogue.pointerAddresses, demoPointers);
    const CatalogueData before = p.ws.catalogue;
    const QByteArray fileBefore = testenv::readAll(dataFile);
    const QStringList shownBefore = lines(names);
    QVERIFY(fileBefore.contains("@600616,4,4760,4761,47D4,47D5,"));

    // The line goes away at the area after the super block, the pointer words changed meanwhile:
    // nothing of the broken read lands anywhere, and the user is told which read failed.
    sim.writeWord(kFirstPointerWord, 0x4761);
    sim.setAddressFault(kMiscArea, SimFault{SimFault::Kind::CloseLine});
    QVERIFY(dataRead());
    QCOMPARE(dialogs.messages, QStringList{dataReadFailed(kMiscArea, -1)});
    dialogs.messages.clear();
    QCOMPARE(p.ws.catalogue.variableList, before.variableList);
    QCOMPARE(p.ws.catalogue.pointerAddresses, before.pointerAddresses);
    QCOMPARE(p.ws.catalogue.superBlockWords, before.superBlockWords);
    QCOMPARE(p.ws.catalogue.variableListBuilt, true);
    QCOMPARE(testenv::readAll(dataFile), fileBefore);
    QCOMPARE(lines(names), shownBefore);
    QTRY_VERIFY(!p.ws.linkThread.portOpen());
    QVERIFY(run->isEnabled()); // the earlier list is still there to run a trend with
    QVERIFY(!varList->dataReadRunning());

    // Back again: the next Data Read takes the new pointer word.
    sim.clearFaults();
    QVERIFY(sim.reopenLine());
    QVERIFY(dataRead());
    QCOMPARE(dialogs.messages, QStringList{});
    QCOMPARE(p.ws.catalogue.pointerAddresses[0], QStringLiteral("00600EC2"));
    QVERIFY(testenv::readAll(dataFile).contains("@600616,4,4761,4761,47D4,47D5,"));
    QCOMPARE(p.ws.catalogue.variableList, before.variableList);

    // The Monitor, released, shows the controller's words.
    trendWindow(p)->close();
    settle();
    p.mainWindow->openMonitor();
    settle();
    MonitorWindow *moni = monitorOf(p);
    QVERIFY(moni);
    QPushButton *release = moni->releaseButton();
    sim.writeWord(kDio00, 291);
    moni->releaseOrPause();
    QTRY_VERIFY(moni->isPolling());
    QTRY_COMPARE_WITH_TIMEOUT(monitorValue(moni, QStringLiteral("DIO00")), QStringLiteral("291"), 5000);

    // The line goes away at the third section of a pass. That pass ends, the next ones fail on
    // their first exchange, and no message appears.
    const std::uint32_t third = moni->sections()[2].start;
    const auto unserved = [&] { return p.link.exchangeCount() - sim.requestsServed(); };
    const quint64 unservedBefore = unserved();
    sim.setAddressFault(third, SimFault{SimFault::Kind::CloseLine});
    QTRY_VERIFY_WITH_TIMEOUT(unserved() >= unservedBefore + 2, 3 * kOneFailedExchangeMs + kSlackMs);
    QVERIFY(moni->isPolling());
    QCOMPARE(dialogs.messages, QStringList{});

    // Pause during a failing exchange frees the port once it returns; the values stay shown.
    const qint64 pauseMs = clickLaterAndWait(release, 10, [&] { return !moni->isPolling(); });
    QVERIFY2(pauseMs >= 0 && pauseMs <= 10 + 100, qPrintable(QString::number(pauseMs)));
    QTRY_VERIFY_WITH_TIMEOUT(!p.ws.linkThread.portOpen(), kOneFailedExchangeMs + kSlackMs);
    QCOMPARE(p.ws.linkThread.holder(), PortUser::None);
    QCOMPARE(release->text(), monitor::kRelease);
    QCOMPARE(moni->runStatus()->text(), monitor::kStop);
    QVERIFY(moni->saveButton()->isEnabled());
    QCOMPARE(monitorValue(moni, QStringLiteral("DIO00")), QStringLiteral("291"));
    QCOMPARE(dialogs.messages, QStringList{});

    // Back again: Release fills the cells with the controller's words.
    sim.writeWord(kDio00, 555);
    sim.clearFaults();
    QVERIFY(sim.reopenLine());
    moni->releaseOrPause();
    QTRY_VERIFY(moni->isPolling());
    QTRY_COMPARE_WITH_TIMEOUT(monitorValue(moni, QStringLiteral("DIO00")), QStringLiteral("555"), 5000);
    moni->toggleNumberBase(); // Hex
    QTRY_COMPARE_WITH_TIMEOUT(monitorValue(moni, QStringLiteral("DIO00")), QStringLiteral("0000022B"), 5000);
    moni->toggleNumberBase(); // Dec

    // Unplugged while released and left alone: what the failing passes do not refresh turns grey,
    // a Save says the values are not live, and once the device is back the Monitor opens it again
    // by itself and the cells are live and black again.
    QVERIFY(!monitorValueStale(moni, QStringLiteral("DIO00")));
    sim.setAddressFault(third, SimFault{SimFault::Kind::CloseLine});
    QTRY_VERIFY_WITH_TIMEOUT(monitorValueStale(moni, QStringLiteral("DIO00")), 3 * kOneFailedExchangeMs + kSlackMs);
    QTRY_VERIFY(moni->lineStatistics()->text().startsWith(QStringLiteral("line lost ")));
    QVERIFY(moni->lineState()->isVisible());
    QVERIFY2(moni->lineState()->text().startsWith(QStringLiteral("no reply from ")), qPrintable(moni->lineState()->text()));
    QVERIFY(moni->isPolling());
    dialogs.saveAnswers = {testenv::programDir() + "lost.mon"};
    moni->saveMonitorFile();
    QCOMPARE(dialogs.messages, QStringList{monitor::kSavedWithStaleValues.arg(testenv::programDir() + "lost.mon")});
    dialogs.messages.clear();
    sim.writeWord(kDio00, 777);
    // The device comes back with the controller still silent: "no reply since" stays and "line
    // back" waits for its first answer; at no moment do the two stand together.
    bool together = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        together = together || (moni->lineState()->isVisible() &&
                                moni->lineStatistics()->text().contains(QStringLiteral("line back")));
    });
    watch.start(5);
    sim.clearFaults();
    sim.setFaultForAllRequests(SimFault{SimFault::Kind::Silence});
    QVERIFY(sim.reopenLine());
    QTest::qWait(LineKeeper::kReopenInterval.count() + kOneFailedExchangeMs + kSlackMs);
    QVERIFY(moni->lineState()->isVisible());
    QVERIFY(!moni->lineStatistics()->text().contains(QStringLiteral("line back")));
    sim.clearFaults();
    QTRY_COMPARE_WITH_TIMEOUT(monitorValue(moni, QStringLiteral("DIO00")), QStringLiteral("777"), 5000);
    QTRY_VERIFY(!monitorValueStale(moni, QStringLiteral("DIO00")));
    QTRY_VERIFY(!moni->lineState()->isVisible());
    QVERIFY(moni->lineStatistics()->text().startsWith(QStringLiteral("line back ")));
    watch.stop();
    QVERIFY(!together);
    moni->releaseOrPause();
    QTRY_VERIFY(!p.ws.linkThread.portOpen());
    QCOMPARE(dialogs.messages, QStringList{});
}

QTEST_MAIN(TestLineLoss)
#include "test_line_loss.moc"
