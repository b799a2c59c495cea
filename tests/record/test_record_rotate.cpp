// qmx-record --rotate and --keep against the simulator: files by time on the clock and by size,
// each with its header, every pass in exactly one file and in order across them (the influx
// lines' pass numbers), the oldest files of the series beyond --keep deleted and nothing else; a
// full disk (a file-size limit on the recorder) ends the run with exit 1, the file complete to its
// last whole row.

#include "record/OutputFile.h"
#include "tests/record/InfluxLineParser.h"
#include "tests/record/RecorderProgram.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace {

constexpr std::uint32_t kMisc = 0x600E60;

QStringList seriesIn(const QString &folder, const QString &out)
{
    QStringList names;
    for (const QString &path : record::OutputFile::seriesFiles(folder + u'/' + out))
        names << QFileInfo(path).fileName();
    return names;
}

int summaryRows(const QByteArray &out)
{
    static const QRegularExpression summary(QStringLiteral("^qmx-record: (\\d+) rows in "), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = summary.match(QString::fromLocal8Bit(out));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

class TestRecordRotate : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void init()
    {
        line_ = std::make_unique<SimulatedPort>();
        QVERIFY(line_->start());
        line_->simulator().setLiveDemo(false);
        line_->simulator().writeWord(kMisc, 0x1234);
    }

    void byTimeOnTheClock();
    void bySizeLosesNoPass();
    void keepDeletesTheOldestOfTheSeries();
    void fullDiskEndsTheRun();

private:
    QStringList base() const { return {"--port", line_->devicePath(), "--channel", "600E60", "--wait-time", "10"}; }
    std::unique_ptr<SimulatedPort> line_;
};

// A file a second, started on the full second: each named by its start, its rows within its
// second, its header first, and the rows of all of them the run's rows in order.
void TestRecordRotate::byTimeOnTheClock()
{
    QTemporaryDir folder;
    const RecorderRun run =
        runRecorder(base() + QStringList{"--out", folder.filePath("run.csv"), "--rotate", "1s", "--duration", "3.5s"});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QStringList files = seriesIn(folder.path(), "run.csv");
    QVERIFY2(files.size() >= 4 && files.size() <= 5, qPrintable(files.join(' ')));
    QVERIFY(!QFileInfo::exists(folder.filePath("run.csv")));
    double previous = -1;
    int rows = 0;
    for (qsizetype f = 0; f < files.size(); ++f) {
        const auto csv = readCsv(folder.filePath(files[f]));
        QVERIFY2(csv, qPrintable(files[f]));
        QCOMPARE(csv->front(), (QByteArrayList{"time", "t_s", "600E60"}));
        const QDateTime start = QDateTime::fromString(files[f].mid(4, 15), "yyyyMMdd-HHmmss");
        QVERIFY(start.isValid());
        for (qsizetype r = 1; r < csv->size(); ++r) {
            const QDateTime time = QDateTime::fromString(QString::fromLatin1(csv->at(r)[0]), Qt::ISODateWithMs);
            // Each file holds the rows of the second it is named by.
            QVERIFY2(time >= start && time < start.addSecs(1),
                     qPrintable(files[f] + u' ' + QString::fromLatin1(csv->at(r)[0])));
            const double seconds = csv->at(r)[1].toDouble();
            QVERIFY(seconds > previous);
            previous = seconds;
            QCOMPARE(csv->at(r)[2], QByteArray("4660"));
            ++rows;
        }
    }
    QCOMPARE(rows, summaryRows(run.out));
}

// Files of at most 2,000 bytes in line protocol: the pass numbers run on from file to file, none
// missing and none twice.
void TestRecordRotate::bySizeLosesNoPass()
{
    QTemporaryDir folder;
    const RecorderRun run = runRecorder(base() + QStringList{"--out", folder.filePath("run.lp"), "--format", "influx",
                                                             "--rotate", "2kB", "--duration", "2s"});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QStringList files = seriesIn(folder.path(), "run.lp");
    QVERIFY2(files.size() >= 3, qPrintable(files.join(' ')));
    qint64 pass = 0;
    for (const QString &file : files) {
        const QByteArray bytes = testenv::readAll(folder.filePath(file));
        QVERIFY(bytes.size() <= 2000 && bytes.endsWith('\n'));
        for (const QByteArray &line : bytes.chopped(1).split('\n')) {
            QString why;
            const std::optional<InfluxPoint> point = InfluxLineParser(line).parse(&why);
            QVERIFY2(point, qPrintable(why));
            QCOMPARE(point->fields.value("pass"), (std::variant<qint64, double>(++pass)));
        }
    }
    QCOMPARE(pass, summaryRows(run.out));
}

// The series' files of an earlier run count among the kept ones; files of other names stay.
void TestRecordRotate::keepDeletesTheOldestOfTheSeries()
{
    QTemporaryDir folder;
    const QStringList others{"run-20200101-000000.csv", "run-20200101-000001-2.csv", "run-notes.csv",
                             "run-20200101-000000.csv.bak", "run.csv", "walk-20200101-000000.csv"};
    for (const QString &name : others) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x\r\n");
    }
    const RecorderRun run = runRecorder(
        base() + QStringList{"--out", folder.filePath("run.csv"), "--rotate", "1s", "--keep", "2", "--duration", "3.5s"});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QStringList kept = seriesIn(folder.path(), "run.csv");
    QCOMPARE(kept.size(), 2);
    QVERIFY(kept[0].startsWith("run-" + QDate::currentDate().toString("yyyyMMdd")));
    // The old files of the series went; the others are as they were (run.csv itself is never written).
    for (const QString &name : others) {
        const bool series = name == "run-20200101-000000.csv" || name == "run-20200101-000001-2.csv";
        QCOMPARE(QFileInfo::exists(folder.filePath(name)), !series);
    }
    QCOMPARE(testenv::readAll(folder.filePath("run.csv")), QByteArray("x\r\n"));
}

// A file-size limit on the recorder's process stands for a full disk: writes past it fail with
// EFBIG (SIGXFSZ ignored) at any byte of a row.
void TestRecordRotate::fullDiskEndsTheRun()
{
    QTemporaryDir folder;
    constexpr rlim_t kFileLimit = 3000;
    QProcess process;
    process.setChildProcessModifier([] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{kFileLimit, kFileLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    const RecorderRun run = runRecorder(
        base() + QStringList{"--out", folder.filePath("run.csv"), "--rotate", "1h", "--duration", "20s"}, 30000, &process);
    QVERIFY2(run.exitCode == 1, run.err.constData());
    const QStringList files = seriesIn(folder.path(), "run.csv");
    QCOMPARE(files.size(), 1);
    QVERIFY2(run.err.contains(folder.filePath(files[0]).toLocal8Bit()) && run.err.contains(std::strerror(EFBIG)) &&
                 run.err.contains("the file ends with its last whole row"),
             run.err.constData());
    const auto rows = readCsv(folder.filePath(files[0]));
    QVERIFY(rows && rows->size() > 10);
    QCOMPARE(summaryRows(run.out), static_cast<int>(rows->size() - 1));
}

QTEST_GUILESS_MAIN(TestRecordRotate)
#include "test_record_rotate.moc"
