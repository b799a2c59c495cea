// The Trend Graph window: creation and closing, REDRAW, the run-start refusals and a whole run
// against the controller simulator.

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "shell/MainWindow.h"
#include "shell/Program.h"
#include "sim/ControllerSimulator.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/StallProbe.h"
#include "tests/support/TestEnvironment.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/model/Presets.h"
#include "trend/window/TrendGraphWindow.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/ReadoutBand.h"
#include "trend/window/TrendGraphView.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <QtTest>
#include <memory>

namespace {

constexpr QRgb kRed = 0xFFFF0000u;
constexpr QRgb kLime = 0xFF00FF00u;
constexpr QRgb kWhite = 0xFFFFFFFFu;

QRgb pixel(const QImage &image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

// The program object without its windows, with a stand-in Variables List holding "Data Read".
struct ProgramWithStandIns {
    ProgramWithStandIns()
    {
        QObject::connect(&ws.links, &WindowLinks::variablesListWanted, [this] { ++varListOpened; });
        // The stand-ins follow the run state as the real windows do.
        QObject::connect(&ws.session, &Session::changed, [this](const SessionState &state) {
            if (trendGraphWasOpen && !state.trendGraphOpen)
                ++displayClosed;
            trendGraphWasOpen = state.trendGraphOpen;
            dataReadButton.setEnabled(dataReadAllowed(state));
        });
        ws.catalogue.variableList = {"00600F92,AnTermIn", "00600F00,InvFlag", "00600FAA,SpdFbk", "END"};
        ws.catalogue.variableListBuilt = true;
        ws.session.setCatalogueDecoded(true);
        ws.session.setVariablesListOpen(true);
    }
    const QPushButton *dataRead() const { return &dataReadButton; }

    // The stand-ins come first, so that they outlive the windows the program closes as it goes.
    ScriptedDialogs dialogs;
    QPushButton dataReadButton{QStringLiteral("Data Read")};
    int varListOpened = 0;
    int displayClosed = 0;
    bool trendGraphWasOpen = false;
    Program program{dialogs};
    Link &link = program.link;
    Workspace &ws = program.ws;
    TrendData &data = program.trend;
};

// Sets row c of the table: ticked, "A"/"L", name or address, full scale or bit.
void setRow(TrendGraphWindow &form, int c, bool on, const QString &al, const QString &name, const QString &scale)
{
    form.table().row(c).selected->setChecked(on);
    form.table().setAddressKind(c, al == u"L" ? AddressKind::Name : AddressKind::Address);
    form.table().row(c).name->setText(name);
    form.table().row(c).scale->setText(scale);
}

void untickAll(TrendGraphWindow &form)
{
    for (int n = 1; n <= kChannels; ++n)
        form.table().row(n - 1).selected->setChecked(false);
}

void deleteClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

} // namespace

class TestTrendRun : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void init() { testenv::restoreDataFile(presets::kPresetFile); }

    void creationAndClosing();
    void redraw();
    void runStartRefusals();
    void failedPortOpen();
    void runAgainstSimulator();
    void screenFollowsThePicture();
};

