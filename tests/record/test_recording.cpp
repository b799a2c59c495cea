// qmx-record against the simulator: its options and exit codes, the CSV of a run with named
// channels and with a preset file equal to the words served, Ctrl-C leaving a complete file, and a
// line that goes away and comes back in the middle of a recording and of a Trend Graph run.

#include "base/ProgramFolder.h"
#include "record/RecordOptions.h"
#include "record/Recording.h"
#include "sim/ControllerSimulator.h"
#include "tests/record/RecorderProgram.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trend/TrendWindowProgram.h"
#include "trend/window/TrendGraphWindow.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/ReadoutBand.h"
#include "trend/window/TrendGraphView.h"
#include "trend/model/Presets.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <csignal>

namespace {

constexpr std::uint32_t kAnTermIn = 0x600F92;
constexpr std::uint32_t kInvFlag = 0x600F00;
constexpr std::uint32_t kCmdFlag = 0x600F02;
constexpr std::uint32_t kSpdFbk = 0x600FAA;
constexpr std::uint32_t kMisc = 0x600E60;
// A failed exchange waits out the reply time (up to 2 s); a dropped line is noticed by the first.
constexpr int kLineNoticedMs = 8000;


// t_s never going back (passes against the simulator without baud emulation come faster than the
// millisecond the column shows), every time stamp ISO 8601 with milliseconds.
bool timesIncrease(const QList<QByteArrayList> &rows)
{
    double last = -1;
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const double t = rows[r][1].toDouble();
        if (!(t >= last) || !QDateTime::fromString(QString::fromLatin1(rows[r][0]), Qt::ISODateWithMs).isValid())
            return false;
        last = t;
    }
    return true;
}

// Starts `line` with still values, its device reached through a link path in the program folder,
// so that the line comes back under the same name after it went away.
bool startStillController(SimulatedPort &line)
{
    const bool started = line.start(QString(), testenv::programDir() + QStringLiteral("qmx-tty-record"));
    line.simulator().setLiveDemo(false);
    return started;
}

} // namespace

class TestRecording : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        testenv::prepare();
        QFile::remove(testenv::programDir() + QStringLiteral("sbdata.qmx"));
    }

    void optionsAndChannels();
    void badArgumentsAndMissingPort();
    void namedChannelsThenPresetsUntilCtrlC();
    void blockReadsRefusedByTheController();
    void blockReadsNeverAnswered();
    void recordingGoesOnAcrossALostLine();
    void silentControllerIsNotALostLine();
    void trendGraphResumesWhenTheLineIsBack();
    void hangUpEndsTheRunAsSigtermDoes();
    void channelTextsAndTheSavedSuperBlock_data();
    void channelTextsAndTheSavedSuperBlock();
    void dataReadThroughAnUnknownRefusal_data();
    void dataReadThroughAnUnknownRefusal();
    void failedStartsKeepTheOutputFile();
};

