// The Trend Graph's math channels: the dialog's refusals with the fault's position, the file they
// are kept in, a run against the simulator whose math channel is the difference of two read
// channels row for row (empty where a read failed), the read channels' pixels the same with and
// without math channels, the Read-out's rows and "Export CSV..." raw and in engineering values.

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "sim/ControllerSimulator.h"
#include "tests/support/ChannelTableRows.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trend/TrendWindowProgram.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/GraphExport.h"
#include "trend/tools/MathChannelsControl.h"
#include "trend/tools/MathChannelsDialog.h"
#include "trend/model/MathChannelsFile.h"
#include "trend/readout/MathReadout.h"
#include "trend/run/MathTraces.h"
#include "trend/model/Presets.h"
#include "trend/tools/ReadoutWindow.h"
#include "trend/model/RunStart.h"
#include "trend/run/Sampling.h"
#include "trend/window/TrendGraphView.h"
#include "trend/window/TrendGraphWindow.h"
#include "trend/readout/TrendReadout.h"
#include "trend/run/TrendRun.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <cmath>
#include <QtTest>

namespace {

constexpr std::uint32_t kFirst = 0x600E00;
constexpr std::uint32_t kSecond = 0x600E10;

// Channels 0 and 1 on the two words by address, channel 7 a bit of a third: nothing else selected.
void selectChannels(TrendGraphWindow &form)
{
    selectAddressedChannels(form, {{0, QStringLiteral("600E00"), QStringLiteral("1000")},
                                   {1, QStringLiteral("600E10"), QStringLiteral("1000")},
                                   {7, QStringLiteral("600F00"), QStringLiteral("03")}});
}

bool isMathColour(QRgb pixel)
{
    return std::find(kMathTraceColors.begin(), kMathTraceColors.end(), pixel) != kMathTraceColors.end();
}

// Every pixel the read channels set without math channels is the same with them; the others are
// black or a math channel's. Returns the pixels the math channels set.
int compareTraceLayers(const QImage &withoutMath, const QImage &withMath)
{
    int mathPixels = 0;
    for (int y = 0; y < withoutMath.height(); ++y) {
        for (int x = 0; x < withoutMath.width(); ++x) {
            const QRgb plain = withoutMath.pixel(x, y);
            const QRgb shown = withMath.pixel(x, y);
            if (plain != 0xFF000000u) {
                if (shown != plain)
                    return -1;
            } else if (shown != plain) {
                if (!isMathColour(shown))
                    return -1;
                ++mathPixels;
            }
        }
    }
    return mathPixels;
}

} // namespace

class TestTrendMath : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void init() { QFile::remove(mathchannels::defaultPath()); }
    void fileKeptAndReadBack();
    void dialogRefusesWithPosition();
    void badFileLinesNamedAndKept();
    void livePixelsOfReadChannelsKept();
    void runAgainstSimulator();

private:
    QTemporaryDir dir_;
};

void TestTrendMath::fileKeptAndReadBack()
{
    const QString path = dir_.filePath(QStringLiteral("MathChannels.txt"));
    const MathChannelDefinitions definitions{{QStringLiteral("diff = 600E00 - 600E10"), 1000},
                                             {QStringLiteral("avg = mavg(600E00, 4)"), 0.25}};
    QVERIFY(mathchannels::write(path, definitions));
    QCOMPARE(testenv::readAll(path),
             QByteArray("# NAME = EXPRESSION with the full scale it is drawn against, one a line\r\n"
                        "1000\tdiff = 600E00 - 600E10\r\n0.25\tavg = mavg(600E00, 4)\r\n"));
    QCOMPARE(mathchannels::read(path), definitions);

    // Lines that are no channel are left out; a fifth channel too.
    const MathChannelDefinitions read = mathchannels::parse(
        {QStringLiteral("# comment"), QStringLiteral("no tab here"), QStringLiteral("x\ta = 1"), QStringLiteral("-5\tb = 1"),
         QStringLiteral("0\tc = 1"), QStringLiteral("10\t"), QStringLiteral("1\tm1 = 1"), QStringLiteral("2\tm2 = 2"),
         QStringLiteral("3\tm3 = 3"), QStringLiteral("4e1\tm4 = 4"), QStringLiteral("5\tm5 = 5")});
    QCOMPARE(read.size(), std::size_t{4});
    QCOMPARE(read.back(), (MathChannelDefinition{QStringLiteral("m4 = 4"), 40}));
    QVERIFY(mathchannels::read(dir_.filePath(QStringLiteral("none.txt"))).empty());

    // A file that cannot be written says why.
    QString error;
    QVERIFY(!mathchannels::write(dir_.filePath(QStringLiteral("MathChannels.txt/inside.txt")), definitions, &error));
    QVERIFY(!error.isEmpty());
}

