// qmx-record's engineering values against the simulator: --scaled cells against raw x gain + offset
// and headed "NAME [unit]", --math columns recomputed from the written cells with failed reads among
// them, raw values by default whatever --units holds, a trigger watching a math channel, and the
// arguments refused with what is wrong. The same values in every output: float fields of InfluxDB
// lines (a failed read or an empty result without its field), the header of every rotated file, and
// one row as a CSV line, an InfluxDB line and a JSON message alike.

#include "record/CsvFormat.h"
#include "record/EngineeringColumns.h"
#include "record/InfluxFormat.h"
#include "record/JsonFormat.h"
#include "record/MathTrigger.h"
#include "record/OutputFile.h"
#include "record/Recording.h"
#include "tests/record/InfluxLineParser.h"
#include "tests/record/RecorderProgram.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>
#include <cmath>
#include <thread>

namespace {

constexpr std::uint32_t kSpdFbk = 0x600FAA;
constexpr std::uint32_t kMisc = 0x600E60;
constexpr std::uint32_t kInvFlag = 0x600F00;
constexpr std::uint32_t kRefused = 0x600E62;

QString writeUnits(const QByteArray &bytes)
{
    const QString path = testenv::programDir() + QStringLiteral("engineering-units.txt");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

ScheduledStep stepAtRead(std::uint32_t address, std::uint16_t value, std::uint64_t read)
{
    ScheduledStep step;
    step.address = address;
    step.value = value;
    step.fromRead = read;
    return step;
}

std::optional<double> cell(const QByteArray &text)
{
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

using FieldValue = std::variant<qint64, double>;

} // namespace

class TestRecordEngineering : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { testenv::prepare(); }

    void scaledCellsAndMathColumns()
    {
        SimulatedPort port;
        QVERIFY(port.start());
        ControllerSimulator &sim = port.simulator();
        sim.setLiveDemo(false);
        sim.writeWord(kSpdFbk, 321);
        sim.writeWord(kMisc, 0xFFF6); // -10
        sim.writeWord(kInvFlag, 0x0080);
        sim.addScheduledStep(stepAtRead(kMisc, 1000, 12));
        // Bad lines are named on stderr and ignored; the logic channel's word has an entry that a
        // bit does not take.
        const QString units = writeUnits("# test units\n600FAA\t0.5\t-10\trpm\n600e60\t2\t1\tA\n600F00\t100\t0\tx\n"
                                         "600FAB\tmuch\t0\tV\n");
        const QString out = testenv::programDir() + QStringLiteral("scaled.csv");
        QProcess process;
        process.start(recorder(), {"--port", sim.devicePath(), "--channel", "600FAA", "--channel", "600E60",
                                   "--channel", "600F00:07", "--out", out, "--force", "--wait-time", "10", "--duration",
                                   "2s", "--units", units, "--scaled", "--math", "diff = 600FAA - 600E60",
                                   "--math", "avg=mavg(600E60, 3)", "--quiet"});
        QVERIFY(process.waitForStarted());
        // Reads 20 to 25 of 600E60 refused: empty cells in its column and its math.
        refuseWordReads(sim, kMisc, 20, 25);
        QVERIFY(process.waitForFinished(30000));
        const QByteArray err = process.readAllStandardError();
        QVERIFY2(process.exitCode() == 0, err.constData());
        QVERIFY2(err.contains("qmx-record: warning: engineering-units.txt:5: gain \"much\" is not a finite number"),
                 err.constData());

        const std::optional<QList<QByteArrayList>> rows = readCsv(out);
        QVERIFY(rows && rows->size() > 20);
        QCOMPARE(rows->front(), (QByteArrayList{"time", "t_s", "600FAA [rpm]", "600E60 [A]", "600F00.07", "diff (scaled inputs)", "avg (scaled inputs)"}));
        int failedRows = 0;
        int steppedRows = 0;
        std::vector<double> window; // the last 3 rows' scaled 600E60, NaN where it failed
        for (qsizetype r = 1; r < rows->size(); ++r) {
            const QByteArrayList &row = rows->at(r);
            const QString text = QString::fromLatin1(row.join(','));
            QCOMPARE(row[2], QByteArray("150.5")); // 321 x 0.5 - 10
            QCOMPARE(row[4], QByteArray("1"));     // a bit stays 0 or 1
            const std::optional<double> misc = cell(row[3]);
            window.push_back(misc.value_or(std::nan("")));
            if (window.size() > 3)
                window.erase(window.begin());
            if (!misc) {
                ++failedRows;
                QVERIFY2(row[5].isEmpty() && row[6].isEmpty(), qPrintable(text));
                continue;
            }
            QVERIFY2(*misc == -10 * 2 + 1 || *misc == 1000 * 2 + 1, qPrintable(text));
            steppedRows += *misc > 0;
            QCOMPARE(cell(row[5]), std::optional<double>(150.5 - *misc));
            double sum = 0;
            int good = 0;
            for (double value : window) {
                if (!std::isnan(value)) {
                    sum += value;
                    ++good;
                }
            }
            QVERIFY2(std::abs(*cell(row[6]) - sum / good) < 1e-6, qPrintable(text));
        }
        QVERIFY(failedRows > 0);
        QVERIFY(steppedRows > 0);
    }

    void rawByDefault()
    {
        // --units alone changes nothing in the file: raw words, the columns as ever.
        SimulatedPort port;
        QVERIFY(port.start());
        port.simulator().setLiveDemo(false);
        port.simulator().writeWord(kSpdFbk, 321);
        const QString units = writeUnits("600FAA\t0.5\t-10\trpm\r\n");
        const QString out = testenv::programDir() + QStringLiteral("raw.csv");
        const RecorderRun run = runRecorder({"--port", port.devicePath(), "--channel", "600FAA", "--out", out, "--force",
                                             "--duration", "300ms", "--units", units, "--quiet"});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const std::optional<QList<QByteArrayList>> rows = readCsv(out);
        QVERIFY(rows && rows->size() > 1);
        QCOMPARE(rows->front(), (QByteArrayList{"time", "t_s", "600FAA"}));
        for (qsizetype r = 1; r < rows->size(); ++r)
            QCOMPARE(rows->at(r)[2], QByteArray("321"));
    }

    void triggerOnMathChannel()
    {
        SimulatedPort port;
        QVERIFY(port.start());
        ControllerSimulator &sim = port.simulator();
        sim.setLiveDemo(false);
        sim.writeWord(kMisc, 0);
        sim.addScheduledStep(stepAtRead(kMisc, 600, 15));
        const QString out = testenv::programDir() + QStringLiteral("math-event.csv");
        const QString units = writeUnits("");
        const RecorderRun run =
            runRecorder({"--port", sim.devicePath(), "--channel", "600E60", "--out", out, "--force", "--wait-time", "10",
                         "--units", units, "--math", "twice=600E60*2", "--trigger", "twice rises 1000.5", "--pre",
                         "50ms", "--post", "50ms", "--quiet"});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const std::optional<QList<QByteArrayList>> rows = readCsv(out);
        QVERIFY(rows);
        QCOMPARE(rows->front(), (QByteArrayList{"time", "t_s", "600E60", "twice", "event"}));
        int events = 0;
        for (qsizetype r = 1; r < rows->size(); ++r) {
            if (rows->at(r)[4] != "1")
                continue;
            ++events;
            QCOMPARE(rows->at(r)[3], QByteArray("1200"));
            QVERIFY(r > 1);
            QCOMPARE(rows->at(r - 1)[3], QByteArray("0"));
        }
        QCOMPARE(events, 1);
    }

    void influxFloatFields()
    {
        // 600FAA scaled to 150.5; 600E60 from -10 to 1000 at its 5th read, scaled x 2 + 1; a bit,
        // which stays an integer; 600E62 refused on every read, so neither its field nor the math
        // channel over it is ever there.
        SimulatedPort port;
        QVERIFY(port.start());
        ControllerSimulator &sim = port.simulator();
        sim.setLiveDemo(false);
        sim.writeWord(kSpdFbk, 321);
        sim.writeWord(kMisc, 0xFFF6);
        sim.writeWord(kInvFlag, 0x0080);
        sim.addScheduledStep(stepAtRead(kMisc, 1000, 5));
        sim.setAddressFault(kRefused, SimFault{SimFault::Kind::Nak, 'D'});
        const QString units = writeUnits("600FAA\t0.5\t-10\trpm\n600E60\t2\t1\tA\n600E62\t3\t0\tV\n");
        const RecorderRun run = runRecorder({"--port", sim.devicePath(), "--channel", "600FAA", "--channel", "600E60",
                                             "--channel", "600F00:07", "--channel", "600E62", "--out", "-",
                                             "--format", "influx", "--duration", "1s", "--units", units, "--scaled",
                                             "--math", "diff = 600FAA - 600E60", "--math", "lost=600E62*2", "--quiet"});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(run.out.endsWith('\n'));
        const QByteArrayList lines = run.out.chopped(1).split('\n');
        QVERIFY2(lines.size() > 6, run.err.constData());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QString why;
            const std::optional<InfluxPoint> point = InfluxLineParser(lines[i]).parse(&why);
            QVERIFY2(point, qPrintable(why + u' ' + QString::fromLatin1(lines[i])));
            // Field names are the columns' without " [unit]".
            QCOMPARE(point->fieldOrder, (QStringList{"600FAA", "600E60", "600F00.07", "diff", "pass", "run"}));
            QCOMPARE(point->fields.value("pass"), FieldValue(qint64(i + 1)));
            const double misc = (i + 1 < 5 ? -10 : 1000) * 2.0 + 1.0;
            QCOMPARE(point->fields.value("600FAA"), FieldValue(321 * 0.5 - 10));
            QCOMPARE(point->fields.value("600E60"), FieldValue(misc));
            QCOMPARE(point->fields.value("600F00.07"), FieldValue(qint64(1)));
            QCOMPARE(point->fields.value("diff"), FieldValue(150.5 - misc));
        }
    }

