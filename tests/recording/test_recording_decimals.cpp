// Recordings with columns of decimals (qmx-record --scaled/--math, the Trend Graph's export with math
// channels): "NAME [unit]" headers, a column turning decimal part way and growing finer, numbers too
// large or too small for the column's power of ten, cells that are no number, the read-out of such a
// column with engineering values off and on (the units file not applied on top), a reference with
// other decimals, and the visible span written back as the same bytes.

#include "engineering/UnitsTable.h"
#include "recording/LoadedRecording.h"
#include "recording/RecordingCsvReader.h"
#include "recording/RecordingReadout.h"
#include "recording/SpanExport.h"

#include <QtTest>
#include <cmath>

using namespace recording;

namespace {

RecordingData read(const QByteArray &csv)
{
    const ReadResult result = readCsvBytes(csv);
    if (!result.data)
        qWarning("%s", qPrintable(result.error));
    return result.data.value_or(RecordingData{});
}

std::vector<double> numbers(const RecordingChannel &channel)
{
    std::vector<double> out;
    for (std::size_t row = 0; row < channel.values.size(); ++row)
        out.push_back(channel.isGood(row) ? channel.numberAt(row) : std::nan(""));
    return out;
}

// As the Trend Graph's export writes it: t_s only, CR LF, decimals to 10 significant digits.
const QByteArray kExported = "time,t_s,SpdFbk [rpm],600E60,slip,Cur [A],Flag.07\r\n"
                             ",0.000,150.5,12,,3,1\r\n"
                             ",0.100,-0.25,-7,1e-05,4,0\r\n"
                             ",0.200,,2147483647,-0.001234567891,,\r\n"
                             ",0.300,1234.5,0,0.002,-5,1\r\n";

} // namespace

class RecordingDecimalsTest : public QObject {
    Q_OBJECT
private slots:
    void readsHeadersAndDecimalCells();
    void growsFinerAndHoldsBackLargeNumbers();
    void refusesWhatIsNoNumber();
    void readoutInEngineeringValues();
    void referenceWithOtherDecimals();
    void spanWrittenBackAsRead();
    void keepsEveryCellOfAWideColumn();
    void readsScaledAndMathHeaders();
    void recorderCellsNotKept_data();
    void recorderCellsNotKept();
    void wideCellsShownWhole_data();
    void wideCellsShownWhole();
    void referenceNumbersAsRead_data();
    void referenceNumbersAsRead();
};

void RecordingDecimalsTest::readsHeadersAndDecimalCells()
{
    const RecordingData data = read(kExported);
    QCOMPARE(data.channels.size(), std::size_t{5});
    const RecordingChannel &speed = data.channels[0];
    QCOMPARE(speed.name, QStringLiteral("SpdFbk"));
    QCOMPARE(speed.unit, QStringLiteral("rpm"));
    QCOMPARE(speed.heading(), QStringLiteral("SpdFbk [rpm]"));
    QVERIFY(speed.engineering);
    QCOMPARE(speed.decimals, 2);
    QCOMPARE(speed.values, (std::vector<std::int32_t>{15050, -25, 0, 123450}));
    QVERIFY(!speed.isGood(2));
    // A whole-number column is read exactly as ever.
    const RecordingChannel &counter = data.channels[1];
    QVERIFY(!counter.engineering && counter.unit.isEmpty());
    QCOMPARE(counter.decimals, 0);
    QCOMPARE(counter.values, (std::vector<std::int32_t>{12, -7, 2147483647, 0}));
    // A math channel: no unit, its cells decimals from the second row on.
    const RecordingChannel &slip = data.channels[2];
    QVERIFY(slip.engineering && slip.unit.isEmpty());
    const std::vector<double> slips = numbers(slip);
    QVERIFY(std::isnan(slips[0]));
    QCOMPARE(slips[1], 1e-05);
    QCOMPARE(slips[2], -0.001234567891);
    QCOMPARE(slips[3], 0.002);
    QCOMPARE(slip.decimals, 12);
    // A unit makes a column of whole numbers engineering values too.
    const RecordingChannel &current = data.channels[3];
    QVERIFY(current.engineering);
    QCOMPARE(current.unit, QStringLiteral("A"));
    QCOMPARE(current.decimals, 0);
    QCOMPARE(current.values, (std::vector<std::int32_t>{3, 4, 0, -5}));
    const RecordingChannel &bit = data.channels[4];
    QVERIFY(bit.logic && !bit.engineering);
    QCOMPARE(bit.values, (std::vector<std::int32_t>{1, 0, 0, 1}));
}