void TestRecording::optionsAndChannels()
{
    using namespace std::chrono;
    QCOMPARE(record::parseDuration(QStringLiteral("90")), milliseconds(90000));
    QCOMPARE(record::parseDuration(QStringLiteral("90s")), milliseconds(90000));
    QCOMPARE(record::parseDuration(QStringLiteral("15m")), milliseconds(900000));
    QCOMPARE(record::parseDuration(QStringLiteral("2h")), milliseconds(7200000));
    QCOMPARE(record::parseDuration(QStringLiteral("0.5s")), milliseconds(500));
    for (const char *bad : {"", "h", "-1s", "0", "2d", "abc"})
        QVERIFY2(!record::parseDuration(QLatin1String(bad)), bad);

    const auto parsed = record::parseArguments({"--port", "/dev/ttyUSB0", "--channel", "SpdFbk", "--channel", "600E60",
                                                "--channel", "InvFlag:07", "--out", "run.csv", "--duration", "2h",
                                                "--wait-time", "100", "--data-read", "--quiet"});
    QVERIFY2(parsed.options, qPrintable(parsed.error));
    QCOMPARE(parsed.options->channels, (QStringList{"SpdFbk", "600E60", "InvFlag:07"}));
    QCOMPARE(parsed.options->waitTimeMs, 100);
    QVERIFY(parsed.options->dataRead && parsed.options->quiet);
    QCOMPARE(parsed.options->duration, milliseconds(7200000));
    QCOMPARE(parsed.options->readMode, readplan::ReadMode::EachWord);
    for (const auto &[text, mode] : {std::pair{"channel", readplan::ReadMode::PerChannel},
                                     std::pair{"word", readplan::ReadMode::EachWord},
                                     std::pair{"block", readplan::ReadMode::Blocks}}) {
        const auto withReads = record::parseArguments({"--port", "COM1", "--channel", "600E60", "--out", "run.csv",
                                                       "--reads", QLatin1String(text)});
        QVERIFY2(withReads.options, qPrintable(withReads.error));
        QCOMPARE(withReads.options->readMode, mode);
    }

    // Channels: a known name is looked up ("L"), anything else is a hex address ("A"); NAME:BIT
    // takes the next logic channel.
    const QStringList list = {"00600FAA,SpdFbk", "00600F00,InvFlag", "END"};
    const record::ChannelSetup setup =
        record::channelsFromTexts({"SpdFbk", "600e60", "InvFlag:07", "600F02:0"}, list);
    QVERIFY2(setup.error.isEmpty(), qPrintable(setup.error));
    QCOMPARE(setup.data.selectedChannels, (std::vector<int>{0, 1, 7, 8}));
    QCOMPARE(setup.data.channels[0].addressKind, AddressKind::Name);
    QCOMPARE(setup.data.channels[1].addressKind, AddressKind::Address);
    QCOMPARE(setup.data.channels[1].addressOrName, QStringLiteral("600E60"));
    QCOMPARE(setup.data.channelAddress[0], kSpdFbk);
    QCOMPARE(setup.data.channelAddress[1], kMisc);
    QCOMPARE(setup.data.channelAddress[7], kInvFlag);
    QCOMPARE(setup.data.channelScale[7], 0x80);
    QCOMPARE(setup.data.channelScale[8], 1);

    const auto error = [&](const QStringList &texts) { return record::channelsFromTexts(texts, list).error; };
    QVERIFY(error({"NoSuchName"}).startsWith(QStringLiteral("--channel NoSuchName:")));
    QVERIFY(error({"InvFlag:x"}).startsWith(QStringLiteral("--channel InvFlag:x:")));
    QVERIFY(error({"InvFlag:16"}).contains(QStringLiteral("0 to 15")));
    QVERIFY(error({"1", "2", "3", "4", "5", "6", "7", "8"}).startsWith(QStringLiteral("--channel 8:")));

    // The status line carries the line's last event with its time.
    record::RunRecording::Figures figures;
    figures.rows = 3;
    figures.poll.stats.add(-1, {});
    figures.poll.stats.add(-1, {});
    figures.poll.stats.add(-3, {});
    figures.lastLineEvent = trendpoll::LineEvent::Lost;
    figures.lastLineEventAt = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
    const QString status = record::statusLine(figures, std::chrono::seconds(3725));
    // The line it reads, and while the controller does not answer, since when.
    figures.poll.passes = 1;
    figures.reply = ReplyState{false, std::chrono::steady_clock::now() - std::chrono::seconds(90)};
    const QString silent = record::statusLine(figures, std::chrono::seconds(3725), QStringLiteral("COM1 (/dev/ttyS9)"));
    const QString expectedSince = QDateTime::currentDateTime().addSecs(-90).toString(QStringLiteral("HH:mm:ss"));
    const QString prefix = QStringLiteral("COM1 (/dev/ttyS9)  no reply since ");
    const QTime since = QTime::fromString(silent.mid(prefix.size(), 8), QStringLiteral("HH:mm:ss"));
    QVERIFY2(silent.startsWith(prefix) && silent.endsWith(QStringLiteral("  ") + status) && since.isValid() &&
                 qAbs(since.secsTo(QTime::fromString(expectedSince, QStringLiteral("HH:mm:ss")))) <= 1,
             qPrintable(silent));
    QVERIFY2(status.contains(QStringLiteral("rows 3")) && status.contains(QStringLiteral("-3 refused D: 1")) &&
                 status.contains(QStringLiteral("-1 no reply: 2")) && status.contains(QStringLiteral("1:02:05")) &&
                 status.endsWith(QStringLiteral("line lost 03:04:05")),
             qPrintable(status));
}

