// The Read-out in engineering values and its step figures: which scale a channel takes from the
// units file (name before address, none for a logic channel), scaled values and figures against
// the raw rows worked by hand, a step's figures placed on the display rows they come from (in
// seconds for a run's rows, in rows for a .trd's), the read-out band's differences in engineering
// values, and the Read-out window showing and copying them.

#include "engineering/UnitsTable.h"
#include "tests/support/TestEnvironment.h"
#include "trend/readout/ReadoutStatistics.h"
#include "trend/tools/ReadoutWindow.h"
#include "trend/readout/StepFiguresText.h"
#include "trend/readout/TrendReadout.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

namespace {

using namespace std::chrono_literals;

// Channel 0 "SpdFbk" by name, channel 1 at address 600E62, channel 2 "TrqFbk" without a scale,
// channel 8 a bit. Rows 0-19 hold 100 on channel 0; from row 20 it rises as a first-order step to
// 600 with a time constant of 10 rows; rows are 100 ms apart. Channel 1 counts -10, -9, ...
TrendData stepRun(bool timed = true)
{
    TrendData data;
    data.channels[0] = {true, AddressKind::Name, QStringLiteral("SpdFbk"), QStringLiteral("20000")};
    data.channels[1] = {true, AddressKind::Address, QStringLiteral("600E62"), QStringLiteral("20000")};
    data.channels[2] = {true, AddressKind::Name, QStringLiteral("TrqFbk"), QStringLiteral("20000")};
    data.channels[8] = {true, AddressKind::Name, QStringLiteral("SpdFbk"), QStringLiteral("3")};
    data.selectedChannels = {0, 1, 2, 8};
    data.rowCount = 200;
    for (int row = 0; row < data.rowCount; ++row) {
        const double rise = row < 20 ? 0.0 : 1.0 - std::exp(-(row - 20) / 10.0);
        data.displayRows[row][0] = static_cast<std::int32_t>(std::lround(100 + 500 * rise));
        data.displayRows[row][1] = row - 10;
        data.displayRows[row][2] = 7;
        data.displayRows[row][8] = row % 2;
        if (timed)
            data.displayRowInfo[row].sinceRunStart = 100ms * row;
    }
    return data;
}

UnitsTable units()
{
    return UnitsTable::parse({"SpdFbk\t0.5\t10\trpm", "600E60\t3\t0\tV", "600e62\t-2\t1\tA", "TrqFbk\tx\t0\tNm"},
                             QStringLiteral("Units.txt"));
}

} // namespace

class TestReadoutEngineering : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void scalesAndScaledFigures();
    void stepFiguresOnTheirRows();
    void bandDifferencesInEngineeringValues();
    void readoutWindowShowsAndCopiesThem();
};

void TestReadoutEngineering::scalesAndScaledFigures()
{
    TrendData data = stepRun();
    // Channel 0 is named SpdFbk and resolved to 600E60 by the run: its name's entry wins.
    data.channelAddress[0] = 0x600E60;
    const readoutstatistics::ChannelScales scales = readoutstatistics::channelScales(units(), data);
    QVERIFY(scales[0] && scales[0]->unit == "rpm" && scales[0]->gain == 0.5);
    QVERIFY(scales[1] && scales[1]->unit == "A"); // by the address typed, case and zeros aside
    QVERIFY(!scales[2]);                          // its line was refused
    QVERIFY(!scales[8]);                          // a bit takes no scale, whatever its name

    // Rows 0 and 9 of channel 1 read -10 .. -1; in A: -2 x raw + 1 gives 21 .. 3.
    const readoutstatistics::ReadoutTable table =
        readoutstatistics::readoutTableTexts(data, 0, 18, false, &scales);
    QCOMPARE(table.rows.size(), std::size_t{4});
    const QStringList amps = table.rows[1].cells;
    QCOMPARE(amps.at(1), QString("21 A"));  // A
    QCOMPARE(amps.at(2), QString("3 A"));   // B
    QCOMPARE(amps.at(3), QString("-18 A")); // B-A
    QCOMPARE(amps.at(4), QString("3 A"));   // Min: the gain turns the raw maximum into it
    QCOMPARE(amps.at(5), QString("21 A"));  // Max
    QCOMPARE(amps.at(6), QString("12 A"));  // Mean of 21, 19, ..., 3
    double squares = 0;
    for (int raw = -10; raw <= -1; ++raw)
        squares += std::pow(-2.0 * raw + 1, 2);
    QCOMPARE(amps.at(7), QString::number(std::sqrt(squares / 10), 'g', 7) + " A");
    QCOMPARE(amps.at(8), QString("18 A"));  // P-P
    QCOMPARE(amps.at(11), QString("0"));    // failed reads
    // The channel without a scale and the bit stay raw, as without scales.
    const readoutstatistics::ReadoutTable raw = readoutstatistics::readoutTableTexts(data, 0, 18, false);
    QCOMPARE(table.rows[2].cells, raw.rows[2].cells);
    QCOMPARE(table.rows[3].cells, raw.rows[3].cells);
    QVERIFY(raw.rows[1].cells.at(1) == "-10");

    // A failed read is said as failed, not scaled.
    data.displayRowInfo[0].failedChannels = 1u << 1;
    QCOMPARE(readoutstatistics::readoutTableTexts(data, 0, 18, false, &scales).rows[1].cells.at(1), QString("failed"));
}