void TestTrendRun::creationAndClosing()
{
    ProgramWithStandIns p;
    p.ws.session.setVariablesListOpen(false);
    p.ws.catalogue.variableListBuilt = false;
    p.ws.session.setCatalogueDecoded(false);
    QPointer<TrendGraphWindow> form = new TrendGraphWindow(p.ws, p.data);
    form->show();

    QCOMPARE(form->windowTitle(), QStringLiteral("Trend Graph"));
    QCOMPARE(form->size(), QSize(816, 533));
    QCOMPARE(form->testAttribute(Qt::WA_DeleteOnClose), true);
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form->graphPicture()->geometry(), QRect(50, 40, 501, 401));
    const auto inWindow = [&form](const QWidget *control) {
        return QRect(control->mapTo(form.data(), QPoint(0, 0)), control->size());
    };
    QCOMPARE(inWindow(form->table().keyPicture()), QRect(552, 94, 20, 320));
    QCOMPARE(inWindow(form->table().row(0).scale), QRect(680, 95, 51, 21));
    QCOMPARE(inWindow(form->table().row(7).scale), QRect(690, 265, 26, 21));
    QCOMPARE(inWindow(form->table().row(13).value), QRect(750, 385, 26, 21));
    QCOMPARE(inWindow(form->table().row(6).addressKind), QRect(575, 215, 21, 21));

    // The shipped presets: channels 0, 1, 7, 8, 9 ticked.
    QCOMPARE(form->table().row(0).selected->isChecked(), true);
    QCOMPARE(form->table().row(2).selected->isChecked(), false);
    QCOMPARE(form->table().row(8).selected->isChecked(), true);
    QCOMPARE(form->table().row(1).name->text(), QStringLiteral("SpdFbk"));
    QCOMPARE(form->table().row(1).scale->text(), QStringLiteral("20000"));
    QCOMPARE(form->table().row(8).scale->text(), QStringLiteral("07"));
    QCOMPARE(form->table().row(0).addressKind->text(), QStringLiteral("L"));
    QCOMPARE(p.data.channels[8].fullScale, QStringLiteral("07"));
    for (int c = 0; c < kChannels; ++c)
        QVERIFY(form->table().row(c).value->isHidden());
    // What is not said by a caption is said by a tooltip: picking a name, A/L, F.S. or bit, the
    // graph's clicks.
    for (int c = 0; c < kChannels; ++c) {
        const ChannelRow &row = form->table().row(c);
        QVERIFY(row.name->toolTip().contains(QStringLiteral("Double-click")));
        QVERIFY(!row.addressKind->toolTip().isEmpty() && !row.scale->toolTip().isEmpty());
    }
    QVERIFY(form->graphPicture()->toolTip().contains(QStringLiteral("Shift+click")));
    QCOMPARE(form->runStatus()->text(), QStringLiteral("RUN/STOP"));
    QCOMPARE(form->runButton()->text(), QStringLiteral("RUN"));
    QVERIFY(!form->runButton()->isEnabled()); // no variable list built yet
    for (QPushButton *button : {form->redrawButton(), form->stepLeftButton(), form->stepRightButton(),
                                form->numberBaseButton()})
        QVERIFY(!button->isEnabled());
    for (QPushButton *button : {form->openButton(), form->saveButton(), form->printButton()})
        QVERIFY(button->isEnabled());
    QVERIFY(!form->pollArmed());
    QVERIFY(p.ws.session.state().trendGraphOpen);
    QCOMPARE(p.varListOpened, 1);
    QCOMPARE(form->view().cursorX(), 498);
    QCOMPARE(pixel(form->layers().visible, 3, 100), kWhite); // the grid is on show

    form->close();
    QCOMPARE(p.displayClosed, 1);
    QVERIFY(!p.ws.session.state().trendGraphOpen);
    deleteClosedWindows();
    QVERIFY(form.isNull());

    // Without a preset file every channel comes up with its defaults, unticked.
    QFile::remove(programfolder::file(presets::kPresetFile));
    p.ws.session.setVariablesListOpen(true);
    p.ws.catalogue.variableListBuilt = true;
    p.ws.session.setCatalogueDecoded(true);
    TrendGraphWindow second(p.ws, p.data);
    QCOMPARE(p.varListOpened, 1);
    QVERIFY(second.runButton()->isEnabled());
    for (int c = 0; c < kChannels; ++c)
        QVERIFY(!second.table().row(c).selected->isChecked());
    QCOMPARE(second.table().row(6).name->text(), QStringLiteral("AnTermIn"));
    QCOMPARE(second.table().row(6).scale->text(), QStringLiteral("20000"));
    QCOMPARE(second.table().row(13).name->text(), QStringLiteral("InvFlag"));
    QCOMPARE(second.table().row(13).scale->text(), QStringLiteral("00"));
}

