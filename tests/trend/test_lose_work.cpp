// Work is not lost unasked: closing the Trend Graph (or the main window with it) during a run or
// over rows kept nowhere else asks Save / Discard / Cancel, answered here each way; a click in the
// channel table during a run asks only where it would change the channels; "Record to file..."
// chosen before RUN records the run from its first row. Against the simulator on a pty.

#include "catalogue/VariablesListWindow.h"
#include "sim/ControllerSimulator.h"
#include "shell/MainWindow.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trend/TrendWindowProgram.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/GraphExport.h"
#include "trend/window/ReadoutBand.h"
#include "trend/window/RecordToFileControl.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/window/TrendGraphView.h"
#include "trend/window/TrendGraphWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {

using Answer = Dialogs::LoseWorkAnswer;

constexpr std::uint32_t kWordAddress = 0x600E00;

// `form` draws one channel, the word at kWordAddress.
void chooseOneChannel(TrendGraphWindow &form)
{
    for (int c = 0; c < kChannels; ++c)
        form.table().row(c).selected->setChecked(c == 0);
    form.table().setAddressKind(0, AddressKind::Address);
    form.table().row(0).name->setText(QStringLiteral("600E00"));
    form.table().row(0).scale->setText(QStringLiteral("2000"));
}

TrendGraphWindow *oneChannelWindow(TrendWindowProgram &p)
{
    auto *form = new TrendGraphWindow(p.ws, p.data);
    form->show();
    chooseOneChannel(*form);
    return form;
}

// RUN pressed, and `rows` more rows stored (the window counts the passes of all its runs).
bool runWithRows(TrendGraphWindow &form, int rows)
{
    const quint64 before = form.passesStored();
    form.toggleRun();
    return QTest::qWaitFor([&] { return form.runActive() && form.passesStored() >= before + quint64(rows); }, 8000);
}

} // namespace

class TestLoseWork : public QObject {
    Q_OBJECT

    SimulatedPort port;

private slots:
    void initTestCase()
    {
        testenv::prepare();
        QVERIFY2(port.start(QStringLiteral("COM1")), qPrintable(port.error()));
        port.simulator().setLiveDemo(false);
        port.simulator().writeWord(kWordAddress, 1234);
    }
    void closingAsksDuringARunAndOverUnsavedRows();
    void mainWindowKeepsATrendGraphTheUserKept();
    void exitClosesNothingBeforeEveryQuestionIsAnswered();
    void tableClickAsksOnlyWhereItChangesTheChannels();
    void runAsksBeforeReplacingUnsavedRows();
    void recordingChosenBeforeRunTakesTheFirstRow();
};

void TestLoseWork::closingAsksDuringARunAndOverUnsavedRows()
{
    TrendWindowProgram p;
    QPointer<TrendGraphWindow> form = oneChannelWindow(p);
    // Nothing to lose: it closes without a word.
    QVERIFY(form->close());
    QTRY_VERIFY(!form);
    QCOMPARE(p.dialogs.questions, QStringList{});

    // During a run: Cancel keeps the window and the run going.
    form = oneChannelWindow(p);
    QVERIFY(runWithRows(*form, 2));
    p.dialogs.loseWorkAnswers = {Answer::Cancel};
    QVERIFY(!form->close());
    QCOMPARE(p.dialogs.questions, QStringList{kCloseDuringRunQuestion});
    QVERIFY(form->isVisible() && form->runActive());
    // Save: the run ends, its rows go to the file chosen, and the window closes.
    const QString saved = testenv::programDir() + QStringLiteral("closing.trd");
    p.dialogs.loseWorkAnswers = {Answer::Save};
    p.dialogs.saveAnswers = {saved};
    const quint64 stored = form->passesStored();
    QVERIFY(form->close());
    QTRY_VERIFY(!form);
    QVERIFY(!p.ws.session.state().trendGraphOpen);
    const QByteArray file = testenv::readAll(saved);
    QVERIFY2(file.count("\r\n") > int(stored), file.left(200).constData());

    // After STOP, rows kept nowhere else: asked again; Save cancelled in the file dialog keeps
    // the window, Discard closes it.
    form = oneChannelWindow(p);
    QVERIFY(runWithRows(*form, 2));
    form->toggleRun();
    QVERIFY(!form->runActive());
    p.dialogs.questions.clear();
    p.dialogs.loseWorkAnswers = {Answer::Save, Answer::Discard};
    QVERIFY(!form->close());
    QVERIFY(form->isVisible());
    QVERIFY(form->close());
    QTRY_VERIFY(!form);
    QCOMPARE(p.dialogs.questions, (QStringList{kCloseUnsavedRunQuestion, kCloseUnsavedRunQuestion}));

    // Rows exported to CSV are kept: no question.
    form = oneChannelWindow(p);
    QVERIFY(runWithRows(*form, 2));
    form->toggleRun();
    form->redraw();
    p.dialogs.questions.clear();
    p.dialogs.saveAnswers = {testenv::programDir() + QStringLiteral("closing.csv")};
    form->graphExport().exportCsvAction()->trigger();
    QVERIFY(QFile::exists(testenv::programDir() + QStringLiteral("closing.csv")));
    QVERIFY(form->close());
    QCOMPARE(p.dialogs.questions, QStringList{});
}

