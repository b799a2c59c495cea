// A .trd file opened as a recording, through the Trend Graph's own .trd reading: its selected
// channels named as the CSV export names them, its rows a second apart, and a file that is no .trd
// told with the lines that were expected; the CSV reader chosen for any other name.

#include "base/TextFile.h"
#include "recording/RecordingCsvReader.h"
#include "recording/RecordingLoader.h"
#include "recording/RecordingReadout.h"
#include "recording/SpanExport.h"
#include "trend/model/TrendFile.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace recording;

class TrendFileRecordingTest : public QObject {
    Q_OBJECT
private slots:
    void readsSelectedChannelsAndRows();
    void durationsInRows();
};

void TrendFileRecordingTest::readsSelectedChannelsAndRows()
{
    std::array<ChannelRecord, kChannels> channels{};
    channels[0] = {true, AddressKind::Name, QStringLiteral("AnTermIn"), QStringLiteral("20000")};
    channels[3] = {true, AddressKind::Address, QStringLiteral("600E60"), QStringLiteral("1000")};
    channels[8] = {true, AddressKind::Name, QStringLiteral("InvFlag"), QStringLiteral("07")};
    channels[9] = {false, AddressKind::Name, QStringLiteral("Unused"), QStringLiteral("01")};
    std::array<SampleRow, kDisplayRowsCapacity> rows{};
    for (int r = 0; r < 3; ++r) {
        rows[r][0] = -100 * r;
        rows[r][3] = 7 + r;
        rows[r][8] = r % 2;
    }
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("run.TRD"));
    QVERIFY(textfile::writeAtomically(path, textfile::joinLinesCrLf(trendfile::formatLines(
                                                QStringLiteral("run.TRD"), channels, rows, 3))));
    const ReadResult result = readRecordingFile(path);
    QVERIFY2(result.data, qPrintable(result.error));
    const RecordingData &data = *result.data;
    QCOMPARE(data.channels.size(), std::size_t{3});
    QCOMPARE(data.channels[0].name, QStringLiteral("AnTermIn"));
    QCOMPARE(data.channels[1].name, QStringLiteral("600E60"));
    QCOMPARE(data.channels[2].name, QStringLiteral("InvFlag.07"));
    QVERIFY(!data.channels[1].logic && data.channels[2].logic);
    QCOMPARE(data.channels[1].colourIndex, 3);
    QCOMPARE(data.channels[2].colourIndex, 8);
    QCOMPARE(data.channels[0].values, (std::vector<std::int32_t>{0, -100, -200}));
    QCOMPARE(data.channels[2].values, (std::vector<std::int32_t>{0, 1, 0}));
    QVERIFY(data.channels[0].isGood(2));
    QCOMPARE(data.timesMs, (std::vector<std::int64_t>{0, 1000, 2000}));
    QVERIFY(!data.hasClockTime);
    QCOMPARE(data.notes, QStringList{QStringLiteral("a .trd file holds no times: its rows are drawn a second apart")});

    // Rows that are no .trd rows.
    QStringList lines = trendfile::formatLines(QStringLiteral("bad.trd"), channels, rows, 3);
    lines[20] = QStringLiteral("1,2,3,");
    const QString bad = folder.filePath(QStringLiteral("bad.trd"));
    QVERIFY(textfile::writeAtomically(bad, textfile::joinLinesCrLf(lines)));
    QCOMPARE(readRecordingFile(bad).error,
             bad + QStringLiteral(": from line 21: expected rows of 14 whole numbers, each followed by a comma, "
                                  "up to the line END"));
    // A .trd's text under another name is read as CSV, and refused as such.
    const QString renamed = folder.filePath(QStringLiteral("run.csv"));
    QVERIFY(QFile::copy(path, renamed));
    QVERIFY(readRecordingFile(renamed).error.startsWith(QStringLiteral("line 1: expected the header")));
}

void TrendFileRecordingTest::durationsInRows()
{
    // A step of 600E60 from 0 to 100 over rows 4 to 12: a .trd holds no times, so the read-out and
    // the step figures count rows, as the Trend Graph does for the same file.
    std::array<ChannelRecord, kChannels> channels{};
    channels[0] = {true, AddressKind::Address, QStringLiteral("600E60"), QStringLiteral("1000")};
    std::array<SampleRow, kDisplayRowsCapacity> rows{};
    for (int r = 0; r < 60; ++r)
        rows[r][0] = static_cast<std::int16_t>(std::clamp((r - 4) * 100 / 8, 0, 100));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("step.trd"));
    QVERIFY(textfile::writeAtomically(path, textfile::joinLinesCrLf(trendfile::formatLines(
                                                QStringLiteral("step.trd"), channels, rows, 60))));
    const ReadResult result = readRecordingFile(path);
    QVERIFY2(result.data, qPrintable(result.error));
    const readoutstatistics::ReadoutTable table = readoutAtCursors(*result.data, 0, 53);
    QCOMPARE(table.header, QStringLiteral("A: row 1    B: row 54    B-A: 53 rows"));
    const QString figures = stepFiguresLines(*result.data, {}, 0, 0, 53, nullptr, 2.0).join(u'\n');
    QVERIFY2(figures.contains(QStringLiteral(" rows")) && !figures.contains(QStringLiteral(" s ")) &&
                 !figures.contains(QStringLiteral(" s\n")) && !figures.endsWith(QStringLiteral(" s")),
             qPrintable(figures));
    // Exported, its rows have no t_s (the .trd has no seconds to give) and read back as rows
    // without times.
    const QByteArray exported = spanCsv(*result.data, 0, result.data->rowCount());
    const QList<QByteArray> lines = exported.split('\n');
    QCOMPARE(lines.size(), 62);
    for (qsizetype line = 1; line <= 60; ++line)
        QVERIFY2(lines[line].startsWith(",,"), lines[line].constData());
    const ReadResult again = readCsvBytes(exported);
    QVERIFY2(again.data, qPrintable(again.error));
    QVERIFY(!again.data->hasTimes);
    QCOMPARE(readoutAtCursors(*again.data, 0, 53).header, table.header);
    QCOMPARE(spanCsv(*again.data, 0, again.data->rowCount()), exported);
}

QTEST_GUILESS_MAIN(TrendFileRecordingTest)
#include "test_trend_file_recording.moc"