    void rotatedFilesCarryTheColumns()
    {
        SimulatedPort port;
        QVERIFY(port.start());
        ControllerSimulator &sim = port.simulator();
        sim.setLiveDemo(false);
        sim.writeWord(kSpdFbk, 321);
        sim.writeWord(kMisc, 7);
        const QString units = writeUnits("600FAA\t0.5\t-10\trpm\n600E60\t0.1\t0\n");
        QTemporaryDir folder;
        const RecorderRun run = runRecorder({"--port", sim.devicePath(), "--channel", "600FAA", "--channel", "600E60",
                                             "--out", folder.filePath("run.csv"), "--rotate", "1s", "--duration",
                                             "2.5s", "--wait-time", "10", "--units", units, "--scaled", "--math",
                                             "sum=600FAA+600E60", "--quiet"});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QStringList files = record::OutputFile::seriesFiles(folder.filePath("run.csv"));
        QVERIFY2(files.size() >= 3, qPrintable(files.join(u' ')));
        for (const QString &file : files) {
            const std::optional<QList<QByteArrayList>> rows = readCsv(file);
            QVERIFY2(rows && rows->size() > 1, qPrintable(file));
            // A scale without a unit gives empty brackets: the cells are engineering values.
            QCOMPARE(rows->front(), (QByteArrayList{"time", "t_s", "600FAA [rpm]", "600E60 []", "sum (scaled inputs)"}));
            for (qsizetype r = 1; r < rows->size(); ++r) {
                // 7 x 0.1 is written to 10 significant digits, as the math channel sees it.
                QCOMPARE(rows->at(r).mid(2), (QByteArrayList{"150.5", "0.7", "151.2"}));
            }
        }
    }

