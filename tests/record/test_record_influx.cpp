// qmx-record in InfluxDB line protocol: every line read by a strict parser, its values those of
// the simulator's memory, a failed read without its field, tags escaped, the lines on standard
// output alone; and InfluxDB itself (Debian's influxd, started here on loopback ports with a folder
// of its own) taking every line and counting them back.

#include "record/InfluxFormat.h"
#include "record/JsonFormat.h"
#include "tests/record/InfluxLineParser.h"
#include "tests/record/RecorderProgram.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"

#include <QDateTime>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>
#include <QUrlQuery>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <set>

namespace {

constexpr std::uint32_t kMisc = 0x600E60;
constexpr std::uint32_t kRefused = 0x600E62;
constexpr std::uint32_t kInvFlag = 0x600F00;
constexpr std::uint16_t kStepped = 0x0123; // the word at kMisc from its 5th read on

struct InfluxRun {
    RecorderRun run;
    qint64 startedNs = 0, endedNs = 0;
    QByteArrayList lines;
};

// A recording of a word that changes at its 5th read, a word the controller refuses and a bit.
InfluxRun recordInflux(SimulatedPort &line, const QStringList &extra)
{
    line.simulator().setLiveDemo(false);
    line.simulator().writeWord(kMisc, 0x1234);
    line.simulator().writeWord(kInvFlag, 0x0080);
    line.simulator().addScheduledStep({kMisc, kStepped, std::nullopt, 5});
    line.simulator().setAddressFault(kRefused, SimFault{SimFault::Kind::Nak});
    InfluxRun influx;
    influx.startedNs = QDateTime::currentMSecsSinceEpoch() * 1000000;
    influx.run = runRecorder(QStringList{"--port", line.devicePath(), "--channel", "600E60", "--channel", "600E62",
                                         "--channel", "600F00:07", "--format", "influx", "--duration", "2s"} +
                             extra);
    influx.endedNs = QDateTime::currentMSecsSinceEpoch() * 1000000;
    influx.lines = influx.run.out.split('\n');
    return influx;
}

quint16 freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// One request to a server of the test, waited for; the status code and the body.
QPair<int, QByteArray> send(QNetworkAccessManager &network, const QNetworkRequest &request, const QByteArray &post)
{
    QNetworkReply *reply = network.post(request, post);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    return {status, body};
}

} // namespace

class TestRecordInflux : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }

    void linesOnStandardOutputHoldTheMemory();
    void readerOfStandardOutputGone();
    void escapesAndValues();
    void namesALineCannotCarry();
    void everyMessageNamesItsRun();
    void messageTimeAsEpochSeconds_data();
    void messageTimeAsEpochSeconds();
    void influxDbTakesEveryLine();
};

void TestRecordInflux::linesOnStandardOutputHoldTheMemory()
{
    SimulatedPort line;
    QVERIFY(line.start());
    const InfluxRun influx = recordInflux(line, {"--out", "-", "--tag", "site=Plant 3", "--tag", "cell=A,1=x"});
    QVERIFY2(influx.run.exitCode == 0, influx.run.err.constData());
    // Standard output holds the lines and nothing else: the last one ends with its line end.
    QVERIFY(influx.run.out.endsWith('\n'));
    const QByteArrayList lines = influx.lines.mid(0, influx.lines.size() - 1);
    QVERIFY2(lines.size() > 10, influx.run.err.constData());
    qint64 previous = influx.startedNs;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString why;
        const std::optional<InfluxPoint> point = InfluxLineParser(lines[i]).parse(&why);
        QVERIFY2(point, qPrintable(why));
        QCOMPARE(point->measurement, QStringLiteral("qmx"));
        QCOMPARE(point->tags, (QList<QPair<QString, QString>>{{"port", line.devicePath()},
                                                               {"site", "Plant 3"},
                                                               {"cell", "A,1=x"}}));
        // The refused word has no field in any line; the pass field counts from 1.
        QCOMPARE(point->fieldOrder, (QStringList{"600E60", "600F00.07", "pass", "run"}));
        QCOMPARE(point->fields.value("pass"), (std::variant<qint64, double>(qint64(i + 1))));
        const qint64 word = i + 1 < 5 ? 0x1234 : kStepped;
        QCOMPARE(point->fields.value("600E60"), (std::variant<qint64, double>(word)));
        QCOMPARE(point->fields.value("600F00.07"), (std::variant<qint64, double>(qint64(1))));
        QVERIFY(point->timestamp > previous && point->timestamp <= influx.endedNs);
        previous = point->timestamp;
    }
    // The summary and every message go to standard error.
    QVERIFY2(influx.run.err.contains(QStringLiteral("qmx-record: %1 rows in ").arg(lines.size()).toLatin1()),
             influx.run.err.constData());
    QVERIFY(influx.run.err.contains("600E62: "));
}

