// The recording reader on the CSV forms the program writes: qmx-record's rows with a failed read
// and a logic channel, a triggered file whose event windows lie apart in time, the Trend Graph's
// export of rows opened from a .trd (no times), a file still being written, a stop asked during
// the reading, and bad lines told by line, column and what was expected.

#include "recording/RecordingCsvReader.h"
#include "engineering/ColumnHeading.h"
#include "recording/SpanExport.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

using namespace recording;

class RecordingReaderTest : public QObject {
    Q_OBJECT
private slots:
    void readsRecorderRows();
    void readsTriggeredWindowsApartInTime();
    void readsExportWithoutTimes();
    void partsTriggeredWindows_data();
    void partsTriggeredWindows();
    void skipsHalfWrittenLastLine();
    void stopsWhenAskedAndReportsProgress();
    void refusesBadLines_data();
    void refusesBadLines();
    void readsFileWithoutWritingIt();
};

void RecordingReaderTest::readsRecorderRows()
{
    const QByteArray csv = "time,t_s,SpdFbk,600E60,\"A,B\",InvFlag.07\r\n"
                           "2026-03-01T23:59:59.900,0.000,120,-5,7,1\r\n"
                           "2026-03-02T00:00:00.000,0.100,,-32768,8,0\r\n"
                           "2026-03-02T00:00:00.094,0.194,32767,2147483647,9,\r\n";
    const ReadResult result = readCsvBytes(csv);
    QVERIFY2(result.data, qPrintable(result.error));
    const RecordingData &data = *result.data;
    QCOMPARE(data.rowCount(), std::size_t{3});
    QCOMPARE(data.timesMs, (std::vector<std::int64_t>{0, 100, 194}));
    QVERIFY(data.hasClockTime);
    const QDateTime clock = QDateTime::fromMSecsSinceEpoch(data.clockStartMs, QTimeZone::utc());
    QCOMPARE(clock.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")), QStringLiteral("2026-03-01T23:59:59.900"));
    QCOMPARE(data.channels.size(), std::size_t{4});
    QCOMPARE(data.channels[2].name, QStringLiteral("A,B"));
    const RecordingChannel &speed = data.channels[0];
    QCOMPARE(speed.values, (std::vector<std::int32_t>{120, 0, 32767}));
    QVERIFY(speed.isGood(0) && !speed.isGood(1) && speed.isGood(2));
    QCOMPARE(data.channels[1].values[2], std::numeric_limits<std::int32_t>::max());
    // Word channels take the Trend Graph's colours from the first entry on, logic ones as
    // channels 7, 8, ... do, also from the first entry.
    QCOMPARE(data.channels[1].colourIndex, 1);
    QVERIFY(!speed.logic && !data.channels[1].logic);
    QVERIFY(data.channels[3].logic);
    QCOMPARE(data.channels[3].colourIndex, 0);
    QVERIFY(!data.channels[3].isGood(2));
    QVERIFY(data.eventRows.empty() && !data.hasEventColumn);
    QVERIFY(data.notes.isEmpty());
    QVERIFY(columnheading::isLogicColumn(QStringLiteral("600F00.7")));
    QVERIFY(!columnheading::isLogicColumn(QStringLiteral("Gain.123")));
    QVERIFY(!columnheading::isLogicColumn(QStringLiteral(".07")));
}

void RecordingReaderTest::readsTriggeredWindowsApartInTime()
{
    // Two events of a --trigger run, 2 s windows separated by a minute, lines ending in LF alone.
    QByteArray csv = "time,t_s,SpdFbk,event\n";
    for (int row = 0; row < 6; ++row) {
        const int ms = (row < 3 ? 1000 : 61000) + (row % 3) * 500;
        const QDateTime at = QDateTime(QDate(2026, 3, 2), QTime(8, 0)).addMSecs(ms);
        csv += at.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toLatin1() + ','
               + QByteArray::number(ms / 1000.0, 'f', 3) + ',' + QByteArray::number(row * 10)
               + (row % 3 == 1 ? ",1\n" : ",\n");
    }
    const ReadResult result = readCsvBytes(csv);
    QVERIFY2(result.data, qPrintable(result.error));
    QCOMPARE(result.data->channels.size(), std::size_t{1});
    QCOMPARE(result.data->timesMs, (std::vector<std::int64_t>{0, 500, 1000, 60000, 60500, 61000}));
    QVERIFY(result.data->hasEventColumn);
    QCOMPARE(result.data->eventRows, (std::vector<std::size_t>{1, 4}));
    QCOMPARE(rowAtOrAfter(*result.data, 1001), std::size_t{3});
    QCOMPARE(rowAtOrAfter(*result.data, 70000), std::size_t{6});
}

void RecordingReaderTest::partsTriggeredWindows_data()
{
    // Rows as "ms" or "ms:event cell"; the rows not joined to the row before.
    QTest::addColumn<QString>("rows");
    QTest::addColumn<std::vector<std::size_t>>("gaps");
    // qmx-record marks a window's first row after rows it left out 2 (3 with the trigger row):
    // those marks part the windows, whatever the steps.
    QTest::newRow("marked, short step") << "0:2 40 80:1 120 200:2 240:1 280" << std::vector<std::size_t>{4};
    QTest::newRow("marked, trigger row first") << "0:2 40 80:1 120 200:3 240" << std::vector<std::size_t>{4};
    QTest::newRow("marked, slow pass") << "0:2 40 80:1 120 220 260:1 300" << std::vector<std::size_t>{};
    QTest::newRow("marked, beyond a gap") << "0:2 40 80:1 120 1700 1740:1" << std::vector<std::size_t>{4};
    // An older file (trigger rows only): the longest step between two trigger rows, if it is more
    // than twice the usual step (a few ms at least) and clearly longer than the next longest.
    QTest::newRow("older, window apart") << "0 40 80:1 120 1120 1160:1 1200" << std::vector<std::size_t>{4};
    QTest::newRow("older, slow passes") << "0 40 80:1 120 215 255 355 395:1 435" << std::vector<std::size_t>{};
    QTest::newRow("older, rows 1 ms apart") << "0 1 2:1 3 6 7:1 8" << std::vector<std::size_t>{};
}

void RecordingReaderTest::partsTriggeredWindows()
{
    QFETCH(QString, rows);
    QFETCH(std::vector<std::size_t>, gaps);
    QByteArray csv = "time,t_s,SpdFbk,event\r\n";
    std::vector<std::size_t> events;
    const QStringList cells = rows.split(u' ');
    for (qsizetype row = 0; row < cells.size(); ++row) {
        const QStringList parts = cells[row].split(u':');
        csv += ',' + QByteArray::number(parts[0].toInt() / 1000.0, 'f', 3) + ',' + QByteArray::number(row) + ',' +
               (parts.size() > 1 ? parts[1].toLatin1() : QByteArray()) + "\r\n";
        if (parts.size() > 1 && (parts[1].toInt() & 1))
            events.push_back(std::size_t(row));
    }
    const ReadResult result = readCsvBytes(csv);
    QVERIFY2(result.data, qPrintable(result.error));
    QCOMPARE(result.data->gapRows, gaps);
    QCOMPARE(result.data->eventRows, events);
    QCOMPARE(spanCsv(*result.data, 0, result.data->rowCount()), csv);
}

void RecordingReaderTest::readsExportWithoutTimes()
{
    const ReadResult result = readCsvBytes("time,t_s,AnTermIn,RunFlag.00\r\n,,5,1\r\n,,-6,0\r\n,,7,1\r\n");
    QVERIFY2(result.data, qPrintable(result.error));
    QVERIFY(!result.data->hasClockTime);
    QCOMPARE(result.data->timesMs, (std::vector<std::int64_t>{0, 1000, 2000}));
    QCOMPARE(result.data->channels[0].values, (std::vector<std::int32_t>{5, -6, 7}));
}

void RecordingReaderTest::skipsHalfWrittenLastLine()
{
    const QByteArray csv = "time,t_s,SpdFbk\r\n2026-03-02T08:00:00.000,0.000,1\r\n2026-03-02T08:00:00.100,0.1";
    const ReadResult result = readCsvBytes(csv);
    QVERIFY2(result.data, qPrintable(result.error));
    QCOMPARE(result.data->rowCount(), std::size_t{1});
    QCOMPARE(result.data->notes, QStringList{QStringLiteral("line 3: a half-written last line, skipped")});
    // A header alone, without rows, is a recording of nothing.
    const ReadResult empty = readCsvBytes("time,t_s,SpdFbk\r\n");
    QVERIFY(empty.data);
    QCOMPARE(empty.data->rowCount(), std::size_t{0});
}

void RecordingReaderTest::stopsWhenAskedAndReportsProgress()
{
    QByteArray csv = "time,t_s,SpdFbk\r\n";
    for (int row = 0; row < 200000; ++row)
        csv += ',' + QByteArray::number(row) + ".000,1\r\n";
    QList<qint64> seen;
    const ReadResult whole = readCsvBytes(csv, [&](qint64 done, qint64 total) {
        seen << done;
        return done < total;
    });
    QVERIFY(whole.data);
    QCOMPARE(whole.data->rowCount(), std::size_t{200000});
    QCOMPARE(seen.size(), 3);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()) && seen.back() < csv.size());
    const ReadResult stopped = readCsvBytes(csv, [](qint64, qint64) { return false; });
    QVERIFY(stopped.cancelled && !stopped.data && stopped.error.isEmpty());
}