void TestTrendMath::dialogRefusesWithPosition()
{
    TrendWindowProgram p;
    TrendGraphWindow form(p.ws, p.data);
    selectChannels(form);
    const QString presets = programfolder::file(QStringLiteral("UserPre.qmt"));
    const QByteArray presetBytes = testenv::readAll(presets);
    QVERIFY(form.mathChannels().mathChannelsAction()->isEnabled());
    QVERIFY(form.graphMenu()->actions().contains(form.mathChannels().mathChannelsAction()));
    form.mathChannels().mathChannelsAction()->trigger();
    MathChannelsDialog *dialog = form.mathChannels().dialog();
    QVERIFY(dialog && dialog->isVisible());

    struct Case {
        QString definition;
        QString fullScale;
        QString problem;
        int cursor;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("diff = 600E00 -"), QStringLiteral("100"),
         QStringLiteral("Math channel 2: diff = 600E00 -: expected a channel, a number, a function or \"(\" at position 16"),
         15},
        {QStringLiteral("x = nope + 1"), QStringLiteral("100"),
         QStringLiteral("Math channel 2: x = nope + 1: no channel \"nope\" in this run at position 5"), 4},
        {QStringLiteral("  600E00 = 1"), QStringLiteral("100"),
         QStringLiteral("Math channel 2:   600E00 = 1: a math channel's name begins with a letter or _ and holds letters, "
                        "digits, _ or . at position 3"),
         2},
        {QStringLiteral("ok = mavg(600E00, 0)"), QStringLiteral("100"), QString(), -1},
        {QStringLiteral("ok2 = 600E00"), QStringLiteral("0"),
         QStringLiteral("Math channel 2: the F.S. \"0\" is not a number above 0"), -1},
        {QStringLiteral("ok3 = 600E00"), QString(), QStringLiteral("Math channel 2: the F.S. \"\" is not a number above 0"),
         -1},
    };
    dialog->definition(0)->setText(QStringLiteral("sum = 600E00 + 600E10"));
    dialog->fullScale(0)->setText(QStringLiteral("2000"));
    for (const Case &c : cases) {
        dialog->definition(1)->setText(c.definition);
        dialog->fullScale(1)->setText(c.fullScale);
        QVERIFY(!dialog->takeLines());
        QVERIFY(dialog->isVisible());
        if (!c.problem.isEmpty())
            QCOMPARE(dialog->problem()->text(), c.problem);
        else
            QVERIFY2(dialog->problem()->text().startsWith(QStringLiteral("Math channel 2: ok = mavg(600E00, 0): ")),
                     qPrintable(dialog->problem()->text()));
        if (c.cursor >= 0)
            QCOMPARE(dialog->definition(1)->cursorPosition(), c.cursor);
    }
    // A name already the first line's.
    dialog->definition(1)->setText(QStringLiteral("sum = 1"));
    dialog->fullScale(1)->setText(QStringLiteral("1"));
    QVERIFY(!dialog->takeLines());
    QCOMPARE(dialog->problem()->text(), QStringLiteral("Math channel 2: sum = 1: the name \"sum\" is already a channel's at position 1"));
    // Nothing was kept meanwhile.
    QVERIFY(!QFile::exists(mathchannels::defaultPath()));

    // Taken: the file holds them, the presets keep their bytes, a new window reads them back.
    dialog->definition(1)->setText(QStringLiteral("diff = 600E00 - 600E10"));
    dialog->fullScale(1)->setText(QStringLiteral("500"));
    dialog->okButton()->click();
    QVERIFY(!dialog->isVisible());
    QVERIFY(dialog->problem()->text().isEmpty());
    const MathChannelDefinitions expected{{QStringLiteral("sum = 600E00 + 600E10"), 2000},
                                          {QStringLiteral("diff = 600E00 - 600E10"), 500}};
    QCOMPARE(form.mathChannels().definitions(), expected);
    QCOMPARE(testenv::readAll(mathchannels::defaultPath()),
             QByteArray("# NAME = EXPRESSION with the full scale it is drawn against, one a line\r\n"
                        "2000\tsum = 600E00 + 600E10\r\n500\tdiff = 600E00 - 600E10\r\n"));
    QCOMPARE(testenv::readAll(presets), presetBytes);
    QVERIFY(p.dialogs.messages.isEmpty());
    TrendGraphWindow again(p.ws, p.data);
    QCOMPARE(again.mathChannels().definitions(), expected);
}

