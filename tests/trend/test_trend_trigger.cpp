// The Trend Graph's trigger against the simulator: set up and armed from the graph menu, kept in
// its own file, a run that stops by itself once the rows after a scripted step fill the graph,
// redrawn with the trigger row marked on the cursor layer only and named in the band; by default
// not before the rows kept before it are full, and exported with qmx-record's "event" column.

#include "base/TextFile.h"
#include "recording/RecordingCsvReader.h"
#include "sim/ControllerSimulator.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trend/TrendWindowProgram.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/GraphExport.h"
#include "trend/graph/GraphLayers.h"
#include "trend/graph/TracePalette.h"
#include "trend/window/ReadoutBand.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/window/TrendGraphView.h"
#include "trend/window/TrendGraphWindow.h"
#include "trend/tools/TriggerDialog.h"
#include "trend/graph/TriggerMark.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

namespace {

constexpr std::uint32_t kWordAddress = 0x600E00;
constexpr std::uint32_t kFlagAddress = 0x600F00;
constexpr int kStepPass = 100;
constexpr int kPreRows = 20;
constexpr QRgb kMarkColour = kTriggerMarkColour;
constexpr QRgb kWhite = 0xFFFFFFFFu;

int markPixelsIn(const QImage &layer, int x)
{
    int count = 0;
    for (int y = 0; y < layer.height(); ++y)
        count += layer.pixel(x, y) == kMarkColour ? 1 : 0;
    return count;
}

// The simulated controller's word at kWordAddress: 0, then 1000 from its `pass`-th read.
void scheduleStep(ControllerSimulator &sim, int pass)
{
    sim.setLiveDemo(false);
    sim.writeWord(kWordAddress, 0);
    ScheduledStep step;
    step.address = kWordAddress;
    step.value = 1000;
    step.fromRead = pass;
    sim.addScheduledStep(step);
}

// Channel `c` selected in `table`, reading the word at `address` (hex) with `scale`.
void selectAddress(ChannelTable &table, int c, const QString &address, const QString &scale)
{
    table.row(c).selected->setChecked(true);
    table.setAddressKind(c, AddressKind::Address);
    table.row(c).name->setText(address);
    table.row(c).scale->setText(scale);
}

} // namespace

class TestTrendTrigger : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void stepEndsAnArmedRun();
    void earlyEventSaysHowFewRowsCameBefore();
    void waitsForThePreRowsAndExportsTheEvent();
};