void TestRecording::badArgumentsAndMissingPort()
{
    const QString out = testenv::programDir() + QStringLiteral("bad.csv");
    const struct {
        QStringList arguments;
        const char *named;
    } cases[] = {
        {{}, "--port"},
        {{"--port", "COM1", "--channel", "600E60"}, "--out"},
        {{"--port", "COM1", "--out", out}, "--presets or --channel"},
        {{"--port", "COM1", "--channel", "600E60", "--out", out, "--duration", "5x"}, "--duration 5x"},
        {{"--port", "COM1", "--channel", "600E60", "--out", out, "--wait-time", "soon"}, "--wait-time soon"},
        {{"--port", "COM1", "--channel", "600E60", "--out", out, "--speed", "2"}, "--speed"},
        {{"--port", "COM1", "--channel", "600E60", "--out", out, "--reads", "blocks"}, "--reads blocks"},
        {{"--port", "COM1", "--channel", "600E60", "--out"}, "--out"},
        // No super-block file yet: a block's name cannot be resolved (the shipped lists' names can).
        {{"--port", "COM1", "--channel", "SUM1", "--out", out}, "--channel SUM1"},
        {{"--port", "COM1", "--presets", "/nonexistent/UserPre.qmt", "--out", out}, "--presets"},
        {{"--port", "COM1", "--channel", "600E60", "--out", "/nonexistent/run.csv"}, "--out"},
    };
    for (const auto &c : cases) {
        const RecorderRun run = runRecorder(c.arguments);
        QVERIFY2(run.exitCode == 2, qPrintable(c.arguments.join(u' ') + QStringLiteral(" -> ") + QString::number(run.exitCode)));
        QVERIFY2(run.err.startsWith("qmx-record: " + QByteArray(c.named)), run.err.constData());
    }

    const RecorderRun help = runRecorder({"--help"});
    QCOMPARE(help.exitCode, 0);
    for (const char *option : {"--port", "--presets", "--channel", "--out", "--duration", "--wait-time", "--reads", "--data-read",
                               "--quiet", "--help", "Example:"})
        QVERIFY2(help.out.contains(option), option);

    const RecorderRun missing =
        runRecorder({"--port", testenv::programDir() + QStringLiteral("no-such-tty"), "--channel", "600E60", "--out", out});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY2(missing.err.contains("CreateFile Error!") && missing.err.contains("no such device"), missing.err.constData());
}

