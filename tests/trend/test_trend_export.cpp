// The Trend Graph's read-out beyond the screen: row times, two cursors and their difference, the
// graph menu's CSV and picture export, recording every pass to a file, and the line's figures,
// against the controller simulator and against rows opened from a .trd.

#include "base/TextFile.h"
#include "link/PollFigures.h"
#include "sim/ControllerSimulator.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trend/TrendWindowProgram.h"
#include "trend/graph/GraphPicture.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/model/TrendFile.h"
#include "trend/readout/TrendReadout.h"
#include "trend/model/CsvWriter.h"
#include "trend/window/TrendGraphWindow.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/ReadoutBand.h"
#include "trend/window/GraphExport.h"
#include "trend/window/RecordToFileControl.h"
#include "trend/tools/ReadoutWindow.h"
#include "trend/window/TrendGraphView.h"
#include "trend/model/MathChannelsTexts.h"
#include "trend/model/Presets.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <cerrno>

namespace {

using namespace std::chrono_literals;

// The band's lines: the cursors' time, their difference, the line's figures, its events.
enum BandLine { ReadoutTime, ReadoutDifference, ReadoutStatistics, ReadoutLine };
QLabel *band(TrendGraphWindow &form, BandLine line) { return form.band().line(line); }

// Rows k = 0..249 of the ring hold (k, -k, 0, ..., k % 2) and were read k x 10 ms after the start;
// channel 1's read failed in rows divisible by 50. Channels 0, 1 and 7 selected.
void fillRing(TrendData &data, bool wrapped, int writePos)
{
    for (int c = 0; c < kChannels; ++c)
        data.channels[c] = {c == 0 || c == 1 || c == 7, AddressKind::Name, c < 7 ? "AnTermIn" : "InvFlag",
                            c < 7 ? "20000" : "07"};
    data.channels[1].addressOrName = QStringLiteral("Spd,\"Fbk\""); // a name CSV has to quote
    data.selectedChannels = {0, 1, 7};
    data.channelScale = {20000, 20000, 0, 0, 0, 0, 0, 128};
    data.runStartedAt = QDateTime(QDate(2024, 3, 1), QTime(10, 0, 0));
    for (int k = 0; k < kRingRows; ++k) {
        data.sampleRing[k] = {k, -k, 0, 0, 0, 0, 0, k % 2};
        data.rowInfoRing[k] = {std::chrono::milliseconds(10 * k), static_cast<std::uint16_t>(k % 50 == 0 ? 1u << 1 : 0u)};
    }
    data.ringWrapped = wrapped;
    data.ringWritePos = writePos;
}

QList<QByteArray> csvLines(const QByteArray &csv)
{
    QList<QByteArray> lines = csv.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

// Runs python3's csv module over `path`: every row as many cells as the header, t_s strictly
// increasing where given, the cells of `emptyColumn` empty. Prints "rows N".
QString pythonCsvCheck(const QString &path, int emptyColumn)
{
    const QString script = QStringLiteral(
        "import csv,sys\n"
        "rows=list(csv.reader(open(sys.argv[1],newline='',encoding='utf-8')))\n"
        "head=rows[0]; body=rows[1:]\n"
        "assert head[:2]==['time','t_s'], head\n"
        "assert all(len(r)==len(head) for r in body)\n"
        "t=[float(r[1]) for r in body if r[1]]\n"
        "assert all(b>a for a,b in zip(t,t[1:])), 't_s not increasing'\n"
        "col=int(sys.argv[2])\n"
        "assert col<0 or all(r[col]=='' for r in body)\n"
        "print('rows',len(body),'|'.join(head))\n");
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script, path, QString::number(emptyColumn)});
    if (!python.waitForFinished(20000))
        return QStringLiteral("python3 did not finish");
    return QString::fromUtf8(python.readAllStandardOutput() + python.readAllStandardError()).trimmed();
}

} // namespace

class TestTrendExport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void differencesOverAWrappedRing();
    void statisticsAndRecordingFiles();
    void graphMenuItemsInOrder();
    void oneCursorPictureUnchanged();
    void exportOfRowsFromATrd();
    void runAgainstSimulator();