// A collector that reads standard output and goes away: the recorder's next write fails (no
// SIGPIPE ends it), and the run ends as after any failed write, with exit 1 and the reason.
void TestRecordInflux::readerOfStandardOutputGone()
{
    SimulatedPort line;
    QVERIFY(line.start());
    // A reader that takes one line and goes: the recorder's exit code through the pipe.
    QProcess process;
    process.start("bash", {"-c", "\"$0\" \"$@\" | head -n 1 >/dev/null; exit ${PIPESTATUS[0]}", recorder(), "--port",
                           line.devicePath(), "--channel", "600E60", "--format", "influx", "--out", "-", "--duration", "20s"});
    QVERIFY(process.waitForFinished(15000));
    QCOMPARE(process.exitCode(), 1);
    const QByteArray err = process.readAllStandardError();
    QVERIFY2(err.contains("--out -: standard output could not be written: ") && err.contains(std::strerror(EPIPE)), err.constData());
    QVERIFY2(err.contains("qmx-record: ") && err.contains(" rows in "), err.constData());
}

// Names and values the protocol must escape, floats, a failed read and a trigger row, byte for
// byte, and read back the same.
void TestRecordInflux::escapesAndValues()
{
    const record::InfluxSeries series = record::influxSeries(
        QStringLiteral("/dev/tty USB,0"), {{"site name", "Plant=3"}, {"zone", "a,b"}},
        {QStringLiteral("Spd Fbk"), QStringLiteral("a=b,c"), QStringLiteral("x"), QStringLiteral("y")});
    record::RecordRow row;
    row.values = {record::ChannelValue(std::int64_t{-32768}), std::nullopt, record::ChannelValue(2.5),
                  record::ChannelValue(std::numeric_limits<double>::quiet_NaN())};
    row.epochNanoseconds = 1796738400123456789;
    row.pass = 7;
    const QByteArray line = record::influxLine(series, row, true);
    QCOMPARE(line, QByteArray("qmx,port=/dev/tty\\ USB\\,0,site\\ name=Plant\\=3,zone=a\\,b "
                              "Spd\\ Fbk=-32768i,x=2.5,event=1i,pass=7i 1796738400123456789"));
    QString why;
    const std::optional<InfluxPoint> point = InfluxLineParser(line).parse(&why);
    QVERIFY2(point, qPrintable(why));
    QCOMPARE(point->tags.at(0).second, QStringLiteral("/dev/tty USB,0"));
    QCOMPARE(point->fieldOrder, (QStringList{"Spd Fbk", "x", "event", "pass"}));
    QCOMPARE(point->timestamp, Q_INT64_C(1796738400123456789));

    // A pass without a good read is still a line, with its pass field alone.
    row.values = {std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    QCOMPARE(record::influxLine(series, row), QByteArray("qmx,port=/dev/tty\\ USB\\,0,site\\ name=Plant\\=3,zone=a\\,b "
                                                         "pass=7i 1796738400123456789"));

    // The same row as a JSON message: the time in UTC, names escaped as JSON strings, no value for
    // a failed read or a NaN.
    row.values = {record::ChannelValue(std::int64_t{-32768}), std::nullopt, record::ChannelValue(2.5),
                  record::ChannelValue(std::numeric_limits<double>::quiet_NaN())};
    row.time = QDateTime(QDate(2026, 12, 8), QTime(14, 0, 0, 123), QTimeZone(3600));
    const QByteArray json = record::jsonPayload(record::jsonKeys({"Spd \"Fbk\"", "a", "x\\y", "n"}), row, true);
    QCOMPARE(json, QByteArray(R"({"time":"2026-12-08T13:00:00.123Z","t":1796738400.123456,"pass":7,"event":1,"values":{"Spd \"Fbk\"":-32768,"x\\y":2.5}})"));
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    QCOMPARE(object["values"].toObject()["Spd \"Fbk\""].toInt(), -32768);
    QCOMPARE(object["values"].toObject()["x\\y"].toDouble(), 2.5);

    QPair<QString, QString> tag;
    QCOMPARE(record::tagProblem(QStringLiteral("a=b\\"), &tag), QStringLiteral("--tag a=b\\: a tag holds no backslash and no line end"));
    QCOMPARE(record::tagProblem(QStringLiteral("port=x"), &tag),
             QStringLiteral("--tag port=x: port is a tag or column of its own; choose another key"));
    QCOMPARE(record::tagProblem(QStringLiteral("=x"), &tag), QStringLiteral("--tag =x: give KEY=VALUE, neither empty"));
    QCOMPARE(record::tagProblem(QStringLiteral("k="), &tag), QStringLiteral("--tag k=: give KEY=VALUE, neither empty"));
    QVERIFY(record::tagProblem(QStringLiteral("k=a=b"), &tag).isEmpty());
    QCOMPARE(tag, (QPair<QString, QString>{"k", "a=b"}));
}