void TestRecording::namedChannelsThenPresetsUntilCtrlC()
{
    SimulatedPort line;
    QVERIFY(startStillController(line));
    ControllerSimulator &sim = line.simulator();
    sim.writeWord(kAnTermIn, static_cast<std::uint16_t>(-12345));
    sim.writeWord(kSpdFbk, 17000);
    sim.writeWord(kInvFlag, 0x0081);
    sim.writeWord(kCmdFlag, 0x0080);
    sim.writeWord(kMisc, 0x1234);

    // Named channels after a Data Read (which saves sbdata.qmx for the next run).
    const QString named = testenv::programDir() + QStringLiteral("named.csv");
    const RecorderRun run = runRecorder({"--port", sim.devicePath(), "--data-read", "--channel", "AnTermIn", "--channel",
                                 "SpdFbk", "--channel", "600e60", "--channel", "InvFlag:07", "--channel", "InvFlag:1",
                                 "--channel", "CmdFlag:0", "--out", named, "--duration", "2s"});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY2(run.err.isEmpty(), run.err.constData()); // not a terminal: no status line
    QVERIFY(QFile::exists(testenv::programDir() + QStringLiteral("sbdata.qmx")));
    auto rows = readCsv(named);
    QVERIFY(rows);
    QCOMPARE(rows->front(), (QByteArrayList{"time", "t_s", "AnTermIn", "SpdFbk", "600E60", "InvFlag.07", "InvFlag.1",
                                            "CmdFlag.0"}));
    QVERIFY2(rows->size() > 10, qPrintable(QString::number(rows->size())));
    QVERIFY(timesIncrease(*rows));
    for (qsizetype r = 1; r < rows->size(); ++r)
        QCOMPARE(rows->at(r).mid(2), (QByteArrayList{"-12345", "17000", "4660", "1", "0", "0"}));

    // The shipped presets (AnTermIn, SpdFbk, InvFlag bits 0 and 7, CmdFlag bit 0), names resolved
    // through the saved sbdata.qmx; stopped by Ctrl-C in the middle of the run.
    const QString fromPresets = testenv::programDir() + QStringLiteral("presets.csv");
    QProcess process;
    process.start(recorder(), {"--port", sim.devicePath(), "--presets", testenv::programDir() + "UserPre.qmt",
                               "--out", fromPresets, "--quiet"});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(rowsWritten(fromPresets) >= 20, 10000);
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    rows = readCsv(fromPresets); // complete: the last line ends with CR LF
    QVERIFY(rows);
    QVERIFY(timesIncrease(*rows));
    QCOMPARE(rows->front(),
             (QByteArrayList{"time", "t_s", "AnTermIn", "SpdFbk", "InvFlag.00", "InvFlag.07", "CmdFlag.00"}));
    for (qsizetype r = 1; r < rows->size(); ++r)
        QCOMPARE(rows->at(r).mid(2), (QByteArrayList{"-12345", "17000", "1", "1", "0"}));
}

void TestRecording::blockReadsRefusedByTheController()
{
    SimulatedPort line;
    QVERIFY(startStillController(line));
    ControllerSimulator &sim = line.simulator();
    sim.writeWord(kInvFlag, 0x0081);
    sim.writeWord(kCmdFlag, static_cast<std::uint16_t>(-7));
    sim.setFaultForAllRequests(SimFault{SimFault::Kind::RefuseBlockReads});

    // The recorder with block reads: the words of the refused block read by "R", every row whole.
    const QString out = testenv::programDir() + QStringLiteral("blocks.csv");
    const RecorderRun run = runRecorder({"--port", sim.devicePath(), "--reads", "block", "--channel", "600F00", "--channel",
                                 "600F02", "--channel", "600F00:7", "--out", out, "--duration", "1s",
                                 "--wait-time", "5"}); // passes few enough for the simulator's request log
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const auto rows = readCsv(out);
    QVERIFY(rows && rows->size() > 5);
    for (qsizetype r = 1; r < rows->size(); ++r)
        QCOMPARE(rows->at(r).mid(2), (QByteArrayList{"129", "-7", "1"}));
    int blockRequests = 0;
    for (const QByteArray &frame : sim.requestLog())
        blockRequests += frame.size() > 2 && frame[2] == 'r';
    QCOMPARE(blockRequests, 1);

    // The status line says the plan, and once that the block read was given up.
    const record::ChannelSetup setup = record::channelsFromTexts({"600F00", "600F02", "600F00:7"}, {"END"});
    QVERIFY2(setup.error.isEmpty(), qPrintable(setup.error));
    Link link;
    QCOMPARE(link.open(PortUser::Tool, sim.devicePath()), 0);
    QString error;
    const int file = record::RunRecording::openFile(testenv::programDir() + QStringLiteral("status.csv"), &error);
    QVERIFY2(file >= 0, qPrintable(error));
    record::RunRecording recording(setup.data, file);
    QVERIFY(recording.begin(std::chrono::steady_clock::now(), QDateTime::currentDateTime()));
    LinkTask task;
    record::recordPasses(link, task, setup.data, recording,
                         [&](std::uint64_t rows) {
                             if (rows >= 3)
                                 task.cancel();
                         },
                         readplan::ReadMode::Blocks);
    link.close();
    const QString status = record::statusLine(recording.figures(), std::chrono::seconds(1));
    QVERIFY2(status.contains(QStringLiteral("plan: 2 word reads, 52 bytes/pass, limit 18.5 passes/s  "
                                            "block read 00600F00+4 refused (-3): its words read one by one")),
             qPrintable(status));
    QCOMPARE(status.count(QStringLiteral("block read ")), 1);
}

