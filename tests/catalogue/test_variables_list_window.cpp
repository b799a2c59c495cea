// The Variables List window: its layout and bit list, and the Data Read through the real port
// against the simulated controller.

#include "base/ProgramFolder.h"
#include "catalogue/Decoder.h"
#include "catalogue/CatalogueTexts.h"
#include "catalogue/VariablesListTexts.h"
#include "catalogue/VariablesListWindow.h"
#include "shell/MainWindow.h"
#include "shell/Program.h"
#include "sim/ControllerSimulator.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/StallProbe.h"
#include "tests/support/TestEnvironment.h"

#include <QLabel>
#include <memory>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

// The program object without its windows, with a stand-in Trend Graph carrying its RUN/STOP
// button. The stand-ins come first, so that they outlive the windows the program closes as it goes.
struct ProgramWithStandIns {
    ScriptedDialogs dialogs;
    QWidget trend;
    QPushButton *run = new QPushButton(QStringLiteral("RUN"), &trend);
    Program program{dialogs};
    Workspace &ws = program.ws;

    ProgramWithStandIns()
    {
        QObject::connect(&ws.session, &Session::changed, run,
                         [this](const SessionState &state) { run->setEnabled(trendRunAllowed(state)); });
        ws.session.setTrendGraphOpen(true);
    }
};

QStringList lines(const QListWidget *list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines.append(list->item(i)->text());
    return lines;
}

// The demo controller's super block as its memory map documents it: header, parameter words,
// name, outputs.
struct DemoBlock {
    quint16 header;
    int params;
    const char *name;
    int outputs;
};
constexpr DemoBlock kDemoBlocks[] = {
    {0x0001, 8, "PI3A1", 1},  {0x0002, 18, "PI2A1", 2}, {0x2007, 2, "CONS1", 0},  {0x0008, 3, "LAG11", 1},
    {0x000E, 2, "ADDR1", 1},  {0x000F, 3, "MULT1", 1},  {0x0018, 8, "DPI31", 2},  {0x0001, 8, "PI3A2", 1},
    {0x0011, 11, "MCAN1", 2}, {0x001D, 11, "DMCN1", 4}, {0x0009, 30, "PI1A1", 3}, {0x0016, 2, "DLRG1", 1},
    {0x0014, 4, "PCTQ1", 1},  {0x0021, 1, "DTOS1", 1},  {0x0003, 3, "JMPR1", 0},
};

QString wordsLine(const ControllerMemory &memory, quint32 address, int count, int shownCount)
{
    QString line = QStringLiteral("@%1,%2,").arg(address, 0, 16).arg(shownCount, 0, 16).toUpper();
    for (int k = 0; k < count; ++k)
        line += QStringLiteral("%1,").arg(memory.word(address + 2 * static_cast<quint32>(k)), 4, 16, QLatin1Char('0')).toUpper();
    return line;
}

// The data file a Data Read of `memory` must write, when its super block is `superBlockWords` long.
QByteArray expectedDataFile(const ControllerMemory &memory, int superBlockWords)
{
    const QStringList lines{
        QStringLiteral("@600608,1,0000,"),
        wordsLine(memory, 0x600600, 4, 4),
        wordsLine(memory, 0x60060A, 3, 3),
        wordsLine(memory, 0x600614, 1, 1),
        wordsLine(memory, 0x600616, 4, 4),
        wordsLine(memory, 0x600620, superBlockWords, superBlockWords),
        wordsLine(memory, 0x600E60, 16, 16),
        wordsLine(memory, 0x600F88, 4, 4),
        wordsLine(memory, 0x600FA0, 4, 4),
        wordsLine(memory, 0x202400, 100, 100),
        wordsLine(memory, 0x202500, 100, 100),
        QStringLiteral("@600608,1,8000,"),
    };
    return lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n";
}

int requestsFor(const ControllerSimulator &sim, const QByteArray &letterAddressCount)
{
    int n = 0;
    for (const QByteArray &frame : sim.requestLog())
        n += frame.mid(2, letterAddressCount.size()) == letterAddressCount ? 1 : 0;
    return n;
}

} // namespace

class TestVariablesListWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }

    void layoutAndFirstBuild()
    {
        ProgramWithStandIns p;
        p.run->setEnabled(false);
        QPointer<VariablesListWindow> form = new VariablesListWindow(p.ws);
        form->show();
        QCOMPARE(form->windowTitle(), QStringLiteral("Variables List"));
        QCOMPARE(form->pos(), QPoint(50, 186));
        QCOMPARE(form->size(), QSize(269, 419));
        QVERIFY(!(form->windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(form->testAttribute(Qt::WA_DeleteOnClose));
        QVERIFY(p.ws.session.state().variablesListOpen);

        QPushButton *button = form->dataReadButton();
        QCOMPARE(button->geometry(), QRect(64, 384, 73, 27));
        QCOMPARE(button->text(), QStringLiteral("Data Read"));
        QVERIFY(button->isEnabled());

        // The first creation builds the list from the two files and the fixed entries only, and
        // lets a trend run start.
        QListWidget *names = form->nameList();
        QListWidget *bits = form->bitList();
        QCOMPARE(names->geometry(), QRect(8, 45, 113, 308));
        QCOMPARE(bits->geometry(), QRect(130, 45, 127, 260));
        QVERIFY(p.ws.catalogue.variableListBuilt);
        QVERIFY(p.run->isEnabled());
        QCOMPARE(names->count(), 1500);
        const QStringList nameLines = lines(names);
        QCOMPARE(nameLines.mid(0, 9), (QStringList{"SpdCmd", "SpdFbk", "TrqCmd", "TrqFbk", "CurFbk", "InvFlag",
                                                    "CmdFlag", "", "AnTermIn"}));
        QCOMPARE(nameLines[13], QStringLiteral("DIO00"));
        QCOMPARE(nameLines[66], QStringLiteral("M32"));
        QCOMPARE(nameLines.mid(67), QStringList(1500 - 67, QString()));
        QCOMPARE(lines(bits), (QStringList{"00 ", "01 ", "02  ", "03  ", "04  ", "05  ", "06  ", "07  ", "08 ",
                                           "09  ", "10 ", "11 ", "12", "13", "14", "15 ", ""}));
        QCOMPARE(names->currentRow(), 0);
        QCOMPARE(bits->currentRow(), 0);

        // A click on "CmdFlag" names its bits; a blank line numbers them; line 16 is never touched.
        bits->item(16)->setText(QStringLiteral("kept"));
        QTest::mouseClick(names->viewport(), Qt::LeftButton, {}, names->visualItemRect(names->item(6)).center());
        QCOMPARE(names->currentRow(), 6);
        QCOMPARE(bits->item(0)->text(), QStringLiteral("00 RUN cmd"));
        QCOMPARE(bits->item(13)->text(), QStringLiteral("13 RESET(Term)"));
        QCOMPARE(bits->item(3)->text(), QStringLiteral("03"));
        names->setCurrentRow(7);
        form->showBitNames();
        QCOMPARE(lines(bits).mid(0, 16), QStringList({"00", "01", "02", "03", "04", "05", "06", "07", "08", "09",
                                                      "10", "11", "12", "13", "14", "15"}));
        QCOMPARE(bits->item(16)->text(), QStringLiteral("kept"));
        QVERIFY(p.dialogs.messages.isEmpty());

        // The user cannot close it, a program can.
        form->close();
        QVERIFY(!p.ws.session.state().variablesListOpen);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(form.isNull());
    }

    void laterCreation()
    {
        ProgramWithStandIns p;
        // Built once already: the window shows the list as it is, without rebuilding it.
        p.ws.catalogue.variableList = {"00600000,Alpha", "", "00600002,Beta", "END"};
        p.ws.catalogue.variableListBuilt = true;
        p.ws.session.setCatalogueDecoded(true);
        p.ws.session.takeLine(LineHolder::TrendRun); // a trend run is active
        VariablesListWindow form(p.ws);
        QCOMPARE(lines(form.nameList()).mid(0, 4), (QStringList{"Alpha", "", "Beta", ""}));
        QVERIFY(!form.dataReadButton()->isEnabled());
        QCOMPARE(p.ws.catalogue.variableList.size(), 4);

        // A first creation whose files cannot be read shows why and leaves the list unbuilt.
        ProgramWithStandIns q;
        QFile::remove(programfolder::file(QStringLiteral("Varlist2.txt")));
        q.run->setEnabled(false);
        {
            VariablesListWindow broken(q.ws);
            QCOMPARE(q.dialogs.messages,
                     QStringList{kCannotOpenFile.arg(programfolder::file(QStringLiteral("Varlist2.txt")))});
            QVERIFY(!q.ws.catalogue.variableListBuilt);
            QVERIFY(!q.run->isEnabled());
        }
        QVERIFY(!q.ws.session.state().variablesListOpen);
        testenv::restoreDataFile(QStringLiteral("Varlist2.txt"));
    }

    void dataReadFromController()
    {
        SimulatedPort port;
        QVERIFY2(port.start(QStringLiteral("COM1")), qPrintable(port.error()));
        ControllerSimulator &sim = port.simulator();
        sim.setLiveDemo(false);
        const QString dataFile = programfolder::file(QStringLiteral("sbdata.qmx"));
        QFile::remove(dataFile);

        ProgramWithStandIns p;
        QPointer<VariablesListWindow> window = new VariablesListWindow(p.ws);
        VariablesListWindow &form = *window;
        form.show();
        QListWidget *names = form.nameList();

        const auto dataRead = [&] {
            form.readDataFromController();
            return QTest::qWaitFor([&] { return !form.dataReadRunning(); }, 20000);
        };

        // The demo controller. While the pause runs: RUN/STOP is off and a second press does
        // nothing. The window never waits on the line and shows how far the read has come.
        form.readDataFromController();
        QCOMPARE(form.cursor().shape(), Qt::BusyCursor);
        QTest::qWait(300);
        QVERIFY(!p.run->isEnabled());
        QVERIFY(form.dataReadRunning());
        QCOMPARE(p.ws.linkThread.holder(), PortUser::DataRead);
        form.readDataFromController();
        auto *progress = form.dataReadProgress();
        QVERIFY(progress && progress->isVisible());
        {
            StallProbe probe;
            QVERIFY(QTest::qWaitFor([&] { return progress->text().contains(QStringLiteral("words")); }, 5000));
            QVERIFY(QTest::qWaitFor([&] { return !form.dataReadRunning(); }, 20000));
            QVERIFY2(probe.longestGapMs() < 50, qPrintable(QString::number(probe.longestGapMs())));
        }
        QVERIFY(!progress->isVisible());
        // In its place, what the read built and when: every block of the demo controller.
        QVERIFY(form.dataReadSummary()->isVisible());
        const QRegularExpression summary(QStringLiteral("^%1 variables from %2 blocks read at \\d\\d:\\d\\d:\\d\\d$")
                                             .arg(p.ws.catalogue.variableList.size() - 1)
                                             .arg(std::size(kDemoBlocks)));
        QVERIFY2(summary.match(form.dataReadSummary()->text()).hasMatch(), qPrintable(form.dataReadSummary()->text()));
        QVERIFY(p.ws.catalogue.variableList.size() > 10 && p.ws.catalogue.variableList.endsWith(QStringLiteral("END")));
        QVERIFY(form.dataReadSummary()->fontMetrics().boundingRect(form.dataReadSummary()->contentsRect(), Qt::TextWordWrap,
                                                                   form.dataReadSummary()->text()).height() <=
                form.dataReadSummary()->height());
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(form.dataReadsEnded(), 1);
        QVERIFY(p.run->isEnabled());
        QTRY_VERIFY(!p.ws.linkThread.portOpen());
        QCOMPARE(p.dialogs.messages, QStringList());

        int superBlockWords = 1;
        for (const DemoBlock &b : kDemoBlocks)
            superBlockWords += 1 + b.params;
        const ControllerMemory memory = sim.memorySnapshot();
        const QByteArray written = testenv::readAll(dataFile);
        QCOMPARE(written, expectedDataFile(memory, superBlockWords));
        QVERIFY(written.startsWith("@600608,1,0000,\r\n@600600,4,4304,4310,4760,47C6,\r\n"));
        QVERIFY(written.endsWith("\r\n@600608,1,8000,\r\n"));
        QCOMPARE(requestsFor(sim, "r0060060008"), 1); // one pass only: the second press did nothing

        // Each header is fetched alone, then its parameter words: CONS 2007 brings two.
        quint32 header = 0x600620;
        for (const DemoBlock &b : kDemoBlocks) {
            const QByteArray request = "r" + QByteArray::number(header, 16).rightJustified(8, '0').toUpper() + "02";
            QCOMPARE(requestsFor(sim, request), 1);
            header += 2 * (1 + static_cast<quint32>(b.params));
        }
        QCOMPARE(requestsFor(sim, "r0060065A04"), 1);

        // The list: "Varlist2.txt", then each block and its outputs, then the files' and fixed entries.
        QStringList expected{"SpdCmd", "SpdFbk", "TrqCmd", "TrqFbk", "CurFbk", "InvFlag", "CmdFlag"};
        for (const DemoBlock &b : kDemoBlocks) {
            expected.append(QLatin1String(b.name));
            for (int n = 1; n <= b.outputs; ++n)
                expected.append(QLatin1String(b.name) + QString::number(n));
        }
        expected += QStringList{"", "AnTermIn", "AnTermIn2", "DcBusVolt", "MotorTemp", "FLG5", "DIO00"};
        QCOMPARE(lines(names).mid(0, expected.size()), expected);
        const QStringList &list = p.ws.catalogue.variableList;
        QCOMPARE(list.size(), 7 + 36 + 6 + 22 + 32 + 1);
        QCOMPARE(variableAddress(list, QStringLiteral("PI3A11")), QStringLiteral("00600EC0"));
        QCOMPARE(variableAddress(list, QStringLiteral("PI2A12")), QStringLiteral("00600EC4"));
        QCOMPARE(variableAddress(list, QStringLiteral("CONS1")), QStringLiteral("00600658"));
        QCOMPARE(variableAddress(list, QStringLiteral("DTOS11")), QStringLiteral("00600EE8"));
        QCOMPARE(p.ws.catalogue.pointerAddresses,
                 (std::array<QString, 4>{"00600EC0", "00600EC2", "00600FA8", "00600FAA"}));

        // What the Variables List looks like after a Data Read, "CmdFlag" clicked.
        names->setCurrentRow(6);
        form.showBitNames();
        const QByteArray shots = qgetenv("QMX_SCREENSHOT_DIR");
        if (!shots.isEmpty())
            form.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/varlist-after-data-read.png"));

        // A read failing part-way (the last area refused) leaves the file and the list as they
        // were; RUN/STOP comes back on, as the earlier list is still there to run with.
        const QStringList listBefore = list;
        const QStringList linesBefore = lines(names);
        // The user is told which read failed and that nothing was replaced.
        sim.setAddressFault(0x202500, SimFault{SimFault::Kind::Nak, 'D'});
        QVERIFY(dataRead());
        QCOMPARE(testenv::readAll(dataFile), written);
        QCOMPARE(p.ws.catalogue.variableList, listBefore);
        QCOMPARE(lines(names), linesBefore);
        QTRY_VERIFY(!p.ws.linkThread.portOpen());
        QCOMPARE(p.dialogs.messages, QStringList{dataReadFailed(0x202500, -3)});
        QVERIFY(p.dialogs.messages[0].contains(QStringLiteral("202500")));
        p.dialogs.messages.clear();
        QVERIFY(p.run->isEnabled());
        sim.clearFaults();

        // Line 2 ending in 47C7: one message, and the shorter super block is still decoded; the
        // longer list leaves no trace.
        sim.writeWord(0x600606, 0x47C7);
        sim.writeWord(0x600632, 0x0000);
        QVERIFY(dataRead());
        QCOMPARE(p.dialogs.messages, QStringList{kQmxFileDataError});
        QCOMPARE(variableNames(list).mid(7, 3), (QStringList{"PI3A1", "PI3A11", ""}));
        QCOMPARE(list.size(), 7 + 2 + 6 + 22 + 32 + 1);
        QCOMPARE(lines(names).mid(list.size() - 1), QStringList(1500 - list.size() + 1, QString()));
        QVERIFY(p.run->isEnabled());
        p.dialogs.messages.clear();

        // A super block of a single zero word.
        sim.writeWord(0x600606, 0x47C6);
        sim.writeWord(0x600620, 0x0000);
        QVERIFY(dataRead());
        QCOMPARE(p.dialogs.messages, QStringList());
        const QStringList fileLines = QString::fromLatin1(testenv::readAll(dataFile)).split(QStringLiteral("\r\n"));
        QCOMPARE(fileLines[5], QStringLiteral("@600620,1,0000,"));
        QCOMPARE(variableNames(list).mid(6, 3), (QStringList{"CmdFlag", "", "AnTermIn"}));

        // A port that cannot be opened, and a port another program holds: the port's message, then
        // the Data Read's, and nothing changes.
        const QStringList kept = list;
        testenv::usePort(QStringLiteral("COM1"), QStringLiteral("/nonexistent/tty-none"));
        QVERIFY(dataRead());
        QCOMPARE(p.dialogs.messages, (QStringList{kCreateFileError, kCommPortOpenError}));
        port.mapTo(QStringLiteral("COM1"));
        Link otherProgram;
        QCOMPARE(otherProgram.open(), 0);
        QVERIFY(dataRead());
        QCOMPARE(p.dialogs.messages, (QStringList{kCreateFileError, kCommPortOpenError, kCreateFileError,
                                                  kCommPortOpenError}));
        otherProgram.close();
        p.dialogs.messages.clear();

        // Held by this program's own Monitor: the message says so, at once, and nothing else.
        bool monitorOpened = false;
        p.ws.linkThread.open(PortUser::Monitor, &form,
                             [&](LinkThread::OpenOutcome o) { monitorOpened = o == LinkThread::OpenOutcome::Opened; });
        QTRY_VERIFY(monitorOpened);
        form.readDataFromController();
        QVERIFY(!form.dataReadRunning());
        QCOMPARE(p.dialogs.messages, QStringList{LinkThread::heldByMessage(PortUser::Monitor)});
        QCOMPARE(p.ws.linkThread.holder(), PortUser::Monitor);
        p.ws.linkThread.close(PortUser::Monitor);
        QCOMPARE(list, kept);
        QVERIFY(p.run->isEnabled());
        // The close is queued on the link thread; the next program must find the device free.
        QTRY_VERIFY(!p.ws.linkThread.portOpen());

        // Quitting during a read ends it within one exchange; the file and the list stay as they were.
        {
            const QByteArray fileBefore = testenv::readAll(dataFile);
            sim.setBaud(9600);
            auto quitting = std::make_unique<ProgramWithStandIns>();
            quitting->ws.catalogue = p.ws.catalogue;
            auto *reading = new VariablesListWindow(quitting->ws);
            reading->readDataFromController();
            // Several progress updates may land between two looks: wait for three reads or more.
            const auto readsDone = [reading] {
                const QString text = reading->dataReadProgress()->text();
                return text.startsWith(QStringLiteral("Reads: ")) ? text.section(u'\n', 0, 0).mid(7).toInt() : 0;
            };
            QVERIFY(QTest::qWaitFor([&] { return readsDone() >= 3; }, 8000));
            QElapsedTimer quitClock;
            quitClock.start();
            delete reading;
            quitting.reset();
            QVERIFY2(quitClock.elapsed() < 2100, qPrintable(QString::number(quitClock.elapsed())));
            sim.setBaud(0);
            QTest::qWait(100);
            QCOMPARE(testenv::readAll(dataFile), fileBefore);
            QCOMPARE(list, kept);
        }

        // A close asked for during the read waits for the Data Read to end.
        form.readDataFromController();
        QTest::qWait(300);
        form.close();
        QVERIFY(!window.isNull() && form.isVisible() && p.ws.session.state().variablesListOpen);
        QTRY_VERIFY_WITH_TIMEOUT(window.isNull() || !p.ws.session.state().variablesListOpen, 20000);
        QVERIFY(!p.ws.session.state().variablesListOpen);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
    }
};

QTEST_MAIN(TestVariablesListWindow)
#include "test_variables_list_window.moc"
