// The one rule by which every poll loses and finds its line and says "no reply": the line keeper on
// a link to the controller simulator (an answer, a refusal, silence, a device that goes and comes
// back), and the watch that turns its reply state into "no reply since" and back.
#include "link/LineKeeper.h"
#include "link/LinkCodes.h"
#include "link/NoReplyWatch.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr std::uint32_t kWord = 0x600E60;

} // namespace

class LineKeeperTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void replyStateFollowsTheLastRequest();
    void goneDeviceIsClosedAndOpenedAgainWhenDue();
    void watchSaysNoReplySinceTheLastAnswer();
    void watchSaysNoReplyWhenNoResultComes();
};

void LineKeeperTest::replyStateFollowsTheLastRequest()
{
    SimulatedPort port;
    QVERIFY2(port.start(), qPrintable(port.error()));
    ControllerSimulator &sim = port.simulator();
    Link link;
    QCOMPARE(link.open(PortUser::Tool, sim.devicePath()), 0);
    LineKeeper line(link);

    QVERIFY(!line.afterRequest(link.readValue('R', 2, kWord)));
    QVERIFY(line.replyState().answering);
    const auto answered = line.replyState().lastAnswer;

    // A refusal is an answer: the controller is there.
    sim.queueFault(SimFault{SimFault::Kind::Nak, 'D'});
    const int refused = link.readValue('R', 2, kWord);
    QCOMPARE(refused, codeOf(LinkResult::RefusedD));
    QVERIFY(!line.afterRequest(refused));
    QVERIFY(line.replyState().answering);
    QVERIFY(line.replyState().lastAnswer >= answered);
    const auto refusedAt = line.replyState().lastAnswer;

    // Silence is none, and leaves the time of the last answer where it was; a silent controller on
    // a present line is not a lost line.
    sim.queueFault(SimFault{SimFault::Kind::Silence});
    const int silent = link.readValue('R', 2, kWord);
    QCOMPARE(silent, codeOf(LinkResult::Timeout));
    QVERIFY(!line.afterRequest(silent));
    QVERIFY(!line.replyState().answering);
    QVERIFY(line.replyState().lastAnswer == refusedAt);
    QVERIFY(!line.lineLost());
    QVERIFY(link.isOpen());

    // The next answer ends it; whatever the reads before it did, the last one counts.
    QVERIFY(!line.afterRequest(link.readValue('R', 2, kWord)));
    QVERIFY(line.replyState().answering);
    QVERIFY(line.replyState().lastAnswer > refusedAt);
}

void LineKeeperTest::goneDeviceIsClosedAndOpenedAgainWhenDue()
{
    SimulatedPort port;
    const QString linkPath = testenv::programDir() + QStringLiteral("ttyKeeper");
    QVERIFY2(port.start(QString(), linkPath), qPrintable(port.error()));
    ControllerSimulator &sim = port.simulator();
    Link link;
    QCOMPARE(link.open(PortUser::Tool, linkPath), 0);
    LineKeeper line(link);
    LinkTask task;

    sim.setAddressFault(kWord, SimFault{SimFault::Kind::CloseLine});
    const int lost = link.readValue('R', 2, kWord);
    QCOMPARE(lost, codeOf(LinkResult::Timeout));
    QVERIFY(line.afterRequest(lost));
    QVERIFY(line.lineLost());
    QVERIFY(!link.isOpen());
    QVERIFY(!line.replyState().answering);
    // Said once: the requests after it fail at once on the closed port and find nothing new.
    QVERIFY(!line.afterRequest(link.readValue('R', 2, kWord)));

    // Not back yet: the attempt waits for its time and fails.
    QElapsedTimer waited;
    waited.start();
    QVERIFY(line.reopenWhenDue(task));
    QVERIFY(waited.elapsed() >= LineKeeper::kReopenInterval.count() - 50);
    QVERIFY(line.lineLost());
    QVERIFY(!line.takeLineBack());

    sim.clearFaults();
    QVERIFY(sim.reopenLine());
    QVERIFY(line.reopenWhenDue(task));
    QVERIFY(!line.lineLost());
    QVERIFY(link.isOpen());
    QVERIFY(line.takeLineBack());
    QVERIFY(!line.takeLineBack());
    QVERIFY(!line.afterRequest(link.readValue('R', 2, kWord)));
    QVERIFY(line.replyState().answering);

    // A cancelled task ends the wait for the next attempt at once.
    sim.setAddressFault(kWord, SimFault{SimFault::Kind::CloseLine});
    QVERIFY(line.afterRequest(link.readValue('R', 2, kWord)));
    task.cancel();
    waited.restart();
    QVERIFY(!line.reopenWhenDue(task));
    QVERIFY(waited.elapsed() < LineKeeper::kReopenInterval.count() / 2);
}

