// The min/max pyramid against brute force over a channel with noise, failed reads, a stretch of
// failed reads longer than the coarsest entries it must empty, and a single-sample spike: every
// entry of every level exact, the spike the maximum of each entry holding it, the gap's entries
// empty, and any run of rows and any split into pixel columns the same as counting row by row.

#include "recording/MinMaxPyramid.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace recording;

namespace {

constexpr std::size_t kRows = 100003; // not a power of two: the last entries of each level are partial
constexpr std::size_t kSpikeRow = 54321;
constexpr std::int32_t kSpike = 30000;
constexpr std::size_t kGapFirst = 70000; // failed reads over [kGapFirst, kGapEnd)
constexpr std::size_t kGapEnd = 70000 + 9000;

RecordingChannel makeChannel()
{
    RecordingChannel channel;
    QRandomGenerator random(7);
    for (std::size_t row = 0; row < kRows; ++row) {
        const bool inGap = row >= kGapFirst && row < kGapEnd;
        const bool failed = inGap || (random.bounded(50) == 0 && row != kSpikeRow);
        const std::int32_t value = row == kSpikeRow ? kSpike : random.bounded(-1000, 1000);
        channel.append(failed ? 0 : value, !failed);
    }
    return channel;
}

MinMax bruteForce(const RecordingChannel &channel, std::size_t first, std::size_t end)
{
    MinMax out;
    for (std::size_t row = first; row < std::min(end, channel.values.size()); ++row) {
        if (channel.isGood(row))
            out.take(channel.values[row]);
    }
    return out;
}

bool same(const MinMax &a, const MinMax &b)
{
    return (a.isEmpty() && b.isEmpty()) || (a.minimum == b.minimum && a.maximum == b.maximum);
}

} // namespace

class MinMaxPyramidTest : public QObject {
    Q_OBJECT
private slots:
    void everyLevelMatchesBruteForce();
    void rangesAndColumnsMatchBruteForce();
    void shortChannels();
};

void MinMaxPyramidTest::everyLevelMatchesBruteForce()
{
    const RecordingChannel channel = makeChannel();
    const MinMaxPyramid pyramid(channel);
    QVERIFY(pyramid.levelCount() >= 12);
    int gapEntries = 0;
    for (int level = 0; level < pyramid.levelCount(); ++level) {
        const std::size_t span = std::size_t{1} << (MinMaxPyramid::kFirstLevel + level);
        const std::size_t entries = kRows / span;
        bool spikeSeen = false;
        for (std::size_t i = 0; i < entries; ++i) {
            const std::size_t first = i * span;
            const MinMax &entry = pyramid.entry(level, i);
            QVERIFY2(same(entry, bruteForce(channel, first, first + span)),
                     qPrintable(QStringLiteral("level %1 entry %2").arg(level).arg(i)));
            if (kSpikeRow >= first && kSpikeRow < first + span) {
                QCOMPARE(entry.maximum, kSpike);
                spikeSeen = true;
            }
            if (first >= kGapFirst && first + span <= kGapEnd) {
                QVERIFY(entry.isEmpty());
                ++gapEntries;
            }
        }
        QCOMPARE(spikeSeen, kSpikeRow < entries * span);
    }
    QVERIFY(gapEntries > 500);
}

void MinMaxPyramidTest::rangesAndColumnsMatchBruteForce()
{
    const RecordingChannel channel = makeChannel();
    const MinMaxPyramid pyramid(channel);
    QRandomGenerator random(11);
    for (int i = 0; i < 2000; ++i) {
        const std::size_t first = random.bounded(static_cast<quint32>(kRows));
        const std::size_t end = first + random.bounded(static_cast<quint32>(kRows - first + 1));
        QVERIFY2(same(pyramid.range(first, end), bruteForce(channel, first, end)),
                 qPrintable(QStringLiteral("rows %1 to %2").arg(first).arg(end)));
    }
    QVERIFY(pyramid.range(kGapFirst, kGapEnd).isEmpty());
    QVERIFY(pyramid.range(5, 5).isEmpty());
    QCOMPARE(pyramid.range(0, kRows + 50).maximum, kSpike);

    for (const int columnCount : {1, 7, 640, 1999}) {
        const std::vector<MinMax> columns = pyramid.columns(0, kRows, columnCount);
        QCOMPARE(columns.size(), static_cast<std::size_t>(columnCount));
        int spikeColumns = 0;
        for (int c = 0; c < columnCount; ++c) {
            const std::size_t first = c * kRows / columnCount, end = (c + 1) * kRows / columnCount;
            QVERIFY(same(columns[c], bruteForce(channel, first, end)));
            spikeColumns += columns[c].maximum == kSpike;
        }
        QCOMPARE(spikeColumns, 1);
        // The gap is as wide as 9 % of the rows: at 640 columns at least 50 of them are empty.
        if (columnCount == 640)
            QVERIFY(std::count_if(columns.begin(), columns.end(), [](const MinMax &m) { return m.isEmpty(); }) >= 50);
    }
    // Fewer rows than columns: every other column holds a row of its own, those between are empty.
    const std::vector<MinMax> zoomed = pyramid.columns(kSpikeRow - 2, kSpikeRow + 3, 10);
    for (std::size_t c = 0; c < zoomed.size(); c += 2)
        QVERIFY(zoomed[c].isEmpty());
    QCOMPARE(zoomed[5].minimum, kSpike);
    QCOMPARE(zoomed[5].maximum, kSpike);
}

void MinMaxPyramidTest::shortChannels()
{
    RecordingChannel channel;
    for (int row = 0; row < 15; ++row)
        channel.append(row == 3 ? -9 : row, row != 5);
    const MinMaxPyramid pyramid(channel);
    QCOMPARE(pyramid.levelCount(), 0);
    QCOMPARE(pyramid.range(0, 15).minimum, -9);
    QCOMPARE(pyramid.range(0, 15).maximum, 14);
    QVERIFY(pyramid.range(5, 6).isEmpty());
    const RecordingChannel empty;
    const MinMaxPyramid none(empty);
    QVERIFY(none.range(0, 10).isEmpty());
}

QTEST_GUILESS_MAIN(MinMaxPyramidTest)
#include "test_min_max_pyramid.moc"