void TestTrendRun::redraw()
{
    ProgramWithStandIns p;
    TrendGraphWindow form(p.ws, p.data);

    // Nothing recorded: nothing drawn, the cursor at the left edge, value boxes untouched.
    form.redraw();
    QCOMPARE(p.data.rowCount, 0);
    QCOMPARE(form.view().cursorX(), 0);
    QCOMPARE(form.table().row(0).value->text(), QStringLiteral("-32767"));
    QCOMPARE(pixel(form.layers().visible, 0, 50), kWhite); // cursor line at x 0
    for (QPushButton *button : {form.stepLeftButton(), form.stepRightButton(), form.numberBaseButton()})
        QVERIFY(button->isEnabled());
    // Rows of unselected channels disappear, the others show their value boxes.
    QVERIFY(form.table().row(0).value->isVisibleTo(&form));
    QVERIFY(!form.table().row(2).name->isVisibleTo(&form));
    QVERIFY(!form.table().row(2).scale->isVisibleTo(&form));
    QVERIFY(!form.table().row(2).value->isVisibleTo(&form));
    QVERIFY(!form.table().row(2).selected->isVisibleTo(&form));
    QVERIFY(!form.table().row(2).addressKind->isVisibleTo(&form));

    // Three recorded rows: the cursor on the last, value boxes in decimal.
    p.data.selectedChannels = {0, 7};
    p.data.channelScale[0] = 20000;
    p.data.channelScale[7] = 1;
    p.data.sampleRing[0] = {100};
    p.data.sampleRing[1] = {-250};
    p.data.sampleRing[2] = {20000, 0, 0, 0, 0, 0, 0, 1};
    p.data.ringWritePos = 3;
    p.data.ringWrapped = false;
    form.redraw();
    QCOMPARE(p.data.rowCount, 3);
    QCOMPARE(form.view().cursorX(), 4);
    QCOMPARE(form.table().row(0).value->text(), QStringLiteral("20000"));
    QCOMPARE(form.table().row(7).value->text(), QStringLiteral("1"));
    QCOMPARE(form.table().row(1).value->text(), QStringLiteral("-32767")); // not selected: untouched
    QCOMPARE(pixel(form.layers().visible, 4, 50), kWhite);
    QCOMPARE(pixel(form.layers().visible, 0, 50), 0xFF000000u);
    // From -250 at x 2 up to full scale at x 4, the end point itself not painted.
    QCOMPARE(pixel(form.layers().visible, 3, 150), kRed);
    QCOMPARE(pixel(form.layers().visible, 4, 1), kRed);
    QCOMPARE(pixel(form.layers().trace, 4, 0), 0xFF000000u);
}