void RecordingDecimalsTest::growsFinerAndHoldsBackLargeNumbers()
{
    QByteArray csv = "time,t_s,fine,huge,tiny,mixed\r\n";
    csv += ",0.000,12,3000000000,1e-300,1500\r\n";
    csv += ",0.100,12.5,1.5e+12,-2.5e-299,0.001\r\n";
    csv += ",0.200,0.125,-42,,1E-05\r\n";
    csv += ",0.300,-7,,4e-300,2147483.647\r\n";
    const RecordingData data = read(csv);
    QCOMPARE(data.channels.size(), std::size_t{4});
    // Whole numbers first, then finer and finer cells: the earlier rows are carried along exactly.
    QCOMPARE(data.channels[0].decimals, 3);
    QCOMPARE(numbers(data.channels[0]), (std::vector<double>{12, 12.5, 0.125, -7}));
    // Numbers beyond 32 bits beside a small one: drawn from thousands, every number kept as read.
    const RecordingChannel &huge = data.channels[1];
    QCOMPARE(huge.decimals, -3);
    QVERIFY(huge.isWide());
    const std::vector<double> hugeNumbers = numbers(huge);
    QCOMPARE(hugeNumbers[0], 3e9);
    QCOMPARE(hugeNumbers[1], 1.5e12);
    QCOMPARE(hugeNumbers[2], -42.0);
    QVERIFY(std::isnan(hugeNumbers[3]));
    const std::vector<double> tinyNumbers = numbers(data.channels[2]);
    const double tinyExpected[] = {1e-300, -2.5e-299, std::nan(""), 4e-300};
    for (std::size_t row = 0; row < 4; ++row) {
        if (std::isnan(tinyExpected[row]))
            QVERIFY(std::isnan(tinyNumbers[row]));
        else
            QVERIFY2(std::abs(tinyNumbers[row] / tinyExpected[row] - 1) < 1e-12, qPrintable(QString::number(row)));
    }
    // The finest cell wants 5 decimals, the largest number lets 3 fit in 32 bits: drawn from
    // thousandths, every number kept as read.
    const RecordingChannel &mixed = data.channels[3];
    QCOMPARE(mixed.decimals, 3);
    QVERIFY(mixed.isWide());
    QCOMPARE(numbers(mixed), (std::vector<double>{1500, 0.001, 1e-05, 2147483.647}));
    // A column that fits is not wide.
    QVERIFY(!data.channels[0].isWide());
}

void RecordingDecimalsTest::refusesWhatIsNoNumber()
{
    const QByteArray header = "time,t_s,slip [rpm],600E60,Flag.07\r\n";
    const auto errorOf = [](const QByteArray &csv) { return readCsvBytes(csv).error; };
    QCOMPARE(errorOf(header + ",0.000,1.5,1,0\r\n,0.100,abc,1,0\r\n"),
             QStringLiteral("line 3, column 3 (slip [rpm]): expected a number or an empty cell, found \"abc\""));
    QCOMPARE(errorOf(header + ",0.000,1,1,0\r\n,0.100,1.5.2,1,0\r\n"),
             QStringLiteral("line 3, column 3 (slip [rpm]): expected a number or an empty cell, found \"1.5.2\""));
    for (const QByteArray cell : {"inf", "nan", "1e999", "+1.5", "1e", "-", ".", "1.5x", "0x10"})
        QVERIFY2(!errorOf(header + ",0.000,2.5,1,0\r\n,0.100," + cell + ",1,0\r\n").isEmpty(), cell.constData());
    // A whole-number column says what it always said; a bit takes no decimals.
    QCOMPARE(errorOf(header + ",0.000,1,12x,0\r\n"),
             QStringLiteral("line 2, column 4 (600E60): expected a whole number or an empty cell, found \"12x\""));
    QCOMPARE(errorOf(header + ",0.000,1,1,0.5\r\n"),
             QStringLiteral("line 2, column 5 (Flag.07): expected a whole number or an empty cell, found \"0.5\""));
    // A column that has met a decimal says it takes numbers.
    QCOMPARE(errorOf(header + ",0.000,1,0.5,0\r\n,0.100,1,x,0\r\n"),
             QStringLiteral("line 3, column 4 (600E60): expected a number or an empty cell, found \"x\""));
}