// A controller that answers "R" but never "r": --reads block recorded rows of empty cells and said
// that the controller did not answer. The link tells such a controller from a silent line (its
// word read answered after its block-read probes were not); the block read is then given up for
// word reads, as a refused one is, and the summary says so.
void TestRecording::blockReadsNeverAnswered()
{
    SimulatedPort line;
    QVERIFY(startStillController(line));
    ControllerSimulator &sim = line.simulator();
    sim.writeWord(kInvFlag, 0x0081);
    sim.writeWord(kCmdFlag, static_cast<std::uint16_t>(-7));
    sim.setFaultForAllRequests(SimFault{SimFault::Kind::IgnoreBlockReads});
    const QString out = testenv::programDir() + QStringLiteral("unanswered.csv");
    const RecorderRun run = runRecorder({"--port", sim.devicePath(), "--reads", "block", "--channel", "600F00", "--channel",
                                         "600F02", "--channel", "600F00:7", "--out", out, "--force", "--duration", "12s",
                                         "--wait-time", "5"},
                                        30000);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY2(run.out.contains("\nqmx-record: block read 00600F00+4 not answered (\"R\" is) (-1): its words read one by "
                              "one\n"),
             run.out.constData());
    // The passes before the link knew are empty; every one after is whole.
    const auto rows = readCsv(out);
    QVERIFY(rows && rows->size() > 20);
    qsizetype whole = 1;
    while (whole < rows->size() && rows->at(whole).mid(2) == QByteArrayList{"", "", ""})
        ++whole;
    QVERIFY2(whole <= 6, qPrintable(QString::number(whole)));
    for (qsizetype r = whole; r < rows->size(); ++r)
        QCOMPARE(rows->at(r).mid(2), (QByteArrayList{"129", "-7", "1"}));
}

void TestRecording::recordingGoesOnAcrossALostLine()
{
    SimulatedPort line;
    QVERIFY(startStillController(line));
    ControllerSimulator &sim = line.simulator();
    sim.writeWord(kMisc, 1111);
    const QString out = testenv::programDir() + QStringLiteral("lost.csv");
    QProcess process;
    process.start(recorder(), {"--port", sim.devicePath(), "--channel", "600E60", "--channel", "600E60:0", "--wait-time",
                               "50", "--out", out});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(rowsWritten(out) >= 5, 10000);

    // The adapter is pulled: its device name goes away. Rows of the gap have empty cells.
    sim.closeLine();
    QVERIFY(!QFile::exists(sim.devicePath()));
    QTRY_VERIFY_WITH_TIMEOUT(testenv::readAll(out).count(",,\r\n") >= 2, kLineNoticedMs);
    // Plugged in again, under the same name; new words to tell the rows after the return.
    sim.writeWord(kMisc, 2222);
    QVERIFY(sim.reopenLine());
    QTRY_VERIFY_WITH_TIMEOUT(testenv::readAll(out).count(",2222,0\r\n") >= 5, kLineNoticedMs);
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 0);

    const auto rows = readCsv(out);
    QVERIFY(rows);
    QVERIFY(timesIncrease(*rows));
    // Before, the gap, after: in this order, nothing else.
    int phase = 0;
    int counts[3] = {0, 0, 0};
    const QByteArrayList phases[3] = {{"1111", "1"}, {"", ""}, {"2222", "0"}};
    for (qsizetype r = 1; r < rows->size(); ++r) {
        const QByteArrayList values = rows->at(r).mid(2);
        while (phase < 3 && values != phases[phase])
            ++phase;
        QVERIFY2(phase < 3, rows->at(r).join(',').constData());
        ++counts[phase];
    }
    QVERIFY(counts[0] >= 5 && counts[1] >= 2 && counts[2] >= 5);
}

