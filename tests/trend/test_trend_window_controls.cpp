// The Trend Graph window's channel controls, cursor read-out, Save to a .trd file and printing,
// driven through its controls (Open of a .trd file: test_trend_open.cpp).

#include "base/TextFile.h"
#include "base/WindowPrint.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trend/RecordedRing.h"
#include "trend/window/TrendGraphWindow.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/ReadoutBand.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/window/TrendGraphView.h"
#include "trend/model/Presets.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <sys/resource.h>
#include <csignal>

namespace {

const QColor kTeal(0, 128, 128);
const QColor kMaroon(128, 0, 0);

QColor captionColour(QPushButton *b) { return b->palette().color(QPalette::ButtonText); }

} // namespace

class TestTrendWindowControls : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void channelTable();
    void cursorReadout();
    void saveWritesTheLastRun();
    void printsTheWindow();

private:
    // A recording of `rows` rows in the ring, channels 0, 1 and 7 selected.
    void record(int rows, bool wrapped, int writePos);
    // A real run against the simulator, reading the last logic row only; false when it did not start.
    bool startRun();
    QString path(const QString &name) const { return dir_.filePath(name); }

    Link link_;
    ScriptedDialogs dialogs_;
    Workspace ws_{link_, dialogs_};
    TrendData data_;
    QWidget varList_;
    QListWidget *names_ = nullptr;
    QListWidget *bits_ = nullptr;
    TrendGraphWindow *form_ = nullptr;
    QTemporaryDir dir_;
    SimulatedPort port_;
};

bool TestTrendWindowControls::startRun()
{
    for (int n = 1; n <= kChannels; ++n)
        form_->table().row(n - 1).selected->setChecked(false);
    form_->table().row(13).selected->setChecked(true);
    form_->table().setAddressKind(13, AddressKind::Address);
    form_->table().row(13).name->setText("600E00");
    form_->table().row(13).scale->setText("00");
    form_->toggleRun();
    return QTest::qWaitFor([this] { return form_->runActive(); }, 3000);
}

void TestTrendWindowControls::initTestCase()
{
    testenv::prepare();
    QVERIFY2(port_.start(QStringLiteral("COM1")), qPrintable(port_.error()));
    ws_.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("3600000")));
    // A stand-in for the Variables List: the two lists the table picks from.
    ws_.catalogue.variableList = {"00600E00,AnTermIn", "00600F00,InvFlag", "00601000,GateFlag", "END"};
    ws_.catalogue.variableListBuilt = true;
    ws_.session.setCatalogueDecoded(true);
    names_ = new QListWidget(&varList_);
    names_->addItems({"AnTermIn", "InvFlag", "GateFlag"});
    bits_ = new QListWidget(&varList_);
    bits_->addItems({"00", "07 GATE ON", "12"});
    varList_.show();
    ws_.session.setVariablesListOpen(true);
    // What the Variables List tells of its selected lines.
    ws_.links.setVariableChoiceSource([this] {
        VariableChoice choice;
        choice.listShown = varList_.isVisible();
        if (names_->currentItem() && names_->currentItem()->isSelected()) {
            choice.nameLine = names_->currentRow();
            choice.name = names_->currentItem()->text();
        }
        if (bits_->currentItem() && bits_->currentItem()->isSelected())
            choice.bitNumber = bits_->currentItem()->text().left(2);
        return choice;
    });
}

void TestTrendWindowControls::init()
{
    dialogs_.messages.clear();
    form_ = new TrendGraphWindow(ws_, data_);
    form_->show();
}

void TestTrendWindowControls::cleanup()
{
    delete form_;
    ws_.session.setVariablesListOpen(true);
    varList_.show();
}

void TestTrendWindowControls::record(int rows, bool wrapped, int writePos)
{
    fillRecordedRing(*form_, rows, wrapped, writePos);
}

