// A file written by qmx-record against the simulator with --scaled, --units and --math opened as a
// recording: every cell read back as the file holds it (a column growing finer mid-file, a math
// channel held back to the digits that fit, failed reads and empty results), the columns' names and
// units, and the whole recording written back as CSV and read again to the same values.

#include "recording/RecordingCsvReader.h"
#include "recording/SpanExport.h"
#include "tests/record/RecorderProgram.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QtTest>
#include <cmath>
#include <thread>

using namespace recording;

namespace {

constexpr std::uint32_t kSpdFbk = 0x600FAA;
constexpr std::uint32_t kMisc = 0x600E60;
constexpr std::uint32_t kInvFlag = 0x600F00;

// The number a cell of the file says, none for an empty cell.
std::optional<double> cellNumber(const QByteArray &cell)
{
    if (cell.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = cell.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

// Each channel's cells as read, failed reads as none.
std::vector<std::vector<std::optional<double>>> numbersOf(const RecordingData &data)
{
    std::vector<std::vector<std::optional<double>>> columns;
    for (const RecordingChannel &channel : data.channels) {
        columns.emplace_back();
        for (std::size_t row = 0; row < data.rowCount(); ++row)
            columns.back().push_back(channel.isGood(row) ? std::optional<double>(channel.numberOf(channel.values[row]))
                                                         : std::nullopt);
    }
    return columns;
}

} // namespace

class RecordingRecordedTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void readsScaledAndMathColumns();
};

void RecordingRecordedTest::readsScaledAndMathColumns()
{
    SimulatedPort port;
    QVERIFY(port.start());
    ControllerSimulator &sim = port.simulator();
    sim.setLiveDemo(false);
    sim.writeWord(kSpdFbk, 321);
    sim.writeWord(kMisc, 0xFFF6); // -10
    sim.writeWord(kInvFlag, 0x0080);
    ScheduledStep step;
    step.address = kMisc;
    step.value = 1234;
    step.fromRead = 12;
    sim.addScheduledStep(step);
    // 600E60 in thousandths without a unit: "-0.01", then "1.234" from its 12th read on.
    const QString units = testenv::programDir() + QStringLiteral("recorded-units.txt");
    {
        QFile file(units);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("600FAA\t0.5\t-10\trpm\n600e60\t0.001\t0\n");
    }
    const QString out = testenv::programDir() + QStringLiteral("recorded-scaled.csv");
    QProcess process;
    process.start(recorder(), {"--port", sim.devicePath(), "--channel", "600FAA", "--channel", "600E60", "--channel",
                               "600F00:07", "--out", out, "--force", "--wait-time", "10", "--duration", "2s", "--units",
                               units, "--scaled", "--math", "slip=600FAA-600E60", "--math", "ratio = 600E60 / 3",
                               "--quiet"});
    QVERIFY(process.waitForStarted());
    // Reads 20 to 25 of 600E60 refused: empty cells in its column and in both math channels.
    refuseWordReads(sim, kMisc, 20, 25);
    QVERIFY(process.waitForFinished(30000));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());

    const std::optional<QList<QByteArrayList>> rows = readCsv(out);
    QVERIFY(rows && rows->size() > 25);
    QCOMPARE(rows->front(), (QByteArrayList{"time", "t_s", "600FAA [rpm]", "600E60", "600F00.07", "slip", "ratio"}));
    QCOMPARE(rows->at(1)[3], QByteArray("-0.01"));
    const ReadResult result = readCsvFile(out);
    QVERIFY2(result.data, qPrintable(result.error));
    const RecordingData &data = *result.data;
    QCOMPARE(data.rowCount(), std::size_t(rows->size() - 1));
    QCOMPARE(data.channels.size(), std::size_t{5});
    const QStringList names{"600FAA", "600E60", "600F00.07", "slip", "ratio"};
    const QStringList unitsRead{"rpm", "", "", "", ""};
    for (std::size_t c = 0; c < 5; ++c) {
        QCOMPARE(data.channels[c].name, names[int(c)]);
        QCOMPARE(data.channels[c].unit, unitsRead[int(c)]);
        QCOMPARE(data.channels[c].engineering, c != 2);
    }
    QVERIFY(data.channels[2].logic);
    QCOMPARE(data.channels[2].decimals, 0);
    // 600E60 grew from hundredths to thousandths part way; the ratio's 12 decimals of -0.003333333333
    // were held back to the 9 that 0.4113333333 leaves room for in 32 bits.
    QCOMPARE(data.channels[1].decimals, 3);
    QCOMPARE(data.channels[4].decimals, 9);

    const auto read = numbersOf(data);
    int failed = 0, stepped = 0;
    for (qsizetype r = 1; r < rows->size(); ++r) {
        const std::size_t row = std::size_t(r - 1);
        for (std::size_t c = 0; c < 5; ++c) {
            const QByteArray &cell = rows->at(r)[qsizetype(c) + 2];
            const std::optional<double> expected = cellNumber(cell);
            const QString where = QStringLiteral("row %1, %2: %3").arg(r).arg(names[int(c)], QString::fromLatin1(cell));
            QVERIFY2(expected.has_value() == !cell.isEmpty(), qPrintable(where));
            QVERIFY2(read[c][row].has_value() == expected.has_value(), qPrintable(where));
            if (!expected)
                continue;
            // Every column but the held-back ratio holds its cells exactly; the ratio to half a unit.
            const double unit = std::pow(10.0, -data.channels[c].decimals);
            if (c == 4)
                QVERIFY2(std::abs(*read[c][row] - *expected) <= unit / 2 * (1 + 1e-9), qPrintable(where));
            else
                QVERIFY2(*read[c][row] == *expected, qPrintable(where));
        }
        failed += rows->at(r)[3].isEmpty();
        stepped += rows->at(r)[3] == "1.234";
    }
    QVERIFY(failed > 0);
    QVERIFY(stepped > 0);

    // Written back and read again: the same columns, the same values.
    const QByteArray written = spanCsv(data, 0, data.rowCount());
    QVERIFY(written.startsWith("time,t_s,600FAA [rpm],600E60,600F00.07,slip,ratio\r\n"));
    const ReadResult again = readCsvBytes(written);
    QVERIFY2(again.data, qPrintable(again.error));
    QCOMPARE(numbersOf(*again.data), read);
    for (std::size_t c = 0; c < 5; ++c)
        QCOMPARE(again.data->channels[c].heading(), data.channels[c].heading());
}

QTEST_GUILESS_MAIN(RecordingRecordedTest)
#include "test_recording_recorded.moc"