    void oneRowEveryFormat()
    {
        const QString units = writeUnits("600FAA\t0.1\t0\tm/s\n600E60\t1\t0.5\t\n");
        record::ChannelSetup setup = record::channelsFromTexts({"600FAA", "600E60", "600F00:07"}, {});
        QVERIFY(setup.error.isEmpty());
        record::EngineeringOptions options;
        options.unitsFile = units;
        options.scaled = true;
        options.math = QStringList{"x = 600FAA * 2", "half=600E60/2"};
        QStringList warnings;
        QString error;
        const std::unique_ptr<record::EngineeringColumns> columns =
            record::EngineeringColumns::make(options, setup.data, &warnings, &error);
        QVERIFY2(columns, qPrintable(error));
        QVERIFY(warnings.isEmpty());
        QCOMPARE(columns->columns(), (QStringList{"600FAA [m/s]", "600E60 []", "600F00.07", "x (scaled inputs)", "half (scaled inputs)"}));
        QCOMPARE(columns->valueNames(), (QStringList{"600FAA", "600E60", "600F00.07", "x", "half"}));

        // 3 x 0.1 is 0.30000000000000004 in doubles: every output writes 0.3. 600E60's read failed:
        // no value, and none for the math channel over it.
        record::RecordRow row;
        row.time = QDateTime(QDate(2026, 12, 8), QTime(13, 0, 0, 123), QTimeZone::utc());
        row.seconds = 1.5;
        row.pass = 7;
        row.epochNanoseconds = 1796734800123000000;
        row.values = {record::ChannelValue(std::int64_t{3}), std::nullopt, record::ChannelValue(std::int64_t{1})};
        columns->fillRow(row);
        QCOMPARE(row.values.size(), std::size_t{5});
        QCOMPARE(columns->mathValues().size(), std::size_t{2});
        QCOMPARE(columns->mathValues()[0], std::optional<double>(0.6));
        QVERIFY(!columns->mathValues()[1]);

        QByteArray csv = record::csvLine(row);
        QVERIFY(csv.endsWith(",0.3,,1,0.6,\r\n"));
        const record::InfluxSeries series =
            record::influxSeries(QStringLiteral("/dev/ttyS0"), {}, columns->valueNames());
        QCOMPARE(record::influxLine(series, row),
                 QByteArray("qmx,port=/dev/ttyS0 600FAA=0.3,600F00.07=1i,x=0.6,pass=7i 1796734800123000000"));
        QCOMPARE(record::jsonPayload(record::jsonKeys(columns->valueNames()), row),
                 QByteArray(R"({"time":"2026-12-08T13:00:00.123Z","t":1796734800.123000,"pass":7,"values":{"600FAA":0.3,"600F00.07":1,"x":0.6}})"));

        // The next pass: 600E60 read, scaled by its offset alone; the math channel over it back.
        row.values = {record::ChannelValue(std::int64_t{-5}), record::ChannelValue(std::int64_t{9}),
                      record::ChannelValue(std::int64_t{0})};
        columns->fillRow(row);
        csv = record::csvLine(row);
        QVERIFY(csv.endsWith(",-0.5,9.5,0,-1,4.75\r\n"));
    }

