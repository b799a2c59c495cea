// The requests of a trend pass against the controller simulator in each read mode: the values
// decoded as one read per channel decodes them, the frames on the line, a failed request failing
// exactly the channels it serves, and a block read the controller will not answer as asked given
// up for word reads, on the link and in a Trend Graph run.

#include "link/Link.h"
#include "link/LinkThread.h"
#include "sim/ControllerSimulator.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trend/TrendWindowProgram.h"
#include "trend/window/ChannelTable.h"
#include "trend/model/Presets.h"
#include "trend/window/ReadoutBand.h"
#include "trend/window/TrendGraphWindow.h"
#include "trend/model/TrendPoll.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using readplan::ReadMode;
Q_DECLARE_METATYPE(readplan::ReadMode)
Q_DECLARE_METATYPE(SimFault)

namespace {

// Channels 0..2 on three words of which two are neighbours, 7 and 8 on bits of the first word
// and of a word of their own.
const std::vector<int> kSelected = {0, 1, 2, 7, 8};
const std::array<std::uint32_t, kChannels> kAddresses = {0x600E60, 0x600E62, 0x600F00, 0, 0, 0, 0,
                                                         0x600E60, 0x600E66};

struct Line {
    Line()
    {
        started = port.start();
        sim.setLiveDemo(false);
        sim.writeWord(0x600E60, 0x0009);
        sim.writeWord(0x600E62, 0x8000);
        sim.writeWord(0x600E64, 0x1111);
        sim.writeWord(0x600E66, 0x7FFF);
        sim.writeWord(0x600F00, 0xFFFE);
        opened = link.open(PortUser::Tool, sim.devicePath()) == 0;
    }
    ~Line()
    {
        link.close();
    }
    // The letters of the requests since the last call, e.g. "rRR".
    QByteArray letters()
    {
        QByteArray out;
        for (const QByteArray &frame : sim.requestLog())
            out += frame.size() > 2 ? frame[2] : '?';
        sim.clearRequestLog();
        return out;
    }
    SimulatedPort port;
    ControllerSimulator &sim = port.simulator();
    Link link;
    LinkTask task;
    bool started = false;
    bool opened = false;
};

// The values every mode must decode: the signed word, for logic channels the whole word too.
void checkValues(const sampling::PassReadout &readout)
{
    QCOMPARE(readout.latestValue[0], 9);
    QCOMPARE(readout.latestValue[1], -32768);
    QCOMPARE(readout.latestValue[2], -2);
    QCOMPARE(readout.latestValue[7], 9);
    QCOMPARE(readout.latestValue[8], 0x7FFF);
}

} // namespace

class TestReadModes : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void requestsAndValues_data();
    void requestsAndValues();
    void failedRequestFailsTheChannelsItServes_data();
    void failedRequestFailsTheChannelsItServes();
    void blockReadGivenUp_data();
    void blockReadGivenUp();
    void trendRunFallsBackAfterARefusedBlockRead();
};

void TestReadModes::requestsAndValues_data()
{
    QTest::addColumn<ReadMode>("mode");
    QTest::addColumn<QByteArray>("letters");
    QTest::newRow("one read per channel") << ReadMode::PerChannel << QByteArray("RRRRR");
    QTest::newRow("each word once") << ReadMode::EachWord << QByteArray("RRRR");
    // 600E60..600E67 in one block read (50 bytes < three word reads, 78), 600F00 on its own.
    QTest::newRow("blocks") << ReadMode::Blocks << QByteArray("rR");
}

void TestReadModes::requestsAndValues()
{
    QFETCH(ReadMode, mode);
    QFETCH(QByteArray, letters);
    Line line;
    QVERIFY(line.started && line.opened);
    trendpoll::PollPlan plan = trendpoll::makePollPlan(kSelected, kAddresses, mode);
    for (int pass = 0; pass < 2; ++pass) {
        const trendpoll::TrendPass read = trendpoll::readPass(line.link, line.task, plan);
        checkValues(read.readout);
        QCOMPARE(read.readout.errorCount, 0);
        QVERIFY(read.failures.empty() && read.blockReadsGivenUp.empty() && !read.planNow);
        QCOMPARE(read.stats.exchanges, static_cast<std::uint64_t>(letters.size()));
        QCOMPARE(line.letters(), letters);
    }
    if (mode == ReadMode::PerChannel) {
        // Exactly the product's requests: channel order, a shared word read again.
        trendpoll::readPass(line.link, line.task, plan);
        QByteArrayList addresses;
        for (const QByteArray &frame : line.sim.requestLog())
            addresses << frame.mid(5, 6);
        QCOMPARE(addresses, (QByteArrayList{"600E60", "600E62", "600F00", "600E60", "600E66"}));
    }
}