private:
    QTemporaryDir dir_;
};

void TestTrendExport::differencesOverAWrappedRing()
{
    // Written at 10 after a wrap: display rows are ring rows 11..249, 0..9, oldest first.
    TrendData data;
    fillRing(data, true, 10);
    unrollSamples(data);
    QCOMPARE(data.rowCount, 249);
    QCOMPARE(data.displayRows[0][0], 11);
    QCOMPARE(*data.displayRowInfo[0].sinceRunStart, std::chrono::nanoseconds(110ms));
    QCOMPARE(data.displayRows[248][0], 9);

    // A on display row 230 (ring row 241, 2.410 s), B on row 245 (ring row 6, 0.060 s): across the wrap.
    auto d = readout::cursorDifference(data, 460, 490);
    QVERIFY(d);
    QCOMPARE(d->rows, 15);
    QCOMPARE(*d->milliseconds, std::int64_t{60 - 2410});
    QCOMPARE(d->values.size(), std::size_t{3});
    QCOMPARE(*d->values[0].second, 6 - 241);
    QCOMPARE(*d->values[1].second, 241 - 6);
    QCOMPARE(*d->values[2].second, 0 - 1);
    QCOMPARE(readout::differenceText(data, *d, false),
             QStringLiteral("B-A: 15 rows  -2.350 s  AnTermIn -235  Spd,\"Fbk\" +235  InvFlag.07 -1"));
    QCOMPARE(readout::differenceText(data, *d, true),
             QStringLiteral("B-A: 15 rows  -2.350 s  AnTermIn -00EB  Spd,\"Fbk\" +00EB  InvFlag.07 -0001"));
    // B on ring row 0 (display row 239), whose channel 1 read failed: that difference is unknown.
    d = readout::cursorDifference(data, 460, 2 * 239 + 1);
    QVERIFY(d);
    QCOMPARE(d->rows, 9);
    QVERIFY(!d->values[1].second);
    QVERIFY(readout::differenceText(data, *d, false).contains(QStringLiteral("Spd,\"Fbk\" failed")));
    QCOMPARE(readout::cursorTimeText(data, 460, QStringLiteral("A")), QStringLiteral("A: row 230  t = 2.410 s"));
    QVERIFY(!readout::cursorDifference(data, 460, 498)); // past the last row
    QCOMPARE(readout::differenceValueText(0, true), QStringLiteral("0000"));
    QCOMPARE(readout::differenceValueText(-65535, true), QStringLiteral("-FFFF"));

    // The shown rows as CSV, oldest first; the failed read left empty, the name quoted.
    const QList<QByteArray> lines = csvLines(readout::shownRowsCsv(data));
    QCOMPARE(lines.size(), 250);
    QCOMPARE(lines[0], QByteArray("time,t_s,AnTermIn,\"Spd,\"\"Fbk\"\"\",InvFlag.07"));
    QCOMPARE(lines[1], QByteArray("2024-03-01T10:00:00.110,0.110,11,-11,1"));
    QCOMPARE(lines[240], QByteArray("2024-03-01T10:00:00.000,0.000,0,,0"));
    QCOMPARE(lines[249], QByteArray("2024-03-01T10:00:00.090,0.090,9,-9,1"));
    QCOMPARE(lines[40], QByteArray("2024-03-01T10:00:00.500,0.500,50,,0"));
}