    void mathColumnsSayTheirInputs_data()
    {
        QTest::addColumn<QByteArray>("units");
        QTest::addColumn<bool>("scaled");
        QTest::addColumn<QStringList>("columns");
        // 600FAA has a scale, 600E60 none: a math channel over 600FAA saw scaled inputs, one over
        // 600E60 or the bit alone raw ones, whether or not the read channels are written scaled.
        QTest::newRow("raw columns") << QByteArray("600FAA\t0.125\t0\n") << false
                                     << QStringList{"600FAA", "600E60", "600F00.07", "a (scaled inputs)",
                                                    "b (raw inputs)", "c (raw inputs)", "d (scaled inputs)"};
        QTest::newRow("scaled columns") << QByteArray("600FAA\t0.125\t0\n") << true
                                        << QStringList{"600FAA []", "600E60", "600F00.07", "a (scaled inputs)",
                                                       "b (raw inputs)", "c (raw inputs)", "d (scaled inputs)"};
        // No scale in the run: the columns as ever.
        QTest::newRow("no scale") << QByteArray("# nothing\n") << true
                                  << QStringList{"600FAA", "600E60", "600F00.07", "a", "b", "c", "d"};
    }

    void mathColumnsSayTheirInputs()
    {
        QFETCH(QByteArray, units);
        QFETCH(bool, scaled);
        QFETCH(QStringList, columns);
        record::ChannelSetup setup = record::channelsFromTexts({"600FAA", "600E60", "600F00:07"}, {});
        QVERIFY(setup.error.isEmpty());
        record::EngineeringOptions options;
        options.unitsFile = writeUnits(units);
        options.scaled = scaled;
        options.math = QStringList{"a = 600FAA * 2", "b=600E60+1", "c=600F00.07", "d = 600E60 + 600FAA"};
        QStringList warnings;
        QString error;
        const std::unique_ptr<record::EngineeringColumns> made =
            record::EngineeringColumns::make(options, setup.data, &warnings, &error);
        QVERIFY2(made, qPrintable(error));
        QCOMPARE(made->columns(), columns);
        // InfluxDB fields and JSON keys keep the bare names.
        QCOMPARE(made->valueNames(), (QStringList{"600FAA", "600E60", "600F00.07", "a", "b", "c", "d"}));
    }

