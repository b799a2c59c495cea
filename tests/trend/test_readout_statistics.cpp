// The Read-out's figures without widgets: values at the cursors and the figures between them over
// display rows unrolled from a wrapped ring, failed reads counted and left out, logic 1s and edges,
// the table's texts in Dec and Hex, its tab-separated copy, and fitting band items to a width.

#include "trend/graph/GraphLayers.h"
#include "trend/readout/ReadoutStatistics.h"
#include "trend/readout/TrendReadout.h"

#include <QtTest>
#include <cmath>

namespace {

using namespace std::chrono_literals;

constexpr std::uint16_t failed(int channel) { return static_cast<std::uint16_t>(1u << channel); }

// A ring wrapped with its write position at 10: display row j is ring row (11 + j) % 250. Rows 236
// to 245 are ring rows 247, 248, 249, 0, ..., 6, across the wrap. Outside them channel 0 reads 1000
// and channel 9 toggles, so a span that reaches too far shows in every figure. Display row j was
// read j x 100 ms after the start.
TrendData wrappedRun()
{
    TrendData data;
    data.channels[0] = {true, AddressKind::Name, QStringLiteral("SpdFbk"), QStringLiteral("20000")};
    data.channels[9] = {true, AddressKind::Name, QStringLiteral("InvFlag"), QStringLiteral("07")};
    data.selectedChannels = {0, 9};
    for (int k = 0; k < kRingRows; ++k) {
        data.sampleRing[k][0] = 1000;
        data.sampleRing[k][9] = k % 2;
        data.rowInfoRing[k].failedChannels = failed(0) | failed(9);
    }
    const int span[] = {247, 248, 249, 0, 1, 2, 3, 4, 5, 6};
    const std::int32_t analog[] = {5, -3, 7, 100, -20, 0, 4, 9, 1, 2};
    const std::int32_t logic[] = {1, 1, 0, 0, 1, 1, 1, 0, 1, 1};
    for (int i = 0; i < 10; ++i) {
        data.sampleRing[span[i]][0] = analog[i];
        data.sampleRing[span[i]][9] = logic[i];
        data.rowInfoRing[span[i]].failedChannels = 0;
    }
    // Failed reads: channel 0 at 7 and 100, channel 9 at the 0 between two 1s.
    data.rowInfoRing[249].failedChannels = failed(0);
    data.rowInfoRing[0].failedChannels = failed(0);
    data.rowInfoRing[4].failedChannels = failed(9);
    data.ringWrapped = true;
    data.ringWritePos = 10;
    unrollSamples(data);
    for (int j = 0; j < data.rowCount; ++j)
        data.displayRowInfo[j].sinceRunStart = 100ms * j;
    return data;
}

constexpr int kRowA = 245;
constexpr int kRowB = 236;

// Six pixels a character, as a monospace font measures.
int monospace(const QString &text) { return 6 * static_cast<int>(text.size()); }

} // namespace

class TestReadoutStatistics : public QObject {
    Q_OBJECT
private slots:
    void figuresBetweenCursorsOverAWrappedRing();
    void figuresOfOneCursorAndOfNoRows();
    void tableTextsAndCopy();
    void itemsFitAWidth();
};

