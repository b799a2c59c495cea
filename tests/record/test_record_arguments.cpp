// qmx-record's command line as the program answers it: every refusal of an argument on its own
// line of standard error with exit code 2, the first mistake in the order given winning, and
// --help printing the help whatever else is missing, but not past a mistake.

#include "record/EngineeringTexts.h"
#include "record/RecordTexts.h"
#include "tests/record/RecorderProgram.h"

#include <QTemporaryDir>
#include <QtTest>

class TestRecordArguments : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { testenv::prepare(); }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message"); // after "qmx-record: ", the whole of standard error
        const QStringList run{"--port", "COM1", "--channel", "600E60", "--out", "x.csv"};
        const QStringList trigger = run + QStringList{"--trigger", "600E60>1"};
        const QStringList broker = run + QStringList{"--publish", "mqtt://b/t"};
        QTest::newRow("unknown option") << QStringList{"--bogus"} << "--bogus: unknown option (see --help)";
        QTest::newRow("a single dash") << QStringList{"-x"} << "-x: unknown option (see --help)";
        QTest::newRow("a bare word") << (run + QStringList{"COM2"}) << "COM2: unknown option (see --help)";
        QTest::newRow("value missing at the end") << QStringList{"--port"} << "--port: a value is missing";
        QTest::newRow("empty value") << QStringList{"--out", "", "--port", "COM1"} << "--out: a value is missing";
        QTest::newRow("math value missing") << (run + QStringList{"--math"}) << "--math: a value is missing";
        QTest::newRow("config value missing") << (run + QStringList{"--config"}) << "--config: a value is missing";
        QTest::newRow("config not there") << QStringList{"--config", "/nonexistent/x.conf"}
                                          << "--config /nonexistent/x.conf: No such file or directory";
        QTest::newRow("duration") << (run + QStringList{"--duration", "5d"})
                                  << "--duration 5d: give a length of time such as 90s, 15m or 2h";
        QTest::newRow("wait time") << (run + QStringList{"--wait-time", "-1"})
                                   << "--wait-time -1: give the pause in milliseconds (0 or more)";
        QTest::newRow("reads") << (run + QStringList{"--reads", "all"}) << "--reads all: give channel, word or block";
        QTest::newRow("pre") << (trigger + QStringList{"--pre", "-1s"})
                             << "--pre -1s: give a length of time such as 0, 2s or 1m";
        QTest::newRow("post") << (trigger + QStringList{"--post", "x"})
                              << "--post x: give a length of time such as 0, 2s or 1m";
        QTest::newRow("pre without trigger") << (run + QStringList{"--pre", "1s"}) << "--pre: only with --trigger";
        QTest::newRow("rotate") << (run + QStringList{"--rotate", "500ms"})
                                << "--rotate 500ms: give a length of time of a second or more (1h, 15m) or a size of "
                                   "1kB or more (100MB, 512KiB)";
        QTest::newRow("keep") << (run + QStringList{"--rotate", "1h", "--keep", "0"})
                              << "--keep 0: give the number of files to keep, 1 or more";
        QTest::newRow("tag form") << (run + QStringList{"--format", "influx", "--tag", "=x"})
                                  << "--tag =x: give KEY=VALUE, neither empty";
        QTest::newRow("publish twice") << (broker + QStringList{"--publish", "mqtt://u:p@b/t"})
                                       << "--publish mqtt://u:***@b/t: the same broker and topic twice";
        QTest::newRow("spool max") << (broker + QStringList{"--spool-max", "-5"})
                                   << "--spool-max -5: give a number of passes (1 or more) or a length of time such as 1h";
        QTest::newRow("key without publish") << (run + QStringList{"--key", QMX_SOURCE_DIR "/README.md"})
                                             << "--key: only with --publish";
        QTest::newRow("port missing") << QStringList{"--channel", "600E60", "--out", "x.csv"}
                                      << "--port: the port is missing (COM1 or a device such as /dev/ttyUSB0)";
        QTest::newRow("out missing") << QStringList{"--port", "COM1", "--channel", "600E60"}
                                     << "--out: the CSV file to write is missing";
        QTest::newRow("no channels") << QStringList{"--port", "COM1", "--out", "x.csv"}
                                     << "--presets or --channel: no channels to record";
        QTest::newRow("presets and channels") << (run + QStringList{"--presets", "UserPre.qmt"})
                                              << "--presets and --channel: give one or the other";
        QTest::newRow("math name kept") << (run + QStringList{"--math", "t_s=1"})
                                        << "--math t_s=1: t_s is a name the outputs use for themselves (time, t_s, "
                                           "event, port, pass, run, values); choose another name";
        // The first mistake in the order given, also when --help is among the arguments.
        QTest::newRow("help, then a mistake") << QStringList{"--help", "--duration", "x"}
                                              << "--duration x: give a length of time such as 90s, 15m or 2h";
        QTest::newRow("two mistakes") << QStringList{"--reads", "x", "--bogus"} << "--reads x: give channel, word or block";
    }
    void refusals()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const RecorderRun run = runRecorder(arguments);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(QString::fromUtf8(run.err), QStringLiteral("qmx-record: ") + message + u'\n');
        QVERIFY(run.out.isEmpty());
    }

    // The help alone, whatever the run would lack; -h as well.
    void help()
    {
        const QByteArray text = record::kHelpText.arg(record::kEngineeringHelp).toUtf8();
        for (const QStringList &arguments : {QStringList{"--help"}, QStringList{"-h"}, QStringList{"--quiet", "--help", "--port", "COM1"}}) {
            const RecorderRun run = runRecorder(arguments);
            QCOMPARE(run.exitCode, 0);
            QCOMPARE(run.out, text);
            QVERIFY(run.err.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestRecordArguments)
#include "test_record_arguments.moc"
