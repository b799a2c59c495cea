// The Recording window's read-out through the Trend Graph's statistics core: the figures between
// the cursors against sums worked out here (failed reads counted and skipped, edges of a bit across
// a failed read), the same either way round, the table's header and cells, cursors on the nearest
// row.

#include "recording/RecordingReadout.h"

#include <QtTest>

using namespace recording;

namespace {

// SpdFbk: 10, 20, failed, -40, 50, 60 at 0.0, 0.1, ... s; Flag.03: 0, 1, 1, failed, 0, 1.
RecordingData makeRecording()
{
    RecordingData data;
    data.hasClockTime = true;
    data.clockStartMs = QDateTime(QDate(2026, 3, 2), QTime(8, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    RecordingChannel word{QStringLiteral("SpdFbk"), false, 0, {}, {}};
    RecordingChannel bit{QStringLiteral("Flag.03"), true, 0, {}, {}};
    const std::int32_t words[] = {10, 20, 0, -40, 50, 60};
    const std::int32_t bits[] = {0, 1, 1, 0, 0, 1};
    for (int row = 0; row < 6; ++row) {
        data.timesMs.push_back(row * 100);
        word.append(words[row], row != 2);
        bit.append(bits[row], row != 3);
    }
    data.channels = {word, bit};
    return data;
}

} // namespace

class RecordingReadoutTest : public QObject {
    Q_OBJECT
private slots:
    void figuresBetweenCursors();
    void tableTexts();
    void nearestRow();
};

void RecordingReadoutTest::figuresBetweenCursors()
{
    const RecordingData data = makeRecording();
    const std::vector<readoutstatistics::ChannelFigures> figures = figuresAtCursors(data, 1, 5);
    QCOMPARE(figures.size(), std::size_t{2});
    const readoutstatistics::ChannelFigures &word = figures[0];
    QCOMPARE(word.atA, std::optional<std::int32_t>(20));
    QCOMPARE(word.atB, std::optional<std::int32_t>(60));
    QCOMPARE(word.samples, 4);
    QCOMPARE(word.failed, 1);
    QCOMPARE(word.minimum, -40);
    QCOMPARE(word.maximum, 60);
    QCOMPARE(word.peakToPeak(), std::int64_t{100});
    QCOMPARE(word.mean, (20 - 40 + 50 + 60) / 4.0);
    QCOMPARE(word.rms, std::sqrt((400.0 + 1600 + 2500 + 3600) / 4));
    const readoutstatistics::ChannelFigures &bit = figures[1];
    QCOMPARE(bit.ones, 3);
    QCOMPARE(bit.failed, 1);
    QCOMPARE(bit.edges, 2); // 1, 1, (failed), 0, 1
    // B before A: the same rows.
    const std::vector<readoutstatistics::ChannelFigures> reversed = figuresAtCursors(data, 5, 1);
    QCOMPARE(reversed[0].mean, word.mean);
    QCOMPARE(reversed[1].edges, bit.edges);
    QCOMPARE(reversed[0].atA, word.atB);
    // Cursor A alone: values, no figures; a failed read at A is none.
    const std::vector<readoutstatistics::ChannelFigures> onlyA = figuresAtCursors(data, 2, std::nullopt);
    QVERIFY(!onlyA[0].atA && onlyA[0].samples == 0 && !onlyA[0].atB);
    QCOMPARE(onlyA[1].atA, std::optional<std::int32_t>(1));
    QVERIFY(figuresAtCursors(data, 6, std::nullopt).empty());
}

void RecordingReadoutTest::tableTexts()
{
    const RecordingData data = makeRecording();
    const readoutstatistics::ReadoutTable table = readoutAtCursors(data, 1, 5);
    QCOMPARE(table.header, QStringLiteral("A: row 2 2026-03-02 08:00:00.100 (t = 0.100 s)    "
                                          "B: row 6 2026-03-02 08:00:00.500 (t = 0.500 s)    B-A: 4 rows  0.400 s"));
    QCOMPARE(table.columns.size(), 12);
    QCOMPARE(table.rows.size(), std::size_t{2});
    QCOMPARE(table.rows[0].cells, (QStringList{"SpdFbk", "20", "60", "+40", "-40", "60", "22.50", "45.00", "100", "", "",
                                               "1"}));
    QCOMPARE(table.rows[1].cells, (QStringList{"Flag.03", "1", "1", "0", "", "", "", "", "", "3", "2", "1"}));
    const QString text = readoutstatistics::tabSeparatedText(table);
    QVERIFY(text.contains(QStringLiteral("\nChannel\tA\tB\tB-A\tMin\tMax\tMean\tRMS\tP-P\t1s\tEdges\tFailed\n")));
    const readoutstatistics::ReadoutTable onlyA = readoutAtCursors(data, 2, std::nullopt);
    QCOMPARE(onlyA.rows[0].cells, (QStringList{"SpdFbk", "failed"}));
    QCOMPARE(readoutAtCursors(data, 9, 1).header, QStringLiteral("No rows shown"));
}

void RecordingReadoutTest::nearestRow()
{
    const RecordingData data = makeRecording();
    QCOMPARE(rowNearest(data, -50), std::optional<std::size_t>(0));
    QCOMPARE(rowNearest(data, 149), std::optional<std::size_t>(1));
    QCOMPARE(rowNearest(data, 150), std::optional<std::size_t>(1));
    QCOMPARE(rowNearest(data, 151), std::optional<std::size_t>(2));
    QCOMPARE(rowNearest(data, 9999), std::optional<std::size_t>(5));
    QVERIFY(!rowNearest(RecordingData{}, 0));
}

QTEST_GUILESS_MAIN(RecordingReadoutTest)
#include "test_recording_readout.moc"