void TestTrendExport::statisticsAndRecordingFiles()
{
    ExchangeStats stats;
    stats.add(0, 20ms);
    stats.add(-3, 10ms);
    stats.add(-1, 1000ms);
    stats.add(-3, 10ms);
    PollFigures figures;
    const auto began = std::chrono::steady_clock::now();
    figures.begin(began);
    figures.take(stats, began + 200ms, false);
    figures.take(ExchangeStats{}, began + 300ms, true);
    figures.take(ExchangeStats{}, began + 500ms, true);
    QCOMPARE(pollFiguresText(figures),
             QStringLiteral("4 exchanges, 3 failed (-3 refused D: 2, -1 no reply: 1), reply mean 260.0 ms, longest 1000.0 ms, "
                            "4.00 passes/s"));
    QCOMPARE(pollFiguresText(PollFigures{}),
             QStringLiteral("0 exchanges, 0 failed, reply mean 0.0 ms, longest 0.0 ms, 0.00 passes/s"));

    // Lines gather until a second has passed; close writes the rest.
    const QString path = dir_.filePath(QStringLiteral("rec.csv"));
    const auto t0 = std::chrono::steady_clock::now();
    CsvWriter recording;
    QVERIFY(recording.open(path, t0));
    recording.addHeader("time,t_s,A\r\n");
    QVERIFY(recording.addRow(",,1\r\n", t0 + 500ms));
    QCOMPARE(testenv::readAll(path), QByteArray());
    QVERIFY(recording.addRow(",,2\r\n", t0 + 1000ms));
    QCOMPARE(testenv::readAll(path), QByteArray("time,t_s,A\r\n,,1\r\n,,2\r\n"));
    QVERIFY(recording.addRow(",,3\r\n", t0 + 1100ms));
    QVERIFY(recording.close());
    QCOMPARE(testenv::readAll(path), QByteArray("time,t_s,A\r\n,,1\r\n,,2\r\n,,3\r\n"));
    QCOMPARE(recording.rows(), std::uint64_t{3});
    // A device that takes nothing: the write fails, the recording ends.
    QVERIFY(recording.open(QStringLiteral("/dev/full"), t0));
    recording.addHeader("time\r\n");
    QVERIFY(!recording.flush(t0));
    QVERIFY(!recording.isOpen());
    QVERIFY(!recording.error().isEmpty());
    QVERIFY(!recording.open(dir_.filePath(QStringLiteral("no/such/folder.csv")), t0));
}

void TestTrendExport::graphMenuItemsInOrder()
{
    // The view, the export, "Record to file..." and the math channels each put their own items into
    // the one graph menu; the user sees them in this order, and before any rows are shown only
    // what needs none is offered.
    TrendWindowProgram p;
    TrendGraphWindow form(p.ws, p.data);
    const QString separator = QStringLiteral("-");
    const QStringList expected{kExportCsvCaption, kExportPictureCaption, kCopyPictureCaption,
                               kClearSecondCursorCaption, kReadoutCaption, kTriggerCaption, kReferenceCaption,
                               kClearReferenceCaption, separator, kRecordToFileCaption, separator,
                               kMathChannelsCaption, kExportEngineeringCaption};
    const QStringList offered{kReadoutCaption, kTriggerCaption, kReferenceCaption, kRecordToFileCaption,
                              kMathChannelsCaption, kExportEngineeringCaption};
    QStringList shown;
    for (const QAction *action : form.graphMenu()->actions()) {
        shown << (action->isSeparator() ? separator : action->text());
        if (!action->isSeparator())
            QVERIFY2(action->isEnabled() == offered.contains(action->text()), qPrintable(action->text()));
    }
    QCOMPARE(shown, expected);
}

