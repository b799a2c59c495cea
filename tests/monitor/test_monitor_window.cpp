// The Monitor window driven by its controls against the controller simulator: the grids after
// creation, a polling pass compared with the simulator's memory in both formats, the port rules,
// the stopped state after a pointer failure, .mon save and open through the dialogs, printing.

#include "base/TextFile.h"
#include "catalogue/Decoder.h"
#include "catalogue/SuperBlockFile.h"
#include "monitor/MonitorTexts.h"
#include "monitor/MonitorWindow.h"
#include "program/LineStateLabel.h"
#include "sim/ControllerSimulator.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/StallProbe.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QFontMetrics>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QtTest>
#include <map>

using namespace monitor;

namespace {

constexpr quint32 kDio00 = 0x600E00;
constexpr quint32 kFirstBlockOutput = 0x600EC0;
const std::array<quint32, 4> kDemoPointers{0x600EC0, 0x600EC2, 0x600FA8, 0x600FAA};

using Grid = MonitorWindow::Grid;

QString cell(const MonitorWindow *form, Grid grid, int row, int column)
{
    const QTableWidgetItem *item = form->gridView(grid)->item(row, column);
    return item ? item->text() : QString();
}

// The address whose value belongs next to a name of the input/output grid.
std::optional<quint32> fixedGridAddress(const QString &name)
{
    static const QStringList analog{"AI1", "AI2", "DPTF1", "DPTF2", "DPGF1", "DPGF2"};
    static const QStringList pointed{"PTO", "AO1", "AO2", "DSPO"};
    if (analog.contains(name))
        return 0x600F92 + 2 * analog.indexOf(name);
    if (pointed.contains(name))
        return kDemoPointers[static_cast<std::size_t>(pointed.indexOf(name))];
    if (name == "FLG5")
        return 0x600FCE;
    if (name.startsWith("UDAT"))
        return 0x600FCE + 2 * (1 + name.mid(4).toInt());
    const int m = name.mid(1).toInt();
    if (m <= 22)
        return 0x600FCE + 2 * (9 + m);
    if (m >= 24)
        return 0x600E80 + 2 * (m - 24);
    return std::nullopt; // M23: section 5 ends just before it
}

// Every (grid, row, value column) of the demo with the address its value comes from.
std::map<std::tuple<Grid, int, int>, std::optional<quint32>> expectedAddresses(const MonitorWindow *form)
{
    std::map<std::tuple<Grid, int, int>, std::optional<quint32>> expected;
    int output = 0;
    for (const Grid grid : MonitorWindow::kGrids) {
        for (int r = 0; r < form->gridView(grid)->rowCount(); ++r) {
            for (int c = 0; c < kGridColumns; c += 2) {
                const QString name = cell(form, grid, r, c);
                if (name.isEmpty())
                    continue;
                std::optional<quint32> address;
                if (name.startsWith("DIO"))
                    address = kDio00 + 2 * name.mid(3).toInt();
                else if (name.startsWith("ALL"))
                    address = 0x600FA8 + 2 * name.mid(3).toInt();
                else if (grid == Grid::InputsAndOutputs)
                    address = fixedGridAddress(name);
                else
                    address = kFirstBlockOutput + 2 * output++;
                expected[{grid, r, c + 1}] = address;
            }
        }
    }
    return expected;
}

} // namespace

class TestMonitorWindow : public QObject {
    Q_OBJECT

    SimulatedPort port;
    ControllerSimulator &sim = port.simulator();
    Link link;
    ScriptedDialogs dialogs;
    std::unique_ptr<Workspace> ws;
    int varListOpenings = 0;
    int displayClosings = 0;
    bool monitorWasOpen = false;