void LineKeeperTest::watchSaysNoReplySinceTheLastAnswer()
{
    using namespace std::chrono;
    NoReplyWatch watch;
    QSignalSpy noReply(&watch, &NoReplyWatch::noReply);
    QSignalSpy replyAgain(&watch, &NoReplyWatch::replyAgain);

    // A result before the poll began is not heard.
    watch.take(ReplyState{false, steady_clock::now()});
    QCOMPARE(noReply.count(), 0);

    watch.begin(seconds(10));
    const auto answered = steady_clock::now();
    const QDateTime expected = QDateTime::currentDateTime();
    watch.take(ReplyState{true, answered});
    QCOMPARE(noReply.count(), 0);
    QCOMPARE(replyAgain.count(), 0);

    // The controller last answered 1.5 s ago: "since" is then, not when the watch heard of it.
    QTest::qWait(1500);
    watch.take(ReplyState{false, answered});
    QCOMPARE(noReply.count(), 1);
    QVERIFY(watch.silent());
    const QDateTime since = noReply.at(0).at(0).toDateTime();
    QVERIFY2(qAbs(since.msecsTo(expected)) < 300, qPrintable(since.toString(Qt::ISODateWithMs)));
    // Said once while it lasts.
    watch.take(ReplyState{false, answered});
    QCOMPARE(noReply.count(), 1);

    watch.take(ReplyState{true, steady_clock::now()});
    QCOMPARE(replyAgain.count(), 1);
    QVERIFY(!watch.silent());
    watch.take(ReplyState{true, steady_clock::now()});
    QCOMPARE(replyAgain.count(), 1);

    // An answer from before the poll began does not put "since" before it.
    watch.end();
    const auto earlier = steady_clock::now() - seconds(60);
    watch.begin(seconds(10));
    watch.take(ReplyState{false, earlier});
    QCOMPARE(noReply.count(), 2);
    QVERIFY(qAbs(noReply.at(1).at(0).toDateTime().msecsTo(QDateTime::currentDateTime())) < 300);
    watch.take(ReplyState{true, steady_clock::now()});
    QCOMPARE(replyAgain.count(), 2);

    // The end of a poll takes a "no reply" back, and hears nothing after it.
    watch.take(ReplyState{false, steady_clock::now()});
    QCOMPARE(noReply.count(), 3);
    watch.end();
    QCOMPARE(replyAgain.count(), 3);
    watch.take(ReplyState{false, steady_clock::now()});
    QCOMPARE(noReply.count(), 3);
}

void LineKeeperTest::watchSaysNoReplyWhenNoResultComes()
{
    using namespace std::chrono;
    NoReplyWatch watch;
    QSignalSpy noReply(&watch, &NoReplyWatch::noReply);
    QSignalSpy replyAgain(&watch, &NoReplyWatch::replyAgain);

    // Each result puts the deadline off again: five results 250 ms apart outlast a deadline of 1 s
    // (a loaded machine may wake late, so the gaps leave it room).
    watch.begin(milliseconds(1000));
    for (int i = 0; i < 5; ++i) {
        QTest::qWait(250);
        watch.take(ReplyState{true, steady_clock::now()});
    }
    QCOMPARE(noReply.count(), 0);
    // A reply that stalls on the line: no result within the time one can take.
    QTRY_COMPARE_WITH_TIMEOUT(noReply.count(), 1, 3000);
    QVERIFY(watch.silent());
    watch.take(ReplyState{true, steady_clock::now()});
    QCOMPARE(replyAgain.count(), 1);

    // After the end, no deadline is watched.
    watch.end();
    QTest::qWait(1500);
    QCOMPARE(noReply.count(), 1);
}

QTEST_GUILESS_MAIN(LineKeeperTest)
#include "test_line_keeper.moc"