void RecordingDecimalsTest::readoutInEngineeringValues()
{
    const RecordingData data = read(kExported);
    // Engineering values off: the file's own engineering values all the same, raw words raw.
    const ChannelScales own = columnScales(data);
    const readoutstatistics::ReadoutTable off = readoutAtCursors(data, 0, 3, &own);
    QCOMPARE(off.rows[0].cells, (QStringList{"SpdFbk", "150.5 rpm", "1234.5 rpm", "1084 rpm", "-0.25 rpm", "1234.5 rpm",
                                             "461.5833333 rpm", "718.015915 rpm", "1234.75 rpm", "", "", "1"}));
    QCOMPARE(off.rows[1].cells, readoutAtCursors(data, 0, 3).rows[1].cells);
    QCOMPARE(off.rows[2].cells.mid(1, 3), (QStringList{"failed", "0.002", "failed"}));
    QCOMPARE(off.rows[3].cells.at(1), QStringLiteral("3 A"));
    QCOMPARE(off.rows[4].cells, readoutAtCursors(data, 0, 3).rows[4].cells);
    // Engineering values on: a units file entry for a column of the file's own values is not applied.
    const UnitsTable units = UnitsTable::parse({"SpdFbk\t0.5\t10\tkrpm", "slip\t2\t0\tx", "600E60\t2\t-1\tV"}, "Units.txt");
    const ChannelScales scales = recordingScales(units, data);
    const readoutstatistics::ReadoutTable on = readoutAtCursors(data, 1, std::nullopt, &scales);
    QCOMPARE(on.rows[0].cells, (QStringList{"SpdFbk", "-0.25 rpm"}));
    QCOMPARE(on.rows[1].cells, (QStringList{"600E60", "-15 V"}));
    QCOMPARE(on.rows[2].cells, (QStringList{"slip", "1e-05"}));
    // The step figures of a column of decimals in its unit.
    const QStringList step = stepFiguresLines(data, {}, 0, 0, 3, &own, 2.0);
    QVERIFY2(step.join('\n').contains("rpm"), qPrintable(step.join('\n')));
}

void RecordingDecimalsTest::referenceWithOtherDecimals()
{
    const RecordingData data = read("time,t_s,SpdFbk [rpm]\r\n,0.000,12.5\r\n,0.100,13\r\n");
    auto other = std::make_shared<const LoadedRecording>(read("time,t_s,SpdFbk [rpm]\r\n,0.000,12.525\r\n,0.100,-1\r\n"));
    QCOMPARE(data.channels[0].decimals, 1);
    QCOMPARE(other->data.channels[0].decimals, 3);
    const std::vector<Reference> references{makeReference(data, other)};
    // The reference's values in the recording's tenths.
    QCOMPARE(references[0].valueAt(0, 0), std::optional<std::int32_t>(125));
    QCOMPARE(references[0].valueAt(0, 100), std::optional<std::int32_t>(-10));
    const ChannelScales scales = columnScales(data);
    const readoutstatistics::ReadoutTable table = referenceReadout(data, references, 0, 1, &scales);
    // The read-out gives the reference's numbers as its file held them.
    QCOMPARE(table.rows[0].cells.mid(1), (QStringList{"12.525 rpm", "-0.025 rpm", "-1 rpm", "14 rpm"}));
}