void TestTrendWindowControls::channelTable()
{
    // "A"/"L": the default "L" becomes "A" in maroon, a second click returns to "L" in teal.
    QPushButton *kindButton = form_->table().row(0).addressKind;
    QCOMPARE(kindButton->text(), QString("L"));
    QTest::mouseClick(kindButton, Qt::LeftButton);
    QCOMPARE(kindButton->text(), QString("A"));
    QCOMPARE(captionColour(kindButton), kMaroon);
    QTest::mouseClick(kindButton, Qt::LeftButton);
    QCOMPARE(kindButton->text(), QString("L"));
    QCOMPARE(captionColour(kindButton), kTeal);

    // A tick during a run ends the run and stays ticked. Captions are not the state: one with an
    // accelerator mark, as some desktops put in, changes nothing.
    QVERIFY(startRun());
    form_->runButton()->setText("&STOP");
    form_->table().row(0).addressKind->setText("&L");
    QVERIFY(!form_->table().row(3).selected->isChecked());
    QTest::mouseClick(form_->table().row(3).selected, Qt::LeftButton);
    QCOMPARE(form_->runButton()->text(), QString("RUN"));
    QVERIFY(form_->table().row(3).selected->isChecked());
    QCOMPARE(form_->runStatus()->text(), QString("Stop"));
    QVERIFY(form_->openButton()->isEnabled());
    QCOMPARE(form_->table().addressKind(0), AddressKind::Name);
    QVERIFY(startRun());
    QTest::mouseClick(form_->table().row(5).scale, Qt::LeftButton);
    QCOMPARE(form_->runButton()->text(), QString("RUN"));

    // Logic pick: the name behind the selected line, "L", and the bit number of the bit line.
    names_->setCurrentRow(2);
    bits_->setCurrentRow(1);
    form_->table().setAddressKind(9, AddressKind::Address);
    QTest::mouseDClick(form_->table().row(9).name, Qt::LeftButton);
    QCOMPARE(form_->table().row(9).name->text(), QString("GateFlag"));
    QCOMPARE(form_->table().row(9).scale->text(), QString("07"));
    QCOMPARE(form_->table().row(9).addressKind->text(), QString("L"));
    QCOMPARE(captionColour(form_->table().row(9).addressKind), kTeal);
    // Analog pick: the selected line's text.
    names_->setCurrentRow(1);
    form_->table().pickAnalogName(4);
    QCOMPARE(form_->table().row(4).name->text(), QString("InvFlag"));
    // The first value field takes a bit number and leaves a run running.
    bits_->setCurrentRow(2);
    QVERIFY(startRun());
    form_->table().row(0).value->show();
    QTest::mouseDClick(form_->table().row(0).value, Qt::LeftButton);
    QCOMPARE(form_->table().row(0).value->text(), QString("12"));
    QCOMPARE(form_->runButton()->text(), QString("STOP"));
    form_->toggleRun();

    // Nothing selected: nothing to take; a lone bit selection still changes the bit.
    names_->clearSelection();
    form_->table().pickLogicNameAndBit(10);
    QCOMPARE(form_->table().row(10).name->text(), QString("DIO00"));
    QCOMPARE(form_->table().row(10).scale->text(), QString("12"));
    bits_->clearSelection();
    form_->table().pickAnalogName(1);
    form_->table().pickBitIntoFirstValue();
    QCOMPARE(form_->table().row(1).name->text(), QString("SpdFbk"));
    QCOMPARE(form_->table().row(0).value->text(), QString("12"));
    QVERIFY(dialogs_.messages.isEmpty());

    // Variables List closed: the analog box ignores the double-click (the run goes on); the logic
    // box stops the run and asks for the list.
    varList_.hide();
    ws_.session.setVariablesListOpen(false);
    names_->setCurrentRow(0);
    QVERIFY(startRun());
    form_->table().pickAnalogName(2);
    QCOMPARE(form_->runButton()->text(), QString("STOP"));
    QVERIFY(dialogs_.messages.isEmpty());
    form_->table().pickLogicNameAndBit(7);
    QCOMPARE(form_->runButton()->text(), QString("RUN"));
    QCOMPARE(form_->table().row(7).name->text(), QString("InvFlag"));
    QCOMPARE(dialogs_.messages, QStringList{"Please open Variables List."});
}

