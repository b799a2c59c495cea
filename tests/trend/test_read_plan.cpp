// The read plan of a trend run: which requests a pass sends for which channels in each mode, what
// they cost on the wire, and a block read given up for word reads.

#include "trend/model/ReadPlan.h"

#include <QtTest>

using readplan::ChannelWord;
using readplan::ReadMode;

Q_DECLARE_METATYPE(readplan::ReadMode)

namespace {

// A request as "R 600E60: 0 7" or "r 600E60+8: 0 1" (channels in the order served).
QString describe(const readplan::PlannedRead &read)
{
    QString text = QLatin1Char(read.letter) + QStringLiteral(" ") + QString::number(read.address, 16).toUpper();
    if (read.isBlock())
        text += QStringLiteral("+%1").arg(read.byteCount);
    text += u':';
    for (const ChannelWord &c : read.served)
        text += QStringLiteral(" %1").arg(c.channel);
    return text;
}

QStringList describe(const readplan::ReadPlan &plan)
{
    QStringList out;
    for (const readplan::PlannedRead &read : plan.reads)
        out << describe(read);
    return out;
}

// Channels 0, 1, 2, ... at the given addresses.
std::vector<ChannelWord> channelWords(const QList<std::uint32_t> &addresses)
{
    std::vector<ChannelWord> channels;
    for (qsizetype c = 0; c < addresses.size(); ++c)
        channels.push_back({static_cast<int>(c), addresses[c]});
    return channels;
}

// `count` consecutive words from `first`.
QList<std::uint32_t> consecutive(std::uint32_t first, int count)
{
    QList<std::uint32_t> words;
    for (int k = 0; k < count; ++k)
        words << first + 2u * static_cast<std::uint32_t>(k);
    return words;
}

} // namespace

class TestReadPlan : public QObject {
    Q_OBJECT
private slots:
    void requests_data();
    void requests();
    void everyChannelServedOnceWithinTheBlockLimit_data();
    void everyChannelServedOnceWithinTheBlockLimit();
    void givingUpABlockRead();
    void texts();
};

void TestReadPlan::requests_data()
{
    QTest::addColumn<QList<std::uint32_t>>("addresses");
    QTest::addColumn<ReadMode>("mode");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("wireBytes");

    const QList<std::uint32_t> repeated = {0x600E60, 0x600F00, 0x600E60, 0x600E60};
    for (ReadMode mode : {ReadMode::PerChannel, ReadMode::EachWord, ReadMode::Blocks})
        QTest::addRow("single channel, %s", qPrintable(readplan::readModeName(mode)))
            << QList<std::uint32_t>{0x600E60} << mode << QStringList{"R 600E60: 0"} << 26;
    QTest::newRow("repeated addresses, one read per channel")
        << repeated << ReadMode::PerChannel
        << QStringList{"R 600E60: 0", "R 600F00: 1", "R 600E60: 2", "R 600E60: 3"} << 104;
    QTest::newRow("repeated addresses, each word once")
        << repeated << ReadMode::EachWord << QStringList{"R 600E60: 0 2 3", "R 600F00: 1"} << 52;
    QTest::newRow("repeated neighbours share one block read")
        << QList<std::uint32_t>{0x600E62, 0x600E60, 0x600E62} << ReadMode::Blocks
        << QStringList{"r 600E60+4: 0 1 2"} << 42;
    // Two words apart by g unused words: a block costs 34 + 2 x (4 + 2g) = 42 + 4g, two "R" reads 52.
    QTest::newRow("gap of 2 words: merged (50 < 52)")
        << QList<std::uint32_t>{0x600E60, 0x600E66} << ReadMode::Blocks << QStringList{"r 600E60+8: 0 1"} << 50;
    QTest::newRow("gap of 3 words: apart (54 > 52)")
        << QList<std::uint32_t>{0x600E60, 0x600E68} << ReadMode::Blocks
        << QStringList{"R 600E60: 0", "R 600E68: 1"} << 52;
    QTest::newRow("words on odd addresses: a tie keeps them apart (52 = 52)")
        << QList<std::uint32_t>{0x600E61, 0x600E68} << ReadMode::Blocks
        << QStringList{"R 600E61: 0", "R 600E68: 1"} << 52;
    QTest::newRow("out of order: block in address order, channels in channel order")
        << QList<std::uint32_t>{0x600E64, 0x600E60, 0x601000, 0x600E62} << ReadMode::Blocks
        << QStringList{"r 600E60+6: 0 1 3", "R 601000: 2"} << 72;
    QTest::newRow("out of order, each word once: channel order")
        << QList<std::uint32_t>{0x600E64, 0x600E60, 0x600E64} << ReadMode::EachWord
        << QStringList{"R 600E64: 0 2", "R 600E60: 1"} << 52;
    QTest::newRow("14 consecutive words: one block read")
        << consecutive(0x600E60, 14) << ReadMode::Blocks
        << QStringList{"r 600E60+28: 0 1 2 3 4 5 6 7 8 9 10 11 12 13"} << 90;
    QTest::newRow("a far word stays a word read beside a block")
        << QList<std::uint32_t>{0x600E60, 0x600E62, 0x700000} << ReadMode::Blocks
        << QStringList{"r 600E60+4: 0 1", "R 700000: 2"} << 68;
    // 120 consecutive words are 240 bytes: more than one block read may carry.
    QTest::newRow("232-byte limit: two block reads")
        << consecutive(0x600000, 120) << ReadMode::Blocks
        << QStringList{} << 2 * 34 + 2 * 240;
}