void TestTrendTrigger::stepEndsAnArmedRun()
{
    SimulatedPort port;
    QVERIFY2(port.start(QStringLiteral("COM1")), qPrintable(port.error()));
    ControllerSimulator &sim = port.simulator();
    scheduleStep(sim, kStepPass);
    sim.writeWord(kFlagAddress, 0x0008);

    TrendWindowProgram p;
    TrendGraphWindow form(p.ws, p.data);
    form.show();
    for (int c = 0; c < kChannels; ++c)
        form.table().row(c).selected->setChecked(false);
    selectAddress(form.table(), 0, QStringLiteral("600E00"), QStringLiteral("2000"));
    selectAddress(form.table(), 7, QStringLiteral("600F00"), QStringLiteral("03"));

    // Set up from the graph menu: the selected channels as the table names them.
    form.view().triggerAction()->trigger();
    TriggerDialog *dialog = form.triggerDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->sourceBox()->count(), 2);
    QCOMPARE(dialog->sourceBox()->itemText(0), QStringLiteral("600E00"));
    QCOMPARE(dialog->sourceBox()->itemText(1), QStringLiteral("600F00.03"));
    dialog->sourceBox()->setCurrentIndex(1);
    QCOMPARE(dialog->conditionBox()->itemText(2), QStringLiteral("changes"));
    QVERIFY(!dialog->levelEdit()->isEnabled());
    dialog->sourceBox()->setCurrentIndex(0);
    QCOMPARE(dialog->conditionBox()->itemText(0), QStringLiteral("rises through"));
    dialog->conditionBox()->setCurrentIndex(0);
    dialog->levelEdit()->setText(QStringLiteral("fast"));
    dialog->armButton()->click();
    QCOMPARE(p.dialogs.messages.value(0), kTriggerBadLevel.arg(kDecCaption));
    QVERIFY(!form.triggerArmed());
    dialog->levelEdit()->setText(QStringLiteral("500"));
    dialog->positionBox()->setValue(kPreRows);
    // A set-up file that cannot be written: armed all the same, and the message names the file and why.
    const QString setupFile = testenv::programDir() + kTriggerFile;
    QVERIFY(QDir().mkpath(setupFile));
    dialog->armButton()->click();
    QVERIFY(form.triggerArmed());
    QCOMPARE(p.dialogs.messages.value(1), kTriggerNotSaved);
    QVERIFY2(p.dialogs.details.value(1).startsWith(setupFile + QStringLiteral(": ")) &&
                 p.dialogs.details.value(1).size() > setupFile.size() + 2,
             qPrintable(p.dialogs.details.value(1)));
    QVERIFY(QDir().rmdir(setupFile));
    dialog->disarmButton()->click();
    QVERIFY(!form.triggerArmed());
    dialog->armButton()->click();
    QCOMPARE(p.dialogs.messages.size(), 2);
    QVERIFY(form.triggerArmed());
    QVERIFY(!dialog->armButton()->isEnabled());
    QVERIFY(dialog->waitBox()->isChecked()); // the default: the file says nothing of it
    QCOMPARE(testenv::readAll(testenv::programDir() + kTriggerFile),
             QByteArray("QMX Trigger\r\nFirst,0,RISES,500\r\nPre,20\r\n"));

    form.toggleRun();
    QTRY_VERIFY_WITH_TIMEOUT(form.runActive(), 4000);
    QVERIFY2(form.band().line(3)->text().startsWith(QStringLiteral("armed: 600E00 rises through 500")),
             qPrintable(form.band().line(3)->text()));
    // From the moment it fires the band says where, and how far the rows after it have come; the
    // whole text is in the line's tooltip.
    const int rowsAfterAsked = trigger::rowsFromTrigger(kPreRows) - 1;
    QTRY_VERIFY_WITH_TIMEOUT(form.band().line(3)->toolTip().contains(QStringLiteral("capturing: ")), 30000);
    const QString capturing = form.band().line(3)->toolTip().section(u'\n', 0, 0);
    const QRegularExpression capturingForm(QStringLiteral(
        "^triggered at \\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\(row 20\\), capturing: (\\d+) of %1 rows after$").arg(rowsAfterAsked));
    const QRegularExpressionMatch progress = capturingForm.match(capturing);
    QVERIFY2(progress.hasMatch(), qPrintable(capturing));
    QVERIFY(progress.captured(1).toInt() < rowsAfterAsked);
    QVERIFY(form.runActive());
    QTRY_VERIFY_WITH_TIMEOUT(!form.runActive(), 30000);

    // Stopped by itself once the rows from the trigger on fill the graph with the pre rows.
    QCOMPARE(form.runPasses(), quint64(kStepPass - 1 + trigger::rowsFromTrigger(kPreRows)));
    QCOMPARE(form.data().rowCount, kRingRows - 1);
    QCOMPARE(form.data().displayRows[kPreRows - 1][0], 0);
    QCOMPARE(form.data().displayRows[kPreRows][0], 1000);
    QVERIFY(form.redrawButton()->isEnabled());
    // Cursor A stands on the trigger row, with the row's values in the table.
    QCOMPARE(form.view().cursorX(), 2 * kPreRows);
    QCOMPARE(form.table().row(0).value->text(), QStringLiteral("1000"));
    QVERIFY(form.band().line(3)->text().startsWith(QStringLiteral("triggered at ")));
    QVERIFY2(form.band().line(3)->text().section(QStringLiteral("   "), 0, 0).endsWith(QStringLiteral(" (row 20)")),
             qPrintable(form.band().line(3)->text()));
    QVERIFY(!form.band().line(3)->toolTip().contains(QStringLiteral("capturing")));
    QVERIFY(!form.band().line(3)->toolTip().contains(QStringLiteral("only")));
    QCOMPARE(form.band().line(0)->text().left(11), QStringLiteral("A: row 20  "));
    // The mark is a line down the whole cursor layer at the trigger row, cursor A's dots kept
    // where they meet, with its letter beside the top; nowhere on the traces, which are pixel for
    // pixel those the rows draw without it.
    const GraphLayers &layers = form.layers();
    for (int y = 0; y < kGraphHeight; ++y) {
        const QRgb pixel = layers.cursor.pixel(2 * kPreRows, y);
        QVERIFY2(pixel == kMarkColour || pixel == kWhite, qPrintable(QString::number(y)));
    }
    QVERIFY(markPixelsIn(layers.cursor, 2 * kPreRows) >= kGraphHeight / 2);
    const int letter = triggermark::letterLeft(2 * kPreRows, kGraphWidth);
    for (int i = 0; i < triggermark::kLetterWidth; ++i)
        QCOMPARE(layers.cursor.pixel(letter + i, triggermark::kLetterTop), kMarkColour);
    QCOMPARE(layers.cursor.pixel(letter + triggermark::kLetterWidth / 2, triggermark::kLetterTop + 5), kMarkColour);
    QCOMPARE(layers.cursor.pixel(letter, triggermark::kLetterTop + 5), 0xFF000000u);
    for (int x = 0; x < kGraphWidth; ++x)
        QCOMPARE(markPixelsIn(layers.trace, x), 0);
    TrendData unmarked = form.data();
    GraphLayers fresh;
    cursor::Position cursorA;
    fresh.initGraphLayers(cursorA);
    fresh.drawRecordedTraces(unmarked);
    QVERIFY(fresh.trace == layers.trace);
    // On the picture shown the letter stands in the mark's colour, a colour no channel draws in.
    QCOMPARE(layers.visible.pixel(letter, triggermark::kLetterTop), kMarkColour);
    for (QRgb colour : kTraceColors)
        QVERIFY(colour != kMarkColour);
    QVERIFY(kSecondCursorColour != kMarkColour);
    // REDRAW keeps it on the same rows.
    form.redraw();
    QVERIFY(markPixelsIn(form.layers().cursor, 2 * kPreRows) > 0);

    // The set-up shows again in Hex, and a new window reads it from its file.
    form.toggleNumberBase();
    form.openTriggerDialog();
    QCOMPARE(dialog->levelEdit()->text(), QStringLiteral("01F4"));
    QCOMPARE(dialog->positionBox()->value(), kPreRows);
    dialog->disarmButton()->click();
    QVERIFY(!form.triggerArmed());
    TrendGraphWindow second(p.ws, p.data);
    QCOMPARE(second.triggerSetup()->first, (trigger::Condition{0, trigger::Edge::Rises, 500}));
    QCOMPARE(second.triggerSetup()->preRows, kPreRows);
    sim.stop();
}