void TestRecording::silentControllerIsNotALostLine()
{
    SimulatedPort line;
    QVERIFY(startStillController(line));
    ControllerSimulator &sim = line.simulator();
    line.mapTo(QStringLiteral("COM1"));
    Link link;
    QCOMPARE(link.open(PortUser::Tool), 0);
    sim.setFaultForAllRequests(SimFault{SimFault::Kind::Silence});
    QCOMPARE(link.readValue('R', 2, kMisc), -1);
    QVERIFY(link.isOpen());
    QVERIFY(!link.lineGone());
    sim.clearFaults();

    // Gone: the same failure, but the line says so; the device opens again once it is back.
    sim.closeLine();
    QCOMPARE(link.readValue('R', 2, kMisc), -1);
    QVERIFY(link.lineGone());
    link.closeLostLine();
    QVERIFY(!link.isOpen());
    QCOMPARE(link.reopen(), -1);
    QVERIFY(sim.reopenLine());
    QCOMPARE(link.reopen(), 0);
    QCOMPARE(link.holder(), PortUser::Tool);
    QCOMPARE(link.readValue('R', 2, 0x600600), 0x4304);
}

void TestRecording::trendGraphResumesWhenTheLineIsBack()
{
    SimulatedPort line;
    QVERIFY(startStillController(line));
    ControllerSimulator &sim = line.simulator();
    sim.writeWord(kAnTermIn, 1234);
    line.mapTo(QStringLiteral("COM1"));

    TrendWindowProgram p{{"00600F92,AnTermIn", "END"}};
    p.ws.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("50")));
    TrendGraphWindow form(p.ws, p.data);
    for (int n = 1; n <= kChannels; ++n)
        form.table().row(n - 1).selected->setChecked(false);
    form.table().row(0).selected->setChecked(true);
    form.table().setAddressKind(0, AddressKind::Name);
    form.table().row(0).name->setText(QStringLiteral("AnTermIn"));
    form.table().row(0).scale->setText(QStringLiteral("20000"));
    form.toggleRun();
    QTRY_VERIFY_WITH_TIMEOUT(form.runActive() && form.passesStored() >= 5, 10000);

    const auto column = [&form] {
        std::vector<std::int32_t> values;
        for (int r = 0; r < form.data().ringWritePos; ++r)
            values.push_back(form.data().sampleRing[r][0]);
        return values;
    };
    const auto count = [&column](std::int32_t value) {
        const auto values = column();
        return std::count(values.begin(), values.end(), value);
    };
    sim.closeLine();
    QTRY_VERIFY_WITH_TIMEOUT(count(0) >= 2, kLineNoticedMs);
    QVERIFY(form.runActive());
    sim.writeWord(kAnTermIn, 4321);
    QVERIFY(sim.reopenLine());
    // No user action: the run opens the device again and reads the controller's values.
    QTRY_VERIFY_WITH_TIMEOUT(count(4321) >= 5, kLineNoticedMs);
    QVERIFY(form.runActive());
    form.toggleRun();
    QTRY_VERIFY_WITH_TIMEOUT(!form.runActive() && !p.ws.linkThread.portOpen(), 5000);

    const auto values = column();
    QVERIFY(!form.data().ringWrapped);
    // Before the loss, the gap (failed reads store 0), after the return: in this order.
    std::size_t i = 0;
    const auto run = [&](std::int32_t v) {
        const std::size_t from = i;
        while (i < values.size() && values[i] == v)
            ++i;
        return i - from;
    };
    QVERIFY(run(1234) >= 5);
    QVERIFY(run(0) >= 2);
    QVERIFY(run(4321) >= 5);
    QCOMPARE(i, values.size());
    QCOMPARE(p.dialogs.messages, QStringList{});
}