void TestReadPlan::requests()
{
    QFETCH(QList<std::uint32_t>, addresses);
    QFETCH(ReadMode, mode);
    QFETCH(QStringList, expected);
    QFETCH(int, wireBytes);
    const readplan::ReadPlan plan = readplan::makeReadPlan(channelWords(addresses), mode);
    if (!expected.isEmpty())
        QCOMPARE(describe(plan), expected);
    else
        QCOMPARE(plan.blockReads(), 2);
    QCOMPARE(plan.wireBytes(), wireBytes);
    QCOMPARE(plan.mode, mode);
}

void TestReadPlan::everyChannelServedOnceWithinTheBlockLimit_data()
{
    QTest::addColumn<QList<std::uint32_t>>("addresses");
    QTest::newRow("dense and scattered") << QList<std::uint32_t>{0x600F92, 0x600F00, 0x600FAA, 0x600E60, 0x600F02,
                                                                 0x600F00, 0x600E62, 0x601000, 0x600F94, 0x600E60};
    QTest::newRow("240 bytes of words") << consecutive(0x600000, 120);
    QTest::newRow("words on odd addresses") << consecutive(0x600001, 50);
    QList<std::uint32_t> stepped;
    for (std::uint32_t k = 0; k < 40; ++k)
        stepped << 0x600000 + 12 * k;
    QTest::newRow("every sixth word") << stepped;
}

void TestReadPlan::everyChannelServedOnceWithinTheBlockLimit()
{
    QFETCH(QList<std::uint32_t>, addresses);
    const std::vector<ChannelWord> channels = channelWords(addresses);
    for (ReadMode mode : {ReadMode::PerChannel, ReadMode::EachWord, ReadMode::Blocks}) {
        const readplan::ReadPlan plan = readplan::makeReadPlan(channels, mode);
        std::vector<int> servings(channels.size(), 0);
        for (const readplan::PlannedRead &read : plan.reads) {
            QVERIFY(read.byteCount <= readplan::kLargestBlockRead);
            for (const ChannelWord &c : read.served) {
                ++servings[static_cast<std::size_t>(c.channel)];
                // The word lies whole inside the bytes the request reads.
                QVERIFY(c.address >= read.address);
                QVERIFY(readplan::wordOffset(read, c) + 2 <= read.byteCount);
            }
        }
        QVERIFY(std::all_of(servings.begin(), servings.end(), [](int n) { return n == 1; }));
        // No mode costs more than reading every channel on its own, and blocks never cost more
        // than each word once.
        QVERIFY(plan.wireBytes() <= readplan::kWordReadWireBytes * static_cast<int>(channels.size()));
        if (mode == ReadMode::Blocks)
            QVERIFY(plan.wireBytes() <= readplan::makeReadPlan(channels, ReadMode::EachWord).wireBytes());
    }
}

void TestReadPlan::givingUpABlockRead()
{
    const readplan::ReadPlan plan = readplan::makeReadPlan(
        channelWords({0x700000, 0x600E62, 0x600E60, 0x600E62, 0x600E66}), ReadMode::Blocks);
    QCOMPARE(describe(plan), (QStringList{"r 600E60+8: 1 2 3 4", "R 700000: 0"}));
    const readplan::ReadPlan after = readplan::withoutBlockRead(plan, 0);
    QCOMPARE(describe(after), (QStringList{"R 600E60: 2", "R 600E62: 1 3", "R 600E66: 4", "R 700000: 0"}));
    QCOMPARE(after.mode, ReadMode::Blocks);
    // A word read is no block read to give up.
    QCOMPARE(describe(readplan::withoutBlockRead(after, 0)), describe(after));
}

void TestReadPlan::texts()
{
    QCOMPARE(readplan::planText(readplan::makeReadPlan(channelWords(consecutive(0x600E60, 14)), ReadMode::Blocks)),
             QStringLiteral("plan: 1 block read, 90 bytes/pass, limit 10.7 passes/s"));
    QCOMPARE(readplan::planText(readplan::makeReadPlan(channelWords(consecutive(0x600E60, 14)), ReadMode::PerChannel)),
             QStringLiteral("plan: 14 word reads, 364 bytes/pass, limit 2.6 passes/s"));
    QCOMPARE(readplan::planText(
                 readplan::makeReadPlan(channelWords({0x600E60, 0x600E62, 0x700000}), ReadMode::Blocks)),
             QStringLiteral("plan: 1 block read + 1 word read, 68 bytes/pass, limit 14.1 passes/s"));
    QCOMPARE(readplan::givenUpText({0x600E60, 28, -3, true}),
             QStringLiteral("block read 00600E60+28 refused (-3): its words read one by one"));
    QCOMPARE(readplan::givenUpText({0x600E60, 28, -1, false}),
             QStringLiteral("block read 00600E60+28 answered with the wrong length (-1): its words read one by one"));
    for (ReadMode mode : {ReadMode::PerChannel, ReadMode::EachWord, ReadMode::Blocks})
        QCOMPARE(readplan::parseReadMode(readplan::readModeName(mode)), mode);
    QCOMPARE(readplan::parseReadMode(QStringLiteral("blocks")), std::nullopt);
}

QTEST_GUILESS_MAIN(TestReadPlan)
#include "test_read_plan.moc"