void TestTrendRun::runStartRefusals()
{
    ProgramWithStandIns p;
    TrendGraphWindow form(p.ws, p.data);
    const QByteArray presetsBefore = testenv::readAll(programfolder::file(presets::kPresetFile));

    // A full-scale box is checked whether its channel is ticked or not; nothing else happens.
    untickAll(form);
    form.table().row(2).scale->setText(QStringLiteral("1.5"));
    form.toggleRun();
    QCOMPARE(p.dialogs.messages, QStringList{kCheckFullScale});
    QCOMPARE(form.runStatus()->text(), QStringLiteral("RUN/STOP"));
    QVERIFY(form.openButton()->isEnabled());
    QVERIFY(p.dataRead()->isEnabled());
    form.table().row(2).scale->setText(QStringLiteral("20000"));

    // Nothing ticked.
    p.dialogs.messages.clear();
    form.toggleRun();
    QCOMPARE(p.dialogs.messages, QStringList{kSelectDrawingData});
    QCOMPARE(form.runStatus()->text(), QStringLiteral("Stop"));
    QVERIFY(form.redrawButton()->isEnabled());
    QVERIFY(p.dataRead()->isEnabled());
    QCOMPARE(form.runButton()->text(), QStringLiteral("RUN"));

    // Two channels that do not resolve: one message, naming the first, and saying that until a Data
    // Read only the variable files' names are known. Names lose their spaces in the records only.
    p.dialogs.messages.clear();
    setRow(form, 0, true, "L", "Anterm In", "20000");
    setRow(form, 1, true, "A", "600e00", "20000");
    setRow(form, 8, true, "L", "Inv Flag", "03");
    form.toggleRun();
    QCOMPARE(p.dialogs.messages, QStringList{kAddressNotFound + "\n" + kChannelNotFound.arg(1).arg("AntermIn") + "\n" +
                                             kDataReadBuildsList});
    // After a Data Read has decoded blocks, the hint is left out.
    p.dialogs.messages.clear();
    p.ws.catalogue.blockRecords = {BlockRecord{QStringLiteral("PI3A"), 20, 1, 4, 2, 1}, BlockRecord{}};
    form.toggleRun();
    QCOMPARE(p.dialogs.messages, QStringList{kAddressNotFound + "\n" + kChannelNotFound.arg(1).arg("AntermIn")});
    p.ws.catalogue.blockRecords = {BlockRecord{}};
    QCOMPARE(p.data.channels[0].addressOrName, QStringLiteral("AntermIn"));
    QCOMPARE(p.data.channels[8].addressOrName, QStringLiteral("InvFlag"));
    QCOMPARE(form.table().row(0).name->text(), QStringLiteral("Anterm In"));
    QCOMPARE(form.runStatus()->text(), QStringLiteral("Stop"));
    QVERIFY(p.dataRead()->isEnabled());

    // Scales that cannot be drawn are refused before anything is saved.
    const auto refusedWith = [&](const QString &message) {
        p.dialogs.messages.clear();
        form.toggleRun();
        return p.dialogs.messages == QStringList{message} && form.runButton()->text() == QStringLiteral("RUN") &&
               p.dataRead()->isEnabled();
    };
    setRow(form, 0, true, "L", "An Term In", "0");
    setRow(form, 1, true, "A", "600E00", "20000");
    QVERIFY(refusedWith(kFullScaleZero));
    setRow(form, 0, true, "L", "AnTermIn", "99999999999");
    QVERIFY(refusedWith(kCheckFullScale));
    setRow(form, 0, true, "L", "AnTermIn", "20000");
    form.table().row(8).scale->setText(QStringLiteral("x3"));
    QVERIFY(refusedWith(kCheckBitNumber));
    // A word has bits 0 to 15: any other bit would record 0 for ever.
    for (const char *bit : {"16", "-3", "99"}) {
        form.table().row(8).scale->setText(QLatin1String(bit));
        QVERIFY2(refusedWith(kCheckBitNumber + "\n" + kBitOutOfRange.arg(9).arg("InvFlag", bit)), bit);
    }
    form.table().row(8).scale->setText(QStringLiteral("15"));
    QCOMPARE(testenv::readAll(programfolder::file(presets::kPresetFile)), presetsBefore);
    QVERIFY(!p.link.isOpen());
}