void TestTrendExport::oneCursorPictureUnchanged()
{
    TrendWindowProgram p;
    TrendGraphWindow form(p.ws, p.data);
    form.show();
    fillRing(p.data, true, 10);
    form.redraw();
    QCOMPARE(form.view().cursorX(), 496);

    // The same picture composed by the layers alone: grid, recorded traces, one dotted cursor.
    GraphLayers reference;
    TrendData copy = p.data;
    cursor::Position cursorA;
    reference.initGraphLayers(cursorA);
    reference.drawRecordedTraces(copy);
    reference.drawCursorLayer(496);
    reference.composeGraph(true);
    QCOMPARE(form.layers().visible, reference.visible);
    const QImage oneCursorWindow = form.grab().toImage();
    QCOMPARE(band(form, ReadoutTime)->text(), QStringLiteral("A: row 248  t = 0.090 s"));
    QVERIFY(band(form, ReadoutDifference)->text().isEmpty());

    // Shift+click: the second cursor, orange dashes on the cursor layer only.
    QTest::mouseClick(form.graphPicture(), Qt::LeftButton, Qt::ShiftModifier, QPoint(460, 100));
    QCOMPARE(form.secondCursorX(), std::optional<int>(460));
    QCOMPARE(form.view().cursorX(), 496);
    QCOMPARE(form.layers().cursor.pixel(460, 1), kSecondCursorColour);
    QCOMPARE(form.layers().cursor.pixel(460, 7), 0xFF000000u);
    QCOMPARE(form.layers().trace, reference.trace);
    QCOMPARE(form.layers().visible.pixel(460, 1) | 0xFF000000u, kSecondCursorColour);
    QCOMPARE(band(form, ReadoutDifference)->text(),
             QStringLiteral("B-A: -18 rows  2.320 s  AnTermIn +232  Spd,\"Fbk\" -232  InvFlag.07 0"));
    QVERIFY(form.grab().toImage() != oneCursorWindow);
    form.view().updateMenu();
    QVERIFY(form.view().clearSecondCursorAction()->isEnabled());
    QVERIFY(form.graphExport().exportCsvAction()->isEnabled());
    // Before RUN: it records the next run from its first row.
    QVERIFY(form.recordToFileControl().recordAction()->isEnabled());

    // Escape takes it away again: the picture and the window are what they were with one cursor.
    QTest::keyClick(&form, Qt::Key_Escape);
    QVERIFY(!form.secondCursorX());
    QCOMPARE(form.layers().visible, reference.visible);
    QCOMPARE(form.grab().toImage(), oneCursorWindow);
    // So does the menu entry; REDRAW keeps a second cursor on the rows it shows.
    form.setSecondCursor(100);
    form.redraw();
    QCOMPARE(form.secondCursorX(), std::optional<int>(100));
    form.view().clearSecondCursorAction()->trigger();
    QCOMPARE(form.layers().visible, reference.visible);
    QCOMPARE(form.grab().toImage(), oneCursorWindow);

    // The exported picture: the graph's own pixels, at 2x every pixel a 2 x 2 block.
    const QString png = dir_.filePath(QStringLiteral("graph.png"));
    p.dialogs.saveAnswers = {png};
    form.graphExport().exportPictureAction()->trigger();
    QCOMPARE(band(form, ReadoutLine)->text(), QStringLiteral("saved graph.png and graph@2x.png in %1").arg(dir_.path()));
    QImage one(png);
    QImage two(dir_.filePath(QStringLiteral("graph@2x.png")));
    QVERIFY(!one.isNull() && !two.isNull());
    QCOMPARE(two.size(), one.size() * 2);
    const QImage graph = form.layers().visible;
    bool same = true;
    for (int y = 0; y < graph.height() && same; ++y) {
        for (int x = 0; x < graph.width() && same; ++x) {
            const QRgb want = graph.pixel(x, y) | 0xFF000000u;
            const int gx = graphpicture::kGraphLeft + x;
            const int gy = graphpicture::kGraphTop + y;
            same = (one.pixel(gx, gy) | 0xFF000000u) == want && (two.pixel(2 * gx, 2 * gy) | 0xFF000000u) == want &&
                   (two.pixel(2 * gx + 1, 2 * gy + 1) | 0xFF000000u) == want;
        }
    }
    QVERIFY(same);
    one.save(QStringLiteral("/tmp/readout-export.png"));
    QCOMPARE(p.dialogs.filtersAsked.last(), kPngFilter);
    // The files hold the PNG encoding of the pictures byte for byte, as a direct save would write it.
    const QString direct = dir_.filePath(QStringLiteral("direct.png"));
    QVERIFY(form.graphExport().pictureAtScale(2).save(direct, "PNG"));
    QCOMPARE(testenv::readAll(dir_.filePath(QStringLiteral("graph@2x.png"))), testenv::readAll(direct));
    // A folder that is not there: the message names the file and the system's reason.
    const QString unwritable = dir_.filePath(QStringLiteral("no-such-folder/graph.png"));
    p.dialogs.saveAnswers = {unwritable};
    p.dialogs.messages.clear();
    p.dialogs.details.clear();
    form.graphExport().exportPictureAction()->trigger();
    QCOMPARE(p.dialogs.messages, QStringList{kPictureWriteError});
    QVERIFY2(p.dialogs.details.value(0).startsWith(unwritable + QStringLiteral(": ")) &&
                 p.dialogs.details.value(0).size() > unwritable.size() + 2,
             qPrintable(p.dialogs.details.value(0)));
    // Copy picture puts the 1x picture on the clipboard.
    form.graphExport().copyPictureAction()->trigger();
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
             one.convertToFormat(QImage::Format_RGB32));
}

