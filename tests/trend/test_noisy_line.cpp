// Trend passes over a line that adds stray bytes, splits replies and stalls, in every read mode,
// and over controllers that refuse, shorten or ignore block reads: every value is the word at its
// own channel's address or its read is reported failed; after a stall the passes are whole again
// within one reply time and a pass (a few more when block reads are not answered as asked).

#include "tests/support/NoisyLineCheck.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"

#include <QtTest>

using readplan::ReadMode;
Q_DECLARE_METATYPE(readplan::ReadMode)
Q_DECLARE_METATYPE(SimFault::Kind)

namespace {

struct NoisyLine {
    NoisyLine()
    {
        started = port.start();
        opened = started && link.open(PortUser::Tool, port.devicePath()) == 0;
    }
    ~NoisyLine() { link.close(); }
    SimulatedPort port{noisyline::distinctWords()};
    ControllerSimulator &sim = port.simulator();
    Link link;
    bool started = false;
    bool opened = false;
};

} // namespace

class TestNoisyLine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void noValueMovesToAnotherChannel_data();
    void noValueMovesToAnotherChannel();
    void wholePassesSoonAfterAStall_data();
    void wholePassesSoonAfterAStall();
    void noValueFromAReplyOutOfTurn_data();
    void noValueFromAReplyOutOfTurn();
};

void TestNoisyLine::noValueMovesToAnotherChannel_data()
{
    QTest::addColumn<ReadMode>("mode");
    QTest::newRow("one read per channel") << ReadMode::PerChannel;
    QTest::newRow("each word once") << ReadMode::EachWord;
    QTest::newRow("blocks") << ReadMode::Blocks;
}

// One reply in twelve with stray bytes, one in eight split, a few stalled up to 2.5 s.
void TestNoisyLine::noValueMovesToAnotherChannel()
{
    QFETCH(ReadMode, mode);
    NoisyLine line;
    QVERIFY(line.opened);
    LineNoise noise;
    noise.strayChance = 1.0 / 12;
    noise.splitChance = 1.0 / 8;
    noise.stallChance = 1.0 / 300;
    noise.longestStallMs = 2500;
    noise.seed = 29;
    line.sim.setLineNoise(noise);
    const noisyline::Figures figures = noisyline::readAndCheck(line.link, mode, 150, 800);
    QVERIFY2(figures.wrong == 0, qPrintable(QStringLiteral("%1 wrong of %2; first: %3")
                                                .arg(figures.wrong)
                                                .arg(figures.cells)
                                                .arg(figures.firstWrong)));
    QVERIFY2(line.sim.strayBytesSent() >= 20, qPrintable(QString::number(line.sim.strayBytesSent())));
    // Most of the cells are read all the same: noise costs a read, not the run.
    QVERIFY2(figures.empty * 4 < figures.cells,
             qPrintable(QStringLiteral("%1 of %2 cells empty").arg(figures.empty).arg(figures.cells)));
}

void TestNoisyLine::wholePassesSoonAfterAStall_data()
{
    QTest::addColumn<ReadMode>("mode");
    QTest::addColumn<SimFault::Kind>("blockReads");
    QTest::addColumn<SimFault::Kind>("stall");
    QTest::addColumn<int>("passesToRecover");
    QTest::newRow("each word, 2.5 s late") << ReadMode::EachWord << SimFault::Kind::None << SimFault::Kind::Late << 0;
    QTest::newRow("blocks, 2.5 s late") << ReadMode::Blocks << SimFault::Kind::None << SimFault::Kind::Late << 0;
    QTest::newRow("each word, block reads short, 2.5 s late")
        << ReadMode::EachWord << SimFault::Kind::ShortBlockReads << SimFault::Kind::Late << 0;
    QTest::newRow("each word, block reads refused, 2.5 s late")
        << ReadMode::EachWord << SimFault::Kind::RefuseBlockReads << SimFault::Kind::Late << 0;
    // Nothing ever comes back for the lost reply nor for a block read: two probes fail, the third
    // reads a word and waits for quiet.
    QTest::newRow("each word, block reads ignored, a reply lost")
        << ReadMode::EachWord << SimFault::Kind::IgnoreBlockReads << SimFault::Kind::Silence << 2;
}