void TestTrendRun::failedPortOpen()
{
    ProgramWithStandIns p;
    testenv::usePort(QStringLiteral("COM1"), QStringLiteral("/nonexistent/qmx-tty"));
    TrendGraphWindow form(p.ws, p.data);
    untickAll(form);
    setRow(form, 0, true, "L", "An Term In", "20000");
    setRow(form, 1, true, "A", "600E00123", "020000");
    setRow(form, 7, true, "L", "InvFlag", "15");
    setRow(form, 9, false, "L", "Not In List", "00");
    form.toggleNumberBase();
    QCOMPARE(form.numberBaseButton()->text(), QStringLiteral("Hex"));
    p.data.sampleRing[3][1] = 99;
    p.data.ringWritePos = 4;

    form.toggleRun();
    // One box: the port's message, the device and why under it, and that the run did not start.
    QTRY_COMPARE(p.dialogs.messages, (QStringList{kCreateFileError}));
    QVERIFY2(p.dialogs.details.value(0).startsWith(QStringLiteral("/nonexistent/qmx-tty: ")) &&
                 p.dialogs.details.value(0).endsWith(u'\n' + kCommunicationError),
             qPrintable(p.dialogs.details.value(0)));
    QCOMPARE(form.runButton()->text(), QStringLiteral("RUN"));
    QCOMPARE(form.runStatus()->text(), QStringLiteral("Stop"));
    QVERIFY(!form.runStarting());
    QVERIFY(!p.ws.linkThread.portOpen());
    QVERIFY(p.dataRead()->isEnabled());
    // Addresses and scales of the selection, the recording cleared, the presets saved.
    QCOMPARE(p.data.channelAddress[0], 0x600F92u);
    QCOMPARE(p.data.channelAddress[1], 0x600E0012u);
    QCOMPARE(p.data.channelAddress[7], 0x600F00u);
    QCOMPARE(p.data.channelAddress[9], 0u);
    QCOMPARE(p.data.selectedChannels, (std::vector<int>{0, 1, 7}));
    QCOMPARE(p.data.channelScale[7], 32768);
    QCOMPARE(p.data.sampleRing[3][1], 0);
    QCOMPARE(p.data.ringWritePos, 0);
    const QByteArray saved = testenv::readAll(programfolder::file(presets::kPresetFile));
    QVERIFY(saved.startsWith("Hex,,,,\r\nON,L,AnTermIn,20000\r\nON,A,600E00123,020000\r\nOF,L,SpdCmd,20000\r\n"));
    QCOMPARE(saved.count("\r\n"), 15);
    QVERIFY(saved.contains("\r\nON,L,InvFlag,15\r\nOF,L,InvFlag,07\r\nOF,L,NotInList,00\r\n"));
    QCOMPARE(testenv::readAll(programfolder::file(presets::kPresetCopyFile)), saved);
    // The colour key shows every channel after a start, whether the port opened or not.
    QCOMPARE(pixel(form.layers().key, 5, 19), kRed);
    QCOMPARE(pixel(form.layers().key, 5, 59), 0xFF0000FFu);
}

