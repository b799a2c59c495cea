// The Trend Graph's trigger against the simulator: set up and armed from the graph menu, kept in
// its own file, a run that stops by itself once the rows after a scripted step fill the graph,
// redrawn with the trigger row marked on the cursor layer only and named in the band.

#include "base/TextFile.h"
#include "sim/ControllerSimulator.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trend/TrendWindowProgram.h"
#include "trend/ChannelTable.h"
#include "trend/GraphLayers.h"
#include "trend/ReadoutBand.h"
#include "trend/TrendGraphTexts.h"
#include "trend/TrendGraphView.h"
#include "trend/TrendGraphWindow.h"
#include "trend/TriggerDialog.h"

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
constexpr QRgb kMarkColour = 0xFFFF00FFu;

int markPixelsIn(const QImage &layer, int x)
{
    int count = 0;
    for (int y = 0; y < layer.height(); ++y)
        count += layer.pixel(x, y) == kMarkColour ? 1 : 0;
    return count;
}

} // namespace

class TestTrendTrigger : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void stepEndsAnArmedRun();
};

void TestTrendTrigger::stepEndsAnArmedRun()
{
    SimulatedPort port;
    QVERIFY2(port.start(QStringLiteral("COM1")), qPrintable(port.error()));
    ControllerSimulator &sim = port.simulator();
    sim.setLiveDemo(false);
    sim.writeWord(kWordAddress, 0);
    sim.writeWord(kFlagAddress, 0x0008);
    ScheduledStep step;
    step.address = kWordAddress;
    step.value = 1000;
    step.fromRead = kStepPass;
    sim.addScheduledStep(step);

    TrendWindowProgram p;
    TrendGraphWindow form(p.ws, p.data);
    form.show();
    for (int c = 0; c < kChannels; ++c)
        form.table().row(c).selected->setChecked(false);
    const auto setRow = [&](int c, const QString &name, const QString &scale) {
        form.table().row(c).selected->setChecked(true);
        form.table().setAddressKind(c, AddressKind::Address);
        form.table().row(c).name->setText(name);
        form.table().row(c).scale->setText(scale);
    };
    setRow(0, QStringLiteral("600E00"), QStringLiteral("2000"));
    setRow(7, QStringLiteral("600F00"), QStringLiteral("03"));

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
    QCOMPARE(testenv::readAll(testenv::programDir() + kTriggerFile),
             QByteArray("QMX Trigger\r\nFirst,0,RISES,500\r\nPre,20\r\n"));

    form.toggleRun();
    QTRY_VERIFY_WITH_TIMEOUT(form.runActive(), 4000);
    QVERIFY2(form.band().line(3)->text().startsWith(QStringLiteral("armed: 600E00 rises through 500")),
             qPrintable(form.band().line(3)->text()));
    QTRY_VERIFY_WITH_TIMEOUT(!form.runActive(), 30000);

    // Stopped by itself once the rows from the trigger on fill the graph with the pre rows.
    QCOMPARE(form.runPasses(), quint64(kStepPass - 1 + trigger::rowsFromTrigger(kPreRows)));
    QCOMPARE(form.data().rowCount, kRingRows - 1);
    QCOMPARE(form.data().displayRows[kPreRows - 1][0], 0);
    QCOMPARE(form.data().displayRows[kPreRows][0], 1000);
    QVERIFY(form.redrawButton()->isEnabled());
    QCOMPARE(form.data().cursorX, 2 * (kRingRows - 2));
    QVERIFY(form.band().line(3)->text().startsWith(QStringLiteral("triggered at ")));
    QVERIFY2(form.band().line(3)->text().section(QStringLiteral("   "), 0, 0).endsWith(QStringLiteral(" (row 20)")),
             qPrintable(form.band().line(3)->text()));
    QCOMPARE(form.band().line(0)->text().left(12), QStringLiteral("A: row 248  "));
    // The mark is on the cursor layer at the trigger row, nowhere on the traces.
    const GraphLayers &layers = form.layers();
    QVERIFY(markPixelsIn(layers.cursor, 2 * kPreRows) > 0);
    for (int x = 0; x < kGraphWidth; ++x)
        QCOMPARE(markPixelsIn(layers.trace, x), 0);
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

QTEST_MAIN(TestTrendTrigger)
#include "test_trend_trigger.moc"