void TestNoisyLine::wholePassesSoonAfterAStall()
{
    QFETCH(ReadMode, mode);
    QFETCH(SimFault::Kind, blockReads);
    QFETCH(SimFault::Kind, stall);
    QFETCH(int, passesToRecover); // passes after the stalled one that may still miss values
    NoisyLine line;
    QVERIFY(line.opened);
    line.sim.setFaultForAllRequests(SimFault{blockReads});
    QCOMPARE(noisyline::readAndCheck(line.link, mode, 2, 1000).empty, std::uint64_t{0});

    SimFault stalled{stall};
    stalled.delayMs = 2500;
    line.sim.queueFault(stalled);
    const noisyline::Figures stalledPass = noisyline::readAndCheck(line.link, mode, 1, 1000);
    QCOMPARE(stalledPass.wrong, std::uint64_t{0});
    QVERIFY(stalledPass.empty > 0);
    const noisyline::Figures recovering = noisyline::readAndCheck(line.link, mode, passesToRecover, 1000);
    QCOMPARE(recovering.wrong, std::uint64_t{0});
    const noisyline::Figures after = noisyline::readAndCheck(line.link, mode, 3, 1000);
    QVERIFY2(after.wrong == 0 && after.empty == 0,
             qPrintable(QStringLiteral("%1 wrong, %2 empty after recovering; %3")
                            .arg(after.wrong)
                            .arg(after.empty)
                            .arg(after.firstWrong)));
}

void TestNoisyLine::noValueFromAReplyOutOfTurn_data()
{
    QTest::addColumn<ReadMode>("mode");
    QTest::addColumn<SimFault::Kind>("kind");
    QTest::newRow("one read per channel, every 7th reply twice") << ReadMode::PerChannel << SimFault::Kind::Repeated;
    QTest::newRow("each word once, every 7th reply twice") << ReadMode::EachWord << SimFault::Kind::Repeated;
    QTest::newRow("blocks, every 7th reply twice") << ReadMode::Blocks << SimFault::Kind::Repeated;
    QTest::newRow("each word once, a reply out of order") << ReadMode::EachWord << SimFault::Kind::OutOfOrder;
    QTest::newRow("blocks, a reply out of order") << ReadMode::Blocks << SimFault::Kind::OutOfOrder;
}

// A controller that sends every 7th reply a second time 30 ms later, or one reply late and out
// of order 20 ms behind the next: never a value in another channel, and the line in step after.
void TestNoisyLine::noValueFromAReplyOutOfTurn()
{
    QFETCH(ReadMode, mode);
    QFETCH(SimFault::Kind, kind);
    NoisyLine line;
    QVERIFY(line.opened);
    SimFault fault{kind};
    fault.delayMs = kind == SimFault::Kind::Repeated ? 30 : 20;
    if (kind == SimFault::Kind::Repeated)
        line.sim.setFaultEvery(7, fault);
    else
        line.sim.queueFault(fault);
    const noisyline::Figures figures = noisyline::readAndCheck(line.link, mode, 12, 400);
    QVERIFY2(figures.wrong == 0, qPrintable(figures.firstWrong));
    line.sim.clearFaults();
    const noisyline::Figures after = noisyline::readAndCheck(line.link, mode, 3, 1000);
    QVERIFY2(after.wrong == 0 && after.empty == 0,
             qPrintable(QStringLiteral("%1 wrong, %2 empty after the faults").arg(after.wrong).arg(after.empty)));
}

QTEST_MAIN(TestNoisyLine)
#include "test_noisy_line.moc"