void TestReadoutEngineering::stepFiguresOnTheirRows()
{
    const TrendData data = stepRun();
    // Span rows 10 to 199: the step starts at row 20, one second after the span's first row.
    const QStringList lines = stepfigurestext::figuresLines(data, 0, 199, 10, nullptr, 2.0);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), QString("Step response of SpdFbk, rows 10 to 199:"));
    QVERIFY2(lines.at(1).startsWith("initial 100 (rows 10-20), final 600 (rows "), qPrintable(lines.at(1)));
    // The first row past 2 % of the step (10 units) is row 21 (raw 148): 1.1 s after row 10.
    QVERIFY2(lines.at(2).startsWith("dead time 1.100 s (row 21)"), qPrintable(lines.at(2)));
    // 10 % (150) first reached at row 22 (191), 90 % (550) at row 43 (549.9 read as 550): 2.1 s,
    // as a first order with tau = 1 s gives (ln 9 = 2.197 s) within one row.
    QVERIFY2(lines.at(2).contains("rise time 10-90 % 2.100 s (rows 22-43)"), qPrintable(lines.at(2)));
    QVERIFY2(lines.at(3).startsWith("overshoot 0.0 %"), qPrintable(lines.at(3)));
    // Within 2 % (590) from row 59 on: 4.9 s after row 10.
    QVERIFY2(lines.at(3).contains("settling time \u00b12 % 4.900 s (row 59)"), qPrintable(lines.at(3)));

    // Scaled: the values in rpm, the times unchanged.
    const UnitScale rpm{0.5, 10, "rpm"};
    const QStringList scaled = stepfigurestext::figuresLines(data, 0, 10, 199, &rpm, 2.0);
    QVERIFY2(scaled.at(1).startsWith("initial 60 rpm (rows 10-20), final 310 rpm"), qPrintable(scaled.at(1)));
    QCOMPARE(scaled.at(2), lines.at(2));

    // Rows of a .trd have no times: the durations are in rows.
    const QStringList untimed = stepfigurestext::figuresLines(stepRun(false), 0, 10, 199, nullptr, 2.0);
    QVERIFY2(untimed.at(2).startsWith("dead time 11.000 rows (row 21)"), qPrintable(untimed.at(2)));

    // A flat span holds no step; a span out of the rows gives nothing.
    QCOMPARE(stepfigurestext::figuresLines(data, 2, 10, 199, nullptr, 2.0),
             QStringList({"Step response of TrqFbk, rows 10 to 199:", "no step"}));
    QVERIFY(stepfigurestext::figuresLines(data, 0, 300, 400, nullptr, 2.0).isEmpty());
}

