// The Recording window's read-out in engineering values and its step figures: a column's scale by
// its name or its address, scaled cells beside raw ones, a reference's difference scaled without the
// offset, and the step figures of the recording and of a reference laid over it that steps later,
// through the window itself with a real units file and a real CSV file.

#include "engineering/UnitsTable.h"
#include "recording/LoadedRecording.h"
#include "recording/RecordingCsvReader.h"
#include "recording/RecordingPicture.h"
#include "recording/RecordingPlot.h"
#include "recording/RecordingReadout.h"
#include "recording/RecordingWindow.h"
#include "tests/support/ScriptedDialogs.h"
#include "engineering/EngineeringControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using namespace recording;

namespace {

// SpdFbk steps from 100 to 600 at `stepRow` (first order, tau 10 rows), 600E60 counts the rows, a bit
// toggles; rows 100 ms apart.
RecordingData stepRecording(int rows, int stepRow)
{
    RecordingData data;
    RecordingChannel speed{QStringLiteral("SpdFbk"), false, 0, {}, {}};
    RecordingChannel counter{QStringLiteral("600E60"), false, 1, {}, {}};
    RecordingChannel bit{QStringLiteral("Flag.01"), true, 7, {}, {}};
    for (int row = 0; row < rows; ++row) {
        data.timesMs.push_back(row * 100);
        const double rise = row < stepRow ? 0.0 : 1.0 - std::exp(-(row - stepRow) / 10.0);
        speed.append(static_cast<std::int32_t>(std::lround(100 + 500 * rise)), true);
        counter.append(row, true);
        bit.append(row % 2, true);
    }
    data.channels = {speed, counter, bit};
    return data;
}

QByteArray csvOf(const RecordingData &data)
{
    QByteArray csv = "time,t_s,SpdFbk,600E60,Flag.01\r\n";
    for (std::size_t row = 0; row < data.rowCount(); ++row)
        csv += ',' + QByteArray::number(data.timesMs[row] / 1000.0, 'f', 3) + ',' +
               QByteArray::number(data.channels[0].values[row]) + ',' + QByteArray::number(data.channels[1].values[row]) +
               ',' + QByteArray::number(data.channels[2].values[row]) + "\r\n";
    return csv;
}

const QStringList kUnits = {"SpdFbk\t0.5\t10\trpm", "600e60\t2\t-1\tV"};

// Writes `csv` as a file in `dir`, with kUnits as its units file beside it.
void writeRecordingAndUnits(const QTemporaryDir &dir, const QByteArray &csv, QString *csvPath, QString *unitsPath)
{
    *csvPath = dir.filePath("run.csv");
    QFile file(*csvPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(csv);
    file.close();
    *unitsPath = dir.filePath("Units.txt");
    QFile unitsFile(*unitsPath);
    QVERIFY(unitsFile.open(QIODevice::WriteOnly));
    unitsFile.write(kUnits.join("\r\n").toLatin1() + "\r\n");
}

} // namespace

class RecordingEngineeringTest : public QObject {
    Q_OBJECT
private slots:
    void scaledReadoutAndReferences();
    void stepFiguresOfRecordingAndReference();
    void throughTheWindow();
    void fileEngineeringValuesThroughTheWindow();
    void decimalsDrawnAsTheirNumbers();
};

void RecordingEngineeringTest::scaledReadoutAndReferences()
{
    const RecordingData data = stepRecording(200, 20);
    const ChannelScales scales = recordingScales(UnitsTable::parse(kUnits, "Units.txt"), data);
    QCOMPARE(scales.size(), std::size_t{3});
    QVERIFY(scales[0] && scales[0]->unit == "rpm");
    QVERIFY(scales[1] && scales[1]->unit == "V"); // the column named by its address
    QVERIFY(!scales[2]);

    const readoutstatistics::ReadoutTable table = readoutAtCursors(data, 10, 30, &scales);
    QCOMPARE(table.rows[0].cells.at(1), QString("60 rpm"));          // 100 x 0.5 + 10
    QCOMPARE(table.rows[1].cells.at(1), QString("19 V"));            // 10 x 2 - 1
    QCOMPARE(table.rows[1].cells.at(3), QString("40 V"));            // B-A: 20 rows x 2
    QCOMPARE(table.rows[2].cells, readoutAtCursors(data, 10, 30).rows[2].cells); // the bit stays raw

    // A reference 50 rows longer in counts: its value scaled, the difference without the offset.
    RecordingData other = stepRecording(200, 20);
    for (auto &value : other.channels[1].values)
        value += 50;
    auto loaded = std::make_shared<const LoadedRecording>(std::move(other));
    const std::vector<Reference> references{makeReference(data, loaded)};
    const readoutstatistics::ReadoutTable byReference = referenceReadout(data, references, 10, std::nullopt, &scales);
    QCOMPARE(byReference.rows[1].cells.at(1), QString("119 V"));  // 60 x 2 - 1
    QCOMPARE(byReference.rows[1].cells.at(2), QString("-100 V")); // (10 - 60) x 2
}

void RecordingEngineeringTest::stepFiguresOfRecordingAndReference()
{
    const RecordingData data = stepRecording(200, 20);
    auto later = std::make_shared<const LoadedRecording>(stepRecording(200, 25));
    const std::vector<Reference> references{makeReference(data, later)};
    const QStringList lines = stepFiguresLines(data, references, 0, 199, 10, nullptr, 2.0);
    QCOMPARE(lines.size(), 8);
    // Rows are numbered from 1 here: row index 10 is row 11; the first change at index 21, 1.1 s on.
    QCOMPARE(lines.at(0), QString("Step response of SpdFbk, rows 11 to 200:"));
    QVERIFY2(lines.at(2).startsWith("dead time 1.100 s (row 22)"), qPrintable(lines.at(2)));
    // The reference steps five rows later: 0.5 s more dead time, the same rise.
    QVERIFY2(lines.at(4).endsWith(": SpdFbk, rows 11 to 200:"), qPrintable(lines.at(4)));
    QVERIFY2(lines.at(6).startsWith("dead time 1.600 s (row 27)"), qPrintable(lines.at(6)));
    QCOMPARE(lines.at(6).mid(lines.at(6).indexOf("rise time")).section(' ', 0, 4),
             lines.at(2).mid(lines.at(2).indexOf("rise time")).section(' ', 0, 4));
    // A channel that does not step.
    QCOMPARE(stepFiguresLines(data, {}, 2, 10, 199, nullptr, 2.0).size(), 2);
}

void RecordingEngineeringTest::throughTheWindow()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString csv;
    QString units;
    writeRecordingAndUnits(dir, csvOf(stepRecording(200, 20)), &csv, &units);
    if (QTest::currentTestFailed())
        return;

