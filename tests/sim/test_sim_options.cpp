// qmx-sim's command line as the program answers it: a refused argument prints the usage on
// standard error and ends with exit code 2 before any device is made; a taken one serves
// ("device: ...") until SIGTERM, which ends it with 0; an image that cannot be read ends it with 1.

#include <QProcess>
#include <QtTest>

namespace {

struct SimRun {
    int exitCode = -1; // -1: did not end in time
    QByteArray out, err;
};

// Runs qmx-sim; once it says its device (it serves), it is told to end with SIGTERM.
SimRun runSimulator(const QStringList &arguments)
{
    QProcess simulator;
    simulator.start(QStringLiteral(QMX_SIM_EXE), arguments);
    SimRun run;
    while (!run.out.contains('\n') && simulator.state() != QProcess::NotRunning && simulator.waitForReadyRead(5000))
        run.out += simulator.readAllStandardOutput();
    if (run.out.contains('\n'))
        simulator.terminate();
    // A process that has ended already is not waited for (waitForFinished() would say false).
    if (simulator.state() != QProcess::NotRunning && !simulator.waitForFinished(5000)) {
        simulator.kill();
        simulator.waitForFinished();
        return run;
    }
    run.exitCode = simulator.exitStatus() == QProcess::NormalExit ? simulator.exitCode() : -2;
    run.out += simulator.readAllStandardOutput();
    run.err = simulator.readAllStandardError();
    return run;
}

} // namespace

class TestSimOptions : public QObject {
    Q_OBJECT

private slots:
    void arguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("taken");
        const auto taken = [](const char *name, const QStringList &arguments) { QTest::newRow(name) << arguments << true; };
        const auto refused = [](const char *name, const QStringList &arguments) { QTest::newRow(name) << arguments << false; };
        taken("none", {});
        taken("still, paced", {"--no-live", "--baud", "9600"});
        taken("baud 0", {"--baud", "0"});
        taken("drops", {"--drop-every", "+10s", "--drop-for", "500ms"});
        taken("drop in minutes, blank before", {"--drop-every", " 2m", "--drop-for", "1.5"});
        taken("drop below a millisecond", {"--drop-every", "1m", "--drop-for", "0.5ms"});
        taken("fault on every third", {"--fault", "nak:D", "--fault-every", "3"});
        taken("faults with arguments", {"--fault", "PIECES:2", "--fault", "stray:0D"});
        taken("faults without", {"--fault", "refuse-r", "--fault", "out-of-order", "--fault", "repeat"});
        taken("late", {"--fault", "late:1500"});
        taken("noise", {"--noise", "stray=0.1,split=0,stall=1,stall-ms=10,seed=3"});
        taken("schedule", {"--step", "600E60:100@5s", "--toggle", "600F00:7/10", "--response", "600E60:0:8000:250ms@5s"});
        refused("unknown", {"--bogus"});
        refused("a bare word", {"COM1"});
        refused("value missing", {"--image"});
        refused("flag with a value", {"--no-live", "yes"});
        refused("baud", {"--baud", "fast"});
        refused("negative baud", {"--baud", "-1"});
        refused("drop of none", {"--drop-every", "0"});
        refused("drop in hours", {"--drop-every", "2h"});
        refused("drop, blank after the unit", {"--drop-for", "3s "});
        refused("drop negative", {"--drop-for", "-3s"});
        refused("drop unit alone", {"--drop-for", "ms"});
        refused("fault every none", {"--fault", "silence", "--fault-every", "0"});
        refused("unknown fault", {"--fault", "noise"});
        refused("nak without letter", {"--fault", "nak"});
        refused("nak of two letters", {"--fault", "nak:DD"});
        refused("pieces of none", {"--fault", "pieces:0"});
        refused("late without time", {"--fault", "late"});
        refused("refuse-r of two letters", {"--fault", "refuse-r:AB"});
        refused("stray beyond a byte", {"--fault", "stray:100"});
        refused("repeat negative", {"--fault", "repeat:-1"});
        refused("noise above 1", {"--noise", "stray=2"});
        refused("noise key unknown", {"--noise", "hum=0.1"});
        refused("noise without value", {"--noise", "stray"});
        refused("step", {"--step", "600E60:100"});
        refused("toggle", {"--toggle", "600F00:17/10"});
        refused("response", {"--response", "600E60:0:8000@5s"});
    }
    void arguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, taken);
        const SimRun run = runSimulator(arguments);
        if (taken) {
            QVERIFY2(run.exitCode == 0, run.err.constData());
            QVERIFY2(run.out.startsWith("device: /dev/"), run.out.constData());
            QVERIFY(run.err.isEmpty());
            return;
        }
        // The same usage, whatever the mistake.
        static const QByteArray usage = runSimulator({"--bogus"}).err;
        QVERIFY(usage.startsWith("usage: qmx-sim [--image FILE] [--link PATH] [--baud 9600] [--fault KIND[:ARG]] [--no-live]\n"));
        QVERIFY(usage.endsWith("\nSignals: SIGUSR1 drops the line, SIGUSR2 brings it back; SIGINT/SIGTERM end.\n"));
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.err, usage);
        QVERIFY(run.out.isEmpty());
    }

    void imageThatCannotBeRead()
    {
        const SimRun run = runSimulator({"--image", "/nonexistent/image.dat"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.startsWith("qmx-sim: ") && run.err.endsWith('\n') && run.err.count('\n') == 1, run.err.constData());
        QVERIFY(run.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSimOptions)
#include "test_sim_options.moc"
