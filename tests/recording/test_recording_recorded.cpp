// A file written by qmx-record against the simulator with --scaled, --units and --math opened as a
// recording: every cell read back as the file holds it (a column growing finer mid-file, a math
// channel too wide for 32 bits, failed reads and empty results), the columns' names and units, and
// the whole recording written back as CSV and read again to the same values. A rotated series
// exported file by file gives back each file byte for byte. Random gains: the scaled values shown,
// exported and read again are raw x gain, once.

#include "base/NumberText.h"
#include "engineering/UnitsTable.h"
#include "recording/RecordingCsvReader.h"
#include "recording/RecordingReadout.h"
#include "recording/SpanExport.h"
#include "tests/record/RecorderProgram.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <thread>

using namespace recording;
using numbertext::engineeringText;
using numbertext::engineeringValue;

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
            columns.back().push_back(channel.isGood(row) ? std::optional<double>(channel.numberAt(row))
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
    void exportGivesBackTheFiles();
    void scaledValuesAreRawTimesGain();
    void triggeredWindowsParted();
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
    QCOMPARE(rows->front(), (QByteArrayList{"time", "t_s", "600FAA [rpm]", "600E60 []", "600F00.07", "slip (scaled inputs)", "ratio (scaled inputs)"}));
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
    // do not fit in 32 bits beside 0.4113333333: it keeps its numbers as read.
    QCOMPARE(data.channels[1].decimals, 3);
    QVERIFY(!data.channels[1].isWide());
    QVERIFY(data.channels[4].isWide());

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
            // Every column holds its cells exactly, the ratio too wide for 32 bits among them.
            QVERIFY2(*read[c][row] == *expected, qPrintable(where));
        }
        failed += rows->at(r)[3].isEmpty();
        stepped += rows->at(r)[3] == "1.234";
    }
    QVERIFY(failed > 0);
    QVERIFY(stepped > 0);

    // Written back and read again: the same columns, the same values.
    const QByteArray written = spanCsv(data, 0, data.rowCount());
    QVERIFY(written.startsWith("time,t_s,600FAA [rpm],600E60 [],600F00.07,slip (scaled inputs),ratio (scaled inputs)\r\n"));
    const ReadResult again = readCsvBytes(written);
    QVERIFY2(again.data, qPrintable(again.error));
    QCOMPARE(numbersOf(*again.data), read);
    for (std::size_t c = 0; c < 5; ++c)
        QCOMPARE(again.data->channels[c].heading(), data.channels[c].heading());
}

void RecordingRecordedTest::exportGivesBackTheFiles()
{
    // A rotated series with a clock, t_s, a scaled column and a math channel of many digits: each
    // file exported whole is the file; a span of it is its header and the span's lines.
    SimulatedPort port;
    QVERIFY(port.start());
    ControllerSimulator &sim = port.simulator();
    sim.setLiveDemo(false);
    sim.writeWord(kSpdFbk, 486);
    sim.writeWord(kMisc, 77);
    sim.writeWord(kInvFlag, 0x0080);
    const QString units = testenv::programDir() + QStringLiteral("recorded-export-units.txt");
    {
        QFile file(units);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("600e60\t0.1\t0\n");
    }
    QTemporaryDir folder;
    const RecorderRun run = runRecorder({"--port", sim.devicePath(), "--channel", "600FAA", "--channel", "600E60",
                                         "--channel", "600F00:07", "--out", folder.filePath("run.csv"), "--rotate", "1s",
                                         "--duration", "2.5s", "--wait-time", "10", "--units", units, "--scaled",
                                         "--math", "r = 600FAA / 7.003", "--quiet"});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QStringList files = QDir(folder.path()).entryList({"run*.csv"}, QDir::Files, QDir::Name);
    QVERIFY2(files.size() >= 2, qPrintable(files.join(u' ')));
    for (const QString &name : files) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const ReadResult result = readCsvFile(file.fileName());
        QVERIFY2(result.data, qPrintable(result.error));
        const RecordingData &data = *result.data;
        // The last file holds what came after the last full second: on a busy machine a few rows.
        QVERIFY(data.rowCount() > 0);
        QVERIFY2(bytes.contains(",69.39882907"), bytes.left(300).constData()); // 486 / 7.003 to 10 digits
        QCOMPARE(spanCsv(data, 0, data.rowCount()), bytes);
        if (data.rowCount() < 9)
            continue;
        const QList<QByteArray> lines = bytes.split('\n');
        QByteArray span = lines[0] + '\n';
        for (int row = 3; row < 9; ++row)
            span += lines[row + 1] + '\n';
        QCOMPARE(spanCsv(data, 3, 9), span);
    }
}

