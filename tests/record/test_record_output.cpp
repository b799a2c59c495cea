// qmx-record's output file and its ends, against the simulator: a full disk (a file-size limit on
// the recorder's process) leaves whole rows only and counts them right; --out that is a folder, a
// device or a FIFO is refused and left as it is; a run without a row (a trigger that never fires)
// keeps the file --force would have replaced; a stop during --data-read removes the port's lock
// file; --presets that names no regular file is refused at once.

#include "tests/record/RecorderProgram.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kMisc = 0x600E60;
constexpr std::uint32_t kInvFlag = 0x600F00;

// Starts `line` with still values: a word and a flag word to record.
bool startStillController(SimulatedPort &line)
{
    const bool started = line.start();
    line.simulator().setLiveDemo(false);
    line.simulator().writeWord(kMisc, 0x1234);
    line.simulator().writeWord(kInvFlag, 0x0080);
    return started;
}

QStringList lockFiles()
{
    return QDir(QString::fromLocal8Bit(qgetenv("QMX_LOCK_DIR"))).entryList({QStringLiteral("LCK..*")}, QDir::Files);
}

// The rows the summary line counts: "qmx-record: N rows in ...".
int summaryRows(const QByteArray &out)
{
    static const QRegularExpression summary(QStringLiteral("^qmx-record: (\\d+) rows in "), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = summary.match(QString::fromLocal8Bit(out));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QByteArray writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return bytes;
}

} // namespace

class TestRecordOutput : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }

    void fullDiskLeavesWholeRowsCountedRight();
    void outThatIsNoRegularFile_data();
    void outThatIsNoRegularFile();
    void runWithoutARow_data();
    void runWithoutARow();
    void triggeredRunReplacesTheFileWithItsRows();
    void stopDuringDataRead_data();
    void stopDuringDataRead();
    void presetsThatAreNoRegularFile();
    void runWithoutAGoodReadSaysSo();
    void fileNoLongerAtItsName_data();
    void fileNoLongerAtItsName();
    void readerOfStandardOutputGoneMidRow();
};

// A file-size limit makes the disk full for the recorder alone: writes past it fail with EFBIG, at
// any byte of a row, and the recorder is not killed by SIGXFSZ (as under a service's LimitFSIZE). The file used to end in a cut row ("...,4096,40") and
// the summary to count rows that were never written.
void TestRecordOutput::fullDiskLeavesWholeRowsCountedRight()
{
    SimulatedPort line;
    QVERIFY(startStillController(line));
    constexpr rlim_t kFileLimit = 3000;
    QTemporaryDir folder;
    const QString out = folder.filePath(QStringLiteral("full.csv"));
    QProcess process;
    process.setChildProcessModifier([] {
        ::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{kFileLimit, kFileLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    const RecorderRun run = runRecorder({"--port", line.devicePath(), "--channel", "600E60", "--channel", "600F00:07",
                                         "--out", out, "--duration", "10s"},
                                        20000, &process);
    QVERIFY2(run.exitCode == 1, run.err.constData());
    QVERIFY2(run.err.contains(std::strerror(EFBIG)) && run.err.contains("the file ends with its last whole row"),
             run.err.constData());
    QVERIFY(QFileInfo(out).size() <= static_cast<qint64>(kFileLimit));
    const auto rows = readCsv(out);
    QVERIFY2(rows, testenv::readAll(out).right(80).constData());
    QVERIFY(rows->size() > 10);
    for (qsizetype r = 1; r < rows->size(); ++r)
        QCOMPARE(rows->at(r).mid(2), (QByteArrayList{"4660", "1"}));
    QCOMPARE(summaryRows(run.out), static_cast<int>(rows->size() - 1));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"full.csv"});
}

void TestRecordOutput::outThatIsNoRegularFile_data()
{
    QTest::addColumn<QString>("out"); // in the test's folder
    QTest::addColumn<bool>("force");
    QTest::addColumn<QString>("says");
    QTest::newRow("folder") << "folder" << false << "a folder, not a regular file";
    QTest::newRow("folder, forced") << "folder" << true << "a folder, not a regular file";
    QTest::newRow("FIFO, forced") << "fifo" << true << "a FIFO, not a regular file";
    // A device node was replaced by a regular file when run as root. Named through a link of the
    // test's own, so that a recorder that replaces it replaces the link, never the system's device.
    QTest::newRow("device, forced") << "device" << true << "a device, not a regular file";
}

void TestRecordOutput::outThatIsNoRegularFile()
{
    QFETCH(QString, out);
    QFETCH(bool, force);
    QFETCH(QString, says);
    SimulatedPort line;
    QVERIFY(startStillController(line));
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("folder")));
    QVERIFY(::mkfifo(QFile::encodeName(folder.filePath(QStringLiteral("fifo"))).constData(), 0600) == 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), folder.filePath(QStringLiteral("device"))));
    const QString path = folder.filePath(out);
    struct stat before {};
    QCOMPARE(::lstat(QFile::encodeName(path).constData(), &before), 0);
    QStringList arguments{"--port", line.devicePath(), "--channel", "600E60", "--out", path, "--duration", "1s"};
    if (force)
        arguments << QStringLiteral("--force");
    const RecorderRun run = runRecorder(arguments);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(QString::fromLocal8Bit(run.err), QStringLiteral("qmx-record: --out %1: %2; give the CSV file's name\n").arg(path, says));
    struct stat after {};
    QCOMPARE(::lstat(QFile::encodeName(path).constData(), &after), 0);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{"device", "fifo", "folder"}));
    QCOMPARE(lockFiles(), QStringList{});
}

