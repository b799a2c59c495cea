// Triggered capture against the simulator's scripted values: a step fires once at its pass with
// the wanted rows before and after, a toggling bit only on the chosen edge, a read failing across
// the level never, AND and OR of two channels; qmx-record --trigger writing exactly the event
// windows asked for. Also the --trigger texts, the capture's windows in time and the simulator's
// script texts as tables.

#include "link/Link.h"
#include "link/LinkThread.h"
#include "record/RecordOptions.h"
#include "record/TriggerCapture.h"
#include "sim/ControllerSimulator.h"
#include "tests/record/RecorderProgram.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"
#include "trend/model/TrendPoll.h"

#include <QProcess>
#include <QtTest>

using trigger::Combine;
using trigger::Condition;
using trigger::Edge;
using trigger::TriggerSetup;

namespace {

constexpr std::uint32_t kAnTermIn = 0x600F92;
constexpr std::uint32_t kInvFlag = 0x600F00;
constexpr std::uint32_t kSpdFbk = 0x600FAA;
constexpr std::uint32_t kMisc = 0x600E60;
constexpr int kBitChannel = kAnalogChannels; // the first logic channel
constexpr int kInvFlagBit = 7;

// A simulator with still values and a link open on it, reading passes of chosen channels.
struct Line {
    Line()
    {
        started = port.start();
        sim.setLiveDemo(false);
        opened = started && link.open(PortUser::Tool, port.devicePath()) == 0;
    }
    ~Line() { link.close(); }
    // Words on channels 0, 1, ... in order of `words`; InvFlag's bit 7 on the first logic channel.
    void watch(const QList<std::uint32_t> &words)
    {
        data.selectedChannels.clear();
        for (qsizetype c = 0; c < words.size(); ++c) {
            data.selectedChannels.push_back(static_cast<int>(c));
            data.channelAddress[static_cast<std::size_t>(c)] = words[c];
        }
        data.selectedChannels.push_back(kBitChannel);
        data.channelAddress[kBitChannel] = kInvFlag;
        data.channelScale[kBitChannel] = 1 << kInvFlagBit;
    }
    struct StoredRow {
        SampleRow values;
        std::uint16_t failedChannels;
    };
    StoredRow pass()
    {
        trendpoll::PollPlan plan = trendpoll::makePollPlan(data.selectedChannels, data.channelAddress,
                                                         readplan::ReadMode::PerChannel);
        const trendpoll::TrendPass read = trendpoll::readPass(link, task, plan);
        return {trigger::storedValues(data, read.readout), read.readout.failedChannels};
    }
    QList<StoredRow> passes(int count)
    {
        QList<StoredRow> rows;
        for (int i = 0; i < count; ++i)
            rows.append(pass());
        return rows;
    }

    SimulatedPort port;
    ControllerSimulator &sim = port.simulator();
    Link link;
    LinkTask task;
    TrendData data;
    bool started = false;
    bool opened = false;
};

// The rows (1-based) of `rows` on which `setup` fires.
QList<int> firingRows(const TriggerSetup &setup, const QList<Line::StoredRow> &rows)
{
    trigger::TriggerDetector detector(setup);
    QList<int> firing;
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (detector.takeRow(rows[i].values, rows[i].failedChannels))
            firing.append(static_cast<int>(i + 1));
    return firing;
}

ScheduledStep stepAtRead(std::uint32_t address, std::uint16_t value, std::uint64_t read)
{
    ScheduledStep step;
    step.address = address;
    step.value = value;
    step.fromRead = read;
    return step;
}


TrendData recordedChannels()
{
    TrendData data;
    data.channels[0] = {true, AddressKind::Name, QStringLiteral("SpdFbk"), QStringLiteral("1")};
    data.channels[1] = {true, AddressKind::Address, QStringLiteral("600E60"), QStringLiteral("1")};
    data.channels[7] = {true, AddressKind::Name, QStringLiteral("InvFlag"), QStringLiteral("07")};
    data.selectedChannels = {0, 1, 7};
    return data;
}

} // namespace