void RecordingRecordedTest::scaledValuesAreRawTimesGain()
{
    // Random words and gains, a unit or none: what qmx-record --scaled writes, the Recording window
    // shows with the same units file beside it, and its export reads back as, is raw x gain, once.
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    for (int round = 0; round < 2; ++round) {
        const QString where = QStringLiteral("seed %1, round %2").arg(seed).arg(round);
        SimulatedPort port;
        QVERIFY(port.start());
        ControllerSimulator &sim = port.simulator();
        sim.setLiveDemo(false);
        const std::int16_t raws[] = {static_cast<std::int16_t>(random.bounded(-32768, 32768)),
                                     static_cast<std::int16_t>(random.bounded(-32768, 32768))};
        sim.writeWord(kSpdFbk, static_cast<std::uint16_t>(raws[0]));
        sim.writeWord(kMisc, static_cast<std::uint16_t>(raws[1]));
        const auto gainText = [&random] {
            return QByteArray(random.bounded(2) ? "-" : "") + QByteArray::number(random.bounded(1, 10000)) + "e-" +
                   QByteArray::number(random.bounded(0, 5));
        };
        const QByteArray gains[] = {gainText(), gainText()};
        const QByteArray unitsText = "600FAA\t" + gains[0] + "\t0\trpm\n600E60\t" + gains[1] + "\t0\n";
        const QString units = testenv::programDir() + QStringLiteral("recorded-gain-units.txt");
        {
            QFile file(units);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(unitsText);
        }
        const QString out = testenv::programDir() + QStringLiteral("recorded-gain.csv");
        const RecorderRun run = runRecorder({"--port", sim.devicePath(), "--channel", "600FAA", "--channel", "600E60",
                                             "--out", out, "--force", "--duration", "400ms", "--units", units,
                                             "--scaled", "--quiet"});
        QVERIFY2(run.exitCode == 0, qPrintable(where + run.err));
        const ReadResult result = readCsvFile(out);
        QVERIFY2(result.data && result.data->rowCount() > 0, qPrintable(where + result.error));
        const RecordingData &data = *result.data;
        const UnitsTable table = UnitsTable::parse(QString::fromLatin1(unitsText).split(u'\n'), "Units.txt");
        const ChannelScales scales = recordingScales(table, data);
        const ReadResult again = readCsvBytes(spanCsv(data, 0, data.rowCount()));
        QVERIFY2(again.data, qPrintable(where + again.error));
        for (std::size_t c = 0; c < 2; ++c) {
            const double expected = raws[c] * gains[c].toDouble();
            const QString shown = engineeringText(expected) + (c == 0 ? QStringLiteral(" rpm") : QString());
            for (std::size_t row = 0; row < data.rowCount(); ++row) {
                const QString at = where + QStringLiteral(", channel %1, row %2, raw %3, gain %4")
                                               .arg(c).arg(row).arg(raws[c]).arg(QString::fromLatin1(gains[c]));
                QVERIFY2(data.channels[c].isGood(row), qPrintable(at));
                QCOMPARE(readoutAtCursors(data, row, std::nullopt, &scales).rows[c].cells.at(1), shown);
                QCOMPARE(again.data->channels[c].numberAt(row), engineeringValue(expected));
            }
        }
    }
}

void RecordingRecordedTest::triggeredWindowsParted()
{
    // qmx-record --trigger '600E60 rises 500' --pre 1s --post 2s --repeat 2 with the events 4 s
    // apart: the second window begins about a second after the first ends. The step between them
    // is the one gap row between the two trigger rows, marked 2 by the recorder, and the file
    // exported whole is the file.
    SimulatedPort port;
    QVERIFY(port.start());
    ControllerSimulator &sim = port.simulator();
    sim.setLiveDemo(false);
    sim.writeWord(kMisc, 0);
    const auto stepAt = [&sim](std::uint16_t value, int ms) {
        ScheduledStep step;
        step.address = kMisc;
        step.value = value;
        step.fromTime = std::chrono::milliseconds(ms);
        sim.addScheduledStep(step);
    };
    stepAt(1000, 1500);
    stepAt(0, 2000);
    stepAt(1000, 5500);
    const QString out = testenv::programDir() + QStringLiteral("recorded-triggered.csv");
    const RecorderRun run = runRecorder({"--port", sim.devicePath(), "--channel", "600E60", "--out", out, "--force",
                                         "--wait-time", "20", "--trigger", "600E60 rises 500", "--pre", "1s", "--post",
                                         "2s", "--repeat", "2", "--duration", "20s", "--quiet"},
                                        40000);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const ReadResult result = readCsvFile(out);
    QVERIFY2(result.data, qPrintable(result.error));
    const RecordingData &data = *result.data;
    QCOMPARE(data.eventRows.size(), std::size_t{2});
    std::vector<std::size_t> between;
    for (const std::size_t row : data.gapRows) {
        if (row > data.eventRows[0] && row <= data.eventRows[1])
            between.push_back(row);
    }
    QCOMPARE(between.size(), std::size_t{1});
    // The recorder marked that row as a window's first after rows it left out, and the file's first.
    QCOMPARE(data.windowStartRows, (std::vector<std::size_t>{0, between[0]}));
    const std::int64_t stepMs = data.timesMs[between[0]] - data.timesMs[between[0] - 1];
    QVERIFY2(stepMs > 500 && stepMs < 1500, qPrintable(QString::number(stepMs)));
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(spanCsv(data, 0, data.rowCount()), file.readAll());
}

QTEST_GUILESS_MAIN(RecordingRecordedTest)
#include "test_recording_recorded.moc"