void TestTrendTrigger::earlyEventSaysHowFewRowsCameBefore()
{
    // The step comes on the 10th pass, with 20 rows asked before it and the trigger told not to
    // wait for them: the band says so while the rows after it come and once the run has ended.
    constexpr int kEarlyPass = 10;
    SimulatedPort port;
    QVERIFY2(port.start(QStringLiteral("COM1")), qPrintable(port.error()));
    ControllerSimulator &sim = port.simulator();
    scheduleStep(sim, kEarlyPass);

    TrendWindowProgram p;
    TrendGraphWindow form(p.ws, p.data);
    form.show();
    for (int c = 0; c < kChannels; ++c)
        form.table().row(c).selected->setChecked(false);
    selectAddress(form.table(), 0, QStringLiteral("600E00"), QStringLiteral("2000"));
    form.view().triggerAction()->trigger();
    TriggerDialog *dialog = form.triggerDialog();
    QVERIFY(dialog);
    dialog->conditionBox()->setCurrentIndex(0);
    dialog->levelEdit()->setText(QStringLiteral("500"));
    dialog->positionBox()->setValue(kPreRows);
    dialog->waitBox()->setChecked(false);
    dialog->armButton()->click();
    QVERIFY(form.triggerArmed());
    QCOMPARE(testenv::readAll(testenv::programDir() + kTriggerFile),
             QByteArray("QMX Trigger\r\nFirst,0,RISES,500\r\nPre,20\r\nWaitPre,0\r\n"));

    form.toggleRun();
    QTRY_VERIFY_WITH_TIMEOUT(form.band().line(3)->toolTip().contains(QStringLiteral("capturing: ")), 30000);
    QVERIFY2(form.band().line(3)->toolTip().section(u'\n', 0, 0).contains(
                 QStringLiteral(" (row 9), capturing: ")) &&
                 form.band().line(3)->toolTip().section(u'\n', 0, 0).endsWith(
                     QStringLiteral(" rows after, only 9 rows before the trigger")),
             qPrintable(form.band().line(3)->toolTip()));
    QTRY_VERIFY_WITH_TIMEOUT(!form.runActive(), 30000);
    QCOMPARE(form.data().rowCount, kEarlyPass - 1 + trigger::rowsFromTrigger(kPreRows));
    QCOMPARE(form.view().cursorX(), 2 * (kEarlyPass - 1));
    QCOMPARE(form.data().displayRows[kEarlyPass - 1][0], 1000);
    QVERIFY2(form.band().line(3)->toolTip().section(u'\n', 0, 0).endsWith(
                 QStringLiteral(" (row 9), only 9 rows before the trigger")),
             qPrintable(form.band().line(3)->toolTip()));
    QVERIFY(markPixelsIn(form.layers().cursor, 2 * (kEarlyPass - 1)) > 0);
    dialog->disarmButton()->click();
    sim.stop();
}