    void mathTriggerRules()
    {
        record::ChannelSetup setup = record::channelsFromTexts({"600E60", "600F00:07"}, {});
        QVERIFY(setup.error.isEmpty());
        MathChannelSet math({{QStringLiteral("600E60"), kMisc}, {QStringLiteral("600F00.07"), kInvFlag}});
        QVERIFY(math.add(QStringLiteral("slip = 600E60 / 10")));
        QVERIFY(math.add(QStringLiteral("other = 1")));
        // Not a math channel's: the read channels' way.
        QVERIFY(!record::MathTrigger::parse(QStringLiteral("600E60>5"), setup.data, math).namesMath);
        const auto refused = [&](const QString &text) {
            const record::MathTriggerParse parsed = record::MathTrigger::parse(text, setup.data, math);
            return parsed.namesMath && !parsed.trigger ? parsed.error : QString();
        };
        QCOMPARE(refused("slip>much"), QStringLiteral("--trigger slip>much: the level of a math channel is a decimal number"));
        QCOMPARE(refused("slip sideways 1"), QStringLiteral("--trigger slip sideways 1: a math channel's condition is "
                                                             "NAME>LEVEL, NAME<LEVEL or NAME rises|falls|crosses LEVEL"));
        QCOMPARE(refused("slip>1 and slip<0"),
                 QStringLiteral("--trigger slip>1 and slip<0: the two conditions watch the same channel"));
        QVERIFY(refused("slip>1 and Nope rises").startsWith(QStringLiteral("--trigger Nope rises: ")));

        // slip falls through 2.5 while the bit holds 1; an empty result is no sample.
        record::MathTriggerParse parsed =
            record::MathTrigger::parse(QStringLiteral("slip falls 2.5 and 600F00:07 rises"), setup.data, math);
        QVERIFY2(parsed.trigger, qPrintable(parsed.error));
        const int bit = setup.data.selectedChannels.at(1);
        const auto take = [&](std::optional<double> slip, int bitValue) {
            SampleRow values{};
            values[static_cast<std::size_t>(bit)] = bitValue;
            const std::optional<double> results[] = {slip, 1.0};
            return parsed.trigger->takeRow(values, 0, results);
        };
        QVERIFY(!take(3.0, 0));
        QVERIFY(!take(2.0, 0));          // falls, but the bit is 0
        QVERIFY(!take(std::nullopt, 1)); // the bit rises while slip is empty: slip holds no sample
        QVERIFY(!take(4.0, 1));
        QVERIFY(take(2.5, 1));           // at the level counts, the bit at 1 holds
        QVERIFY(!take(1.0, 1));          // already past
    }

    void argumentsRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("math fault") << QStringList{"--math", "x=600FAA+Nope"}
                                    << "qmx-record: --math x=600FAA+Nope: no channel \"Nope\" in this run at position 10\n";
        QTest::newRow("math of a channel's name") << QStringList{"--math", "600FAA=1"}
                                                  << "qmx-record: --math 600FAA=1: a math channel's name begins with a "
                                                     "letter or _ and holds letters, digits, _ or . at position 1\n";
        QTest::newRow("five math channels")
            << QStringList{"--math", "a=1", "--math", "b=1", "--math", "c=1", "--math", "d=1", "--math", "e=1"}
            << "qmx-record: --math e=1: at most 4 math channels at position 1\n";
        QTest::newRow("units missing") << QStringList{"--units", "/nonexistent/Units.txt", "--scaled"}
                                       << "qmx-record: --units /nonexistent/Units.txt: no such file\n";
        QTest::newRow("units a folder") << QStringList{"--units", "/tmp", "--scaled"}
                                        << "qmx-record: --units /tmp: a folder, not a regular file\n";
        QTest::newRow("units without value") << QStringList{"--units"} << "qmx-record: --units: a value is missing\n";
    }
    void argumentsRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const QString out = testenv::programDir() + QStringLiteral("refused.csv");
        QFile::remove(out);
        const RecorderRun run =
            runRecorder(QStringList{"--port", "/dev/null", "--channel", "600FAA", "--out", out} + arguments);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(QString::fromLocal8Bit(run.err), message);
        QVERIFY(!QFile::exists(out));
    }
};

QTEST_GUILESS_MAIN(TestRecordEngineering)
#include "test_record_engineering.moc"