void TestTrendExport::exportOfRowsFromATrd()
{
    TrendWindowProgram p;
    TrendGraphWindow form(p.ws, p.data);
    form.show();
    // A file written from a recording: rows (k, -k, ..., k % 2) without any time.
    TrendData source;
    fillRing(source, false, 5);
    source.channels[1].addressOrName = QStringLiteral("SpdFbk");
    unrollSamples(source);
    const QString trd = dir_.filePath(QStringLiteral("five.trd"));
    QVERIFY(textfile::writeAtomically(
        trd, textfile::joinLinesCrLf(trendfile::formatLines(QStringLiteral("five.trd"), source.channels,
                                                            source.displayRows, source.rowCount))));
    // Rows of an earlier run with times are replaced by the file's, which have none.
    fillRing(p.data, false, 20);
    form.redraw();
    form.setSecondCursor(4);
    p.dialogs.openAnswers = {trd};
    form.openTrendFile();
    QCOMPARE(p.data.rowCount, 5);
    QVERIFY(!form.secondCursorX());
    QVERIFY(band(form, ReadoutTime)->text().isEmpty()); // one cursor on rows without time: nothing shown

    const QString csv = dir_.filePath(QStringLiteral("five.csv"));
    p.dialogs.saveAnswers = {csv};
    form.graphExport().exportCsv();
    QCOMPARE(testenv::readAll(csv), QByteArray("time,t_s,AnTermIn,SpdFbk,InvFlag.07\r\n"
                                               ",,0,0,0\r\n,,1,-1,1\r\n,,2,-2,0\r\n,,3,-3,1\r\n,,4,-4,0\r\n"));
    QCOMPARE(pythonCsvCheck(csv, 0), QStringLiteral("rows 5 time|t_s|AnTermIn|SpdFbk|InvFlag.07"));
    // Two cursors on such rows: rows and values differ, the time is unknown.
    form.setSecondCursor(0);
    QCOMPARE(band(form, ReadoutDifference)->text(),
             QStringLiteral("B-A: -4 rows  no time  AnTermIn -4  SpdFbk +4  InvFlag.07 0"));
    QVERIFY(band(form, ReadoutTime)->text().contains(QStringLiteral("A: row 4  no time")));
}