// A device path or a channel name an InfluxDB line cannot carry is refused before the port opens
// (exit 2) with the reason, not written into lines every one of which the server refuses.
void TestRecordInflux::namesALineCannotCarry()
{
    for (const char *refused : {"/dev/odd\\", "Spd\\", "a\\,b", "a\\ b", "a\\=b", "a\\\\b", "tty\nUSB0", "tty\r"})
        QVERIFY2(!record::influxTextProblem(QString::fromLatin1(refused)).isEmpty(), refused);
    for (const char *taken : {"/dev/tty USB,0", "a=b,c", "x\\y", "C:\\dev\\tty", "\\b"})
        QVERIFY2(record::influxTextProblem(QString::fromLatin1(taken)).isEmpty(), taken);

    QTemporaryDir folder;
    const QString device = folder.filePath("odd\\");
    for (const QStringList &output : {QStringList{"--format", "influx", "--out", "-"},
                                      QStringList{"--publish", "mqtt://127.0.0.1:1/plant/d7"}}) {
        const RecorderRun run = runRecorder(QStringList{"--port", device, "--channel", "600E60"} + output);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.err, QStringLiteral("qmx-record: --port %1: the device %1 holds a backslash before a comma, an "
                                         "equals sign, a blank, another backslash or at its end, which InfluxDB reads "
                                         "as an escape; give another name for it\n")
                              .arg(device)
                              .toLocal8Bit());
        QVERIFY(run.out.isEmpty());
    }
    // CSV and JSON carry any name.
    const RecorderRun csv = runRecorder({"--port", device, "--channel", "600E60", "--out", "-"});
    QCOMPARE(csv.exitCode, 1);

    // A variable whose name ends in a backslash, read from the variable list.
    const QString varlist2 = testenv::programDir() + QStringLiteral("Varlist2.txt");
    QFile list(varlist2);
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("00600FAA,Spd\\\r\nEND\r\n");
    list.close();
    const RecorderRun named =
        runRecorder({"--port", folder.filePath("tty0"), "--channel", "Spd\\", "--format", "influx", "--out", "-"});
    testenv::restoreDataFile(QStringLiteral("Varlist2.txt"));
    QCOMPARE(named.exitCode, 2);
    QVERIFY2(named.err.startsWith("qmx-record: the channel Spd\\ holds a backslash before a comma"), named.err.constData());
}