void TestTrendWindowControls::cursorReadout()
{
    record(kRingRows, true, 0); // 249 rows: ring rows 1..249
    data_.sampleRing[4][0] = -32768;
    data_.sampleRing[4][7] = 5;
    data_.sampleRing[5][1] = 32767;
    form_->redraw();
    QCOMPARE(data_.rowCount, 249);
    QCOMPARE(form_->view().cursorX(), 496);
    QCOMPARE(form_->table().row(0).value->text(), QString("249"));

    QTest::mouseClick(form_->stepRightButton(), Qt::LeftButton);
    QCOMPARE(form_->view().cursorX(), 0);
    QCOMPARE(form_->table().row(1).value->text(), QString("-1"));
    QTest::mouseClick(form_->stepLeftButton(), Qt::LeftButton);
    QCOMPARE(form_->view().cursorX(), 496);
    QTest::mouseClick(form_->graphPicture(), Qt::LeftButton, {}, QPoint(499, 100));
    QCOMPARE(form_->view().cursorX(), 496);

    // x = 7 reads row 3 (ring row 4) with the cursor line at 7; ">>" goes on to 9 (row 4).
    QTest::mouseClick(form_->graphPicture(), Qt::RightButton, {}, QPoint(7, 100));
    QCOMPARE(form_->view().cursorX(), 7);
    QCOMPARE(form_->layers().visible.pixel(7, 0), 0xFFFFFFFFu);
    QCOMPARE(form_->layers().visible.pixel(496, 0) & 0xFFFFFFu, 0u);
    QCOMPARE(form_->table().row(0).value->text(), QString("-32768"));
    QCOMPARE(form_->table().row(7).value->text(), QString("5"));
    QTest::mouseClick(form_->numberBaseButton(), Qt::LeftButton);
    QCOMPARE(form_->numberBaseButton()->text(), QString("Hex"));
    QCOMPARE(form_->table().row(0).value->text(), QString("8000"));
    QCOMPARE(form_->table().row(7).value->text(), QString("5"));
    QTest::mouseClick(form_->stepRightButton(), Qt::LeftButton);
    QCOMPARE(form_->view().cursorX(), 9);
    QCOMPARE(form_->table().row(1).value->text(), QString("7FFF"));
    // "<<" reads logic values as set or clear.
    QTest::mouseClick(form_->stepLeftButton(), Qt::LeftButton);
    QCOMPARE(form_->view().cursorX(), 7);
    QCOMPARE(form_->table().row(7).value->text(), QString("1"));
    form_->table().row(2).value->setText("untouched");
    QTest::mouseClick(form_->numberBaseButton(), Qt::LeftButton);
    QCOMPARE(form_->table().row(0).value->text(), QString("-32768"));
    QCOMPARE(form_->table().row(2).value->text(), QString("untouched"));

    // During a run clicks into the graph change nothing.
    form_->view().setCursorsEnabled(false);
    form_->graphClicked(100);
    QCOMPARE(form_->view().cursorX(), 7);

    // No rows: the cursor commands leave the cursor and the boxes alone.
    record(0, false, 0);
    form_->redraw();
    const int restingX = form_->view().cursorX();
    form_->stepCursorRight();
    form_->stepCursorLeft();
    form_->graphClicked(200);
    form_->toggleNumberBase();
    QCOMPARE(form_->view().cursorX(), restingX);
    QCOMPARE(form_->table().row(0).value->text(), QString("-32768"));
}