QStringList lockFiles()
{
    return QDir(QString::fromLocal8Bit(qgetenv("QMX_LOCK_DIR"))).entryList({QStringLiteral("LCK..*")}, QDir::Files);
}

void TestRecording::hangUpEndsTheRunAsSigtermDoes()
{
    SimulatedPort line;
    QVERIFY(startStillController(line));
    line.simulator().writeWord(kMisc, 0x1234);
    const QString out = testenv::programDir() + QStringLiteral("hangup.csv");
    QProcess process;
    process.start(recorder(), {"--port", line.devicePath(), "--channel", "600E60", "--out", out, "--quiet"});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(rowsWritten(out) >= 5, 10000);
    QCOMPARE(lockFiles().size(), 1);
    ::kill(static_cast<pid_t>(process.processId()), SIGHUP);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    const auto rows = readCsv(out); // the last row complete
    QVERIFY(rows);
    for (qsizetype r = 1; r < rows->size(); ++r)
        QCOMPARE(rows->at(r).mid(2), QByteArrayList{"4660"});
    QCOMPARE(lockFiles(), QStringList{});
}

void TestRecording::channelTextsAndTheSavedSuperBlock_data()
{
    QTest::addColumn<QByteArray>("superBlockFile"); // empty: none
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stderrHas"); // empty: stderr empty
    const QByteArray none;
    const QByteArray oneLine("@600600,1,4304,\r\n");
    QByteArray twelveLines;
    for (int i = 0; i < 12; ++i)
        twelveLines += "@600600,1,0000,\r\n";
    QTest::newRow("address") << none << QStringList{"--channel", "600E60"} << 0 << QString();
    QTest::newRow("eight digits") << none << QStringList{"--channel", "00600E60"} << 0 << QString();
    QTest::newRow("letters only: a misspelt name?")
        << none << QStringList{"--channel", "Face"} << 0
        << "qmx-record: warning: --channel Face: not a variable name; read as the hex address FACE";
    QTest::newRow("logic channel by letters") << none << QStringList{"--channel", "e60:3"} << 0
                                              << "warning: --channel e60:3: not a variable name";
    QTest::newRow("nine digits") << none << QStringList{"--channel", "100600E60"} << 2
                                 << "qmx-record: --channel 100600E60: a hex address has at most 8 digits";
    QTest::newRow("sbdata.qmx too short") << oneLine << QStringList{"--channel", "600E60"} << 2
                                          << "Fewer than twelve lines in";
    QTest::newRow("sbdata.qmx failing its tests") << twelveLines << QStringList{"--channel", "600E60"} << 2
                                                  << "sbdata.qmx: ";
    QTest::newRow("a new Data Read instead") << oneLine << QStringList{"--channel", "600E60", "--data-read"} << 0
                                             << QString();
    // A name in the wrong case is not found, but the message offers the right one.
    QTest::newRow("name in the wrong case") << none << QStringList{"--channel", "spdfbk", "--data-read"} << 2
                                            << "did you mean SpdFbk?";
}

void TestRecording::channelTextsAndTheSavedSuperBlock()
{
    QFETCH(QByteArray, superBlockFile);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, stderrHas);
    SimulatedPort line;
    QVERIFY(startStillController(line));
    const QString superBlock = programfolder::file(QStringLiteral("sbdata.qmx"));
    QFile::remove(superBlock);
    if (!superBlockFile.isEmpty()) {
        QFile file(superBlock);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(superBlockFile);
    }
    const QString out = testenv::programDir() + QStringLiteral("texts.csv");
    const RecorderRun run =
        runRecorder(QStringList{"--port", line.devicePath(), "--out", out, "--force", "--duration", "1s"} + arguments);
    QFile::remove(superBlock);
    QVERIFY2(run.exitCode == exitCode, run.err.constData());
    if (stderrHas.isEmpty())
        QVERIFY2(run.err.isEmpty(), run.err.constData());
    else
        QVERIFY2(QString::fromLocal8Bit(run.err).contains(stderrHas), run.err.constData());
    if (exitCode == 0)
        QVERIFY(rowsWritten(out) >= 1);
}