// Pass numbers start at 1 in every run while a spool carries earlier runs' passes onto the same
// topic: every line and message also names its run (its start, in milliseconds since the epoch),
// the same in all of a run's and another in the next run's, so that (run, pass) tells repeats.
void TestRecordInflux::everyMessageNamesItsRun()
{
    const record::InfluxSeries series = record::influxSeries(QStringLiteral("/dev/ttyS0"), {}, {QStringLiteral("x")});
    record::RecordRow row;
    row.values = {record::ChannelValue(std::int64_t{3})};
    row.time = QDateTime(QDate(2026, 12, 8), QTime(13, 0, 0, 123), QTimeZone::utc());
    row.epochNanoseconds = 1796738400123456789;
    row.pass = 7;
    row.run = Q_INT64_C(1796738390000);
    QCOMPARE(record::influxLine(series, row, true),
             QByteArray("qmx,port=/dev/ttyS0 x=3i,event=1i,pass=7i,run=1796738390000i 1796738400123456789"));
    QCOMPARE(record::jsonPayload(record::jsonKeys({"x"}), row, true),
             QByteArray(R"({"time":"2026-12-08T13:00:00.123Z","t":1796738400.123456,"pass":7,"run":1796738390000,"event":1,"values":{"x":3}})"));

    SimulatedPort line;
    QVERIFY(line.start());
    QList<qint64> runs;
    for (int turn = 0; turn < 2; ++turn) {
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        const InfluxRun influx = recordInflux(line, {"--out", "-", "--duration", "1s"});
        QVERIFY2(influx.run.exitCode == 0, influx.run.err.constData());
        const QByteArrayList lines = influx.lines.mid(0, influx.lines.size() - 1);
        QVERIFY(lines.size() > 2);
        std::set<qint64> named;
        for (const QByteArray &text : lines) {
            QString why;
            const std::optional<InfluxPoint> point = InfluxLineParser(text).parse(&why);
            QVERIFY2(point && point->fields.contains("run"), qPrintable(why + QString::fromLatin1(text)));
            named.insert(std::get<qint64>(point->fields.value("run")));
        }
        QCOMPARE(named.size(), std::size_t(1));
        QVERIFY(*named.begin() >= before && *named.begin() <= QDateTime::currentMSecsSinceEpoch());
        runs.append(*named.begin());
    }
    QVERIFY(runs[0] != runs[1]);
}

// The lines of a run written to a file go to a real InfluxDB: every one is taken (HTTP 204) and a
// query counts them all, with the values the simulator held.
// "t" is the pass's instant floored to the microsecond, in digits: a double of today's seconds
// would lose the microseconds, and a tool reading the field must see no rounding up into the next
// millisecond that "time" names.
void TestRecordInflux::messageTimeAsEpochSeconds_data()
{
    QTest::addColumn<qint64>("nanoseconds");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("today") << Q_INT64_C(1796738400123456789) << QByteArray("1796738400.123456");
    QTest::newRow("just under a millisecond") << Q_INT64_C(1796738400000999999) << QByteArray("1796738400.000999");
    QTest::newRow("leading zeros kept") << Q_INT64_C(1796738400000050000) << QByteArray("1796738400.000050");
    QTest::newRow("whole second") << Q_INT64_C(1796738401000000000) << QByteArray("1796738401.000000");
    QTest::newRow("epoch") << Q_INT64_C(0) << QByteArray("0.000000");
    QTest::newRow("before the epoch, floored") << Q_INT64_C(-1) << QByteArray("-0.000001");
    QTest::newRow("before the epoch, seconds") << Q_INT64_C(-1500000000) << QByteArray("-1.500000");
}