// A trigger that never fires: no row. The file --force would replace stays as it was (it used to be
// replaced by a header at the first pass); with no file there, the header alone is put in place.
void TestRecordOutput::runWithoutARow_data()
{
    QTest::addColumn<bool>("fileThere");
    QTest::newRow("file there") << true;
    QTest::newRow("nothing there") << false;
}

void TestRecordOutput::runWithoutARow()
{
    QFETCH(bool, fileThere);
    SimulatedPort line;
    QVERIFY(startStillController(line));
    QTemporaryDir folder;
    const QString out = folder.filePath(QStringLiteral("events.csv"));
    const QByteArray before = fileThere ? writeFile(out, "time,t_s,precious\r\n1,2,3\r\n") : QByteArray();
    const RecorderRun run = runRecorder({"--port", line.devicePath(), "--channel", "600E60", "--out", out, "--force",
                                         "--trigger", "600E60>5000", "--duration", "1s"});
    // A triggered run that saw no event ends with exit 4 and says so.
    QVERIFY2(run.exitCode == 4, run.err.constData());
    QCOMPARE(summaryRows(run.out), 0);
    const QString noEvent = QStringLiteral("qmx-record: --trigger 600E60>5000: no event came in 0:00:01 (exit 4)\n");
    if (fileThere) {
        QCOMPARE(testenv::readAll(out), before);
        QCOMPARE(QString::fromLocal8Bit(run.err),
                 QStringLiteral("qmx-record: --out %1: no row was recorded; the file there is left as it was\n").arg(out) +
                     noEvent);
    } else {
        QCOMPARE(testenv::readAll(out), QByteArray("time,t_s,600E60,event\r\n"));
        QCOMPARE(QString::fromLocal8Bit(run.err), noEvent);
    }
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"events.csv"});
}

// The rows around an event replace the old file, and the summary counts those rows, not the passes
// read while the trigger was armed.
void TestRecordOutput::triggeredRunReplacesTheFileWithItsRows()
{
    SimulatedPort line;
    QVERIFY(startStillController(line));
    ScheduledStep step;
    step.address = kMisc;
    step.value = 6000;
    step.fromRead = 30;
    line.simulator().addScheduledStep(step);
    QTemporaryDir folder;
    const QString out = folder.filePath(QStringLiteral("events.csv"));
    writeFile(out, "time,t_s,precious\r\n1,2,3\r\n");
    const RecorderRun run = runRecorder({"--port", line.devicePath(), "--channel", "600E60", "--out", out, "--force",
                                         "--trigger", "600E60>5000", "--pre", "0s", "--post", "200ms", "--duration", "10s",
                                         "--wait-time", "5"}); // rows in milliseconds of their own
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY(line.simulator().wordReadsOf(kMisc) >= 30);
    const auto rows = readCsv(out);
    QVERIFY(rows);
    QCOMPARE(rows->front(), (QByteArrayList{"time", "t_s", "600E60", "event"}));
    // --pre 0s: the trigger row first, also the first row of its window after rows left out (3).
    QVERIFY(rows->size() >= 2);
    QCOMPARE(rows->at(1).mid(2), (QByteArrayList{"6000", "3"}));
    for (qsizetype r = 2; r < rows->size(); ++r)
        QCOMPARE(rows->at(r).mid(2), (QByteArrayList{"6000", ""}));
    QCOMPARE(summaryRows(run.out), static_cast<int>(rows->size() - 1));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"events.csv"});
}