void TestTrendWindowControls::saveWritesTheLastRun()
{
    record(2, false, 2);
    data_.channels[7].selected = false;
    data_.channels[3] = {false, AddressKind::Address, "600E00", "100"};
    data_.sampleRing[1] = {1234, -567, 0, 0, 0, 0, 32767, 1, 0, 0, 0, 0, 0, 0};
    dialogs_.saveAnswers = {path("two.trd")};
    form_->saveTrendFile();
    QCOMPARE(dialogs_.filtersAsked.last(), QString("TRendDataFile(*.trd)|*.trd"));
    const QByteArray expected = "File Name    = two.trd\r\n"
                                "Data Numbers = 2\r\n"
                                "------- Setting List -------\r\n"
                                "Ch Sel A/L AdrsChar FullScale\r\n"
                                "00, ON,  L,  AnTermIn,20000,\r\n"
                                "01, ON,  L,  AnTermIn,20000,\r\n"
                                "02, OF,  L,  AnTermIn,20000,\r\n"
                                "03, OF,  A,  600E00,  100,\r\n"
                                "04, OF,  L,  AnTermIn,20000,\r\n"
                                "05, OF,  L,  AnTermIn,20000,\r\n"
                                "06, OF,  L,  AnTermIn,20000,\r\n"
                                "07, OF,  L,  InvFlag,   00,\r\n"
                                "08, OF,  L,  InvFlag,   00,\r\n"
                                "09, OF,  L,  InvFlag,   00,\r\n"
                                "10, OF,  L,  InvFlag,   00,\r\n"
                                "11, OF,  L,  InvFlag,   00,\r\n"
                                "12, OF,  L,  InvFlag,   00,\r\n"
                                "13, OF,  L,  InvFlag,   00,\r\n"
                                "Data List\r\n"
                                "Ch0,Ch1,Ch2,Ch3,Ch4,Ch5,Ch6,Ch7,Ch8,Ch9,Ch10,Ch11,Ch12,Ch13\r\n"
                                "     0,     0,     0,     0,     0,     0,     0,  0,  0,  0,  0,  0,  0,  0,\r\n"
                                "  1234,  -567,     0,     0,     0,     0, 32767,  1,  0,  0,  0,  0,  0,  0,\r\n"
                                "END\r\n";
    QCOMPARE(testenv::readAll(path("two.trd")), expected);

    // Save takes the ring's rows, not what Open showed: 249 of them after a wrap.
    record(kRingRows, true, 10);
    data_.rowCount = 3;
    dialogs_.saveAnswers = {path("RUN1.TRD"), path("run1.trd.bak")};
    form_->saveTrendFile();
    QCOMPARE(dialogs_.messages, QStringList{"Incorrect File Name"});
    QCOMPARE(data_.rowCount, 249);
    QVERIFY(!QFileInfo::exists(path("RUN1.TRD")));
    form_->saveTrendFile();
    const QStringList lines = *textfile::readLines(path("run1.trd.bak"));
    QCOMPARE(lines.size(), 21 + 249);
    QCOMPARE(lines.at(1), QString("Data Numbers = 249"));
    QVERIFY(lines.at(20).startsWith("    11,   -11,"));
    QVERIFY(lines.at(20 + 248).startsWith("     9,    -9,"));

    // A write that fails keeps the old file and says so.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &small);
    dialogs_.saveAnswers = {path("two.trd")};
    form_->saveTrendFile();
    setrlimit(RLIMIT_FSIZE, &old);
    QCOMPARE(testenv::readAll(path("two.trd")), expected);
    QCOMPARE(dialogs_.messages.size(), 2);
    QCOMPARE(dialogs_.messages.last(), kTrendFileWriteError);
    QVERIFY2(dialogs_.details.constLast().startsWith(path("two.trd") + QStringLiteral(": ")) &&
                 dialogs_.details.constLast().size() > path("two.trd").size() + 2,
             qPrintable(dialogs_.details.constLast()));

    // No rows: the header lines, the settings, the list captions and END.
    record(0, false, 0);
    dialogs_.saveAnswers = {path("empty.trd")};
    form_->saveTrendFile();
    const QStringList empty = *textfile::readLines(path("empty.trd"));
    QCOMPARE(empty.size(), 21);
    QCOMPARE(empty.at(1), QString("Data Numbers = 0"));
    QCOMPARE(empty.last(), QString("END"));
}

void TestTrendWindowControls::printsTheWindow()
{
    QCOMPARE(windowprint::printedRect(816, 533, 1200, 1200), QRect(0, 0, 10200, 6663));
    form_->printWindow(); // cancelled: nothing
    dialogs_.pdfAnswers = {path("window.pdf")};
    form_->printWindow();
    QVERIFY(dialogs_.messages.isEmpty());
    const QByteArray pdf = testenv::readAll(path("window.pdf"));
    QVERIFY(pdf.startsWith("%PDF"));
    QVERIFY2(pdf.size() > 10000, QByteArray::number(pdf.size()));
    // The picture is the whole window, 816 x 533 pixels.
    QVERIFY(pdf.contains("/Subtype /Image"));
    QVERIFY(pdf.contains("/Width 816"));
    QVERIFY(pdf.contains("/Height 533"));
}

QTEST_MAIN(TestTrendWindowControls)
#include "test_trend_window_controls.moc"