void RecordingDecimalsTest::spanWrittenBackAsRead()
{
    const RecordingData data = read(kExported);
    QCOMPARE(spanCsv(data, 0, data.rowCount()), kExported);
    const QList<QByteArray> lines = kExported.split('\n');
    QCOMPARE(spanCsv(data, 2, 3), lines[0] + '\n' + lines[3] + '\n');
    // Numbers too large for 32 bits, a cell not in the form the recorder writes, other line ends, a
    // row without its clock: each line given back as it was read, and read back the same.
    const RecordingData huge = read("time,t_s,big\r\n,0.000,1.5e+12\r\n,0.100,-1234567891234\r\n");
    const QByteArray written = spanCsv(huge, 0, 2);
    QCOMPARE(written, QByteArray("time,t_s,big\r\n,0.000,1.5e+12\r\n,0.100,-1234567891234\r\n"));
    const QByteArray odd = "time,t_s,a,b\n"
                           "2026-12-08T13:00:00.000,7.5,007,1.50\n"
                           "2026-12-08T13:00:00.101,7.600,-0,2\r\n"
                           ",7.700,3,2.5\n"
                           "2026-12-08T13:00:00.299,7.800,4,3.25\n";
    const RecordingData oddData = read(odd);
    QCOMPARE(oddData.rowCount(), std::size_t{4});
    QCOMPARE(spanCsv(oddData, 0, 4), odd);
    QCOMPARE(spanCsv(oddData, 3, 4), QByteArray("time,t_s,a,b\n2026-12-08T13:00:00.299,7.800,4,3.25\n"));
    QCOMPARE(numbers(read(written).channels[0]), numbers(huge.channels[0]));
}

void RecordingDecimalsTest::keepsEveryCellOfAWideColumn()
{
    // Small cells beside one large one, and a fraction beside the largest 32-bit number: no power
    // of ten holds them all in 32 bits, yet every cell is shown and written as it was read.
    const QByteArray csv = "time,t_s,wide,whole\r\n"
                           ",0.000,1,0.5\r\n"
                           ",0.100,2.5,2147483647\r\n"
                           ",0.200,3,1\r\n"
                           ",0.300,-7,-3\r\n"
                           ",0.400,0.5,\r\n"
                           ",0.500,123456789.5,2\r\n"
                           ",0.600,2,0.25\r\n";
    const RecordingData data = read(csv);
    const ChannelScales own = columnScales(data);
    const QList<QByteArray> lines = csv.split('\n');
    for (std::size_t row = 0; row < data.rowCount(); ++row) {
        const QByteArrayList cells = lines[qsizetype(row) + 1].trimmed().split(',');
        const readoutstatistics::ReadoutTable table = readoutAtCursors(data, row, std::nullopt, &own);
        QCOMPARE(table.rows[0].cells.at(1), QString::fromLatin1(cells[2]));
        QCOMPARE(table.rows[1].cells.at(1), cells[3].isEmpty() ? QStringLiteral("failed") : QString::fromLatin1(cells[3]));
    }
    const readoutstatistics::ReadoutTable span = readoutAtCursors(data, 0, 6, &own);
    QCOMPARE(span.rows[0].cells.mid(2, 4), (QStringList{"2", "1", "-7", "123456789.5"}));
    QCOMPARE(span.rows[1].cells.mid(2, 4), (QStringList{"0.25", "-0.25", "-3", "2147483647"}));
    QCOMPARE(span.rows[1].cells.last(), QStringLiteral("1"));
    QCOMPARE(spanCsv(data, 0, data.rowCount()), csv);
}