// A refusal whose letter is not the controller's (a real one with its letter corrupted, as a NAK
// has no checksum) fails the Data Read: no names, sbdata.qmx as it was.
void TestRecording::dataReadThroughAnUnknownRefusal_data()
{
    QTest::addColumn<char>("letter");
    QTest::addColumn<QString>("text");
    QTest::newRow("letter outside the table") << 'Q' << "failed with code -14 (refused, unknown letter Q)";
    QTest::newRow("D with a bit flipped") << char('D' ^ 0x80) << "failed with code -14 (refused, unknown letter)";
}

void TestRecording::dataReadThroughAnUnknownRefusal()
{
    QFETCH(char, letter);
    QFETCH(QString, text);
    SimulatedPort line;
    QVERIFY(startStillController(line));
    const QString superBlock = programfolder::file(QStringLiteral("sbdata.qmx"));
    const QByteArray before("kept as it was\r\n");
    {
        QFile file(superBlock);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(before);
    }
    line.simulator().setFaultForAllRequests(SimFault{SimFault::Kind::Nak, letter});
    const RecorderRun run = runRecorder({"--port", line.devicePath(), "--data-read", "--channel", "SpdFbk", "--out",
                                 testenv::programDir() + QStringLiteral("refused.csv"), "--duration", "1s"});
    const QByteArray after = testenv::readAll(superBlock);
    QFile::remove(superBlock);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(QString::fromLocal8Bit(run.err).contains(text), run.err.constData());
    QCOMPARE(after, before);
}

// A start that fails leaves a file the user had exactly as it was, and nothing beside it; an
// existing file is replaced only with --force, and then only once the run has rows.
void TestRecording::failedStartsKeepTheOutputFile()
{
    SimulatedPort line;
    QVERIFY(startStillController(line));
    QTemporaryDir folder;
    const QString keep = folder.filePath(QStringLiteral("keep.csv"));
    const QByteArray precious("time,t_s,precious\r\n1,2,3\r\n");
    {
        QFile file(keep);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(precious);
    }
    const auto folderHoldsOnlyKeep = [&] {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden) == QStringList{QStringLiteral("keep.csv")};
    };
    struct Start {
        QStringList arguments;
        int exitCode;
        const char *says;
    };
    const QList<Start> starts{
        {{"--port", line.devicePath(), "--channel", "600E60"}, 2, "--force"},
        {{"--port", folder.filePath("no-such-tty"), "--channel", "600E60", "--force"}, 1, ""},
        {{"--port", line.devicePath(), "--data-read", "--channel", "NoSuchName", "--force"}, 2, "NoSuchName"},
    };
    for (const Start &start : starts) {
        const RecorderRun run = runRecorder(start.arguments + QStringList{"--out", keep, "--duration", "1s"});
        QVERIFY2(run.exitCode == start.exitCode, run.err.constData());
        QVERIFY2(QString::fromLocal8Bit(run.err).contains(QLatin1String(start.says)), run.err.constData());
        QCOMPARE(testenv::readAll(keep), precious);
        QVERIFY(folderHoldsOnlyKeep());
    }
    // With --force and a run that reads, the new rows replace the file.
    const RecorderRun run = runRecorder({"--port", line.devicePath(), "--channel", "600E60", "--force", "--out", keep,
                                 "--duration", "1s"});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY(rowsWritten(keep) >= 1);
    QVERIFY(!testenv::readAll(keep).contains("precious"));
    QVERIFY(folderHoldsOnlyKeep());
    QCOMPARE(QFile::permissions(keep) & QFile::ReadOwner, QFile::ReadOwner);
}

QTEST_MAIN(TestRecording)
#include "test_recording.moc"