void TestReadoutEngineering::bandDifferencesInEngineeringValues()
{
    TrendData data = stepRun();
    const readoutstatistics::ChannelScales scales = readoutstatistics::channelScales(units(), data);
    // A at row 10, B at row 41: SpdFbk 100 -> 539, 600E62 0 -> 31, TrqFbk 7 -> 7, the bit 0 -> 1.
    const std::optional<readout::CursorDifference> d = readout::cursorDifference(data, 2 * 10, 2 * 41);
    QVERIFY(d);
    const QStringList raw = readout::differenceItems(data, *d, false);
    QCOMPARE(raw.mid(2), QStringList({"SpdFbk +439", "600E62 +31", "TrqFbk 0", "SpdFbk.3 +1"}));

    // Scaled: gain x (B - A), the offset falling out, in the number form of the table's B-A column.
    const QStringList scaled = readout::differenceItems(data, *d, false, &scales);
    QCOMPARE(scaled.mid(0, 2), raw.mid(0, 2));
    QCOMPARE(scaled.mid(2), QStringList({"SpdFbk 219.5 rpm", "600E62 -62 A", "TrqFbk 0", "SpdFbk.3 +1"}));
    const readoutstatistics::ReadoutTable table =
        readoutstatistics::readoutTableTexts(data, 2 * 10, 2 * 41, false, &scales);
    QCOMPARE("SpdFbk " + table.rows[0].cells.at(3), scaled.at(2));
    QCOMPARE("600E62 " + table.rows[1].cells.at(3), scaled.at(3));
    QCOMPARE(readout::differenceText(data, *d, false, &scales), scaled.join("  "));

    // Hex: the scaled channels stay in engineering decimals as the table keeps them; the channel
    // without a scale and the bit are written as without scales.
    const QStringList rawHex = readout::differenceItems(data, *d, true);
    QCOMPARE(rawHex.at(2), QString("SpdFbk +01B7"));
    const QStringList scaledHex = readout::differenceItems(data, *d, true, &scales);
    QCOMPARE(scaledHex.mid(2, 2), scaled.mid(2, 2));
    QCOMPARE(scaledHex.mid(4), rawHex.mid(4));
    QCOMPARE(readoutstatistics::readoutTableTexts(data, 2 * 10, 2 * 41, true, &scales).rows[0].cells.at(3),
             QString("219.5 rpm"));

    // A scale given to a bit (by a caller's mistake) leaves it raw all the same.
    readoutstatistics::ChannelScales bitScaled = scales;
    bitScaled[8] = UnitScale{100, 0, "V"};
    QCOMPARE(readout::differenceItems(data, *d, false, &bitScaled).at(5), QString("SpdFbk.3 +1"));

    // A failed read at either cursor is said as failed, never scaled.
    data.displayRowInfo[41].failedChannels = 1u << 0;
    const std::optional<readout::CursorDifference> failed = readout::cursorDifference(data, 2 * 10, 2 * 41);
    QCOMPARE(readout::differenceItems(data, *failed, false, &scales).at(2), QString("SpdFbk failed"));
    QCOMPARE(readout::differenceItems(data, *failed, false, &scales).at(3), QString("600E62 -62 A"));
}

void TestReadoutEngineering::readoutWindowShowsAndCopiesThem()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Units.txt");
    QVERIFY(units().write(path));
    QFile extra(path);
    QVERIFY(extra.open(QIODevice::Append));
    extra.write("Broken\tline\r\n");
    extra.close();

    QWidget trendGraph;
    trendGraph.show();
    std::optional<QRect> place;
    ReadoutWindow window(place, &trendGraph);
    window.setUnitsPath(path);
    window.open();
    const TrendData data = stepRun();
    int asked = 0;
    connect(&window, &ReadoutWindow::optionsChanged, [&] { ++asked; });

    // Raw at first: no unit in the table.
    window.showRecording(data, false, 2 * 10, 2 * 199, false);
    QCOMPARE(window.grid()->item(0, 1)->text(), QString("100"));
    QVERIFY(!window.stepFigures()->isVisible());

    window.engineeringValues()->setChecked(true);
    QCOMPARE(asked, 1);
    QVERIFY2(window.unitsNote()->text().startsWith("Units.txt: 3 scales, 1 lines ignored"), qPrintable(window.unitsNote()->text()));
    QVERIFY(window.unitsNote()->toolTip().contains("Units.txt:5:"));
    window.showRecording(data, false, 2 * 10, 2 * 199, false);
    QCOMPARE(window.grid()->item(0, 1)->text(), QString("60 rpm"));

    // The step channels are the word channels of the recording.
    QCOMPARE(window.stepChannel()->count(), 4);
    window.stepChannel()->setCurrentIndex(window.stepChannel()->findData(0));
    window.showRecording(data, false, 2 * 10, 2 * 199, false);
    QVERIFY(window.stepFigures()->isVisible());
    QVERIFY2(window.stepFigures()->text().contains("final 310 rpm"), qPrintable(window.stepFigures()->text()));
    window.copyTable();
    const QString copied = QGuiApplication::clipboard()->text();
    QVERIFY(copied.contains("60 rpm"));
    QVERIFY(copied.contains("Step response of SpdFbk, rows 10 to 199:"));

    // Without a second cursor the figures ask for one.
    window.showRecording(data, false, 2 * 10, std::nullopt, false);
    QCOMPARE(window.stepFigures()->text(), QString("Place cursors A and B around the step."));
}

QTEST_MAIN(TestReadoutEngineering)
#include "test_readout_engineering.moc"