void RecordingDecimalsTest::readsScaledAndMathHeaders()
{
    // qmx-record --units --scaled --math: a scale without a unit "NAME []", math channels saying
    // which inputs they were computed on. Whole numbers in them are engineering values all the same:
    // the window's Units.txt is applied only to the raw column.
    const QByteArray csv = "time,t_s,600E64 [],SpdFbk [rpm],copy (scaled inputs),slip [rpm] (raw inputs),600E60\r\n"
                           ",0.000,2305,150,512,3,4096\r\n"
                           ",0.100,500,151,513,4,4097\r\n";
    const RecordingData data = read(csv);
    QCOMPARE(data.channels.size(), std::size_t{5});
    const QStringList names{"600E64", "SpdFbk", "copy", "slip", "600E60"};
    const QStringList unitsRead{"", "rpm", "", "rpm", ""};
    for (std::size_t c = 0; c < 5; ++c) {
        QCOMPARE(data.channels[c].name, names[int(c)]);
        QCOMPARE(data.channels[c].unit, unitsRead[int(c)]);
        QCOMPARE(data.channels[c].engineering, c != 4);
        QVERIFY(!data.channels[c].logic);
    }
    QCOMPARE(data.channels[0].heading(), QStringLiteral("600E64 []"));
    QCOMPARE(data.channels[2].heading(), QStringLiteral("copy (scaled inputs)"));
    QCOMPARE(data.channels[3].heading(), QStringLiteral("slip [rpm] (raw inputs)"));
    const UnitsTable units =
        UnitsTable::parse({"600E64\t0.5\t0", "copy\t2\t0", "slip\t10\t0\tx", "600E60\t0.125\t0"}, "Units.txt");
    const ChannelScales scales = recordingScales(units, data);
    const readoutstatistics::ReadoutTable table = readoutAtCursors(data, 0, 1, &scales);
    QCOMPARE(table.rows[0].cells.mid(0, 3), (QStringList{"600E64", "2305", "500"}));
    QCOMPARE(table.rows[1].cells.mid(0, 3), (QStringList{"SpdFbk", "150 rpm", "151 rpm"}));
    QCOMPARE(table.rows[2].cells.mid(0, 3), (QStringList{"copy", "512", "513"}));
    QCOMPARE(table.rows[3].cells.mid(0, 3), (QStringList{"slip", "3 rpm", "4 rpm"}));
    QCOMPARE(table.rows[4].cells.mid(0, 3), (QStringList{"600E60", "512", "512.125"}));
    QCOMPARE(spanCsv(data, 0, data.rowCount()), csv);
    // An older file's plain header reads as before: a raw column the units file scales.
    const RecordingData older = read("time,t_s,600E64\r\n,0.000,2305\r\n");
    QVERIFY(!older.channels[0].engineering);
    const ChannelScales olderScales = recordingScales(units, older);
    QCOMPARE(readoutAtCursors(older, 0, std::nullopt, &olderScales).rows[0].cells.at(1), QStringLiteral("1152.5"));
}

void RecordingDecimalsTest::recorderCellsNotKept_data()
{
    QTest::addColumn<QByteArrayList>("cells");
    QTest::addColumn<int>("kept");
    // qmx-record writes decimals in the shortest form that reads back the same: 1e+05, 1e-04.
    const auto recorded = [](std::initializer_list<double> numbers) {
        QByteArrayList cells;
        for (const double number : numbers)
            cells << UnitsTable::numberText(number).toLatin1();
        return cells;
    };
    QTest::newRow("recorder, large") << recorded({100000, 3000000, -250000, 2.5}) << 0;
    QTest::newRow("recorder, small") << recorded({0.0001, 1e-05, 0.5, 0.00025}) << 0;
    QTest::newRow("recorder, wide") << recorded({123000000, 0.0001, 1e+20}) << 0;
    QTest::newRow("trend export") << QByteArrayList{"100000", "0.0001", "2.5"} << 0;
    QTest::newRow("both forms in a column") << QByteArrayList{"1e+05", "100000", "2.5"} << 1;
    QTest::newRow("neither form") << QByteArrayList{"1.0e5", "2.5"} << 1;
}

void RecordingDecimalsTest::recorderCellsNotKept()
{
    QFETCH(QByteArrayList, cells);
    QFETCH(int, kept);
    QByteArray csv = "time,t_s,SpdFbk [rpm],600E60\r\n";
    for (qsizetype row = 0; row < cells.size(); ++row)
        csv += ',' + QByteArray::number(row / 10.0, 'f', 3) + ',' + cells[row] + ',' + QByteArray::number(row) + "\r\n";
    const RecordingData data = read(csv);
    QCOMPARE(data.rowCount(), std::size_t(cells.size()));
    // Only a line the usual forms would not give back is held as read.
    QCOMPARE(int(data.text.keptLines.size()), kept);
    QCOMPARE(spanCsv(data, 0, data.rowCount()), csv);
    for (qsizetype row = 0; row < cells.size(); ++row)
        QCOMPARE(data.channels[0].numberAt(std::size_t(row)), cells[row].toDouble());
}