class TestTriggerCapture : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }

    void stepFiresOnceAtItsPass()
    {
        Line line;
        QVERIFY(line.opened);
        constexpr int kStepPass = 40;
        constexpr int kPreRows = 10;
        line.sim.writeWord(kMisc, 0);
        line.sim.addScheduledStep(stepAtRead(kMisc, 1000, kStepPass));
        line.watch({kMisc});
        TriggerSetup setup;
        setup.first = {0, Edge::Rises, 500};
        setup.preRows = kPreRows;
        trigger::RingCapture capture(setup);
        trigger::TriggerDetector everyFiring(setup);
        QList<Line::StoredRow> stored;
        int firings = 0;
        while (capture.state() != trigger::RingCapture::State::Complete && stored.size() < 1000) {
            stored.append(line.pass());
            capture.takeRow(stored.back().values, stored.back().failedChannels);
            firings += everyFiring.takeRow(stored.back().values, stored.back().failedChannels) ? 1 : 0;
        }
        QCOMPARE(firings, 1);
        QCOMPARE(capture.triggerRowNumber(), std::optional<int>(kStepPass));
        QCOMPARE(line.sim.wordReadsOf(kMisc), quint64(stored.size()));
        // The 249 rows REDRAW shows of the full ring: kPreRows before the step, the rest from it on.
        constexpr int kShown = kRingRows - 1;
        QCOMPARE(stored.size(), kStepPass - 1 + kShown - kPreRows);
        const QList<Line::StoredRow> shown = stored.mid(stored.size() - kShown);
        for (int i = 0; i < kShown; ++i)
            QCOMPARE(shown[i].values[0], i < kPreRows ? 0 : 1000);
        QCOMPARE(trigger::shownRowIndex(kStepPass, static_cast<int>(stored.size()), kShown), std::optional<int>(kPreRows));
    }

    void toggledBitFiresOnlyOnTheChosenEdge()
    {
        Line line;
        QVERIFY(line.opened);
        line.sim.writeWord(kInvFlag, 0x0001); // other bits stay as they are
        line.sim.addScheduledToggle({kInvFlag, kInvFlagBit, 5});
        line.watch({});
        const QList<Line::StoredRow> rows = line.passes(32);
        TriggerSetup setup;
        setup.first = {kBitChannel, Edge::Rises, 0};
        QCOMPARE(firingRows(setup, rows), (QList<int>{6, 16, 26}));
        setup.first.edge = Edge::Falls;
        QCOMPARE(firingRows(setup, rows), (QList<int>{11, 21, 31}));
        setup.first.edge = Edge::Crosses;
        QCOMPARE(firingRows(setup, rows), (QList<int>{6, 11, 16, 21, 26, 31}));
        QCOMPARE(line.sim.readWord(kInvFlag) & 1, 1);
    }

    void readFailingAcrossTheLevelDoesNotFire()
    {
        Line line;
        QVERIFY(line.opened);
        line.sim.writeWord(kMisc, 1000);
        line.watch({kMisc});
        QList<Line::StoredRow> rows = line.passes(5);
        // A refused read stores 0, on the far side of the level, and the value is back after it.
        line.sim.queueFault({SimFault::Kind::Nak, 'D'});
        rows += line.passes(5);
        QCOMPARE(rows[5].failedChannels, std::uint16_t(1));
        QCOMPARE(rows[5].values[0], 0);
        TriggerSetup setup;
        setup.first = {0, Edge::Crosses, 500};
        QCOMPARE(firingRows(setup, rows), QList<int>{});
        setup.first.edge = Edge::Falls;
        QCOMPARE(firingRows(setup, rows), QList<int>{});

        // A fall whose first read below the level fails fires at the next good read.
        line.sim.addScheduledStep(stepAtRead(kMisc, 0, 13));
        rows += line.passes(2);
        line.sim.queueFault({SimFault::Kind::Nak, 'D'});
        rows += line.passes(3);
        QCOMPARE(rows[12].failedChannels, std::uint16_t(1));
        QCOMPARE(firingRows(setup, rows), QList<int>{14});
    }

    void twoChannelsByAndAndOr()
    {
        Line line;
        QVERIFY(line.opened);
        for (std::uint32_t address : {kMisc, kSpdFbk, kAnTermIn})
            line.sim.writeWord(address, 0);
        // Channel 0 is above 500 only for passes 10 to 14, channel 2 from pass 10 on; channel 1
        // rises through 1500 at pass 20.
        line.sim.addScheduledStep(stepAtRead(kMisc, 1000, 10));
        line.sim.addScheduledStep(stepAtRead(kMisc, 0, 15));
        line.sim.addScheduledStep(stepAtRead(kAnTermIn, 1000, 10));
        line.sim.addScheduledStep(stepAtRead(kSpdFbk, 2000, 20));
        line.watch({kMisc, kSpdFbk, kAnTermIn});
        const QList<Line::StoredRow> rows = line.passes(25);
        TriggerSetup setup;
        setup.first = {0, Edge::Rises, 500};
        setup.second = Condition{1, Edge::Rises, 1500};
        setup.combine = Combine::Or;
        QCOMPARE(firingRows(setup, rows), (QList<int>{10, 20}));
        setup.combine = Combine::And;
        QCOMPARE(firingRows(setup, rows), QList<int>{});
        setup.first.channel = 2;
        QCOMPARE(firingRows(setup, rows), QList<int>{20});
        std::swap(setup.first, *setup.second);
        QCOMPARE(firingRows(setup, rows), QList<int>{20});
    }

    void recorderWritesThreeEventWindows()
    {
        SimulatedPort port;
        QVERIFY(port.start());
        ControllerSimulator &sim = port.simulator();
        sim.setLiveDemo(false);
        sim.writeWord(kSpdFbk, 321);
        sim.writeWord(kInvFlag, 0);
        // Rises every 20 passes, 20 ms apart: events about 400 ms apart, windows of 200 ms.
        sim.addScheduledToggle({kInvFlag, kInvFlagBit, 10});
        const QString out = testenv::programDir() + QStringLiteral("events.csv");
        QProcess process;
        process.start(recorder(), {"--port", sim.devicePath(), "--channel", "600FAA", "--channel", "600F00:07",
                                   "--out", out, "--wait-time", "20", "--trigger", "600F00:07 rises", "--pre", "0.1s",
                                   "--post", "0.1s", "--repeat", "3"});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
        // Without a pass after the last window the run would not know it is over: it read on.
        QVERIFY(sim.wordReadsOf(kInvFlag) > 50);

        const QByteArray bytes = testenv::readAll(out);
        QVERIFY(bytes.endsWith("\r\n"));
        QList<QByteArrayList> rows;
        for (const QByteArray &text : bytes.chopped(2).split('\n'))
            rows.append(text.chopped(text.endsWith('\r') ? 1 : 0).split(','));
        QCOMPARE(rows.front(), (QByteArrayList{"time", "t_s", "600FAA", "600F00.07", "event"}));
        QList<double> events;
        for (qsizetype r = 1; r < rows.size(); ++r) {
            QCOMPARE(rows[r].size(), 5);
            QCOMPARE(rows[r][2], QByteArray("321"));
            // 1 the trigger row, 2 a window's first row after rows left out, 3 both.
            QVERIFY(rows[r][4].isEmpty() || rows[r][4] == "1" || rows[r][4] == "2" || rows[r][4] == "3");
            const bool windowStart = rows[r][4] == "2" || rows[r][4] == "3";
            QCOMPARE(windowStart, r == 1 || rows[r][1].toDouble() - rows[r - 1][1].toDouble() > 0.15);
            if (rows[r][4] == "1" || rows[r][4] == "3") {
                QCOMPARE(rows[r][3], QByteArray("1"));
                QCOMPARE(rows[r - 1][3], QByteArray("0")); // a rise: written before it, still 0
                events.append(rows[r][1].toDouble());
            }
        }
        QCOMPARE(events.size(), 3);
        // Every row lies in the window of the event it belongs to (t_s has whole milliseconds).
        qsizetype event = -1;
        for (qsizetype r = 1; r < rows.size(); ++r) {
            const double t = rows[r][1].toDouble();
            while (event + 1 < events.size() && t >= events[event + 1] - 0.1 - 0.0015)
                ++event;
            QVERIFY2(event >= 0 && t <= events[event] + 0.1 + 0.0015, rows[r].join(',').constData());
        }
        sim.stop();
    }

    void triggerTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("setupLines"); // the set-up as file lines, or the error's end
        QTest::newRow(">") << "SpdFbk>1000" << "First,0,RISES,1000";
        QTest::newRow("< with blanks") << "SpdFbk < -20" << "First,0,FALLS,-20";
        QTest::newRow("rises") << "spdfbk rises 1000" << "First,0,RISES,1000";
        QTest::newRow("crosses hex") << "600e60 crosses 0x100" << "First,1,CROSSES,256";
        QTest::newRow("leading zero is decimal") << "600E60 falls 010" << "First,1,FALLS,10";
        QTest::newRow("bit changes") << "InvFlag:7 changes" << "First,7,CROSSES,0";
        QTest::newRow("and") << "SpdFbk>10 and InvFlag:07 falls" << "First,0,RISES,10|Second,7,FALLS,0|Combine,AND";
        QTest::newRow("or") << "InvFlag:07 rises OR 600E60<5" << "First,7,RISES,0|Second,1,FALLS,5|Combine,OR";
        QTest::newRow("unknown channel") << "AnTermIn>5" << "AnTermIn is not one of the recorded channels";
        QTest::newRow("bit not recorded") << "InvFlag:06 rises" << "InvFlag:06 is not one of the recorded channels";
        QTest::newRow("bit with level") << "InvFlag:07 rises 1" << "a logic channel rises, falls or changes, without a level";
        QTest::newRow("word changes") << "SpdFbk changes 5" << "a word channel rises, falls or crosses a level";
        QTest::newRow("bad level") << "SpdFbk>fast" << "the level must be a whole number (decimal or 0x hex)";
        QTest::newRow("no edge") << "SpdFbk" << "or NAME:BIT rises|falls|changes";
        // A hex level is the word as the controller holds it (was 49152, a level no word reaches).
        QTest::newRow("hex word, negative") << "600E60 falls 0xC000" << "First,1,FALLS,-16384";
        QTest::newRow("hex word ends") << "600E60>0x8000 or SpdFbk<0XFFFF" << "First,1,RISES,-32768|Second,0,FALLS,-1|Combine,OR";
        QTest::newRow("hex word, positive") << "600E60>0x7fff" << "First,1,RISES,32767";
        QTest::newRow("hex past a word") << "SpdFbk>0x10000" << "(0x8000 to 0xFFFF being -32768 to -1)";
        QTest::newRow("hex with a sign") << "SpdFbk>0x-5" << "the level must be a whole number (decimal or 0x hex)";
        QTest::newRow("signed hex") << "SpdFbk>-0x10" << "the level must be a whole number (decimal or 0x hex)";
        QTest::newRow("decimal ends") << "SpdFbk<-32768 and 600E60>32767" << "First,0,FALLS,-32768|Second,1,RISES,32767|Combine,AND";
        QTest::newRow("decimal above a word") << "SpdFbk>32768" << "the level 32768 is outside a word's values, -32768 to 32767";
        QTest::newRow("decimal below a word") << "SpdFbk crosses -32769" << "the level -32769 is outside a word's values, -32768 to 32767";
        QTest::newRow("decimal past 64 bits") << "SpdFbk>99999999999999999999" << "outside a word's values, -32768 to 32767";
        QTest::newRow("bit level outside 0..1") << "InvFlag:07>2" << "a logic channel is 0 or 1, never 2; it rises, falls or changes, without a level";
        QTest::newRow("bit level 1") << "InvFlag:07>1" << "a logic channel rises, falls or changes, without a level";
        // One channel in both conditions is refused, as the Trend Graph's dialog refuses it.
        QTest::newRow("word channel twice") << "SpdFbk>10 and spdfbk<100" << "the second condition watches another channel";
        QTest::newRow("bit twice") << "InvFlag:07 rises or InvFlag:7 falls" << "the second condition watches another channel";
    }
    void triggerTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, setupLines);
        const record::TriggerParse parsed = record::parseTrigger(text, recordedChannels());
        if (parsed.setup) {
            QVERIFY(parsed.error.isEmpty());
            QStringList lines = trigger::setupLines(*parsed.setup);
            QCOMPARE(lines.mid(1, lines.size() - 2).join(u'|'), setupLines);
        } else {
            QVERIFY2(parsed.error.startsWith(QStringLiteral("--trigger ") + text + QStringLiteral(": ")),
                     qPrintable(parsed.error));
            QVERIFY2(parsed.error.endsWith(setupLines), qPrintable(parsed.error));
        }
    }

    void triggerOptions()
    {
        const QStringList base{"--port", "COM1", "--channel", "SpdFbk", "--out", "x.csv"};
        record::ParseResult parsed = record::parseArguments(base + QStringList{"--trigger", "SpdFbk>1", "--pre", "0", "--post",
                                                                               "2m", "--repeat", "4"});
        QVERIFY2(parsed.options, qPrintable(parsed.error));
        QCOMPARE(parsed.options->trigger, QStringLiteral("SpdFbk>1"));
        QCOMPARE(parsed.options->pre, std::chrono::milliseconds(0));
        QCOMPARE(parsed.options->post, std::chrono::milliseconds(120000));
        QCOMPARE(parsed.options->repeat, 4);
        parsed = record::parseArguments(base + QStringList{"--repeat", "2"});
        QCOMPARE(parsed.error, QStringLiteral("--repeat: only with --trigger"));
        parsed = record::parseArguments(base + QStringList{"--trigger", "SpdFbk>1", "--repeat", "0"});
        QCOMPARE(parsed.error, QStringLiteral("--repeat 0: give the number of events, 1 or more"));
        parsed = record::parseArguments(base + QStringList{"--trigger", "SpdFbk>1", "--post", "soon"});
        QCOMPARE(parsed.error, QStringLiteral("--post soon: give a length of time such as 0, 2s or 1m"));
    }

    // Rows every 10 ms; the bit rises at 100 ms and at 300 ms.
    void captureWindowsInTime()
    {
        TriggerSetup setup;
        setup.first = {kBitChannel, Edge::Rises, 0};
        record::TriggerCapture capture(setup, std::chrono::milliseconds(30), std::chrono::milliseconds(20), 2);
        QList<int> written;
        QList<int> events;
        for (int ms = 0; ms <= 400; ms += 10) {
            record::RecordRow row;
            row.seconds = ms / 1000.0;
            SampleRow values{};
            values[kBitChannel] = (ms >= 100 && ms < 200) || ms >= 300 ? 1 : 0;
            for (const record::TriggerCapture::Line &line :
                 capture.takeRow(row, values, 0, std::chrono::milliseconds(ms))) {
                written.append(qRound(*line.row.seconds * 1000));
                if (line.event)
                    events.append(written.back());
            }
            if (ms == 50)
                QCOMPARE(record::captureStatusText(capture.progress()), QStringLiteral("armed for event 1 of 2"));
            if (ms == 110)
                QCOMPARE(record::captureStatusText(capture.progress()), QStringLiteral("capturing event 1 of 2"));
            if (ms == 200)
                QCOMPARE(record::captureStatusText(capture.progress()), QStringLiteral("armed for event 2 of 2"));
        }
        QCOMPARE(written, (QList<int>{70, 80, 90, 100, 110, 120, 270, 280, 290, 300, 310, 320}));
        QCOMPARE(events, (QList<int>{100, 300}));
        QVERIFY(capture.done());
        QCOMPARE(record::captureStatusText(capture.progress()), QStringLiteral("done: 2 of 2 events"));
        QCOMPARE(record::eventRowLine({{std::nullopt, 1.5, {7, std::nullopt}}, true}), QByteArray(",1.500,7,,1\r\n"));
    }

    // Rows every 10 ms from 0 to 400 ms; the bit high from each rise for 30 ms. A window's first
    // row is marked 2 in the event column where rows before it were left out (and the file's
    // first row, before which nothing was recorded), 3 where it is the trigger row too.
    void captureMarksWindowsAfterRowsLeftOut_data()
    {
        QTest::addColumn<QList<int>>("rises");
        QTest::addColumn<int>("preMs");
        QTest::addColumn<QStringList>("marked"); // "ms:cell" of every row written with an event cell
        QTest::newRow("windows apart") << QList<int>{100, 300} << 30
                                       << QStringList{"70:2", "100:1", "270:2", "300:1"};
        QTest::newRow("windows joined") << QList<int>{100, 160} << 30
                                        << QStringList{"70:2", "100:1", "160:1"};
        QTest::newRow("event before pre filled") << QList<int>{20, 300} << 30
                                                 << QStringList{"0:2", "20:1", "270:2", "300:1"};
        QTest::newRow("no rows before") << QList<int>{100, 300} << 0
                                        << QStringList{"100:3", "300:3"};
    }

    void captureMarksWindowsAfterRowsLeftOut()
    {
        QFETCH(QList<int>, rises);
        QFETCH(int, preMs);
        QFETCH(QStringList, marked);
        TriggerSetup setup;
        setup.first = {kBitChannel, Edge::Rises, 0};
        record::TriggerCapture capture(setup, std::chrono::milliseconds(preMs), std::chrono::milliseconds(20), 2);
        QStringList written;
        for (int ms = 0; ms <= 400; ms += 10) {
            record::RecordRow row;
            row.seconds = ms / 1000.0;
            SampleRow values{};
            for (const int rise : rises)
                values[kBitChannel] |= ms >= rise && ms < rise + 30 ? 1 : 0;
            for (const record::TriggerCapture::Line &line :
                 capture.takeRow(row, values, 0, std::chrono::milliseconds(ms))) {
                const QByteArray text = record::eventRowLine(line);
                const QByteArray cell = text.mid(text.lastIndexOf(',') + 1).trimmed();
                if (!cell.isEmpty())
                    written << QString::number(qRound(*line.row.seconds * 1000)) + u':' + QString::fromLatin1(cell);
            }
        }
        QCOMPARE(written, marked);
    }

    void simulatorScriptTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parsed");
        QTest::newRow("time") << "600E60:100@5s" << "600e60 100 t5000";
        QTest::newRow("ms, hex value") << "600e60:0xFFFF@250ms" << "600e60 65535 t250";
        QTest::newRow("read") << "600E60:1@20" << "600e60 1 r20";
        QTest::newRow("toggle") << "600F00:7/4" << "600f00 bit7 every4";
        QTest::newRow("read 0") << "600E60:1@0" << "";
        QTest::newRow("value too big") << "600E60:65536@1" << "";
        QTest::newRow("no address") << ":1@1" << "";
        QTest::newRow("bit 16") << "600F00:16/4" << "";
        QTest::newRow("every 0") << "600F00:1/0" << "";
    }
    void simulatorScriptTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, parsed);
        QString got;
        if (const auto step = ValueSchedule::parseStep(text))
            got = QStringLiteral("%1 %2 %3").arg(step->address, 0, 16).arg(step->value).arg(
                step->fromTime ? QStringLiteral("t%1").arg(step->fromTime->count())
                               : QStringLiteral("r%1").arg(*step->fromRead));
        else if (const auto toggle = ValueSchedule::parseToggle(text))
            got = QStringLiteral("%1 bit%2 every%3").arg(toggle->address, 0, 16).arg(toggle->bit).arg(toggle->everyReads);
        QCOMPARE(got, parsed);
    }
};

QTEST_GUILESS_MAIN(TestTriggerCapture)
#include "test_trigger_capture.moc"