void TestTrendTrigger::waitsForThePreRowsAndExportsTheEvent()
{
    // The word rises on the 10th pass, falls on the 20th and rises again on the 40th; 20 rows are
    // asked before the trigger. Waiting for them (the default), the first rise passes and the
    // second fires, with its 20 rows before it on the graph.
    constexpr int kLatePass = 40;
    SimulatedPort port;
    QVERIFY2(port.start(QStringLiteral("COM1")), qPrintable(port.error()));
    ControllerSimulator &sim = port.simulator();
    scheduleStep(sim, 10);
    sim.addScheduledStep({kWordAddress, 0, std::nullopt, 20});
    sim.addScheduledStep({kWordAddress, 1000, std::nullopt, kLatePass});
    QFile::remove(testenv::programDir() + kTriggerFile); // the default set-up

    TrendWindowProgram p;
    TrendGraphWindow form(p.ws, p.data);
    form.show();
    for (int c = 0; c < kChannels; ++c)
        form.table().row(c).selected->setChecked(false);
    selectAddress(form.table(), 0, QStringLiteral("600E00"), QStringLiteral("2000"));
    selectAddress(form.table(), 7, QStringLiteral("600F00"), QStringLiteral("03"));
    form.view().triggerAction()->trigger();
    TriggerDialog *dialog = form.triggerDialog();
    QVERIFY(dialog && dialog->waitBox()->isChecked());
    QCOMPARE(dialog->waitBox()->text(), kTriggerWaitLabel);
    dialog->conditionBox()->setCurrentIndex(0);
    dialog->levelEdit()->setText(QStringLiteral("500"));
    dialog->positionBox()->setValue(kPreRows);
    if (qEnvironmentVariableIsSet("QMX_SHOT_DIR")) // a picture to look at, when asked for
        dialog->grab().save(qEnvironmentVariable("QMX_SHOT_DIR") + QStringLiteral("/trigger-window.png"));
    dialog->armButton()->click();
    QVERIFY(form.triggerArmed() && form.triggerSetup()->waitForPreRows);

    form.toggleRun();
    QTRY_VERIFY_WITH_TIMEOUT(form.runActive(), 4000);
    QTRY_VERIFY_WITH_TIMEOUT(!form.runActive(), 30000);
    QCOMPARE(form.runPasses(), quint64(kLatePass - 1 + trigger::rowsFromTrigger(kPreRows)));
    QCOMPARE(form.data().rowCount, kRingRows - 1);
    QCOMPARE(form.view().cursorX(), 2 * kPreRows);
    QCOMPARE(form.data().displayRows[kPreRows - 1][0], 0);
    QCOMPARE(form.data().displayRows[kPreRows][0], 1000);
    QVERIFY2(form.band().line(3)->toolTip().section(u'\n', 0, 0).endsWith(QStringLiteral(" (row 20)")),
             qPrintable(form.band().line(3)->toolTip()));

    // "Export CSV..." of the triggered run: the column "event" qmx-record writes, 1 on the trigger
    // row, which the Recording window reads as the recording's event.
    const QString exported = testenv::programDir() + QStringLiteral("triggered.csv");
    p.dialogs.saveAnswers = {exported};
    form.graphExport().exportCsvAction()->trigger();
    const QList<QByteArray> lines = testenv::readAll(exported).split('\n');
    QCOMPARE(lines.size(), kRingRows - 1 + 2); // the header, the rows, nothing after the last line end
    QCOMPARE(lines.front(), QByteArray("time,t_s,600E00,600F00.03,event\r"));
    for (int k = 0; k < kRingRows - 1; ++k)
        QVERIFY2(lines[k + 1].endsWith(k == kPreRows ? ",1\r" : ",\r"), lines[k + 1].constData());
    const recording::ReadResult read = recording::readCsvFile(exported);
    QVERIFY2(read.data, qPrintable(read.error));
    QVERIFY(read.data->hasEventColumn);
    QCOMPARE(read.data->eventRows, std::vector<std::size_t>{std::size_t(kPreRows)});

    // A run that no trigger ended exports without it.
    dialog->disarmButton()->click();
    const quint64 before = form.runPasses();
    form.toggleRun();
    QTRY_VERIFY_WITH_TIMEOUT(form.runActive() && form.runPasses() >= before + 3, 8000);
    form.toggleRun();
    form.redraw();
    p.dialogs.saveAnswers = {exported};
    form.graphExport().exportCsvAction()->trigger();
    QCOMPARE(testenv::readAll(exported).left(testenv::readAll(exported).indexOf('\r')), QByteArray("time,t_s,600E00,600F00.03"));
    sim.stop();
}

QTEST_MAIN(TestTrendTrigger)
#include "test_trend_trigger.moc"