void RecordingDecimalsTest::wideCellsShownWhole_data()
{
    QTest::addColumn<QByteArrayList>("cells");
    QTest::addColumn<QStringList>("shown"); // at A (row 0), at B (row 1), B-A, minimum, maximum
    QTest::newRow("11 digits") << QByteArrayList{"1", "12345678901"}
                               << QStringList{"1", "12345678901", "12345678900", "1", "12345678901"};
    QTest::newRow("fraction past 32 bits") << QByteArrayList{"2147483647.25", "1"}
                                           << QStringList{"2147483647.25", "1", "-2147483646.25", "1", "2147483647.25"};
    QTest::newRow("tenth and 12 digits")
        << QByteArrayList{"0.1", "12345678901.5"}
        << QStringList{"0.1", "12345678901.5", "12345678901.4", "0.1", "12345678901.5"};
}

void RecordingDecimalsTest::wideCellsShownWhole()
{
    QFETCH(QByteArrayList, cells);
    QFETCH(QStringList, shown);
    const RecordingData data = read("time,t_s,wide\r\n,0.000," + cells[0] + "\r\n,0.100," + cells[1] + "\r\n");
    QVERIFY(data.channels[0].isWide());
    const ChannelScales own = columnScales(data);
    const QStringList row = readoutAtCursors(data, 0, 1, &own).rows[0].cells;
    QCOMPARE(row.mid(1, 5), shown);
}

void RecordingDecimalsTest::referenceNumbersAsRead_data()
{
    QTest::addColumn<QByteArrayList>("own");
    QTest::addColumn<QByteArrayList>("theirs");
    QTest::addColumn<QStringList>("shown"); // at A, A-ref, at B, B-ref
    QTest::addColumn<QString>("stepValue"); // the reference's first value in its step figures
    QTest::newRow("half in the reference") << QByteArrayList{"2305", "500"} << QByteArrayList{"1152.5", "250"}
                                           << QStringList{"1152.5", "1152.5", "250", "250"} << "1152.5";
    QTest::newRow("beyond 32 bits at the recording's decimals")
        << QByteArrayList{"0.000001", "1"} << QByteArrayList{"5000", "0.00001"}
        << QStringList{"5000", "-4999.999999", "1e-05", "0.99999"} << "5000";
    QTest::newRow("wide reference") << QByteArrayList{"1", "2"} << QByteArrayList{"12345678901", "1"}
                                    << QStringList{"12345678901", "-12345678900", "1", "1"} << "1.234568e+10";
}

void RecordingDecimalsTest::referenceNumbersAsRead()
{
    QFETCH(QByteArrayList, own);
    QFETCH(QByteArrayList, theirs);
    QFETCH(QStringList, shown);
    QFETCH(QString, stepValue);
    const auto csvOf = [](const QByteArrayList &cells) {
        QByteArray csv = "time,t_s,600E64 []\r\n";
        for (int row = 0; row < 6; ++row)
            csv += ',' + QByteArray::number(row / 10.0, 'f', 3) + ',' + cells[row < 3 ? 0 : 1] + "\r\n";
        return csv;
    };
    const RecordingData data = read(csvOf(own));
    auto other = std::make_shared<const LoadedRecording>(read(csvOf(theirs)));
    const std::vector<Reference> references{makeReference(data, other)};
    const ChannelScales scales = columnScales(data);
    QCOMPARE(referenceReadout(data, references, 0, 5, &scales).rows[0].cells.mid(1), shown);
    const QStringList step = stepFiguresLines(data, references, 0, 0, 5, &scales, 2.0);
    const auto heading = std::find_if(step.begin(), step.end(), [](const QString &line) {
        return line.startsWith(QStringLiteral("Step response of : 600E64,"));
    });
    const qsizetype reference = heading - step.begin();
    QVERIFY2(reference > 0 && reference + 1 < step.size(), qPrintable(step.join(u'\n')));
    QVERIFY2(step[reference + 1].startsWith(QStringLiteral("initial ") + stepValue + QStringLiteral(" (")),
             qPrintable(step.join(u'\n')));
}

QTEST_GUILESS_MAIN(RecordingDecimalsTest)
#include "test_recording_decimals.moc"
