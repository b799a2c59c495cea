// "Record to file" of a run with math channels, against the simulator: the math channels follow the
// read channels as columns, computed on the engineering values the Read-out shows, written to 10
// significant digits, and empty in the rows where a read they take failed. The file holds the same
// bytes as "Export CSV..." of the same rows.

#include "base/TextFile.h"
#include "sim/ControllerSimulator.h"
#include "tests/support/ChannelTableRows.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trend/TrendWindowProgram.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/GraphExport.h"
#include "trend/window/RecordToFileControl.h"
#include "trend/tools/MathChannelsControl.h"
#include "trend/model/MathChannelsFile.h"
#include "trend/model/Presets.h"
#include "trend/tools/ReadoutWindow.h"
#include "trend/window/TrendGraphView.h"
#include "trend/window/TrendGraphWindow.h"
#include "trend/readout/TrendReadout.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QtTest>

class TestTrendMathRecording : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void recordedWithMathColumns();

private:
    QTemporaryDir dir_;
};

void TestTrendMathRecording::recordedWithMathColumns()
{
    SimulatedPort port;
    QVERIFY2(port.start(QStringLiteral("COM1")), qPrintable(port.error()));
    ControllerSimulator &sim = port.simulator();
    sim.setLiveDemo(false);
    sim.writeWord(0x600E00, 100);
    sim.writeWord(0x600E10, 40);
    sim.writeWord(0x600F00, 0x0008);
    // Every 7th request is refused: each channel's read fails now and then.
    sim.setFaultEvery(7, SimFault{SimFault::Kind::Nak, 'D'});

    TrendWindowProgram p;
    p.ws.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("5")));
    TrendGraphWindow form(p.ws, p.data);
    form.show();
    selectAddressedChannels(form, {{0, QStringLiteral("600E00"), QStringLiteral("1000")},
                                   {1, QStringLiteral("600E10"), QStringLiteral("1000")},
                                   {7, QStringLiteral("600F00"), QStringLiteral("03")}});

    // 600E00 in engineering values (x 0.1): the math channels see 10, not 100.
    const QString units = dir_.filePath(QStringLiteral("Units.txt"));
    QVERIFY(textfile::writeAtomically(units, "600E00\t0.1\t0\trpm\r\n"));
    form.openReadoutWindow();
    form.readoutWindow()->setUnitsPath(units);
    form.readoutWindow()->engineeringValues()->setChecked(true);
    QVERIFY(mathchannels::write(mathchannels::defaultPath(), {{QStringLiteral("diff = 600E00 - 600E10"), 100},
                                                              {QStringLiteral("third = 600E00 / 3"), 10}}));
    form.mathChannels().setPath(mathchannels::defaultPath());

    // "Record to file..." chosen before RUN: the file takes every row of the run.
    const auto recordRun = [&](const QString &path, quint64 passes) {
        p.dialogs.saveAnswers = {path};
        form.recordToFileControl().recordToFile();
        form.toggleRun();
        QTRY_VERIFY_WITH_TIMEOUT(form.runActive(), 4000);
        QTRY_VERIFY_WITH_TIMEOUT(form.runPasses() >= passes, 15000);
        form.toggleRun();
        QVERIFY(!form.runActive() && !form.recording());
        QVERIFY(p.dialogs.messages.isEmpty());
    };
    const QString recorded = dir_.filePath(QStringLiteral("math.csv"));
    recordRun(recorded, 40);
    if (QTest::currentTestFailed())
        return;

    const QByteArray file = testenv::readAll(recorded);
    QList<QByteArray> lines = file.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    // The math channels saw 600E00 scaled: their columns say so.
    QCOMPARE(lines.front(), QByteArray("time,t_s,600E00,600E10,600F00.03,diff (scaled inputs),third (scaled inputs)\r"));
    form.redraw();
    const TrendData &data = p.data;
    QCOMPARE(lines.size(), data.rowCount + 1);
    int failedRows = 0;
    int goodRows = 0;
    for (int k = 0; k < data.rowCount; ++k) {
        const std::uint16_t failed = data.displayRowInfo[static_cast<std::size_t>(k)].failedChannels;
        const QList<QByteArray> cells = lines[k + 1].chopped(1).split(',');
        QCOMPARE(cells.size(), 7);
        // The read channels raw, as without math channels.
        QCOMPARE(cells[2], (failed & 1u) ? QByteArray() : QByteArray("100"));
        QCOMPARE(cells[3], (failed & 2u) ? QByteArray() : QByteArray("40"));
        QCOMPARE(cells[5], (failed & 3u) ? QByteArray() : QByteArray("-30"));
        QCOMPARE(cells[6], (failed & 1u) ? QByteArray() : QByteArray("3.333333333"));
        failedRows += (failed & 3u) ? 1 : 0;
        goodRows += (failed & 3u) ? 0 : 1;
    }
    QVERIFY(failedRows > 0);
    QVERIFY(goodRows > 0);

    // "Export CSV..." of the same rows, raw: byte for byte what was recorded.
    const QString exported = dir_.filePath(QStringLiteral("export.csv"));
    p.dialogs.saveAnswers = {exported};
    form.graphExport().exportCsvAction()->trigger();
    QCOMPARE(testenv::readAll(exported), file);

    // A run without math channels records the file as it always did.
    QVERIFY(QFile::remove(mathchannels::defaultPath()));
    form.mathChannels().setPath(mathchannels::defaultPath());
    const QString plain = dir_.filePath(QStringLiteral("plain.csv"));
    recordRun(plain, 10);
    if (QTest::currentTestFailed())
        return;
    form.redraw();
    QCOMPARE(testenv::readAll(plain), readout::shownRowsCsv(p.data));
    QVERIFY(testenv::readAll(plain).startsWith("time,t_s,600E00,600E10,600F00.03\r\n"));
    sim.stop();
}

QTEST_MAIN(TestTrendMathRecording)
#include "test_trend_math_recording.moc"