void TestLoseWork::mainWindowKeepsATrendGraphTheUserKept()
{
    TrendWindowProgram p;
    MainWindow main(p.ws, p.data);
    main.show();
    main.openTrendGraph();
    QPointer<TrendGraphWindow> form = main.trendGraphWindow();
    QVERIFY(form);
    chooseOneChannel(*form);
    QVERIFY(runWithRows(*form, 2));

    // Cancel: the main window stays, and so does the run.
    p.dialogs.loseWorkAnswers = {Answer::Cancel};
    QVERIFY(!main.close());
    QVERIFY(main.isVisible());
    QVERIFY(form && form->runActive());
    // Discard: both go.
    p.dialogs.loseWorkAnswers = {Answer::Discard};
    QVERIFY(main.close());
    QTRY_VERIFY(!form);
    QCOMPARE(p.dialogs.questions, (QStringList{kCloseDuringRunQuestion, kCloseDuringRunQuestion}));
}

void TestLoseWork::exitClosesNothingBeforeEveryQuestionIsAnswered()
{
    // The program as it starts: the main window, the Trend Graph and the Variables List it opens.
    TrendWindowProgram p;
    p.ws.session.setVariablesListOpen(false);
    p.program.start();
    QPointer<MainWindow> main = p.program.mainWindow;
    QPointer<TrendGraphWindow> form = main->trendGraphWindow();
    QPointer<VariablesListWindow> list = main->variablesListWindow();
    QVERIFY(form && list && list->isVisible());
    chooseOneChannel(*form);
    QVERIFY(runWithRows(*form, 2));
    form->toggleRun();

    // File > Exit over rows kept nowhere else, Cancel: every window stays as it was.
    p.dialogs.loseWorkAnswers = {Answer::Cancel};
    main->exitAction()->trigger();
    QCOMPARE(p.dialogs.questions, QStringList{kCloseUnsavedRunQuestion});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(main && main->isVisible());
    QVERIFY(form && form->isVisible());
    QVERIFY(list && list->isVisible());
    QVERIFY(p.ws.session.state().variablesListOpen && p.ws.session.state().trendGraphOpen);

    // Discard: all of them go.
    p.dialogs.loseWorkAnswers = {Answer::Discard};
    main->exitAction()->trigger();
    QTRY_VERIFY(!main && !form && !list);
    QCOMPARE(p.dialogs.questions, (QStringList{kCloseUnsavedRunQuestion, kCloseUnsavedRunQuestion}));
}

void TestLoseWork::tableClickAsksOnlyWhereItChangesTheChannels()
{
    TrendWindowProgram p;
    std::unique_ptr<TrendGraphWindow> form(oneChannelWindow(p));
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    const ChannelRow &second = form->table().row(1);

    // Ticking a channel during a run: Cancel leaves the tick as it was and the run going.
    QVERIFY(runWithRows(*form, 2));
    p.dialogs.loseWorkAnswers = {Answer::Cancel};
    QTest::mouseClick(second.selected, Qt::LeftButton, {}, QPoint(4, 4));
    QVERIFY(!second.selected->isChecked());
    QVERIFY(form->runActive());
    QCOMPARE(p.dialogs.questions, QStringList{kTableEndsRunQuestion});
    // Discard: the run ends and the tick is taken.
    p.dialogs.loseWorkAnswers = {Answer::Discard};
    QTest::mouseClick(second.selected, Qt::LeftButton, {}, QPoint(4, 4));
    QVERIFY(second.selected->isChecked());
    QVERIFY(!form->runActive());
    QCOMPARE(form->runButton()->text(), kRunCaption);

    // The A/L button during a run: Cancel keeps the kind.
    second.selected->setChecked(false);
    QVERIFY(runWithRows(*form, 2));
    p.dialogs.loseWorkAnswers = {Answer::Cancel};
    const AddressKind kind = form->table().addressKind(1);
    second.addressKind->click();
    QCOMPARE(form->table().addressKind(1), kind);
    QVERIFY(form->runActive());

    // A press in a name field changes nothing by itself: the run stops as it always did, unasked.
    p.dialogs.questions.clear();
    QTest::mouseClick(form->table().row(0).name, Qt::LeftButton);
    QVERIFY(!form->runActive());
    QCOMPARE(p.dialogs.questions, QStringList{});
    // With no run, nothing is asked either.
    second.addressKind->click();
    QVERIFY(form->table().addressKind(1) != kind);
    QCOMPARE(p.dialogs.questions, QStringList{});
}