void TestTrendExport::runAgainstSimulator()
{
    SimulatedPort port;
    QVERIFY2(port.start(QStringLiteral("COM1")), qPrintable(port.error()));
    ControllerSimulator &sim = port.simulator();
    sim.setLiveDemo(false);
    sim.writeWord(0x600E00, 0x1234);
    sim.writeWord(0x600E10, 0xFFFE);
    sim.writeWord(0x600F00, 0x0008);
    // One address in three is refused with "D" on every request.
    sim.setAddressFault(0x600E10, SimFault{SimFault::Kind::Nak, 'D'});

    TrendWindowProgram p;
    p.ws.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("5"))); // passes at least 5 ms apart: times to the ms strictly increase
    TrendGraphWindow form(p.ws, p.data);
    form.show();
    for (int n = 1; n <= kChannels; ++n)
        form.table().row(n - 1).selected->setChecked(false);
    const auto setRow = [&](int c, const QString &name, const QString &scale) {
        form.table().row(c).selected->setChecked(true);
        form.table().setAddressKind(c, AddressKind::Address);
        form.table().row(c).name->setText(name);
        form.table().row(c).scale->setText(scale);
    };
    setRow(0, QStringLiteral("600E00"), QStringLiteral("20000"));
    setRow(1, QStringLiteral("600E10"), QStringLiteral("20000"));
    setRow(7, QStringLiteral("600F00"), QStringLiteral("03"));
    form.toggleRun();
    QTRY_VERIFY_WITH_TIMEOUT(form.runActive(), 4000);

    // Recording from the graph menu while the run goes on.
    form.view().updateMenu();
    QVERIFY(form.recordToFileControl().recordAction()->isEnabled());
    QVERIFY(!form.graphExport().exportCsvAction()->isEnabled());
    const QString recorded = dir_.filePath(QStringLiteral("recorded.csv"));
    p.dialogs.saveAnswers = {recorded};
    form.recordToFileControl().recordAction()->trigger();
    QVERIFY(form.recording());
    QTRY_VERIFY_WITH_TIMEOUT(form.runPasses() >= 30, 10000);
    // The Read-out window during the run: the newest row's values, the refused read failed.
    form.openReadoutWindow();
    QTRY_VERIFY_WITH_TIMEOUT(form.readoutWindow()->table().header.startsWith(QStringLiteral("A: row ")), 3000);
    QCOMPARE(form.readoutWindow()->table().rows.size(), std::size_t{3});
    QCOMPARE(form.readoutWindow()->table().rows[0].cells, (QStringList{"600E00", QString::number(0x1234)}));
    QCOMPARE(form.readoutWindow()->table().rows[1].cells, (QStringList{"600E10", "failed"}));
    form.readoutWindow()->close();
    form.toggleRun();
    QVERIFY(!form.runActive());
    QVERIFY(!form.recording());
    QVERIFY(p.dialogs.messages.isEmpty());

    // The line's figures: three reads a pass, the refused one failing with -3 every time.
    const quint64 passes = form.runPasses();
    QCOMPARE(form.runStats().exchanges, 3 * passes);
    QCOMPARE(form.runStats().failuresByCode, (std::map<int, std::uint64_t>{{-3, passes}}));
    QVERIFY(form.runStats().longestReply >= form.runStats().meanReply());
    QVERIFY2(band(form, ReadoutStatistics)
                 ->text()
                 .startsWith(QStringLiteral("Line: %1 exchanges, %2 failed (-3 refused D: %2)\nreply mean ").arg(3 * passes).arg(passes)),
             qPrintable(band(form, ReadoutStatistics)->text()));

    // Stopped, before REDRAW: the run's rows can be exported already, the same as after it.
    form.view().updateMenu();
    QVERIFY(form.graphExport().exportCsvAction()->isEnabled());
    QVERIFY(form.graphExport().exportPictureAction()->isEnabled());
    const QString beforeRedraw = dir_.filePath(QStringLiteral("before-redraw.csv"));
    p.dialogs.saveAnswers = {beforeRedraw};
    form.graphExport().exportCsvAction()->trigger();
    const QByteArray exportedBeforeRedraw = testenv::readAll(beforeRedraw);
    // The band says what was written where.
    QVERIFY2(band(form, ReadoutLine)->text().contains(QStringLiteral("saved before-redraw.csv in ")),
             qPrintable(band(form, ReadoutLine)->text()));
    QVERIFY(csvLines(exportedBeforeRedraw).size() >= 31);

    // REDRAW, a second cursor, the band; then the CSV of the shown rows.
    form.redraw();
    QCOMPARE(readout::shownRowsCsv(p.data), exportedBeforeRedraw);
    const int rows = p.data.rowCount;
    QVERIFY(rows >= 30);
    QTest::mouseClick(form.graphPicture(), Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 100));
    QVERIFY(band(form, ReadoutDifference)->text().startsWith(QStringLiteral("B-A: %1 rows  -").arg(10 - (rows - 1))));
    QVERIFY(band(form, ReadoutDifference)->text().endsWith(QStringLiteral("600E00 0  600E10 failed  600F00.03 0")));
    form.grab().save(QStringLiteral("/tmp/readout-band.png"));

    // A folder that is not there: the message names the file and the reason.
    const QString unwritable = dir_.filePath(QStringLiteral("no-such-folder/run.csv"));
    p.dialogs.saveAnswers = {unwritable};
    p.dialogs.messages.clear();
    p.dialogs.details.clear();
    form.graphExport().exportCsvAction()->trigger();
    QCOMPARE(p.dialogs.messages, QStringList{kCsvWriteError});
    QVERIFY2(p.dialogs.details.value(0).startsWith(unwritable + QStringLiteral(": ")) &&
                 p.dialogs.details.value(0).size() > unwritable.size() + 2,
             qPrintable(p.dialogs.details.value(0)));
    p.dialogs.messages.clear();

    const QString exported = dir_.filePath(QStringLiteral("run.csv"));
    p.dialogs.saveAnswers = {exported};
    form.graphExport().exportCsvAction()->trigger();
    const QList<QByteArray> lines = csvLines(testenv::readAll(exported));
    QCOMPARE(lines.size(), rows + 1);
    QCOMPARE(lines[0], QByteArray("time,t_s,600E00,600E10,600F00.03"));
    const QDateTime started = p.data.runStartedAt;
    double lastSeconds = -1;
    for (int k = 0; k < rows; ++k) {
        const QList<QByteArray> cells = lines[k + 1].split(',');
        QCOMPARE(cells.size(), 5);
        // The simulator's words: 0x1234, the refused read empty (not 0), bit 3 of 0x0008 set.
        QCOMPARE(cells[2], QByteArray::number(0x1234));
        QCOMPARE(p.data.displayRows[k][0], 0x1234);
        QCOMPARE(cells[3], QByteArray());
        QCOMPARE(cells[4], QByteArray("1"));
        QCOMPARE(p.data.displayRows[k][7], 1);
        const double seconds = cells[1].toDouble();
        QVERIFY2(seconds > lastSeconds, lines[k + 1].constData());
        lastSeconds = seconds;
        const QDateTime when = QDateTime::fromString(QString::fromLatin1(cells[0]), Qt::ISODateWithMs);
        QCOMPARE(started.msecsTo(when), qRound64(seconds * 1000));
    }
    QCOMPARE(pythonCsvCheck(exported, 3),
             QStringLiteral("rows %1 time|t_s|600E00|600E10|600F00.03").arg(rows));

    // The recorded file: the same header, and its rows the last rows of the run, in the same format.
    const QList<QByteArray> recordedLines = csvLines(testenv::readAll(recorded));
    QCOMPARE(recordedLines[0], lines[0]);
    const int recordedRows = static_cast<int>(recordedLines.size()) - 1;
    QVERIFY(recordedRows >= 1 && recordedRows <= rows);
    QCOMPARE(recordedLines.mid(1), lines.mid(lines.size() - recordedRows));
    QVERIFY(pythonCsvCheck(recorded, 3).startsWith(QStringLiteral("rows %1 ").arg(recordedRows)));
    QVERIFY(band(form, ReadoutLine)->text().contains(QStringLiteral("recorded %1 rows to recorded.csv").arg(recordedRows)));

    // A file that cannot be written: said once, recording stops, the run goes on.
    form.toggleRun();
    QTRY_VERIFY_WITH_TIMEOUT(form.runActive(), 4000);
    p.dialogs.saveAnswers = {QStringLiteral("/dev/full")};
    form.recordToFileControl().recordToFile();
    QVERIFY(form.recording());
    QTRY_VERIFY_WITH_TIMEOUT(!form.recording(), 5000);
    const quint64 passesAtFailure = form.runPasses();
    QTRY_VERIFY_WITH_TIMEOUT(form.runPasses() >= passesAtFailure + 20, 5000);
    QVERIFY(form.runActive());
    QCOMPARE(p.dialogs.messages, QStringList{kRecordingWriteError});
    QCOMPARE(p.dialogs.details.constLast(),
             QStringLiteral("/dev/full: %1; the file ends with its last whole row").arg(qt_error_string(ENOSPC)));
    form.toggleRun();
    QCOMPARE(p.dialogs.messages.size(), 1);
    sim.stop();
}

QTEST_MAIN(TestTrendExport)
#include "test_trend_export.moc"