// Lines of MathChannels.txt that are no channel are named, file and line, as Units.txt's are; OK in
// the dialog replaces only the channels' lines: the user's other lines stay as written, where they were.
void TestTrendMath::badFileLinesNamedAndKept()
{
    const QByteArray written = "# NAME = EXPRESSION with the full scale it is drawn against, one a line\r\n"
                               "1e3\tsum = 600E00 + 600E10\r\n"
                               "500 diff = 600E00 - 600E10\r\n"
                               "20,000\tbig = 600E00\r\n"
                               "# my own note\r\n"
                               "250\tavg = mavg(600E00, 4)\r\n"
                               "10\t\r\n"
                               "1\tm3 = 1\r\n"
                               "2\tm4 = 2\r\n"
                               "3\tm5 = 3\r\n";
    {
        QFile file(mathchannels::defaultPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(written);
    }
    const QStringList named = {
        QStringLiteral("MathChannels.txt:3: no tab between the F.S. and the definition"),
        QStringLiteral("MathChannels.txt:4: F.S. \"20,000\" is not a number above 0"),
        QStringLiteral("MathChannels.txt:7: no definition after the F.S."),
        QStringLiteral("MathChannels.txt:10: more than 4 channels; this one is not used"),
    };
    // The channels read, written back, give the file's own lines.
    const QStringList fileLines = QString::fromLatin1(written).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(mathchannels::mergedLines(fileLines, mathchannels::parse(fileLines)), fileLines);
    // Channels for a file of comments alone go after them.
    QCOMPARE(mathchannels::mergedLines({QStringLiteral("# mine")}, {{QStringLiteral("a = 600E00"), 2}}),
             (QStringList{QStringLiteral("# mine"), QStringLiteral("2\ta = 600E00")}));

    TrendWindowProgram p;
    TrendGraphWindow form(p.ws, p.data);
    selectChannels(form);
    QCOMPARE(form.mathChannels().definitions().size(), std::size_t{4});
    QCOMPARE(form.mathChannels().fileProblems(), named);
    form.mathChannels().mathChannelsAction()->trigger();
    MathChannelsDialog *dialog = form.mathChannels().dialog();
    QVERIFY(dialog && dialog->isVisible());
    for (const QString &text : named)
        QVERIFY2(dialog->fileProblems()->text().contains(text), qPrintable(dialog->fileProblems()->text()));
    QVERIFY(!dialog->fileProblems()->isHidden());

    // One channel changed, the fourth taken away: only their lines change.
    dialog->definition(1)->setText(QStringLiteral("avg = mavg(600E00, 8)"));
    dialog->definition(3)->clear();
    dialog->okButton()->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(testenv::readAll(mathchannels::defaultPath()),
             QByteArray("# NAME = EXPRESSION with the full scale it is drawn against, one a line\r\n"
                        "1e3\tsum = 600E00 + 600E10\r\n"
                        "500 diff = 600E00 - 600E10\r\n"
                        "20,000\tbig = 600E00\r\n"
                        "# my own note\r\n"
                        "250\tavg = mavg(600E00, 8)\r\n"
                        "10\t\r\n"
                        "1\tm3 = 1\r\n"
                        "3\tm5 = 3\r\n"));
    // The lines not used are still named; with one channel fewer the fifth is used now.
    QCOMPARE(form.mathChannels().fileProblems(), named.mid(0, 3));
    QCOMPARE(form.mathChannels().definitions().size(), std::size_t{4});
    QCOMPARE(form.mathChannels().definitions().back(), (MathChannelDefinition{QStringLiteral("m5 = 3"), 3}));

    // A file of good lines alone names nothing, and the dialog shows no such note.
    QVERIFY(QFile::remove(mathchannels::defaultPath()));
    QVERIFY(mathchannels::write(mathchannels::defaultPath(), {{QStringLiteral("sum = 600E00 + 600E10"), 1000}}));
    form.mathChannels().setPath(mathchannels::defaultPath());
    QVERIFY(form.mathChannels().fileProblems().isEmpty());
    form.mathChannels().mathChannelsAction()->trigger();
    QVERIFY(dialog->fileProblems()->isHidden());
    dialog->reject();
}

void TestTrendMath::livePixelsOfReadChannelsKept()
{
    // The same passes stored as a run stores them, once without and once with math channels,
    // through a wrap of the ring and the sweep, with failed reads among them.
    TrendData plain;
    plain.selectedChannels = {0, 1, 7};
    plain.channelScale[0] = 1000;
    plain.channelScale[1] = 1000;
    plain.channelScale[7] = 8;
    plain.channelAddress[0] = kFirst;
    plain.channelAddress[1] = kSecond;
    plain.channelAddress[7] = 0x600F00;
    for (int c : plain.selectedChannels) {
        plain.channels[static_cast<std::size_t>(c)].selected = true;
        plain.channels[static_cast<std::size_t>(c)].addressKind = AddressKind::Address;
    }
    plain.channels[0].addressOrName = QStringLiteral("600E00");
    plain.channels[1].addressOrName = QStringLiteral("600E10");
    plain.channels[7].addressOrName = QStringLiteral("600F00");
    plain.channels[7].fullScale = QStringLiteral("03");
    TrendData withMath = plain;
    GraphLayers plainLayers;
    GraphLayers mathLayers;
    runstart::resetRecording(plain);
    runstart::resetRecording(withMath);
    plainLayers.pen.restart();
    mathLayers.pen.restart();
    MathTraces math;
    math.setUp({{QStringLiteral("diff = 600E00 - 600E10"), 1000}, {QStringLiteral("slow = mavg(600E00, 8)"), 800}},
               std::nullopt);
    math.begin(withMath);
    QCOMPARE(withMath.mathChannels.size(), std::size_t{2});
    const auto start = std::chrono::steady_clock::now();
    for (int pass = 0; pass < 330; ++pass) {
        sampling::PassReadout readout;
        readout.latestValue[0] = static_cast<std::int32_t>(800 * std::sin(pass / 9.0));
        readout.latestValue[1] = static_cast<std::int32_t>(600 * std::cos(pass / 13.0));
        readout.latestValue[7] = pass % 11 < 5 ? 8 : 0;
        if (pass % 17 == 3) {
            readout.latestValue[1] = 0;
            readout.failedChannels = 1u << 1;
            readout.errorCount = 1;
        }
        const auto ended = start + std::chrono::milliseconds(100 * pass);
        readout::recordRowInfo(plain, readout, ended);
        sampling::storePass(plain, plainLayers, readout);
        readout::recordRowInfo(withMath, readout, ended);
        sampling::storeAndDraw(withMath, mathLayers, readout);
        const std::size_t row = static_cast<std::size_t>(withMath.ringWritePos);
        math.takeRow(withMath, mathLayers);
        // The difference of the row's reads, empty where one failed.
        const std::optional<double> diff = withMath.mathRing[row][0];
        QCOMPARE(diff.has_value(), readout.failedChannels == 0);
        if (diff)
            QCOMPARE(*diff, double(readout.latestValue[0] - readout.latestValue[1]));
        QVERIFY(withMath.mathRing[row][1].has_value());
        sampling::advancePen(mathLayers.pen);
        sampling::advanceRing(withMath);
        if (pass == 120 || pass == 329) {
            const int mathPixels = compareTraceLayers(plainLayers.trace, mathLayers.trace);
            QVERIFY2(mathPixels > 100, qPrintable(QString::number(mathPixels)));
        }
    }
    // REDRAW: the same rule for the rows drawn again.
    unrollSamples(plain);
    unrollSamples(withMath);
    plainLayers.drawRecordedTraces(plain);
    mathLayers.drawRecordedTraces(withMath);
    QVERIFY(compareTraceLayers(plainLayers.trace, mathLayers.trace) > 100);
    // Without math channels REDRAW draws nothing more.
    GraphLayers again;
    TrendData noMath = withMath;
    noMath.mathChannels.clear();
    again.drawRecordedTraces(noMath);
    QCOMPARE(compareTraceLayers(plainLayers.trace, again.trace), 0);
    QCOMPARE(again.trace, plainLayers.trace);
}

void TestTrendMath::runAgainstSimulator()
{
    SimulatedPort port;
    QVERIFY2(port.start(QStringLiteral("COM1")), qPrintable(port.error()));
    ControllerSimulator &sim = port.simulator();
    sim.setLiveDemo(false);
    sim.writeWord(kFirst, 100);
    sim.writeWord(kSecond, 40);
    sim.writeWord(0x600F00, 0x0008);
    // The words change by their reads; every 7th request is refused, so both channels fail now and then.
    for (const auto &[address, value, read] : {std::tuple{kFirst, 300, 5}, std::tuple{kFirst, 0xFF9C, 12},
                                              std::tuple{kSecond, 0xFFEC, 8}, std::tuple{kSecond, 250, 15}})
        sim.addScheduledStep({address, static_cast<std::uint16_t>(value), std::nullopt, std::uint64_t(read)});
    sim.setFaultEvery(7, SimFault{SimFault::Kind::Nak, 'D'});

    TrendWindowProgram p;
    p.ws.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("5")));
    TrendGraphWindow form(p.ws, p.data);
    form.show();
    selectChannels(form);

    // A definition that names no channel of the run is refused before anything starts.
    QVERIFY(mathchannels::write(mathchannels::defaultPath(), {{QStringLiteral("bad = SpdRef - 1"), 10}}));
    form.mathChannels().setPath(mathchannels::defaultPath());
    form.toggleRun();
    QVERIFY(!form.runActive() && !form.runStarting());
    QCOMPARE(p.dialogs.messages.size(), 1);
    QCOMPARE(p.dialogs.messages.front(),
             QStringLiteral("Math channel 1: bad = SpdRef - 1: no channel \"SpdRef\" in this run at position 7"));
    p.dialogs.messages.clear();

    // Raw CSV of a run without math channels, for the bytes of the default export below.
    QVERIFY(mathchannels::write(mathchannels::defaultPath(),
                                {{QStringLiteral("diff = 600E00 - 600E10"), 500}, {QStringLiteral("hold = 600E00"), 500}}));
    form.mathChannels().setPath(mathchannels::defaultPath());
    form.toggleRun();
    QTRY_VERIFY_WITH_TIMEOUT(form.runActive(), 4000);
    QTRY_VERIFY_WITH_TIMEOUT(form.runPasses() >= 30, 15000);
    form.openReadoutWindow();
    QTRY_VERIFY_WITH_TIMEOUT(form.readoutWindow()->table().rows.size() == 5, 3000);
    QCOMPARE(form.readoutWindow()->table().rows[3].cells.front(), QStringLiteral("diff"));
    QCOMPARE(form.readoutWindow()->table().rows[4].channel, mathreadout::kFirstMathRow + 1);
    form.toggleRun();
    QVERIFY(!form.runActive());
    QVERIFY(p.dialogs.messages.isEmpty());

    // Row for row: diff is the difference of the two reads, empty where either failed.
    TrendData &data = p.data;
    unrollSamples(data);
    QVERIFY(data.rowCount >= 30);
    int failedRows = 0;
    int changedRows = 0;
    for (int k = 0; k < data.rowCount; ++k) {
        const auto row = static_cast<std::size_t>(k);
        const std::uint16_t failed = data.displayRowInfo[row].failedChannels;
        const std::optional<double> diff = data.displayMathRows[row][0];
        const std::optional<double> hold = data.displayMathRows[row][1];
        QCOMPARE(hold.has_value(), (failed & 1u) == 0);
        if (failed & 3u) {
            QVERIFY(!diff);
            ++failedRows;
            continue;
        }
        QVERIFY(diff);
        QCOMPARE(*diff, double(data.displayRows[row][0] - data.displayRows[row][1]));
        changedRows += *diff != 60 ? 1 : 0;
    }
    QVERIFY(failedRows > 0);
    QVERIFY(changedRows > 0);

    // REDRAW: the math channels are drawn again, the read channels' pixels as without them.
    form.redraw();
    TrendData noMath = data;
    noMath.mathChannels.clear();
    GraphLayers plain;
    plain.drawRecordedTraces(noMath);
    QVERIFY(compareTraceLayers(plain.trace, form.layers().trace) > 0);

    // The Read-out's rows between two cursors: the figures of the good results.
    form.setSecondCursor(0);
    const readoutstatistics::ReadoutTable &table = form.readoutWindow()->table();
    QCOMPARE(table.rows.size(), std::size_t{5});
    QCOMPARE(table.rows[3].cells.size(), table.columns.size());
    int emptyDiffs = 0;
    for (int k = 0; k < data.rowCount; ++k)
        emptyDiffs += data.displayMathRows[static_cast<std::size_t>(k)][0] ? 0 : 1;
    QCOMPARE(table.rows[3].cells.back(), QString::number(emptyDiffs));

    // Export CSV: raw by default, a column per math channel after the read channels.
    const QString raw = dir_.filePath(QStringLiteral("raw.csv"));
    p.dialogs.saveAnswers = {raw};
    form.graphExport().exportCsvAction()->trigger();
    const QByteArray rawCsv = testenv::readAll(raw);
    QVERIFY(rawCsv.startsWith("time,t_s,600E00,600E10,600F00.03,diff,hold\r\n"));
    const QList<QByteArray> rawLines = rawCsv.split('\n');
    QCOMPARE(rawLines.size(), data.rowCount + 2);
    // The read channels' cells are the export without math channels, byte for byte.
    const QList<QByteArray> plainLines = readout::shownRowsCsv(noMath).split('\n');
    QCOMPARE(mathreadout::shownRowsCsv(noMath, nullptr), readout::shownRowsCsv(noMath));
    for (int k = 1; k <= data.rowCount; ++k) {
        const QByteArray line = rawLines[k].chopped(1);
        const QByteArray plainLine = plainLines[k].chopped(1);
        QVERIFY(line.startsWith(plainLine + ','));
        const std::optional<double> diff = data.displayMathRows[static_cast<std::size_t>(k - 1)][0];
        QCOMPARE(line.split(',')[5], diff ? QByteArray::number(*diff) : QByteArray());
    }

    // "Engineering values": the scaled channel headed with its unit, its cells raw x gain + offset.
    const QString units = dir_.filePath(QStringLiteral("Units.txt"));
    QVERIFY(textfile::writeAtomically(units, "600E00\t0.5\t10\trpm\r\n600E10\t2\t0\t\r\n"));
    form.mathChannels().setUnitsPath(units);
    QVERIFY(!form.mathChannels().engineeringExportAction()->isChecked());
    form.mathChannels().engineeringExportAction()->trigger();
    const QString scaled = dir_.filePath(QStringLiteral("scaled.csv"));
    p.dialogs.saveAnswers = {scaled};
    form.graphExport().exportCsvAction()->trigger();
    const QList<QByteArray> scaledLines = testenv::readAll(scaled).split('\n');
    // A scale without a unit in empty brackets; the math channels were computed without units.
    QCOMPARE(scaledLines.front(), QByteArray("time,t_s,600E00 [rpm],600E10 [],600F00.03,diff,hold\r"));
    for (int k = 1; k <= data.rowCount; ++k) {
        const QList<QByteArray> cells = scaledLines[k].chopped(1).split(',');
        const QList<QByteArray> rawCells = rawLines[k].chopped(1).split(',');
        QCOMPARE(cells.size(), 7);
        QCOMPARE(cells[0] + cells[1], rawCells[0] + rawCells[1]);
        if (rawCells[2].isEmpty())
            QVERIFY(cells[2].isEmpty());
        else
            QCOMPARE(cells[2].toDouble(), rawCells[2].toDouble() * 0.5 + 10);
        if (!rawCells[3].isEmpty())
            QCOMPARE(cells[3].toDouble(), rawCells[3].toDouble() * 2);
        QCOMPARE(cells[4], rawCells[4]);
        QCOMPARE(cells[5] + ',' + cells[6], rawCells[5] + ',' + rawCells[6]);
    }
    QVERIFY(p.dialogs.messages.isEmpty());

    // A .trd keeps its bytes and holds no math channels: saved and opened again, its rows export
    // without them.
    const QString trd = dir_.filePath(QStringLiteral("run.trd"));
    p.dialogs.saveAnswers = {trd};
    form.saveTrendFile();
    const QByteArray trdBytes = testenv::readAll(trd);
    QVERIFY(!trdBytes.isEmpty());
    QVERIFY(!trdBytes.contains("diff"));
    p.dialogs.openAnswers = {trd};
    form.openTrendFile();
    QVERIFY(data.mathChannels.empty());
    form.mathChannels().engineeringExportAction()->trigger();
    const QString opened = dir_.filePath(QStringLiteral("opened.csv"));
    p.dialogs.saveAnswers = {opened};
    form.graphExport().exportCsvAction()->trigger();
    QCOMPARE(testenv::readAll(opened), readout::shownRowsCsv(data));
    QVERIFY(testenv::readAll(opened).startsWith("time,t_s,600E00,600E10,600F00.03\r\n"));
    QVERIFY(p.dialogs.messages.isEmpty());
}

QTEST_MAIN(TestTrendMath)
#include "test_trend_math.moc"