void TestLoseWork::runAsksBeforeReplacingUnsavedRows()
{
    TrendWindowProgram p;
    std::unique_ptr<TrendGraphWindow> form(oneChannelWindow(p));
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    QVERIFY(runWithRows(*form, 2));
    form->toggleRun();
    const quint64 lastRun = form->passesStored();

    // RUN over the last run's rows, by the button and by F5: Cancel keeps them and starts nothing.
    p.dialogs.loseWorkAnswers = {Answer::Cancel};
    form->runButton()->click();
    QCOMPARE(p.dialogs.questions, QStringList{kRunReplacesUnsavedRunQuestion});
    QVERIFY(!form->runActive() && !form->runStarting());
    QCOMPARE(form->passesStored(), lastRun);
    p.dialogs.loseWorkAnswers = {Answer::Cancel};
    QTest::keyClick(form.get(), Qt::Key_F5);
    QCOMPARE(p.dialogs.questions.size(), 2);
    QVERIFY(!form->runActive() && !form->runStarting());

    // Save, the file dialog cancelled: still nothing starts.
    p.dialogs.loseWorkAnswers = {Answer::Save};
    form->toggleRun();
    QVERIFY(!form->runActive() && !form->runStarting());
    // Save to a file: the rows go there, then the new run starts.
    const QString saved = testenv::programDir() + QStringLiteral("before-run.trd");
    QFile::remove(saved);
    p.dialogs.loseWorkAnswers = {Answer::Save};
    p.dialogs.saveAnswers = {saved};
    QVERIFY(runWithRows(*form, 2));
    QVERIFY2(testenv::readAll(saved).count("\r\n") > int(lastRun), qPrintable(saved));
    form->toggleRun();

    // Discard: the new run starts over them.
    p.dialogs.questions.clear();
    p.dialogs.loseWorkAnswers = {Answer::Discard};
    QVERIFY(runWithRows(*form, 1));
    QCOMPARE(p.dialogs.questions, QStringList{kRunReplacesUnsavedRunQuestion});
    form->toggleRun();

    // Rows exported are kept: the next run starts unasked.
    form->redraw();
    p.dialogs.questions.clear();
    p.dialogs.saveAnswers = {testenv::programDir() + QStringLiteral("before-run.csv")};
    form->graphExport().exportCsvAction()->trigger();
    QVERIFY(runWithRows(*form, 1));
    QCOMPARE(p.dialogs.questions, QStringList{});
    form->toggleRun();
}

void TestLoseWork::recordingChosenBeforeRunTakesTheFirstRow()
{
    TrendWindowProgram p;
    std::unique_ptr<TrendGraphWindow> form(oneChannelWindow(p));
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    const QString path = testenv::programDir() + QStringLiteral("first-row.csv");
    QFile::remove(path);
    form->view().updateMenu();
    QVERIFY(form->recordToFileControl().recordAction()->isEnabled());
    p.dialogs.saveAnswers = {path};
    form->recordToFileControl().recordAction()->trigger();
    QCOMPARE(form->recordToFileControl().pendingRecordingPath(), path);
    QVERIFY(!QFile::exists(path)); // nothing written until the run begins
    QVERIFY(runWithRows(*form, 3));
    QVERIFY(form->recording());
    QVERIFY(!form->recordToFileControl().recordAction()->isEnabled());
    form->toggleRun();
    QVERIFY(!form->recording());
    QVERIFY2(form->band().line(3)->toolTip().contains(QStringLiteral("recorded %1 rows to first-row.csv").arg(form->passesStored())),
             qPrintable(form->band().line(3)->toolTip()));
    // The header and one line per row stored, the first included, each with the word's value.
    const QList<QByteArray> lines = testenv::readAll(path).split('\n');
    QCOMPARE(lines.size() - 2, int(form->passesStored())); // header first, nothing after the last line end
    for (qsizetype i = 1; i + 1 < lines.size(); ++i)
        QVERIFY2(lines[i].trimmed().endsWith(",1234"), lines[i].constData());
    // The run is in the file: closing asks nothing.
    QVERIFY(form->close());
    QCOMPARE(p.dialogs.questions, QStringList{});
}

QTEST_MAIN(TestLoseWork)
#include "test_lose_work.moc"