// At 9600 baud the super block takes seconds to read. A stop used to kill the recorder there (exit
// 143), leaving the port's lock file behind.
void TestRecordOutput::stopDuringDataRead_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
    QTest::newRow("Ctrl-C") << int(SIGINT);
}

void TestRecordOutput::stopDuringDataRead()
{
    QFETCH(int, signal);
    SimulatedPort line;
    QVERIFY(startStillController(line));
    line.simulator().setBaud(9600);
    const QString superBlock = testenv::programDir() + QStringLiteral("sbdata.qmx");
    QFile::remove(superBlock);
    QTemporaryDir folder;
    const QString out = folder.filePath(QStringLiteral("run.csv"));
    QProcess process;
    process.start(recorder(), {"--port", line.devicePath(), "--data-read", "--channel", "SpdFbk", "--out", out});
    QVERIFY(process.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(lockFiles().size(), 1, 5000);
    QTest::qWait(300); // well into the reads
    QElapsedTimer stopping;
    stopping.start();
    ::kill(static_cast<pid_t>(process.processId()), signal);
    QVERIFY(process.waitForFinished(5000));
    QVERIFY(stopping.elapsed() < 3000); // after the read in flight, not at the end of the Data Read
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(QString::fromLocal8Bit(process.readAllStandardError()),
             QStringLiteral("qmx-record: --data-read: stopped before the recording began; sbdata.qmx and --out are as "
                            "they were\n"));
    QCOMPARE(lockFiles(), QStringList{});
    QVERIFY(!QFile::exists(superBlock));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
}

// /dev/zero aborted the recorder with bad_alloc, a FIFO without a writer hung it.
void TestRecordOutput::presetsThatAreNoRegularFile()
{
    QTemporaryDir folder;
    const QString fifo = folder.filePath(QStringLiteral("UserPre.qmt"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    for (const auto &[presets, reason] : {std::pair{QStringLiteral("/dev/zero"), QStringLiteral("a device")},
                                          std::pair{fifo, QStringLiteral("a FIFO")}}) {
        const RecorderRun run = runRecorder({"--port", "COM1", "--presets", presets, "--out", folder.filePath("run.csv")}, 5000);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(QString::fromLocal8Bit(run.err),
                 QStringLiteral("qmx-record: --presets %1: the file cannot be read (%2, not a regular file)\n").arg(presets, reason));
    }
    QVERIFY(!QFile::exists(folder.filePath("run.csv")));
}

// An unattended run must not look fine when it is not: a controller that never answers gives rows
// of empty cells, the summary counts the failed reads by channel, and the exit code is 3; a run in
// which one channel answers ends as before, naming the one that did not.
void TestRecordOutput::runWithoutAGoodReadSaysSo()
{
    SimulatedPort line;
    QVERIFY(startStillController(line));
    QTemporaryDir folder;
    const QString out = folder.filePath(QStringLiteral("silent.csv"));
    line.simulator().setFaultForAllRequests(SimFault{SimFault::Kind::Silence});
    RecorderRun run = runRecorder({"--port", line.devicePath(), "--channel", "600E60", "--reads", "channel", "--out",
                                   out, "--duration", "4s"});
    QCOMPARE(run.exitCode, 3);
    const QString err = QString::fromLocal8Bit(run.err);
    QVERIFY2(err.contains(QStringLiteral("no pass had a good read: the controller on %1 did not answer").arg(line.devicePath())),
             qPrintable(err));
    const int rows = summaryRows(run.out);
    QVERIFY2(rows >= 1, run.out.constData());
    QVERIFY2(run.out.contains(QStringLiteral("failed reads: -1 no reply: %1 (600E60: %1)").arg(rows).toLatin1()),
             run.out.constData());

    line.simulator().clearFaults();
    line.simulator().setAddressFault(kInvFlag, SimFault{SimFault::Kind::Nak, 'D'});
    run = runRecorder({"--port", line.devicePath(), "--channel", "600E60", "--channel", "600F00:07", "--reads",
                       "channel", "--out", out, "--force", "--duration", "1s"});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const int partRows = summaryRows(run.out);
    QVERIFY2(partRows >= 1, run.out.constData());
    QVERIFY2(run.out.contains(QStringLiteral("failed reads: -3 refused D: %1 (600F00.07: %1)").arg(partRows).toLatin1()),
             run.out.constData());
}

void TestRecordOutput::fileNoLongerAtItsName_data()
{
    QTest::addColumn<bool>("rotated");
    QTest::newRow("one file, its folder removed") << false;
    QTest::newRow("rotated series, its file deleted") << true;
}

// The rows of a file deleted under the recorder went nowhere: the run ended with exit 0, its rows
// counted, and no file. Now the next flush finds the file gone: exit 1, and the message says so.
void TestRecordOutput::fileNoLongerAtItsName()
{
    QFETCH(bool, rotated);
    SimulatedPort line;
    QVERIFY(startStillController(line));
    QTemporaryDir folder;
    const QString runs = folder.filePath(QStringLiteral("runs"));
    QVERIFY(QDir().mkpath(runs));
    const QString out = runs + QStringLiteral("/run.csv");
    QStringList arguments{"--port", line.devicePath(), "--channel", "600E60", "--out", out, "--duration", "20s",
                          "--wait-time", "20"};
    if (rotated)
        arguments << "--rotate" << "1h";
    QProcess process;
    process.start(recorder(), arguments);
    QVERIFY(process.waitForStarted());
    // The file at its name with rows in it.
    QString written;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const QFileInfoList files = QDir(runs).entryInfoList({QStringLiteral("run*.csv")}, QDir::Files);
            written = files.isEmpty() ? QString() : files.front().filePath();
            return !files.isEmpty() && files.front().size() > 100;
        }(),
        10000);
    if (rotated)
        QVERIFY(QFile::remove(written));
    else
        QVERIFY(QDir(runs).removeRecursively());
    QElapsedTimer noticed;
    noticed.start();
    QVERIFY2(process.waitForFinished(5000), "the run went on writing to a file no longer there");
    QVERIFY(noticed.elapsed() < 3000);
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral("--out %1: the file could not be written: the file is no longer at its name")
                              .arg(written)),
             qPrintable(err));
    QCOMPARE(lockFiles(), QStringList{});
}