void TestReadModes::failedRequestFailsTheChannelsItServes_data()
{
    QTest::addColumn<ReadMode>("mode");
    QTest::addColumn<quint32>("faultAddress");
    QTest::addColumn<int>("code");
    QTest::addColumn<QList<int>>("failed");
    QTest::newRow("per channel: one channel") << ReadMode::PerChannel << 0x600E60u << -2 << QList<int>{0, 7};
    QTest::newRow("each word: every channel on it") << ReadMode::EachWord << 0x600E60u << -2 << QList<int>{0, 7};
    QTest::newRow("each word: a refusal") << ReadMode::EachWord << 0x600F00u << -5 << QList<int>{2};
    // A block read that fails with a corrupted reply fails its channels and stays in the plan.
    QTest::newRow("block: every channel in it") << ReadMode::Blocks << 0x600E60u << -2 << QList<int>{0, 1, 7, 8};
}

void TestReadModes::failedRequestFailsTheChannelsItServes()
{
    QFETCH(ReadMode, mode);
    QFETCH(quint32, faultAddress);
    QFETCH(int, code);
    QFETCH(QList<int>, failed);
    Line line;
    QVERIFY(line.started && line.opened);
    line.sim.setAddressFault(faultAddress, code == -2 ? SimFault{SimFault::Kind::WrongChecksum}
                                                      : SimFault{SimFault::Kind::Nak, 'E'});
    trendpoll::PollPlan plan = trendpoll::makePollPlan(kSelected, kAddresses, mode);
    const trendpoll::TrendPass pass = trendpoll::readPass(line.link, line.task, plan);
    std::uint16_t bits = 0;
    for (int c : failed)
        bits = static_cast<std::uint16_t>(bits | (1u << c));
    QCOMPARE(pass.readout.failedChannels, bits);
    QCOMPARE(pass.readout.errorCount, static_cast<int>(failed.size()));
    // One failure per channel, in channel order, as the error trace has always had them.
    QCOMPARE(pass.failures.size(), static_cast<std::size_t>(failed.size()));
    for (const trendpoll::ReadFailure &failure : pass.failures)
        QCOMPARE(failure.code, code);
    if (code == -5)
        QCOMPARE(pass.failures.front().lastErrorReply, QByteArray("\x15" "0E\r\n"));
    for (int c : failed)
        QCOMPARE(pass.readout.latestValue[c], 0);
    for (int c : kSelected) {
        if (!failed.contains(c))
            QVERIFY(pass.readout.latestValue[c] != 0);
    }
    QVERIFY(pass.blockReadsGivenUp.empty() && !pass.planNow);
    QCOMPARE(plan.reads.blockReads(), mode == ReadMode::Blocks ? 1 : 0);
}

void TestReadModes::blockReadGivenUp_data()
{
    QTest::addColumn<SimFault>("fault");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("refused");
    QTest::newRow("refused") << SimFault{SimFault::Kind::RefuseBlockReads} << -3 << true;
    QTest::newRow("a byte short") << SimFault{SimFault::Kind::ShortBlockReads} << -1 << false;
}