    MonitorWindow *createForm()
    {
        auto *form = new MonitorWindow(*ws);
        form->show();
        return form;
    }
    static std::array<QPushButton *, 3> fileButtons(const MonitorWindow *form)
    {
        return {form->printButton(), form->saveButton(), form->openButton()};
    }
    void verifyStopped(const MonitorWindow *form)
    {
        QCOMPARE(form->releaseButton()->text(), kRelease);
        QCOMPARE(form->runStatus()->text(), kStop);
        QCOMPARE(form->runStatus()->palette().color(QPalette::Window), QColor(0x808080));
        QTRY_VERIFY_WITH_TIMEOUT(!ws->linkThread.portOpen(), 2500);
    }
    // Waits until `passes` more passes have been placed on the grids.
    void waitForPasses(const MonitorWindow *form, int passes)
    {
        const quint64 target = form->passesCompleted() + static_cast<quint64>(passes);
        QTRY_VERIFY_WITH_TIMEOUT(form->passesCompleted() >= target, 10000);
    }

private slots:
    void initTestCase()
    {
        testenv::prepare();
        QVERIFY2(port.start(QStringLiteral("COM1")), qPrintable(port.error()));
        sim.setLiveDemo(false);
        link.setMessageFunction([this](const QString &t) { dialogs.showMessage(t); });
        ws = std::make_unique<Workspace>(link, dialogs);
        QObject::connect(&ws->links, &WindowLinks::variablesListWanted, [this] { ++varListOpenings; });
        QObject::connect(&ws->session, &Session::changed, [this](const SessionState &state) {
            if (monitorWasOpen && !state.monitorOpen)
                ++displayClosings;
            monitorWasOpen = state.monitorOpen;
        });

        // The catalogue as a Data Read leaves it: super block read, file lines checked, decoded.
        QCOMPARE(link.open(PortUser::DataRead), 0);
        ReadBuffer buffer(60000, 0);
        const std::optional<QStringList> lines = readSuperBlockImage(link, buffer);
        link.close(PortUser::DataRead);
        QVERIFY(lines);
        QCOMPARE(checkSuperBlockLines(*lines, ws->catalogue, kSuperBlockFileName).errorCount, 0);
        QVERIFY(decodeSuperBlock(ws->catalogue).proceed);
        QVERIFY(buildVariableList(ws->catalogue).proceed);

        sim.writeWord(kDio00, 0xFFFF);
        sim.writeWord(kFirstBlockOutput, 0xFFFE);
    }
    void init() { dialogs.messages.clear(); }