void TestReadoutStatistics::figuresBetweenCursorsOverAWrappedRing()
{
    const TrendData data = wrappedRun();
    QCOMPARE(data.rowCount, 249);
    // B left of A: the span is the same rows.
    for (const auto &[a, b] : {std::pair{kRowA, kRowB}, std::pair{kRowB, kRowA}}) {
        const std::optional<readoutstatistics::CursorFigures> figures =
            readoutstatistics::figuresBetweenCursors(data, 2 * a, 2 * b);
        QVERIFY(figures);
        QCOMPARE(figures->rowA, a);
        QCOMPARE(figures->rowB, std::optional<int>(b));
        QCOMPARE(figures->channels.size(), std::size_t{2});

        const readoutstatistics::ChannelFigures &analog = figures->channels[0];
        QCOMPARE(analog.channel, 0);
        // Good reads 5, -3, -20, 0, 4, 9, 1, 2; the failed 7 and 100 are counted, not taken.
        QCOMPARE(analog.samples, 8);
        QCOMPARE(analog.failed, 2);
        QCOMPARE(analog.minimum, -20);
        QCOMPARE(analog.maximum, 9);
        QCOMPARE(analog.peakToPeak(), std::int64_t{29});
        QCOMPARE(analog.mean, -0.25);
        QCOMPARE(analog.rms, std::sqrt(536.0 / 8.0));

        const readoutstatistics::ChannelFigures &logic = figures->channels[1];
        QCOMPARE(logic.channel, 9);
        // 1 1 0 0 1 1 1 (failed) 1 1: seven 1s, two edges; the failed 0 makes no edges.
        QCOMPARE(logic.samples, 9);
        QCOMPARE(logic.failed, 1);
        QCOMPARE(logic.ones, 7);
        QCOMPARE(logic.edges, 2);
    }
    const std::optional<readoutstatistics::CursorFigures> figures =
        readoutstatistics::figuresBetweenCursors(data, 2 * kRowA, 2 * kRowB);
    QCOMPARE(figures->channels[0].atA, std::optional<std::int32_t>(2));
    QCOMPARE(figures->channels[0].atB, std::optional<std::int32_t>(5));
    QCOMPARE(figures->channels[1].atA, std::optional<std::int32_t>(1));

    // An odd cursor position reads the row it stands in; A and B on one row: that row alone.
    const std::optional<readoutstatistics::CursorFigures> one =
        readoutstatistics::figuresBetweenCursors(data, 2 * 239 + 1, 2 * 239);
    QCOMPARE(one->channels[0].samples, 0);
    QCOMPARE(one->channels[0].failed, 1);
    QCOMPARE(one->channels[0].atA, std::nullopt);
    QCOMPARE(one->channels[1].ones, 0);
    QCOMPARE(one->channels[1].edges, 0);
    QCOMPARE(one->channels[1].samples, 1);
}

void TestReadoutStatistics::figuresOfOneCursorAndOfNoRows()
{
    const TrendData data = wrappedRun();
    const std::optional<readoutstatistics::CursorFigures> figures =
        readoutstatistics::figuresBetweenCursors(data, 2 * kRowA, std::nullopt);
    QVERIFY(figures);
    QCOMPARE(figures->rowB, std::nullopt);
    QCOMPARE(figures->channels[0].atA, std::optional<std::int32_t>(2));
    QCOMPARE(figures->channels[0].atB, std::nullopt);
    QCOMPARE(figures->channels[0].samples, 0);
    // A second cursor past the rows shown is no second cursor.
    QCOMPARE(readoutstatistics::figuresBetweenCursors(data, 2 * kRowA, 600)->rowB, std::nullopt);
    QVERIFY(!readoutstatistics::figuresBetweenCursors(data, 498, 2 * kRowA));
    QVERIFY(!readoutstatistics::figuresBetweenCursors(TrendData{}, 0, 0));

    const readoutstatistics::ReadoutTable alone =
        readoutstatistics::readoutTableTexts(data, 2 * kRowA + 1, std::nullopt, false);
    QCOMPARE(alone.header, QStringLiteral("A: row 245  t = 24.500 s"));
    QCOMPARE(alone.columns, (QStringList{"Channel", "A"}));
    QCOMPARE(alone.rows.size(), std::size_t{2});
    QCOMPARE(alone.rows[0].cells, (QStringList{"SpdFbk", "2"}));
    QCOMPARE(alone.rows[1].cells, (QStringList{"InvFlag.07", "1"}));
    const readoutstatistics::ReadoutTable failedAtA =
        readoutstatistics::readoutTableTexts(data, 2 * 239, std::nullopt, false);
    QCOMPARE(failedAtA.rows[0].cells, (QStringList{"SpdFbk", "failed"}));

    const readoutstatistics::ReadoutTable none =
        readoutstatistics::readoutTableTexts(TrendData{}, 0, 4, true);
    QCOMPARE(none.header, QStringLiteral("No rows shown"));
    QVERIFY(none.rows.empty());
    QCOMPARE(readoutstatistics::tabSeparatedText(none), QStringLiteral("No rows shown\nChannel\tA\n"));
}