void RecordingReaderTest::refusesBadLines_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("error");
    const QByteArray header = "time,t_s,SpdFbk,InvFlag.07,event\r\n";
    const QByteArray good = "2026-03-02T08:00:00.000,0.000,1,0,\r\n";
    QTest::newRow("empty") << QByteArray()
                           << "line 1: expected the header time,t_s,<channel>,..., found an empty file";
    QTest::newRow("no header") << QByteArray("1,2,3\r\n")
                               << "line 1: expected the header time,t_s,<channel>,..., found \"1,2,3\"";
    QTest::newRow("no channel") << QByteArray("time,t_s\r\n")
                                << "line 1: expected the header time,t_s,<channel>,..., found \"time,t_s\"";
    QTest::newRow("value") << header + good + "2026-03-02T08:00:00.100,0.100,12x,1,\r\n"
                           << "line 3, column 3 (SpdFbk): expected a whole number or an empty cell, found \"12x\"";
    QTest::newRow("too large") << header + "2026-03-02T08:00:00.100,0.100,1,2147483648,\r\n"
                               << "line 2, column 4 (InvFlag.07): expected a whole number or an empty cell, "
                                  "found \"2147483648\"";
    QTest::newRow("columns") << header + good + "2026-03-02T08:00:00.100,0.100,1,\r\n"
                             << "line 3: expected 5 columns as in the header, found 4";
    QTest::newRow("time") << header + "2026-03-02 08:00:00,0.000,1,0,\r\n"
                          << "line 2, column 1 (time): expected a local date and time yyyy-MM-ddTHH:mm:ss.zzz or "
                             "nothing, found \"2026-03-02 08:00:00\"";
    QTest::newRow("month") << header + "2026-13-02T08:00:00.000,0.000,1,0,\r\n"
                           << "line 2, column 1 (time): expected a local date and time yyyy-MM-ddTHH:mm:ss.zzz or "
                              "nothing, found \"2026-13-02T08:00:00.000\"";
    QTest::newRow("day") << header + "2026-02-29T08:00:00.000,0.000,1,0,\r\n"
                         << "line 2, column 1 (time): expected a local date and time yyyy-MM-ddTHH:mm:ss.zzz or "
                            "nothing, found \"2026-02-29T08:00:00.000\"";
    QTest::newRow("seconds") << header + ",1.2345,1,0,\r\n"
                             << "line 2, column 2 (t_s): expected seconds with up to three decimals or nothing, "
                                "found \"1.2345\"";
    QTest::newRow("backwards") << header + good + "2026-03-02T07:59:59.000,-1.000,1,0,\r\n"
                               << "line 3, column 2 (t_s): expected seconds with up to three decimals or nothing, "
                                  "found \"-1.000\"";
    QTest::newRow("earlier") << header + ",5.000,1,0,\r\n,4.000,1,0,\r\n"
                             << "line 3, column 2 (t_s): expected a time not before the row above, found \"4.000\"";
    QTest::newRow("event") << header + "2026-03-02T08:00:00.000,0.000,1,0,yes\r\n"
                           << "line 2, column 5 (event): expected 1, 2, 3 or an empty cell, found \"yes\"";
    QTest::newRow("header cut") << QByteArray("time,t_s,Spd")
                                << "line 1: expected the header with its line end, found \"time,t_s,Spd\"";
}