    void createdWindowShowsNamesStopped()
    {
        QPointer<MonitorWindow> form = createForm();
        QCOMPARE(varListOpenings, 1);
        QCOMPARE(form->windowTitle(), QStringLiteral("MoniForm"));
        // Of a fixed size: no maximise button.
        QVERIFY(form->windowFlags() & Qt::CustomizeWindowHint);
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form->size(), QSize(684, 571));
        const std::initializer_list<std::pair<Grid, int>> grids{
            {Grid::Commands, 9}, {Grid::InputsAndOutputs, 14}, {Grid::BlockOutputs, 128}};
        for (const auto &[which, rows] : grids) {
            const QTableWidget *grid = form->gridView(which);
            QCOMPARE(grid->rowCount(), rows);
            QCOMPARE(grid->columnCount(), 8);
            QCOMPARE(grid->columnWidth(7), 75);
            QCOMPARE(grid->rowHeight(rows - 1), 15);
            QCOMPARE(grid->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        }
        for (QWidget *control : form->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            QVERIFY2(form->rect().contains(control->geometry()), qPrintable(control->objectName()));
        verifyStopped(form);
        for (const QPushButton *button : fileButtons(form))
            QVERIFY(!button->isEnabled());

        QCOMPARE(form->dioCount(), 22);
        QCOMPARE(form->superBlockOutputCount(), 21);
        QCOMPARE(cell(form, Grid::Commands, 6, 0), QStringLiteral("ALL0"));
        QCOMPARE(cell(form, Grid::BlockOutputs, 8, 6), QStringLiteral("DMCN14"));
        QCOMPARE(cell(form, Grid::BlockOutputs, 12, 0), QStringLiteral("DTOS11"));
        QCOMPARE(cell(form, Grid::BlockOutputs, 13, 0), QString());

        // Save: a name without ".mon" writes nothing; a good one writes the grids.
        const QString dir = testenv::programDir();
        QFile keep(dir + "keep.txt");
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.write("keep");
        keep.close();
        dialogs.saveAnswers = {dir + "keep.txt", dir + "first.mon"};
        form->saveMonitorFile();
        QCOMPARE(dialogs.messages, QStringList{kIncorrectFileName});
        QCOMPARE(testenv::readAll(dir + "keep.txt"), QByteArray("keep"));
        // The caption shows the format; it is not the format: an accelerator mark a desktop puts
        // in does not reach the file.
        form->numberBaseButton()->setText(QStringLiteral("&Dec"));
        form->saveMonitorFile();
        QCOMPARE(dialogs.filtersAsked.last(), QStringLiteral("Moniter Data(*.mon)|*.mon"));
        const QStringList saved = textfile::splitLines(testenv::readAll(dir + "first.mon"));
        QCOMPARE(saved.value(0), QStringLiteral("----- Qmx Moniter List --- File Name:first.mon ----"));
        QVERIFY2(saved.value(2).endsWith(QStringLiteral(": Dec")), qPrintable(saved.value(2)));
        QCOMPARE(saved.value(4),
                 QStringLiteral("   DIO00           DIO01           DIO02           DIO03        "));

        // Open: an unknown format line still loads; a file ending early changes nothing.
        QStringList edited = saved;
        edited[2] = QStringLiteral("                                  dec/hex : ???");
        edited[4] = QStringLiteral("   NEW00");
        QVERIFY(textfile::writeAtomically(dir + "edited.mon", textfile::joinLinesCrLf(edited)));
        QVERIFY(textfile::writeAtomically(dir + "short.mon", textfile::joinLinesCrLf(saved.mid(0, 8))));
        dialogs.messages.clear();
        dialogs.openAnswers = {dir + "edited.mon", dir + "short.mon"};
        form->openMonitorFile();
        QCOMPARE(dialogs.messages, QStringList{kIncorrectData});
        QCOMPARE(form->numberBaseButton()->text(), QString());
        QCOMPARE(form->fileName()->text(), QStringLiteral("first.mon "));
        QCOMPARE(cell(form, Grid::Commands, 0, 0), QStringLiteral("NEW00"));
        QCOMPARE(cell(form, Grid::Commands, 0, 2), QStringLiteral("DIO01")); // beyond the line: kept
        const MonitorGrids before = form->grids();
        form->openMonitorFile();
        QCOMPARE(dialogs.messages.last(), kMonitorFileEndsEarly);
        QVERIFY(form->grids().commands == before.commands);

        form->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(form.isNull());
        QCOMPARE(displayClosings, 1);
    }

    void releaseRefusedWhilePortHeld()
    {
        ws->session.setVariablesListOpen(true);
        QPointer<MonitorWindow> form = createForm();
        QCOMPARE(varListOpenings, 1); // the open Variables List is not opened again

        Link other;
        QCOMPARE(other.open(PortUser::Tool), 0);
        QTest::mouseClick(form->releaseButton(), Qt::LeftButton);
        QTRY_COMPARE(dialogs.messages, QStringList{kCreateFileError});
        verifyStopped(form);
        other.close();

        // Held by this program's trend run: the Monitor is refused at once, saying who holds it.
        bool trendOpened = false;
        ws->linkThread.open(PortUser::TrendRun, form,
                            [&](LinkThread::OpenOutcome o) { trendOpened = o == LinkThread::OpenOutcome::Opened; });
        QTRY_VERIFY(trendOpened);
        form->releaseOrPause();
        QCOMPARE(dialogs.messages,
                 (QStringList{kCreateFileError, QStringLiteral("The Trend Graph is using the port: press STOP first.")}));
        QCOMPARE(form->releaseButton()->text(), kRelease);
        QCOMPARE(ws->linkThread.holder(), PortUser::TrendRun);
        ws->linkThread.close(PortUser::TrendRun);
        delete form;
    }

    void pollingShowsControllerMemory()
    {
        QPointer<MonitorWindow> form = createForm();
        // "Pause" inside the pause after opening the port stops: nothing is read.
        const std::uint64_t servedBefore = sim.requestsServed();
        QTest::mouseClick(form->releaseButton(), Qt::LeftButton);
        QTRY_COMPARE(form->releaseButton()->text(), kPause);
        QTest::mouseClick(form->releaseButton(), Qt::LeftButton);
        verifyStopped(form);
        QTest::qWait(2100);
        QCOMPARE(sim.requestsServed(), servedBefore);
        QCOMPARE(form->releaseButton()->text(), kRelease);

        // Released: the grids fill pass after pass while the window stays live.
        StallProbe probe;
        QTest::mouseClick(form->releaseButton(), Qt::LeftButton);
        QTRY_COMPARE(form->releaseButton()->text(), kPause);
        QCOMPARE(form->runStatus()->text(), kRunning);
        QCOMPARE(form->runStatus()->palette().color(QPalette::Window), QColor(0x00FF00));
        QCOMPARE(ws->linkThread.holder(), PortUser::Monitor);
        for (const QPushButton *button : fileButtons(form))
            QVERIFY(!button->isEnabled());

        const auto expected = expectedAddresses(form);
        QCOMPARE(expected.size(), std::size_t(27 + 51 + 21));
        for (const bool decimal : {true, false}) {
            if (!decimal)
                form->toggleNumberBase();
            QCOMPARE(form->numberBaseButton()->text(), decimal ? kDec : kHex);
            waitForPasses(form, 2);
            for (const auto &[where, address] : expected) {
                const auto &[grid, row, column] = where;
                QString want;
                if (address) {
                    const quint16 word = sim.readWord(*address);
                    want = valueText(word >= 0x8000 ? word - 0x10000 : word, decimal);
                }
                QCOMPARE(cell(form, grid, row, column), want);
            }
            QCOMPARE(cell(form, Grid::Commands, 0, 1), QString::fromLatin1(decimal ? "-1" : "FFFFFFFF"));
            QCOMPARE(cell(form, Grid::BlockOutputs, 0, 1), QString::fromLatin1(decimal ? "-2" : "FFFFFFFE"));
        }
        QCOMPARE(cell(form, Grid::InputsAndOutputs, 11, 7), QString()); // M23
        QVERIFY2(probe.longestGapMs() < 50, qPrintable(QString::number(probe.longestGapMs())));

        QTest::mouseClick(form->releaseButton(), Qt::LeftButton);
        verifyStopped(form);
        const std::uint64_t served = sim.requestsServed();
        QTest::qWait(100);
        QCOMPARE(sim.requestsServed(), served); // no pass after Pause
        // The line's figures of the release: every section's block read counted, none failed.
        const ExchangeStats &line = form->lineStats();
        QVERIFY(form->releasePasses() >= 4);
        QVERIFY(line.exchanges >= form->releasePasses() * form->sections().size());
        QCOMPARE(line.failures(), std::uint64_t{0});
        QVERIFY(line.longestReply >= line.meanReply() && line.meanReply().count() > 0);
        QVERIFY2(form->lineStatistics()
                     ->text()
                     .startsWith(QStringLiteral("%1 exchanges, 0 failed, reply mean ").arg(line.exchanges)),
                 qPrintable(form->lineStatistics()->text()));

        // Paused, the number base redraws the last values at once: grids, button and a saved file
        // always say the same, whatever the order of presses.
        for (const bool decimal : {true, false, true, false}) {
            form->toggleNumberBase();
            QCOMPARE(form->numberBaseButton()->text(), decimal ? kDec : kHex);
            QCOMPARE(cell(form, Grid::Commands, 0, 1), QString::fromLatin1(decimal ? "-1" : "FFFFFFFF"));
            QCOMPARE(cell(form, Grid::BlockOutputs, 0, 1), QString::fromLatin1(decimal ? "-2" : "FFFFFFFE"));
            const QString saved = testenv::programDir() + (decimal ? "dec.mon" : "hex.mon");
            dialogs.saveAnswers = {saved};
            form->saveMonitorFile();
            // Values read, not a file: the offered name carries the time.
            QVERIFY(QRegularExpression(QStringLiteral("^monitor-\\d{8}-\\d{6}\\.mon$"))
                        .match(dialogs.namesSuggested.constLast())
                        .hasMatch());
            const QByteArray file = testenv::readAll(saved);
            QVERIFY(file.contains(decimal ? "dec/hex : Dec" : "dec/hex : Hex"));
            // The window says what it saved where.
            const QString notice = form->lineStatistics()->text();
            QVERIFY2(notice.startsWith(QStringLiteral("saved %1 in ").arg(QFileInfo(saved).fileName())),
                     qPrintable(notice));
            QCOMPARE(file.contains("FFFFFFFF"), !decimal);
        }
        // A folder too long for the line gives way in its middle; the name stays whole and the
        // line fits its label.
        const QString deep = testenv::programDir() + QString(60, u'f') + QStringLiteral("/") + QString(60, u'g');
        QVERIFY(QDir().mkpath(deep));
        dialogs.saveAnswers = {deep + QStringLiteral("/long-folder.mon")};
        form->saveMonitorFile();
        const QLabel *figures = form->lineStatistics();
        QVERIFY2(figures->text().startsWith(QStringLiteral("saved long-folder.mon in /")) &&
                     figures->text().contains(QChar(0x2026)) &&
                     QFontMetrics(figures->font()).horizontalAdvance(figures->text()) <= figures->width(),
                 qPrintable(figures->text()));
        form->grab().save(QStringLiteral("/tmp/readout-monitor.png"));
        for (const QPushButton *button : fileButtons(form))
            QVERIFY(button->isEnabled());

        const QString pdf = testenv::programDir() + "monitor.pdf";
        dialogs.pdfAnswers = {pdf};
        QTest::mouseClick(form->printButton(), Qt::LeftButton);
        const QByteArray printed = testenv::readAll(pdf);
        QVERIFY2(printed.size() > 10000, QByteArray::number(printed.size()));
        QVERIFY(printed.contains("/Width 684") && printed.contains("/Height 571"));
        const QRegularExpressionMatch box =
            QRegularExpression(R"(/MediaBox \[0 0 ([\d.]+) ([\d.]+)\])").match(QString::fromLatin1(printed));
        QVERIFY(box.hasMatch());
        QVERIFY(box.captured(1).toDouble() >= 684 * 72.0 / 96 && box.captured(2).toDouble() >= 571 * 72.0 / 96);
        delete form;
    }

    // A controller that stops answering is seen within one reply time: the line state names the
    // port and its device in red, and goes at the first good reply.
    void silentControllerShowsTheLineState()
    {
        QPointer<MonitorWindow> form = createForm();
        QVERIFY(!form->lineState()->isVisible());
        form->releaseOrPause();
        waitForPasses(form, 1);
        QVERIFY(form->lineState()->isHidden());
        sim.setFaultForAllRequests(SimFault{SimFault::Kind::Silence});
        QTRY_VERIFY_WITH_TIMEOUT(!form->lineState()->isHidden(), 2000 + 2100);
        QVERIFY2(form->lineState()->text().startsWith(QStringLiteral("no reply from COM1 (%1) since ").arg(sim.devicePath())),
                 qPrintable(form->lineState()->text()));
        QCOMPARE(form->lineState()->palette().color(QPalette::WindowText), LineStateLabel::kColour);
        sim.clearFaults();
        QTRY_VERIFY_WITH_TIMEOUT(form->lineState()->isHidden(), 5000);
        form->releaseOrPause();
        QTRY_VERIFY(!ws->linkThread.portOpen());
        delete form;
    }

    void missingPointersStopAndClosingFreesPort()
    {
        QPointer<MonitorWindow> form = createForm();
        const std::array<QString, 4> pointers = ws->catalogue.pointerAddresses;
        ws->catalogue.pointerAddresses[1].clear();
        form->releaseOrPause();
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.messages, QStringList{kPleaseClickDataRead}, 5000);
        verifyStopped(form);
        QVERIFY(form->saveButton()->isEnabled());
        ws->catalogue.pointerAddresses = pointers;

        // Closing a polling window frees the port and tells the main window.
        form->releaseOrPause();
        QTRY_VERIFY_WITH_TIMEOUT(form->passesCompleted() >= 1, 5000);
        const int closings = displayClosings;
        form->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(form.isNull());
        QTRY_VERIFY(!ws->linkThread.portOpen());
        QCOMPARE(displayClosings, closings + 1);
        const std::uint64_t served = sim.requestsServed();
        QTest::qWait(100);
        QCOMPARE(sim.requestsServed(), served);
    }
};

QTEST_MAIN(TestMonitorWindow)
#include "test_monitor_window.moc"
