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
        out.push_back(channel.isGood(row) ? channel.numberOf(channel.values[row]) : std::nan(""));
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
    // Numbers beyond 32 bits: stored by thousands, -42 rounded to the nearest of them.
    const RecordingChannel &huge = data.channels[1];
    QCOMPARE(huge.decimals, -3);
    const std::vector<double> hugeNumbers = numbers(huge);
    QCOMPARE(hugeNumbers[0], 3e9);
    QCOMPARE(hugeNumbers[1], 1.5e12);
    QCOMPARE(hugeNumbers[2], 0.0);
    QVERIFY(std::isnan(hugeNumbers[3]));
    const std::vector<double> tinyNumbers = numbers(data.channels[2]);
    const double tinyExpected[] = {1e-300, -2.5e-299, std::nan(""), 4e-300};
    for (std::size_t row = 0; row < 4; ++row) {
        if (std::isnan(tinyExpected[row]))
            QVERIFY(std::isnan(tinyNumbers[row]));
        else
            QVERIFY2(std::abs(tinyNumbers[row] / tinyExpected[row] - 1) < 1e-12, qPrintable(QString::number(row)));
    }
    // The finest cell wants 5 decimals, the largest number lets 3 fit in 32 bits: 10 digits of it kept,
    // the finer cells rounded to thousandths.
    const RecordingChannel &mixed = data.channels[3];
    QCOMPARE(mixed.decimals, 3);
    QCOMPARE(numbers(mixed), (std::vector<double>{1500, 0.001, 0.0, 2147483.647}));
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
    QCOMPARE(table.rows[0].cells.mid(1), (QStringList{"12.5 rpm", "0 rpm", "-1 rpm", "14 rpm"}));
}

void RecordingDecimalsTest::spanWrittenBackAsRead()
{
    const RecordingData data = read(kExported);
    QCOMPARE(spanCsv(data, 0, data.rowCount()), kExported);
    const QList<QByteArray> lines = kExported.split('\n');
    QCOMPARE(spanCsv(data, 2, 3), lines[0] + '\n' + lines[3] + '\n');
    // Held-back numbers are written as the column holds them and read back the same.
    const RecordingData huge = read("time,t_s,big\r\n,0.000,1.5e+12\r\n,0.100,-1234567891234\r\n");
    const QByteArray written = spanCsv(huge, 0, 2);
    QCOMPARE(written, QByteArray("time,t_s,big\r\n,0.000,1.5e+12\r\n,0.100,-1.234567891e+12\r\n"));
    QCOMPARE(numbers(read(written).channels[0]), numbers(huge.channels[0]));
}

QTEST_GUILESS_MAIN(RecordingDecimalsTest)
#include "test_recording_decimals.moc"