void RecordingReaderTest::refusesBadLines()
{
    QFETCH(QByteArray, csv);
    QFETCH(QString, error);
    const ReadResult result = readCsvBytes(csv);
    QVERIFY(!result.data && !result.cancelled);
    QCOMPARE(result.error, error);
}

void RecordingReaderTest::readsFileWithoutWritingIt()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("run.csv"));
    const QByteArray csv = "time,t_s,SpdFbk\r\n2026-03-02T08:00:00.000,0.000,1\r\n2026-03-02T08:00:00.1";
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(csv);
    }
    QFile(path).setPermissions(QFileDevice::ReadOwner);
    const QDateTime modified = QFileInfo(path).lastModified();
    const ReadResult result = readCsvFile(path);
    QVERIFY2(result.data, qPrintable(result.error));
    QCOMPARE(result.data->path, path);
    QCOMPARE(result.data->rowCount(), std::size_t{1});
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), csv);
    QCOMPARE(QFileInfo(path).lastModified(), modified);

    const ReadResult folderResult = readCsvFile(folder.path());
    QVERIFY(!folderResult.data);
    QVERIFY2(folderResult.error.startsWith(folder.path() + QStringLiteral(": ")), qPrintable(folderResult.error));
    QVERIFY(!readCsvFile(folder.filePath(QStringLiteral("missing.csv"))).error.isEmpty());
}

QTEST_GUILESS_MAIN(RecordingReaderTest)
#include "test_recording_reader.moc"