void TestRecordInflux::messageTimeAsEpochSeconds()
{
    QFETCH(qint64, nanoseconds);
    QFETCH(QByteArray, text);
    QCOMPARE(record::epochSecondsText(nanoseconds), text);
    record::RecordRow row;
    row.time = QDateTime::fromMSecsSinceEpoch(nanoseconds / 1000000, QTimeZone::utc());
    row.epochNanoseconds = nanoseconds;
    row.pass = 1;
    const QJsonObject message = QJsonDocument::fromJson(record::jsonPayload({}, row)).object();
    QCOMPARE(message.value("t").type(), QJsonValue::Double);
    QCOMPARE(message.value("t").toDouble(), text.toDouble());
}

void TestRecordInflux::influxDbTakesEveryLine()
{
    const QString influxd = QStringLiteral("/usr/bin/influxd");
    if (!QFileInfo(influxd).isExecutable())
        QSKIP("influxd (Debian's influxdb) is not installed: InfluxDB's own reading of the lines is not tried");
    QTemporaryDir folder;
    const quint16 httpPort = freePort();
    const quint16 rpcPort = freePort();
    const QString config = folder.filePath("influxdb.conf");
    QFile configFile(config);
    QVERIFY(configFile.open(QIODevice::WriteOnly));
    configFile.write(QStringLiteral("reporting-disabled = true\n"
                                    "bind-address = \"127.0.0.1:%1\"\n"
                                    "[meta]\n  dir = \"%2/meta\"\n"
                                    "[data]\n  dir = \"%2/data\"\n  wal-dir = \"%2/wal\"\n  query-log-enabled = false\n"
                                    "[monitor]\n  store-enabled = false\n"
                                    "[subscriber]\n  enabled = false\n"
                                    "[continuous_queries]\n  enabled = false\n"
                                    "[http]\n  bind-address = \"127.0.0.1:%3\"\n  log-enabled = false\n")
                         .arg(rpcPort)
                         .arg(folder.path())
                         .arg(httpPort)
                         .toUtf8());
    configFile.close();
    QProcess server;
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(influxd, {"run", "-config", config});
    if (!server.waitForStarted(10000))
        QSKIP("influxd would not start here: InfluxDB's own reading of the lines is not tried");
    QNetworkAccessManager network;
    const QUrl base(QStringLiteral("http://127.0.0.1:%1").arg(httpPort));
    bool up = false;
    for (int attempt = 0; attempt < 150 && !up && server.state() == QProcess::Running; ++attempt) {
        QNetworkReply *ping = network.get(QNetworkRequest(base.resolved(QUrl("/ping"))));
        QEventLoop loop;
        QObject::connect(ping, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        up = ping->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 204;
        ping->deleteLater();
        if (!up)
            QTest::qWait(200);
    }
    if (!up) {
        const QByteArray log = server.readAll();
        server.kill();
        server.waitForFinished();
        QSKIP(qPrintable(QStringLiteral("influxd did not come up on 127.0.0.1:%1: %2").arg(httpPort).arg(QString::fromLocal8Bit(log.right(300)))));
    }

    SimulatedPort line;
    QVERIFY(line.start());
    const QString out = folder.filePath("run.lp");
    const InfluxRun influx = recordInflux(line, {"--out", out, "--tag", "site=Plant 3"});
    QVERIFY2(influx.run.exitCode == 0, influx.run.err.constData());
    const QByteArray body = testenv::readAll(out);
    const int lines = static_cast<int>(body.count('\n'));
    QVERIFY(lines > 10);

    QNetworkRequest form(base.resolved(QUrl("/query")));
    form.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    QCOMPARE(send(network, form, "q=CREATE%20DATABASE%20plant").first, 200);
    QNetworkRequest write(base.resolved(QUrl("/write?db=plant&precision=ns")));
    write.setHeader(QNetworkRequest::ContentTypeHeader, "text/plain");
    const QPair<int, QByteArray> written = send(network, write, body);
    QVERIFY2(written.first == 204, written.second.constData());

    QUrlQuery query;
    query.addQueryItem("db", "plant");
    query.addQueryItem("q", "SELECT count(\"pass\"), count(\"600E60\"), count(\"600E62\"), max(\"pass\"), "
                            "last(\"600E60\"), sum(\"600F00.07\") FROM qmx WHERE site = 'Plant 3'");
    const QPair<int, QByteArray> counted = send(network, form, query.toString(QUrl::FullyEncoded).toLatin1());
    QCOMPARE(counted.first, 200);
    const QJsonArray values = QJsonDocument::fromJson(counted.second)["results"][0]["series"][0]["values"][0].toArray();
    QVERIFY2(values.size() == 7, counted.second.constData());
    QCOMPARE(values[1].toInteger(), lines);
    QCOMPARE(values[2].toInteger(), lines);
    QCOMPARE(values[3].toInteger(), 0); // the refused word: never a field
    QCOMPARE(values[4].toInteger(), lines);
    QCOMPARE(values[5].toInteger(), kStepped);
    QCOMPARE(values[6].toInteger(), lines);

    // Names the protocol escapes, and a backslash it leaves as it stands, come back as they were.
    const record::InfluxSeries odd = record::influxSeries(
        QStringLiteral("/dev/tty USB,0=a\\b"), {{"zone", "a,b c"}},
        {QStringLiteral("Spd Fbk"), QStringLiteral("a=b,c"), QStringLiteral("x\\y")});
    record::RecordRow row;
    row.values = {record::ChannelValue(std::int64_t{1}), record::ChannelValue(std::int64_t{2}), record::ChannelValue(2.5)};
    row.epochNanoseconds = influx.startedNs;
    row.pass = 1;
    const QPair<int, QByteArray> oddWritten = send(network, write, record::influxLine(odd, row) + '\n');
    QVERIFY2(oddWritten.first == 204, oddWritten.second.constData());
    const auto firstColumn = [&](const char *statement) {
        QUrlQuery show;
        show.addQueryItem("db", "plant");
        show.addQueryItem("q", QLatin1String(statement));
        const QByteArray answer = send(network, form, show.toString(QUrl::FullyEncoded).toLatin1()).second;
        QStringList found;
        for (const QJsonValue &value : QJsonDocument::fromJson(answer)["results"][0]["series"][0]["values"].toArray())
            found << value.toArray().last().toString();
        return found;
    };
    QVERIFY(firstColumn("SHOW TAG VALUES FROM qmx WITH KEY = \"port\"").contains(QStringLiteral("/dev/tty USB,0=a\\b")));
    QVERIFY(firstColumn("SHOW TAG VALUES FROM qmx WITH KEY = \"zone\"").contains(QStringLiteral("a,b c")));
    QStringList fieldKeys;
    {
        QUrlQuery show;
        show.addQueryItem("db", "plant");
        show.addQueryItem("q", "SHOW FIELD KEYS FROM qmx");
        const QByteArray answer = send(network, form, show.toString(QUrl::FullyEncoded).toLatin1()).second;
        for (const QJsonValue &value : QJsonDocument::fromJson(answer)["results"][0]["series"][0]["values"].toArray())
            fieldKeys << value.toArray().first().toString();
    }
    for (const char *key : {"Spd Fbk", "a=b,c", "x\\y"})
        QVERIFY2(fieldKeys.contains(QLatin1String(key)), qPrintable(fieldKeys.join(u'|')));
    server.terminate();
    QVERIFY(server.waitForFinished(10000));
}

QTEST_GUILESS_MAIN(TestRecordInflux)
#include "test_record_influx.moc"