void TestReadModes::blockReadGivenUp()
{
    QFETCH(SimFault, fault);
    QFETCH(int, code);
    QFETCH(bool, refused);
    Line line;
    QVERIFY(line.started && line.opened);
    // A short reply is waited out and puts the line out of step; the "r" read that brings it back
    // in step must be answered, so the fault meets the block read alone.
    if (refused)
        line.sim.setFaultForAllRequests(fault);
    else
        line.sim.queueFault(fault);
    trendpoll::PollPlan plan = trendpoll::makePollPlan(kSelected, kAddresses, ReadMode::Blocks);
    const trendpoll::TrendPass first = trendpoll::readPass(line.link, line.task, plan);
    // The pass reads the block's words by "R" at once: no channel fails.
    checkValues(first.readout);
    QCOMPARE(first.readout.errorCount, 0);
    QVERIFY(first.failures.empty());
    QCOMPARE(first.blockReadsGivenUp.size(), std::size_t{1});
    const readplan::BlockReadGivenUp &givenUp = first.blockReadsGivenUp.front();
    QCOMPARE(givenUp.address, 0x600E60u);
    QCOMPARE(givenUp.byteCount, 8);
    QCOMPARE(givenUp.code, code);
    QCOMPARE(givenUp.refused, refused);
    QVERIFY(first.planNow);
    QCOMPARE(first.planNow->blockReads(), 0);
    QCOMPARE(plan.reads.wordReads(), 4);
    QCOMPARE(first.stats.failuresByCode.at(code), std::uint64_t{1});
    const QByteArray firstLetters = line.letters();
    QVERIFY2(firstLetters.startsWith('r') && firstLetters.endsWith("RRRR"), firstLetters.constData());
    // Not tried again in the run.
    const trendpoll::TrendPass second = trendpoll::readPass(line.link, line.task, plan);
    checkValues(second.readout);
    QVERIFY(second.blockReadsGivenUp.empty() && !second.planNow);
    QCOMPARE(line.letters(), QByteArray("RRRR"));
}

void TestReadModes::trendRunFallsBackAfterARefusedBlockRead()
{
    SimulatedPort port;
    QVERIFY2(port.start(QStringLiteral("COM1")), qPrintable(port.error()));
    ControllerSimulator &sim = port.simulator();
    sim.setLiveDemo(false);
    for (std::uint32_t k = 0; k < 4; ++k)
        sim.writeWord(0x600E60 + 2 * k, static_cast<std::uint16_t>(100 + k));
    sim.setFaultForAllRequests(SimFault{SimFault::Kind::RefuseBlockReads});
    readplan::storeReadMode(ReadMode::Blocks);
    QFile::remove(QStringLiteral("ErrTrace.txt"));

    TrendWindowProgram p{{"END"}};
    p.ws.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("50")));
    auto *form = new TrendGraphWindow(p.ws, p.data);
    form->show();
    for (int c = 0; c < kChannels; ++c)
        form->table().row(c).selected->setChecked(c < 4);
    for (int c = 0; c < 4; ++c) {
        form->table().setAddressKind(c, AddressKind::Address);
        form->table().row(c).name->setText(QString::number(0x600E60 + 2 * c, 16).toUpper());
        form->table().row(c).scale->setText(QStringLiteral("1000"));
    }
    form->toggleRun();
    QTRY_COMPARE_WITH_TIMEOUT(form->runButton()->text(), QStringLiteral("STOP"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(p.data.ringWritePos >= 3, 8000);
    form->toggleRun();
    QTRY_VERIFY(!p.ws.linkThread.portOpen());

    for (int row = 0; row < 3; ++row) {
        for (int c = 0; c < 4; ++c)
            QCOMPARE(p.data.sampleRing[static_cast<std::size_t>(row)][static_cast<std::size_t>(c)], 100 + c);
        QCOMPARE(p.data.rowInfoRing[static_cast<std::size_t>(row)].failedChannels, std::uint16_t{0});
    }
    // Said once in the error trace, and no channel's read failed.
    const QByteArray trace = testenv::readAll(QStringLiteral("ErrTrace.txt"));
    QCOMPARE(trace.count("\r\n"), 1);
    QVERIFY2(trace.endsWith(" block read 00600E60+8 refused (-3): its words read one by one\r\n"), trace.constData());
    QVERIFY(!trace.contains(" Code="));
    // The band shows the plan the run reads with now.
    const QString band = form->band().line(3)->text();
    QVERIFY2(band.startsWith(QStringLiteral("plan: 4 word reads, 104 bytes/pass, limit 9.2 passes/s, block read refused")),
             qPrintable(band));
    // One "r" request in the whole run.
    int blockRequests = 0;
    for (const QByteArray &frame : sim.requestLog())
        blockRequests += frame.size() > 2 && frame[2] == 'r';
    QCOMPARE(blockRequests, 1);
    readplan::storeReadMode(readplan::kDefaultReadMode);
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    sim.stop();
}

QTEST_MAIN(TestReadModes)
#include "test_read_modes.moc"
