// qmx-record --publish against a real Mosquitto on loopback: every pass arrives with its pass
// number in order and none missing when the broker is stopped for 10 s in the middle of a run and
// started again, and when the recorder is stopped while passes wait and started again; the
// spool's bound holds, the oldest dropped; "online" and "offline" on the status topic; a spool
// whose disk fills up publishes again once the broker has taken what waited, and never sends again
// what was delivered.

#include "tests/record/InfluxLineParser.h"
#include "tests/record/MqttTestParts.h"
#include "tests/record/RecorderProgram.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <csignal>

namespace {

constexpr std::uint32_t kMisc = 0x600E60;
const QString kTopic = QStringLiteral("plant/line1/drive7");
const QString kStatusTopic = kTopic + QStringLiteral("/status");

// The pass numbers of the messages, whichever their payload; -1 for a message that is neither.
QList<qint64> passNumbers(const QByteArrayList &payloads)
{
    QList<qint64> passes;
    for (const QByteArray &payload : payloads) {
        if (payload.startsWith('{')) {
            passes.append(QJsonDocument::fromJson(payload).object().value("pass").toInteger(-1));
            continue;
        }
        QString why;
        const std::optional<InfluxPoint> point = InfluxLineParser(payload).parse(&why);
        passes.append(point && std::holds_alternative<qint64>(point->fields.value("pass"))
                          ? std::get<qint64>(point->fields.value("pass"))
                          : -1);
    }
    return passes;
}

// The instant a JSON message's "t" names, in milliseconds since the epoch, read from its digits
// (a double would blur the last ones); -1 for a message without one.
qint64 messageMilliseconds(const QByteArray &payload)
{
    static const QRegularExpression field(QStringLiteral(R"("t":(\d+)\.(\d{6}),)"));
    const QRegularExpressionMatch match = field.match(QString::fromLatin1(payload));
    return match.hasMatch() ? match.captured(1).toLongLong() * 1000 + match.captured(2).toLongLong() / 1000 : -1;
}

// Whether every JSON message's "t" is the time of its pass's row in the CSV file the same run
// wrote (a local time to the millisecond, row N holding pass N).
QString messageTimesProblem(const QByteArrayList &payloads, const QString &csvPath)
{
    const QByteArrayList lines = testenv::readAll(csvPath).split('\n');
    for (const QByteArray &payload : payloads) {
        const qint64 pass = QJsonDocument::fromJson(payload).object().value("pass").toInteger(-1);
        if (pass < 1 || pass + 1 > lines.size())
            return QStringLiteral("a message for pass %1, which the file has no row for").arg(pass);
        const QDateTime rowTime = QDateTime::fromString(QString::fromLatin1(lines[pass].left(23)),
                                                        QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
        if (messageMilliseconds(payload) != rowTime.toMSecsSinceEpoch())
            return QStringLiteral("pass %1: message %2, row %3").arg(pass).arg(QString::fromLatin1(payload),
                                                                          QString::fromLatin1(lines[pass]));
    }
    return {};
}

// Whether `passes` are the runs' passes 1..N of each run in `runs`, in order, none missing. QoS 1
// delivers at least once: a message the broker took without its acknowledgement reaching the
// recorder (a broker stopped) comes again, so a pass already seen may come again, never a new one
// out of its place.
QString orderProblem(const QList<qint64> &passes, const QList<qint64> &runs)
{
    qsizetype at = 0;
    for (qsizetype run = 0; run < runs.size(); ++run) {
        qint64 newest = 0;
        while (at < passes.size() && newest < runs[run]) {
            const qint64 pass = passes[at++];
            if (pass == newest + 1)
                newest = pass;
            else if (pass < 1 || pass > newest)
                return QStringLiteral("run %1: pass %2 after pass %3 (message %4)").arg(run + 1).arg(pass).arg(newest).arg(at);
        }
        if (newest != runs[run])
            return QStringLiteral("run %1: %2 of %3 passes arrived").arg(run + 1).arg(newest).arg(runs[run]);
        // Repeats of this run's last passes may still follow before the next run's first.
        while (run + 1 < runs.size() && at < passes.size() && passes[at] > 1 && passes[at] <= newest)
            ++at;
    }
    if (at != passes.size())
        return QStringLiteral("%1 messages more than the runs' passes").arg(passes.size() - at);
    return {};
}

// "qmx-record: mqtt://...: sent N, queued N, dropped N" as three numbers.
std::optional<std::array<qint64, 3>> publishSummary(const QByteArray &out)
{
    static const QRegularExpression line(QStringLiteral(": sent (\\d+), queued (\\d+), dropped (\\d+)"));
    const QRegularExpressionMatch m = line.match(QString::fromLocal8Bit(out));
    if (!m.hasMatch())
        return std::nullopt;
    return std::array<qint64, 3>{m.captured(1).toLongLong(), m.captured(2).toLongLong(), m.captured(3).toLongLong()};
}

// The rows the summary line counts: "qmx-record: N rows in ...".
int summaryRows(const QByteArray &out)
{
    static const QRegularExpression summary(QStringLiteral("^qmx-record: (\\d+) rows in "), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = summary.match(QString::fromLocal8Bit(out));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

class TestRecordPublish : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        testenv::prepare();
        if (!QFileInfo(kMosquitto).isExecutable())
            QSKIP("mosquitto (Debian's mosquitto) is not installed: the broker tests cannot run");
    }
    void init()
    {
        state_ = std::make_unique<QTemporaryDir>();
        line_ = std::make_unique<SimulatedPort>();
        QVERIFY(line_->start());
        line_->simulator().setLiveDemo(false);
        line_->simulator().writeWord(kMisc, 0x1234);
    }

    void brokerStoppedMidRun();
    void passesWaitingAtStopGoAtTheNextStart();
    void spoolBoundDropsTheOldest();
    void tlsTrustsTheGivenAuthorityOnly();
    void fullSpoolDisk_data();
    void fullSpoolDisk();
    void stopRightAtTheStart_data();
    void stopRightAtTheStart();

private:
    // The recorder started with its state folder of this test's own.
    void startRecorder(QProcess &process, const QStringList &arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_STATE_HOME", state_->path());
        process.setProcessEnvironment(environment);
        process.start(recorder(), QStringList{"--port", line_->devicePath(), "--channel", "600E60"} + arguments);
    }
    RecorderRun runToEnd(const QStringList &arguments)
    {
        QProcess process;
        startRecorder(process, arguments);
        RecorderRun run;
        // No gate in these runs: nothing of the test's needs its event loop meanwhile.
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        return run;
    }

    std::unique_ptr<SimulatedPort> line_;
    std::unique_ptr<QTemporaryDir> state_;
};

// The broker goes for 10 s while the recorder runs: the passes of those seconds wait in the spool
// and follow the others in order once it is back. The test's subscriber is on the new broker
// before the gate lets the recorder reach it.
void TestRecordPublish::brokerStoppedMidRun()
{
    QTemporaryDir folder;
    TestBroker broker(folder.path());
    QVERIFY2(broker.start(), broker.log().constData());
    BrokerGate gate(broker.port());
    QVERIFY(gate.open());
    auto before = std::make_unique<TestSubscriber>();
    QVERIFY(before->start(broker.port(), {kTopic, kStatusTopic}));

    QProcess recording;
    const QString out = folder.filePath("run.csv");
    startRecorder(recording, {"--publish", QStringLiteral("mqtt://127.0.0.1:%1/%2").arg(gate.port()).arg(kTopic),
                              "--payload", "json", "--wait-time", "20", "--out", out, "--duration", "18s"});
    QTRY_VERIFY_WITH_TIMEOUT(before->payloads(kTopic).size() >= 20, 20000);
    QCOMPARE(before->payloads(kStatusTopic).value(0), QByteArray("online"));

    broker.stop();
    gate.shut();
    QByteArrayList payloads = before->payloads(kTopic);
    before.reset();
    QTest::qWait(10000);
    QVERIFY(recording.state() == QProcess::Running);
    QVERIFY2(broker.start(), broker.log().constData());
    TestSubscriber after;
    QVERIFY(after.start(broker.port(), {kTopic, kStatusTopic}));
    const qint64 brokerBack = QDateTime::currentMSecsSinceEpoch();
    QVERIFY(gate.open());

    QTRY_VERIFY_WITH_TIMEOUT(recording.state() == QProcess::NotRunning, 40000);
    QCOMPARE(recording.exitCode(), 0);
    const QByteArray summary = recording.readAllStandardOutput();
    const int rows = rowsWritten(out);
    QVERIFY(rows > 100);
    QCOMPARE(publishSummary(summary), (std::array<qint64, 3>{publishSummary(summary).value()[0], 0, 0}));
    QTRY_VERIFY_WITH_TIMEOUT(after.payloads(kStatusTopic).contains("offline"), 10000);
    payloads += after.payloads(kTopic);
    const QList<qint64> passes = passNumbers(payloads);
    const QString problem = orderProblem(passes, {rows});
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    // Every message carries its pass's own time, those that waited in the spool through the
    // outage too: sent after the broker came back, they still name the time they were read.
    const QString timeProblem = messageTimesProblem(payloads, out);
    QVERIFY2(timeProblem.isEmpty(), qPrintable(timeProblem));
    const QByteArrayList sentAfter = after.payloads(kTopic);
    QVERIFY(std::any_of(sentAfter.begin(), sentAfter.end(),
                        [&](const QByteArray &payload) { return messageMilliseconds(payload) < brokerBack - 5000; }));
    qInfo("%d passes, %lld messages (%lld again after the broker came back)", rows, qlonglong(passes.size()),
          qlonglong(passes.size() - rows));
    // The recorder said it was back: online again on the new broker, offline at its end.
    QCOMPARE(after.payloads(kStatusTopic), (QByteArrayList{"online", "offline"}));
}

// A run while the broker is away keeps its passes in the spool; the next run on the same topic
// sends them first, then its own, all in order.
void TestRecordPublish::passesWaitingAtStopGoAtTheNextStart()
{
    QTemporaryDir folder;
    TestBroker broker(folder.path());
    const QStringList publish{"--publish", QStringLiteral("mqtt://127.0.0.1:%1/%2").arg(broker.port()).arg(kTopic),
                              "--wait-time", "20", "--duration", "2s"};
    const RecorderRun first = runToEnd(publish + QStringList{"--out", folder.filePath("first.csv")});
    QVERIFY2(first.exitCode == 0, first.err.constData());
    const int firstRows = rowsWritten(folder.filePath("first.csv"));
    QCOMPARE(publishSummary(first.out), (std::array<qint64, 3>{0, firstRows, 0}));
    QVERIFY(first.out.contains("(kept in the spool for the next start)"));

    QVERIFY2(broker.start(), broker.log().constData());
    TestSubscriber subscriber;
    QVERIFY(subscriber.start(broker.port(), {kTopic}));
    const RecorderRun second = runToEnd(publish + QStringList{"--out", folder.filePath("second.csv")});
    QVERIFY2(second.exitCode == 0, second.err.constData());
    const int secondRows = rowsWritten(folder.filePath("second.csv"));
    QCOMPARE(publishSummary(second.out), (std::array<qint64, 3>{firstRows + secondRows, 0, 0}));
    QTRY_COMPARE_WITH_TIMEOUT(subscriber.payloads(kTopic).size(), firstRows + secondRows, 10000);
    // Every message is a line of the protocol, and the first run's come first.
    const QByteArrayList payloads = subscriber.payloads(kTopic);
    for (const QByteArray &payload : payloads) {
        QString why;
        QVERIFY2(InfluxLineParser(payload).parse(&why), qPrintable(why));
    }
    const QString problem = orderProblem(passNumbers(payloads), {firstRows, secondRows});
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

// Past --spool-max the oldest passes go: the spool keeps the newest, counts the dropped, and the
// disk holds little more than the bound.
void TestRecordPublish::spoolBoundDropsTheOldest()
{
    QTemporaryDir folder;
    TestBroker broker(folder.path());
    const QStringList publish{"--publish", QStringLiteral("mqtt://127.0.0.1:%1/%2").arg(broker.port()).arg(kTopic),
                              "--payload", "json"};
    const RecorderRun away =
        runToEnd(publish + QStringList{"--spool-max", "40", "--out", folder.filePath("away.csv"), "--duration", "2s"});
    QVERIFY2(away.exitCode == 0, away.err.constData());
    const int rows = rowsWritten(folder.filePath("away.csv"));
    QVERIFY(rows > 100);
    QCOMPARE(publishSummary(away.out), (std::array<qint64, 3>{0, 40, rows - 40}));
    qint64 spooled = 0;
    QDirIterator files(state_->path(), {"*.spool"}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext())
        spooled += testenv::readAll(files.next()).count('\n');
    QVERIFY2(spooled >= 40 && spooled <= 40 + 16, qPrintable(QString::number(spooled)));

    QVERIFY2(broker.start(), broker.log().constData());
    TestSubscriber subscriber;
    QVERIFY(subscriber.start(broker.port(), {kTopic}));
    // The next run's bound is wider: the bound holds while a run goes on too, and would drop the
    // oldest of the 40 as soon as passes came faster than the broker took them.
    const RecorderRun back = runToEnd(publish + QStringList{"--spool-max", "100000", "--out", folder.filePath("back.csv"),
                                                            "--duration", "1s", "--wait-time", "10"});
    QVERIFY2(back.exitCode == 0, back.err.constData());
    const int backRows = rowsWritten(folder.filePath("back.csv"));
    QTRY_COMPARE_WITH_TIMEOUT(subscriber.payloads(kTopic).size(), 40 + backRows, 10000);
    const QList<qint64> passes = passNumbers(subscriber.payloads(kTopic));
    QList<qint64> expected;
    for (qint64 pass = rows - 39; pass <= rows; ++pass)
        expected << pass;
    for (qint64 pass = 1; pass <= backRows; ++pass)
        expected << pass;
    QCOMPARE(passes, expected);
}

namespace {

// openssl with `arguments` in `folder`; its output when it failed.
QByteArray openssl(const QString &folder, const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return process.readAll() + "(openssl failed)";
    return {};
}

// A certificate authority, and the broker's key and certificate for 127.0.0.1 signed by it.
QByteArray makeCertificates(const QString &folder, const QString &authority)
{
    QByteArray failed = openssl(folder, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                                         "/CN=" + authority, "-keyout", authority + ".key", "-out", authority + ".pem"});
    if (!failed.isEmpty() || authority != "ca")
        return failed;
    QFile extensions(folder + "/san.cnf");
    if (!extensions.open(QIODevice::WriteOnly))
        return "san.cnf";
    extensions.write("subjectAltName=IP:127.0.0.1\n");
    extensions.close();
    failed = openssl(folder, {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout",
                              "broker.key", "-out", "broker.csr"});
    if (!failed.isEmpty())
        return failed;
    return openssl(folder, {"x509", "-req", "-in", "broker.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
                            "-days", "2", "-extfile", "san.cnf", "-out", "broker.pem"});
}

} // namespace

// A broker that speaks TLS only: the recorder given the authority that signed the broker's
// certificate publishes every pass; given another one it sends nothing and says why.
void TestRecordPublish::tlsTrustsTheGivenAuthorityOnly()
{
    QTemporaryDir folder;
    if (QStandardPaths::findExecutable("openssl").isEmpty())
        QSKIP("openssl is not installed: no certificates to try TLS with");
    QByteArray failed = makeCertificates(folder.path(), "ca");
    QVERIFY2(failed.isEmpty(), failed.constData());
    failed = makeCertificates(folder.path(), "other");
    QVERIFY2(failed.isEmpty(), failed.constData());
    // A broker started as root reads them as the user it becomes.
    const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    QFile::setPermissions(folder.path(), readable | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    for (const char *name : {"ca.pem", "broker.pem", "broker.key"})
        QFile::setPermissions(folder.filePath(name), readable | QFile::WriteOwner);
    const quint16 tlsPort = freeLoopbackPort();
    TestBroker broker(folder.path(), QStringLiteral("listener %1 127.0.0.1\ncafile %2/ca.pem\ncertfile %2/broker.pem\n"
                                                    "keyfile %2/broker.key\n")
                                         .arg(tlsPort)
                                         .arg(folder.path()));
    QVERIFY2(broker.start(), broker.log().constData());
    TestSubscriber subscriber;
    QVERIFY(subscriber.start(broker.port(), {kTopic}));
    const QString url = QStringLiteral("mqtt://127.0.0.1:%1/%2").arg(tlsPort).arg(kTopic);

    const RecorderRun trusted = runToEnd({"--publish", url, "--cafile", folder.filePath("ca.pem"), "--wait-time", "20",
                                          "--duration", "1s", "--out", folder.filePath("trusted.csv")});
    QVERIFY2(trusted.exitCode == 0, trusted.err.constData());
    const int rows = rowsWritten(folder.filePath("trusted.csv"));
    QCOMPARE(publishSummary(trusted.out), (std::array<qint64, 3>{rows, 0, 0}));
    QTRY_COMPARE_WITH_TIMEOUT(subscriber.payloads(kTopic).size(), rows, 10000);

    // Another authority: the broker is not trusted, the passes wait, and the summary says why.
    const RecorderRun untrusted = runToEnd({"--publish", url, "--cafile", folder.filePath("other.pem"), "--wait-time",
                                            "20", "--duration", "1s", "--out", folder.filePath("untrusted.csv")});
    QVERIFY2(untrusted.exitCode == 0, untrusted.err.constData());
    QCOMPARE(publishSummary(untrusted.out), (std::array<qint64, 3>{0, rowsWritten(folder.filePath("untrusted.csv")), 0}));
    QVERIFY2(untrusted.out.contains("; last problem: "), untrusted.out.constData());
    QCOMPARE(subscriber.payloads(kTopic).size(), rows);
}

void TestRecordPublish::fullSpoolDisk_data()
{
    QTest::addColumn<QString>("disk");
    // Passes fast enough to fill the spool's disk in a run, and few enough for a loaded machine's
    // broker to take them all while the run goes on.
    QTest::addColumn<QString>("waitTime");
    // Files of the recorder larger than 32 KiB cannot be written: works for any user. The spool
    // goes on in new files; it used to drop every pass once its one file was full.
    QTest::newRow("file-size limit") << "limit" << "5";
    // A 64 KiB file system of the recorder's own (tmpfs in a mount namespace of its own): where
    // the system lets a test make one.
    QTest::newRow("64 KiB file system") << "small" << "2";
}

// Runs on a disk the spool fills: away (no broker: the spool fills its disk and the rest is
// dropped), back (the broker there: what waited goes, and the run's own passes follow once the
// disk has room), again (nothing delivered goes a second time). The spool used to keep the
// delivered messages in its one segment, so every later pass was dropped, and a new start sent
// the old ones again.
void TestRecordPublish::fullSpoolDisk()
{
    QFETCH(QString, disk);
    QFETCH(QString, waitTime);
    QTemporaryDir folder;
    const QString states = folder.filePath("state");
    QVERIFY(QDir().mkpath(states));
    TestBroker broker(folder.path());
    // The three runs in one shell, so that the small file system lives as long as they do; each
    // waits for the test's word (a file) before it starts.
    const QString script = QStringLiteral(R"(
        set -u
        case "$1" in
        small) mount -t tmpfs -o size=64k tmpfs "$XDG_STATE_HOME" || exit 97 ;;
        limit) ulimit -f 32 || exit 97 ;;
        esac
        folder=$2; shift 2
        for run in away back again; do
            while [ ! -e "$folder/$run.go" ]; do sleep 0.05; done
            "$@" >"$folder/$run.out" 2>"$folder/$run.err"
            echo $? >"$folder/$run.rc"
        done)");
    QStringList command{"bash", "-c", script, "bash", disk, folder.path(), recorder(), "--port", line_->devicePath(),
                        "--channel", "600E60", "--payload", "json", "--wait-time", waitTime, "--duration", "3s",
                        "--publish", QStringLiteral("mqtt://127.0.0.1:%1/%2").arg(broker.port()).arg(kTopic)};
    if (disk == "small")
        command = QStringList{"unshare", "--user", "--map-root-user", "--mount"} + command;
    QProcess runs;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_STATE_HOME", states);
    runs.setProcessEnvironment(environment);
    runs.setProcessChannelMode(QProcess::ForwardedChannels);
    runs.start(command.takeFirst(), command);
    QVERIFY(runs.waitForStarted());
    struct Run {
        int exitCode = -1;
        QByteArray out, err;
        int rows = -1;
        std::array<qint64, 3> published{-1, -1, -1}; // sent, queued, dropped
    };
    const auto run = [&](const QString &name) {
        Run done;
        QFile go(folder.filePath(name + ".go"));
        if (!go.open(QIODevice::WriteOnly))
            return done;
        const QString rc = folder.filePath(name + ".rc");
        for (int waited = 0; waited < 30000 && !QFile::exists(rc) && runs.state() == QProcess::Running; waited += 50)
            QTest::qWait(50);
        QTest::qWait(50); // the exit code written whole
        done.exitCode = testenv::readAll(rc).trimmed().toInt();
        done.out = testenv::readAll(folder.filePath(name + ".out"));
        done.err = testenv::readAll(folder.filePath(name + ".err"));
        done.rows = summaryRows(done.out);
        done.published = publishSummary(done.out).value_or(done.published);
        return done;
    };

    const Run away = run("away");
    if (runs.state() != QProcess::Running && runs.exitCode() == 97)
        QSKIP("no file system of the recorder's own can be made here (mount namespaces not allowed)");
    QVERIFY2(away.exitCode == 0, away.err.constData());
    QVERIFY2(away.rows > 100, away.out + away.err);
    const auto [awaySent, awayQueued, awayDropped] = away.published;
    QCOMPARE(awaySent, qint64{0});
    QCOMPARE(awayQueued + awayDropped, qint64{away.rows});
    if (disk == "small") {
        QVERIFY2(awayDropped > 0 && awayQueued > 100, away.out.constData());
        QVERIFY2(away.out.contains(std::strerror(ENOSPC)), away.out.constData());
    } else {
        QCOMPARE(awayDropped, qint64{0});
    }

    QVERIFY2(broker.start(), broker.log().constData());
    TestSubscriber subscriber;
    QVERIFY(subscriber.start(broker.port(), {kTopic}));
    const Run back = run("back");
    QVERIFY2(back.exitCode == 0, back.err.constData());
    const auto [backSent, backQueued, backDropped] = back.published;
    // What waited went first; the run's own passes were dropped only until the disk had room.
    QCOMPARE(backQueued, qint64{0});
    QCOMPARE(backSent, awayQueued + back.rows - backDropped);
    QVERIFY2(backDropped * 4 < back.rows, back.out.constData());
    QTRY_COMPARE_WITH_TIMEOUT(subscriber.payloads(kTopic).size(), qsizetype(backSent), 10000);
    const QList<qint64> backPasses = passNumbers(subscriber.payloads(kTopic));
    // The run's own passes in order after the first one that found room, none missing.
    const qint64 firstKept = backPasses.at(awayQueued);
    QCOMPARE(qint64{backPasses.size() - awayQueued}, back.rows - firstKept + 1);
    for (qsizetype i = awayQueued; i < backPasses.size(); ++i)
        QCOMPARE(backPasses[i], firstKept + (i - awayQueued));

    // Nothing of the runs before goes again.
    const Run again = run("again");
    QVERIFY2(again.exitCode == 0, again.err.constData());
    QVERIFY2(again.published == (std::array<qint64, 3>{again.rows, 0, 0}), again.out.constData());
    QTRY_COMPARE_WITH_TIMEOUT(subscriber.payloads(kTopic).size(), qsizetype(backSent + again.rows), 10000);
    QTest::qWait(200);
    QCOMPARE(subscriber.payloads(kTopic).size(), qsizetype(backSent + again.rows));
    QTRY_VERIFY_WITH_TIMEOUT(runs.state() == QProcess::NotRunning, 10000);
    qInfo("%s: away %d passes, %lld spooled, %lld dropped; back %d passes, %lld sent, %lld dropped; again %d passes",
          qPrintable(disk), away.rows, qlonglong(awayQueued), qlonglong(awayDropped), back.rows, qlonglong(backSent),
          qlonglong(backDropped), again.rows);
}

void TestRecordPublish::stopRightAtTheStart_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

// A stop that came in the first milliseconds, while the recorder read its arguments and files,
// killed it with the signal's code: the stop signals were held only from just before the port
// opened. The signal goes just after the dynamic loader hands over to the program (LD_DEBUG says
// when), a few times over.
void TestRecordPublish::stopRightAtTheStart()
{
    constexpr std::chrono::microseconds kIntoMain{500};
    QFETCH(int, signal);
    QTemporaryDir folder;
    for (int attempt = 0; attempt < 5; ++attempt) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_STATE_HOME", state_->path());
        environment.insert("LD_DEBUG", "files");
        process.setProcessEnvironment(environment);
        process.setReadChannel(QProcess::StandardError);
        process.start(recorder(), {"--port", line_->devicePath(), "--channel", "600E60", "--wait-time", "20",
                                   "--duration", "10s", "--out", folder.filePath("run.csv"), "--force", "--publish",
                                   QStringLiteral("mqtt://127.0.0.1:%1/%2").arg(freeLoopbackPort()).arg(kTopic)});
        QByteArray loader;
        while (!loader.contains("transferring control") && process.waitForReadyRead(5000))
            loader += process.readAllStandardError();
        QVERIFY2(loader.contains("transferring control"), loader.right(400).constData());
        // Past the program's static set-up, well before the port would be opened.
        QThread::usleep(kIntoMain.count());
        ::kill(static_cast<pid_t>(process.processId()), signal);
        QVERIFY(process.waitForFinished(10000));
        QVERIFY2(process.exitStatus() == QProcess::NormalExit,
                 qPrintable(QStringLiteral("attempt %1: ended by the signal").arg(attempt + 1)));
        QCOMPARE(process.exitCode(), 0);
    }
    QCOMPARE(QDir(QString::fromLocal8Bit(qgetenv("QMX_LOCK_DIR"))).entryList({QStringLiteral("LCK..*")}, QDir::Files),
             QStringList{});
}

QTEST_GUILESS_MAIN(TestRecordPublish)
#include "test_record_publish.moc"