void TestTrendRun::runAgainstSimulator()
{
    SimulatedPort port;
    QVERIFY2(port.start(QStringLiteral("COM1")), qPrintable(port.error()));
    ControllerSimulator &sim = port.simulator();
    sim.setLiveDemo(false);
    sim.writeWord(0x600F92, 0x4E20); // AnTermIn: 20000
    sim.writeWord(0x600FA8, 0x8000); // -32768
    sim.writeWord(0x600E00, 0x1234);
    sim.writeWord(0x600F00, 0x0008); // InvFlag: bit 3 set
    sim.writeWord(0x600F02, 0x7FFF); // bit 15 clear
    QFile::remove(QStringLiteral("ErrTrace.txt"));

    ProgramWithStandIns p;
    p.ws.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("300"))); // passes far enough apart to stop after the third
    QPointer<TrendGraphWindow> form = new TrendGraphWindow(p.ws, p.data);
    form->show();
    untickAll(*form);
    setRow(*form, 0, true, "L", "AnTermIn", "20000");
    setRow(*form, 1, true, "A", "600FA8", "32767");
    setRow(*form, 2, true, "A", "600E00", "20000");
    setRow(*form, 7, true, "L", "InvFlag", "03");
    setRow(*form, 8, true, "A", "600F02", "15");

    // Pass 1 clean, pass 2 with channel 2 silent (the eighth read of the run), pass 3 clean again.
    for (int i = 0; i < 7; ++i)
        sim.queueFault(SimFault{});
    sim.queueFault(SimFault{SimFault::Kind::Silence});

    // A second press during the pause after the port opened is refused.
    form->toggleRun();
    QVERIFY(form->runStarting());
    QTRY_VERIFY(p.ws.linkThread.portOpen());
    form->toggleRun();
    QVERIFY(form->runStarting());
    QTRY_COMPARE_WITH_TIMEOUT(form->runButton()->text(), QStringLiteral("STOP"), 3000);
    QCOMPARE(p.dialogs.messages, QStringList{});
    QCOMPARE(form->runStatus()->text(), QStringLiteral("Run"));
    QCOMPARE(form->runStatus()->palette().color(QPalette::Window), QColor(0, 255, 0));
    for (QPushButton *button : {form->redrawButton(), form->stepLeftButton(), form->stepRightButton(),
                                form->numberBaseButton(), form->openButton(), form->saveButton(), form->printButton()})
        QVERIFY(!button->isEnabled());
    QVERIFY(!p.dataRead()->isEnabled());
    QCOMPARE(p.ws.linkThread.holder(), PortUser::TrendRun);
    QVERIFY(form->pollArmed());

    QTRY_VERIFY_WITH_TIMEOUT(p.data.ringWritePos >= 3, 8000);
    QTest::mouseClick(form->runButton(), Qt::LeftButton);
    QCOMPARE(form->runButton()->text(), QStringLiteral("RUN"));
    for (int row = 0; row < 3; ++row) {
        const SampleRow &r = p.data.sampleRing[row];
        QCOMPARE(r[0], 20000);
        QCOMPARE(r[1], -32768);
        QCOMPARE(r[2], row == 1 ? 0 : 0x1234);
        QCOMPARE(r[7], 1);
        QCOMPARE(r[8], 0);
        QCOMPARE(r[3] | r[9] | r[13], 0);
    }
    const QByteArray trace = testenv::readAll(QStringLiteral("ErrTrace.txt"));
    QCOMPARE(trace.count(" Code="), 1);
    // No refusal stored yet; after the fields, the channel, its word and the request that failed.
    QVERIFY2(trace.endsWith(" Code=-1 Data= Channel=3:600E00 Address=00600E00 Request=R 00600E00\r\n"),
             trace.constData());
    QCOMPARE(pixel(form->layers().trace, 2, 50), kLime); // the mark of pass 2, at x 2
    QCOMPARE(pixel(form->layers().visible, 2, 50), kLime);
    QCOMPARE(pixel(form->layers().visible, 1, 0), kRed);

    // Left to itself the run polls on; STOP ends it between two passes.
    p.ws.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("0")));
    form->toggleRun();
    QTRY_VERIFY_WITH_TIMEOUT(p.data.ringWritePos >= 8 || p.data.ringWrapped, 5000);
    QTest::mouseClick(form->runButton(), Qt::LeftButton);
    QCOMPARE(form->runButton()->text(), QStringLiteral("RUN"));
    QCOMPARE(form->runStatus()->text(), QStringLiteral("Stop"));
    QVERIFY(!form->pollArmed());
    QVERIFY(p.dataRead()->isEnabled());
    for (QPushButton *button : {form->redrawButton(), form->openButton(), form->saveButton(), form->printButton()})
        QVERIFY(button->isEnabled());
    QVERIFY(!form->stepLeftButton()->isEnabled());
    QTRY_VERIFY(!p.ws.linkThread.portOpen());
    const int frozenAt = p.data.ringWritePos;
    const bool wrapped = p.data.ringWrapped;
    QTest::qWait(100);
    QCOMPARE(p.data.ringWritePos, frozenAt);
    QCOMPARE(p.data.ringWrapped, wrapped);
    QCOMPARE(p.data.sampleRing[(frozenAt + kRingRows - 1) % kRingRows][0], 20000);

    // A silent controller: STOP lands in the window at once while the pass waits on the line, the
    // window never waits, and the port is free within one reply time; the unfinished row is not
    // recorded.
    for (std::uint32_t address : {0x600F92u, 0x600FA8u, 0x600E00u, 0x600F00u, 0x600F02u})
        sim.setAddressFault(address, SimFault{SimFault::Kind::Silence});
    form->toggleRun();
    QTRY_COMPARE_WITH_TIMEOUT(form->runButton()->text(), QStringLiteral("STOP"), 3000);
    const int rowBefore = p.data.ringWritePos;
    {
        StallProbe probe;
        QTest::qWait(300); // the first read of the first pass is on the wire
        QElapsedTimer stopClock;
        stopClock.start();
        QTest::mouseClick(form->runButton(), Qt::LeftButton);
        QVERIFY2(stopClock.elapsed() < 100, qPrintable(QString::number(stopClock.elapsed())));
        QCOMPARE(form->runButton()->text(), QStringLiteral("RUN"));
        QTRY_VERIFY_WITH_TIMEOUT(!p.ws.linkThread.portOpen(), 2500);
        QVERIFY2(stopClock.elapsed() < 2300, qPrintable(QString::number(stopClock.elapsed())));
        QVERIFY2(probe.longestGapMs() < 50, qPrintable(QString::number(probe.longestGapMs())));
    }
    QCOMPARE(p.data.ringWritePos, rowBefore);
    QVERIFY(!form->pollArmed());

    // Left running against the silent controller, the band says so in red within one reply time
    // of the pass being due, not after the whole pass; the first answer takes it away.
    QTRY_VERIFY(!p.ws.linkThread.portOpen());
    form->toggleRun();
    QTRY_COMPARE_WITH_TIMEOUT(form->runButton()->text(), QStringLiteral("STOP"), 3000);
    QVERIFY(form->band().lineState()->isHidden());
    QElapsedTimer silentClock;
    silentClock.start();
    QTRY_VERIFY_WITH_TIMEOUT(!form->band().lineState()->isHidden(), 4000);
    QVERIFY2(silentClock.elapsed() < 3000, qPrintable(QString::number(silentClock.elapsed())));
    QVERIFY2(form->band().lineState()->text().startsWith(QStringLiteral("no reply from COM1 (%1) since ").arg(sim.devicePath())),
             qPrintable(form->band().lineState()->text()));
    sim.clearFaults();
    QTRY_VERIFY_WITH_TIMEOUT(form->band().lineState()->isHidden(), 15000);
    QTest::mouseClick(form->runButton(), Qt::LeftButton);
    QTRY_VERIFY(!p.ws.linkThread.portOpen());
    sim.clearFaults();

    // A new RUN right after STOP on a silent line waits for the port without blocking the window.
    sim.setAddressFault(0x600F92, SimFault{SimFault::Kind::Silence});
    form->toggleRun();
    QTRY_COMPARE_WITH_TIMEOUT(form->runButton()->text(), QStringLiteral("STOP"), 3000);
    QTest::qWait(200);
    form->toggleRun();
    sim.clearFaults();
    form->toggleRun();
    QVERIFY(form->runStarting());
    QTRY_COMPARE_WITH_TIMEOUT(form->runButton()->text(), QStringLiteral("STOP"), 5000);
    QCOMPARE(p.dialogs.messages, QStringList{});
    QTRY_VERIFY_WITH_TIMEOUT(p.data.ringWritePos >= 2, 5000);

    // Closing the window ends a run: port closed, "Data Read" back, the passes gone with the window.
    form->close();
    QVERIFY(p.dataRead()->isEnabled());
    QVERIFY(!p.ws.session.state().trendGraphOpen);
    deleteClosedWindows();
    QVERIFY(form.isNull());
    QTRY_VERIFY(!p.ws.linkThread.portOpen());
    const int afterClose = p.data.ringWritePos;
    QTest::qWait(50);
    QCOMPARE(p.data.ringWritePos, afterClose);

    // Closed during the pause after the port opened: the start ends with the window.
    QPointer<TrendGraphWindow> closing = new TrendGraphWindow(p.ws, p.data);
    closing->show();
    closing->toggleRun();
    QTest::qWait(200);
    QVERIFY(closing->runStarting());
    closing->close();
    deleteClosedWindows();
    QVERIFY(closing.isNull());
    QTRY_VERIFY(!p.ws.linkThread.portOpen());
    QVERIFY(p.dataRead()->isEnabled());
    QVERIFY(!p.ws.session.state().trendGraphOpen);
    QTest::qWait(2000); // past the end the pause would have had
    QVERIFY(!p.ws.linkThread.portOpen());

    // Closed while a pass waits on a silent controller: the window goes at once, the port within
    // one reply time.
    QPointer<TrendGraphWindow> passing = new TrendGraphWindow(p.ws, p.data);
    passing->show();
    for (std::uint32_t address : {0x600F92u, 0x600FA8u})
        sim.setAddressFault(address, SimFault{SimFault::Kind::Silence});
    passing->toggleRun();
    QTRY_COMPARE_WITH_TIMEOUT(passing->runButton()->text(), QStringLiteral("STOP"), 3000);
    QTest::qWait(100);
    passing->close();
    deleteClosedWindows();
    QVERIFY(passing.isNull());
    QVERIFY(!p.ws.session.state().trendGraphOpen);
    QTRY_VERIFY_WITH_TIMEOUT(!p.ws.linkThread.portOpen(), 2500);
    sim.clearFaults();

    // The window comes back with the set-up of the run.
    TrendGraphWindow again(p.ws, p.data);
    QCOMPARE(again.table().row(0).selected->isChecked(), true);
    QCOMPARE(again.table().row(3).selected->isChecked(), false);
    QCOMPARE(again.table().row(1).addressKind->text(), QStringLiteral("A"));
    QCOMPARE(again.table().row(1).name->text(), QStringLiteral("600FA8"));
    QCOMPARE(again.table().row(7).name->text(), QStringLiteral("InvFlag"));
    QCOMPARE(again.table().row(7).scale->text(), QStringLiteral("03"));
    sim.stop();
}