    ScriptedDialogs dialogs;
    RecordingWindow window(dialogs, csv);
    window.engineering()->setUnitsPath(units);
    window.show();
    QSignalSpy loaded(&window, &RecordingWindow::loadEnded);
    QVERIFY(loaded.wait(10000));
    window.plot()->setCursorA(1000);
    window.plot()->setCursorB(19900);
    QVERIFY(!window.readoutText().contains("rpm"));
    window.engineering()->engineeringValues()->setChecked(true);
    QVERIFY2(window.readoutText().contains("60 rpm"), qPrintable(window.readoutText()));
    window.engineering()->stepChannel()->setCurrentIndex(window.engineering()->stepChannel()->findData(0));
    emit window.engineering()->changed();
    QVERIFY2(window.readoutText().contains("Step response of SpdFbk, rows 11 to 200:"), qPrintable(window.readoutText()));
    QVERIFY(window.readoutText().contains("final 310 rpm"));
}

void RecordingEngineeringTest::fileEngineeringValuesThroughTheWindow()
{
    // A column qmx-record wrote scaled is shown in its unit with engineering values off, and not
    // scaled again by the units file when they are on; the raw column beside it follows the switch.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString csv;
    QString units;
    writeRecordingAndUnits(dir, "time,t_s,SpdFbk [rpm],600E60\r\n,0.000,150.5,10\r\n,0.100,151.25,11\r\n", &csv,
                           &units);
    if (QTest::currentTestFailed())
        return;

    ScriptedDialogs dialogs;
    RecordingWindow window(dialogs, csv);
    window.engineering()->setUnitsPath(units);
    window.show();
    QSignalSpy loaded(&window, &RecordingWindow::loadEnded);
    QVERIFY(loaded.wait(10000));
    window.plot()->setCursorA(0);
    const QString off = window.readoutText();
    QVERIFY2(off.contains("SpdFbk\t150.5 rpm\n") && off.contains("600E60\t10\n"), qPrintable(off));
    window.engineering()->engineeringValues()->setChecked(true);
    const QString on = window.readoutText();
    QVERIFY2(on.contains("SpdFbk\t150.5 rpm\n") && on.contains("600E60\t19 V\n"), qPrintable(on));
}

void RecordingEngineeringTest::decimalsDrawnAsTheirNumbers()
{
    const auto load = [](const QByteArray &csv) {
        const ReadResult result = readCsvBytes(csv);
        return std::make_shared<const LoadedRecording>(result.data.value_or(RecordingData{}));
    };
    // The same numbers in tenths and as whole numbers draw the same traces, auto-ranged.
    const auto tenths = load("time,t_s,SpdFbk [rpm]\r\n,0.000,12.5\r\n,0.100,13\r\n,0.200,12\r\n,0.300,13.5\r\n");
    const auto whole = load("time,t_s,SpdFbk\r\n,0.000,125\r\n,0.100,130\r\n,0.200,120\r\n,0.300,135\r\n");
    QCOMPARE(tenths->data.channels[0].decimals, 1);
    const QSize size(200, 120);
    const std::vector<bool> shown{true};
    const QImage decimals = RecordingPicture(tenths->data, tenths->pyramids).draw(size, 0, 400, shown);
    QCOMPARE(decimals, RecordingPicture(whole->data, whole->pyramids).draw(size, 0, 400, shown));
    // A reference laid over with thousandths (a finer cell after the span drawn) lies where the same
    // numbers in tenths lie.
    const QByteArray rows = ",0.000,13\r\n,0.100,12.5\r\n,0.200,13.5\r\n,0.300,12\r\n,100.000,";
    const auto fine = load("time,t_s,SpdFbk [rpm]\r\n" + rows + "12.001\r\n");
    const auto coarse = load("time,t_s,SpdFbk [rpm]\r\n" + rows + "12.1\r\n");
    QCOMPARE(fine->data.channels[0].decimals, 3);
    QCOMPARE(coarse->data.channels[0].decimals, 1);
    const RecordingPicture picture(tenths->data, tenths->pyramids);
    const QImage overFine = picture.draw(size, 0, 400, shown, true, {makeReference(tenths->data, fine)});
    QCOMPARE(overFine, picture.draw(size, 0, 400, shown, true, {makeReference(tenths->data, coarse)}));
    QVERIFY(overFine != decimals);
}

QTEST_MAIN(RecordingEngineeringTest)
#include "test_recording_engineering.moc"