void TestReadoutStatistics::tableTextsAndCopy()
{
    const TrendData data = wrappedRun();
    const readoutstatistics::ReadoutTable dec =
        readoutstatistics::readoutTableTexts(data, 2 * kRowA, 2 * kRowB, false);
    QCOMPARE(readoutstatistics::tabSeparatedText(dec),
             QStringLiteral("A: row 245  t = 24.500 s    B: row 236  t = 23.600 s    B-A: -9 rows  -0.900 s\n"
                            "Channel\tA\tB\tB-A\tMin\tMax\tMean\tRMS\tP-P\t1s\tEdges\tFailed\n"
                            "SpdFbk\t2\t5\t+3\t-20\t9\t-0.25\t8.19\t29\t\t\t2\n"
                            "InvFlag.07\t1\t1\t0\t\t\t\t\t\t7\t2\t1\n"));
    QCOMPARE(dec.rows[0].channel, 0);
    QCOMPARE(dec.rows[1].channel, 9);

    // Hex: the words in four digits, the difference signed; a logic channel and the mean and RMS
    // stay as they are.
    const readoutstatistics::ReadoutTable hex =
        readoutstatistics::readoutTableTexts(data, 2 * kRowA, 2 * kRowB, true);
    QCOMPARE(hex.rows[0].cells,
             (QStringList{"SpdFbk", "0002", "0005", "+0003", "FFEC", "0009", "-0.25", "8.19", "001D", "", "", "2"}));
    QCOMPARE(hex.rows[1].cells, dec.rows[1].cells);

    // A failed read at either cursor: no value and no difference, the figures still there.
    const readoutstatistics::ReadoutTable failed =
        readoutstatistics::readoutTableTexts(data, 2 * 239, 2 * kRowB, false);
    QCOMPARE(failed.rows[0].cells.mid(0, 5), (QStringList{"SpdFbk", "failed", "5", "failed", "-3"}));
    QCOMPARE(failed.rows[0].cells.last(), QStringLiteral("2"));
}

void TestReadoutStatistics::itemsFitAWidth()
{
    const QStringList items{"B-A: 9 rows", "0.900 s", "SpdFbk +3", "InvFlag.07 0"};
    const QString more = QStringLiteral("... (Read-out)");
    // All on one line, exactly as differenceText joins them.
    QCOMPARE(readout::fitItems(items, "  ", 6 * 45, 1, monospace, more),
             QStringLiteral("B-A: 9 rows  0.900 s  SpdFbk +3  InvFlag.07 0"));
    // One character short: the last item goes to the second line, whole.
    QCOMPARE(readout::fitItems(items, "  ", 6 * 44, 2, monospace, more),
             QStringLiteral("B-A: 9 rows  0.900 s  SpdFbk +3\nInvFlag.07 0"));
    // One line only: the mark after as many items as leave room for it.
    QCOMPARE(readout::fitItems(items, "  ", 6 * 44, 1, monospace, more),
             QStringLiteral("B-A: 9 rows  0.900 s  ... (Read-out)"));
    QCOMPARE(readout::fitItems(items, "  ", 6 * 14, 1, monospace, more), more);
    QCOMPARE(readout::fitItems({}, "  ", 60, 2, monospace, more), QString());
    // Every line of a long list within the width, no item parted, the mark last.
    QStringList many;
    for (int c = 0; c < 14; ++c)
        many << QStringLiteral("LongVariableName%1 -12345").arg(c);
    const QString fitted = readout::fitItems(many, "  ", 544, 2, monospace, more);
    const QStringList lines = fitted.split(u'\n');
    QCOMPARE(lines.size(), 2);
    for (const QString &line : lines) {
        QVERIFY2(monospace(line) <= 544, qPrintable(line));
        for (const QString &item : line.split(QStringLiteral("  ")))
            QVERIFY2(many.contains(item) || item == more, qPrintable(item));
    }
    QVERIFY(fitted.endsWith(more));
}

QTEST_MAIN(TestReadoutStatistics)
#include "test_readout_statistics.moc"