// A sampling pass paints only the columns it changed. Whatever the pass, once the window has
// painted, what it shows must be the whole picture: no column left from before, none missed at
// the wrap or beside a failed read's mark.
void TestTrendRun::screenFollowsThePicture()
{
    SimulatedPort port;
    QVERIFY2(port.start(QStringLiteral("COM1")), qPrintable(port.error()));
    ControllerSimulator &sim = port.simulator();
    sim.setFaultEvery(17, SimFault{SimFault::Kind::Nak, 'D'}); // a failed read's mark now and then

    ProgramWithStandIns p;
    p.ws.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("0")));
    QPointer<TrendGraphWindow> form = new TrendGraphWindow(p.ws, p.data);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    untickAll(*form);
    setRow(*form, 0, true, "A", "600F92", "20000"); // demo words that move
    setRow(*form, 1, true, "A", "600FAA", "2000");
    setRow(*form, 7, true, "A", "600F00", "00");
    const PictureWidget *picture = form->graphPicture();
    const QRect place(picture->mapTo(form.data(), QPoint(0, 0)), picture->size());

    form->toggleRun();
    QTRY_COMPARE_WITH_TIMEOUT(form->runButton()->text(), QStringLiteral("STOP"), 3000);
    int compared = 0;
    int mismatches = 0;
    quint64 wraps = 0;
    int lastPen = 0;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        // Paint what is still to be painted, and nothing else: no pass is taken meanwhile.
        QCoreApplication::sendPostedEvents(form, QEvent::UpdateRequest);
        const QImage shown = form->screen()->grabWindow(form->winId()).toImage().copy(place).convertToFormat(QImage::Format_RGB32);
        const QImage picture = form->layers().visible.convertToFormat(QImage::Format_RGB32);
        ++compared;
        if (shown != picture)
            ++mismatches;
        if (form->layers().pen.x < lastPen)
            ++wraps;
        lastPen = form->layers().pen.x;
    });
    look.start(3);
    QTRY_VERIFY_WITH_TIMEOUT(wraps >= 3 && compared >= 100, 30000);
    look.stop();
    QTest::mouseClick(form->runButton(), Qt::LeftButton);
    QCOMPARE(mismatches, 0);
    QVERIFY(p.data.ringWrapped);
    form->close();
    deleteClosedWindows();
}

QTEST_MAIN(TestTrendRun)
#include "test_trend_run.moc"