// A reader of --out - that goes away while the recorder is in the middle of a write: part of a row
// went into the pipe, and there is nothing to cut back on a pipe. The message used to say "cutting
// the file back to its last whole row failed too: Invalid argument"; it says the reason alone. A
// pipe of one page that is never read, closed after a while: the write that waits for room ends
// with part of its rows taken.
void TestRecordOutput::readerOfStandardOutputGoneMidRow()
{
    SimulatedPort line;
    QVERIFY(startStillController(line));
    for (int attempt = 0; attempt < 3; ++attempt) {
        int ends[2];
        QVERIFY(::pipe2(ends, O_CLOEXEC) == 0);
        ::fcntl(ends[1], F_SETPIPE_SZ, 4096);
        const int writeEnd = ends[1];
        QProcess process;
        process.setChildProcessModifier([writeEnd] { ::dup2(writeEnd, STDOUT_FILENO); });
        process.start(recorder(), {"--port", line.devicePath(), "--channel", "600E60", "--out", "-", "--duration", "20s"});
        QVERIFY(process.waitForStarted());
        ::close(ends[1]);
        QTest::qWait(1500); // the pipe full, a write waiting for room
        ::close(ends[0]);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 1);
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(err.contains(QStringLiteral("--out -: standard output could not be written: %1").arg(QString::fromLocal8Bit(std::strerror(EPIPE)))),
                 qPrintable(err));
        QVERIFY2(!err.contains(QStringLiteral("cutting the file back")), qPrintable(err));
    }
}

QTEST_MAIN(TestRecordOutput)
#include "test_record_output.moc"
