// Trend sampling against the controller simulator at 9600 baud, through the Trend Graph window and
// its link thread: passes stored per second with 1, 7 and 14 channels read one per channel against
// the wire limit (one "R" exchange of 26 bytes per channel: 960 bytes/s / 26 bytes); then the read
// plans of the other modes against their own wire limit (14 channels on 14 consecutive words in
// one block read; 7 analog channels on scattered words and 7 bits of one word, each word once);
// the CPU time per pass of the
// user-interface thread and of the link thread (the waits for replies block in the OS), the
// longest stall of the user-interface thread, and the time of the drawing and composition of one
// pass without the link. Last, 14 channels again with 4 math channels (the same figures), and the
// time the math channels take per pass without the link.
//   trendbench [seconds per configuration, default 4] [--screenshot file.png]

#include "base/ProgramFolder.h"
#include "bench/BareClient.h"
#include "bench/BenchSupport.h"
#include "program/Workspace.h"
#include "link/Link.h"
#include "link/Settings.h"
#include "sim/ControllerSimulator.h"
#include "trend/graph/GraphLayers.h"
#include "trend/model/MathChannelsFile.h"
#include "trend/run/MathTraces.h"
#include "trend/readout/TrendReadout.h"
#include "trend/model/ReadPlan.h"
#include "trend/model/RunStart.h"
#include "trend/run/Sampling.h"
#include "trend/window/TrendGraphWindow.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/ReadoutBand.h"
#include "trend/window/TrendGraphView.h"
#include "trend/model/Presets.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kBaud = 9600;
constexpr double kWireBytesPerSecond = kBaud / 10.0;
constexpr double kBytesPerReadExchange = 26.0; // "R" request and reply of one word

using bench::NoDialogs;
using bench::threadCpuSeconds;

// Demo words that move: analog values for channels 0..6, flag words for 7..13.
constexpr std::uint32_t kAddresses[kChannels] = {0x600F92, 0x600F94, 0x600F96, 0x600FA8, 0x600FAA, 0x600FAC, 0x600FAE,
                                                 0x600F00, 0x600F02, 0x600E00, 0x600E02, 0x600E04, 0x600E80, 0x600FCE};

// What a run reads: its channels' addresses (the first `count` channels on) and the read mode.
struct Configuration {
    std::array<std::uint32_t, kChannels> addresses{};
    int count = kChannels;
    readplan::ReadMode mode = readplan::ReadMode::PerChannel;
};

Configuration demoWords(int count)
{
    Configuration configuration;
    std::copy(std::begin(kAddresses), std::end(kAddresses), configuration.addresses.begin());
    configuration.count = count;
    return configuration;
}

// 14 consecutive words of the demo image, read in one block read.
Configuration consecutiveWords()
{
    Configuration configuration;
    for (int c = 0; c < kChannels; ++c)
        configuration.addresses[static_cast<std::size_t>(c)] = 0x600F80 + 2u * static_cast<std::uint32_t>(c);
    configuration.mode = readplan::ReadMode::Blocks;
    return configuration;
}

// 7 analog channels on words far apart and 7 logic channels on bits 0..6 of one flag word.
Configuration scatteredWordsAndBitsOfOne()
{
    Configuration configuration;
    const std::uint32_t analog[kAnalogChannels] = {0x600F92, 0x600FAA, 0x600E00, 0x600E80, 0x600FCE, 0x600D00, 0x600C00};
    for (int c = 0; c < kChannels; ++c)
        configuration.addresses[static_cast<std::size_t>(c)] = c < kAnalogChannels ? analog[c] : 0x600F00;
    configuration.mode = readplan::ReadMode::EachWord;
    return configuration;
}

readplan::ReadPlan planOf(const Configuration &configuration)
{
    std::vector<int> selected;
    for (int c = 0; c < configuration.count; ++c)
        selected.push_back(c);
    return readplan::makeReadPlan(selected, configuration.addresses, configuration.mode);
}

// The configuration's channels on, each an "A" address; logic channel c on bit c - 7.
void setUpTable(TrendGraphWindow &form, const Configuration &configuration)
{
    for (int c = 0; c < kChannels; ++c) {
        form.table().row(c).selected->setChecked(c < configuration.count);
        form.table().setAddressKind(c, AddressKind::Address);
        form.table().row(c).name->setText(
            QString::number(configuration.addresses[static_cast<std::size_t>(c)], 16).toUpper());
        form.table().row(c).scale->setText(c < kAnalogChannels ? QStringLiteral("20000") : QString::number(c - 7));
    }
}

struct PollingMeasurement {
    double passes = 0;
    double seconds = 0;
    double uiCpu = 0;
    double linkCpu = 0;
    qint64 longestStallMs = 0;
};

PollingMeasurement measurePolling(Workspace &ws, TrendData &data, const bench::LinkThreadClock &linkClock,
                           const Configuration &configuration, int seconds, const QString &screenshot)
{
    readplan::storeReadMode(configuration.mode);
    auto *form = new TrendGraphWindow(ws, data);
    form->show();
    setUpTable(*form, configuration);
    form->toggleRun(); // opens the port and pauses 1 to 2 s
    PollingMeasurement figures;
    // Start on a pass boundary: after the first pass has been stored.
    if (!bench::waitUntil([form] { return form->runActive() && form->passesStored() > 0; }, 5000)) {
        std::fprintf(stderr, "the run did not start\n");
        form->close();
        return figures;
    }
    // Measured from one stored pass to another, so no part of a pass is counted.
    const quint64 firstPass = form->passesStored();
    bench::waitUntil([&] { return form->passesStored() > firstPass; }, 5000);
    const quint64 startPasses = form->passesStored();
    QElapsedTimer clock;
    clock.start();
    const double uiStart = threadCpuSeconds();
    const double linkStart = linkClock.seconds();
    {
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const quint64 lastSeen = form->passesStored();
        bench::waitUntil([&] { return form->passesStored() > lastSeen; }, 5000);
    }
    figures.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    figures.uiCpu = threadCpuSeconds() - uiStart;
    figures.linkCpu = linkClock.seconds() - linkStart;
    figures.passes = static_cast<double>(form->passesStored() - startPasses);
    // The stalls are probed apart from the CPU figures: the probe's own ticks cost CPU too.
    {
        StallProbe probe;
        QEventLoop loop;
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        loop.exec();
        figures.longestStallMs = probe.longestGapMs();
    }
    form->toggleRun();
    if (!screenshot.isEmpty()) {
        form->redraw(); // REDRAW: the recording with the cursor on its last row
        form->grab().save(screenshot);
    }
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    bench::waitUntil([&ws] { return !ws.linkThread.portOpen(); }, 3000);
    return figures;
}

// The drawing of a pass without the link: wipe, segments of every channel, composition.
void measureDrawing()
{
    GraphLayers layers;
    TrendData data;
    cursor::Position cursor;
    layers.initGraphLayers(cursor);
    for (int c = 0; c < kChannels; ++c)
        data.channels[c] = {true, AddressKind::Address, "0", c < kAnalogChannels ? "20000" : QString::number(c - 7)};
    runstart::buildSelection(data);
    runstart::resetRecording(data);
    layers.pen.restart();
    int step = 0;
    const auto reader = [&step](std::uint32_t address) { return static_cast<int>((address * 977 + step * 1237) & 0xFFFF); };
    constexpr int kPasses = 5000;
    QElapsedTimer clock;
    clock.start();
    for (; step < kPasses; ++step)
        sampling::runPass(data, layers, reader, nullptr);
    const double pass = static_cast<double>(clock.nsecsElapsed()) / kPasses;
    clock.restart();
    for (int i = 0; i < kPasses; ++i)
        layers.composeGraph(false);
    const double compose = static_cast<double>(clock.nsecsElapsed()) / kPasses;
    data.rowCount = kDisplayRowsCapacity;
    for (int k = 0; k < kDisplayRowsCapacity; ++k)
        data.displayRows[k] = data.sampleRing[k % kRingRows];
    clock.restart();
    constexpr int kRedraws = 200;
    for (int i = 0; i < kRedraws; ++i)
        layers.drawRecordedTraces(data);
    const double redraw = static_cast<double>(clock.nsecsElapsed()) / kRedraws;
    std::printf("Drawing without the link (14 channels):\n");
    std::printf("  one pass: store, draw, compose   %.1f us\n", pass / 1e3);
    std::printf("    of which the composition       %.1f us\n", compose / 1e3);
    std::printf("  REDRAW of 251 rows               %.1f us\n", redraw / 1e3);
}

// Four math channels over the 14 demo words, as the Trend Graph's dialog keeps them.
MathChannelDefinitions benchMathChannels()
{
    return {{QStringLiteral("d = 600F92 - 600F94"), 20000},
            {QStringLiteral("a = mavg(600F96, 16)"), 20000},
            {QStringLiteral("r = mrms(600FA8, 16) + 600F00.0"), 20000},
            {QStringLiteral("s = deriv(600FAA) + integ(600FAC) / 100"), 20000}};
}

// A pass stored, drawn and its 4 math channels computed and drawn, without the link; and the math
// channels' part alone.
void measureMathChannels()
{
    GraphLayers layers;
    TrendData data;
    cursor::Position cursor;
    layers.initGraphLayers(cursor);
    for (int c = 0; c < kChannels; ++c) {
        data.channels[c] = {true, AddressKind::Address, QString::number(kAddresses[c], 16).toUpper(),
                            c < kAnalogChannels ? "20000" : QString::number(c - 7)};
        data.channelAddress[c] = kAddresses[c];
    }
    runstart::buildSelection(data);
    runstart::resetRecording(data);
    layers.pen.restart();
    MathTraces math;
    math.setUp(benchMathChannels(), std::nullopt);
    math.begin(data);
    if (data.mathChannels.size() != 4) {
        std::fprintf(stderr, "the math channels were refused\n");
        return;
    }
    constexpr int kPasses = 20000;
    const auto start = std::chrono::steady_clock::now();
    std::int64_t mathNs = 0;
    QElapsedTimer clock;
    QElapsedTimer mathClock;
    clock.start();
    for (int step = 0; step < kPasses; ++step) {
        sampling::PassReadout readout;
        for (int c = 0; c < kChannels; ++c)
            readout.latestValue[c] = static_cast<std::int32_t>((kAddresses[c] * 977 + step * 1237) & 0xFFFF);
        readout::recordRowInfo(data, readout, start + std::chrono::milliseconds(40 * step));
        sampling::storeAndDraw(data, layers, readout);
        mathClock.start();
        math.takeRow(data, layers);
        mathNs += mathClock.nsecsElapsed();
        sampling::advancePen(layers.pen);
        sampling::advanceRing(data);
        layers.composeChangedColumns();
    }
    const double pass = static_cast<double>(clock.nsecsElapsed()) / kPasses;
    std::printf("Math channels without the link (4 over 14 channels):\n");
    std::printf("  one pass: store, draw, math, compose the changed columns   %.1f us\n", pass / 1e3);
    std::printf("    of which the math channels                              %.2f us (computed and drawn)\n",
                static_cast<double>(mathNs) / kPasses / 1e3);
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir root;
    bench::prepareOwnWorld(root);
    QApplication app(argc, argv);
    const bench::WindowBenchArguments args = bench::parseWindowBenchArguments(app.arguments(), 4);
    const int seconds = args.count;
    const QString screenshot = args.screenshot;

    programfolder::setOverride(root.path());
    QDir::setCurrent(root.path()); // "ErrTrace.txt", should a read fail
    ControllerSimulator sim;
    if (!bench::startSimulatorOnCom1(sim))
        return 1;
    sim.setBaud(kBaud);

    Link link;
    NoDialogs dialogs;
    link.setMessageFunction([&dialogs](const QString &t) { dialogs.showMessage(t); });
    Workspace ws(link, dialogs);
    ws.session.setVariablesListOpen(true); // no Variables List is wanted here
    ws.catalogue.variableList = {QStringLiteral("END")};
    ws.catalogue.variableListBuilt = true;
    ws.session.setCatalogueDecoded(true);
    ws.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("0")));
    TrendData data;
    const bench::LinkThreadClock linkClock(ws.linkThread);

    // The floor of this line, measured now on the same simulator: what the pseudo-terminal and the
    // simulator's pacing leave of the wire limit, whatever program reads.
    const std::optional<bench::BareClientFigures> floor = bench::measureBareClient(sim.devicePath(), 200);
    if (!floor) {
        std::fprintf(stderr, "the bare client's exchanges failed\n");
        return 1;
    }
    const double exchangeLimit = kWireBytesPerSecond / kBytesPerReadExchange;
    std::printf("Trend sampling at %d baud, WaitTime 0, %d s per configuration:\n", kBaud, seconds);
    std::printf("A bare client on the same line: ratio %.3f to the wire limit, CPU %.3f ms per exchange\n",
                floor->exchangesPerSecond / exchangeLimit, floor->cpuSecondsPerExchange * 1e3);
    std::printf("One read per channel:\n");
    std::printf("  channels  passes/s  wire limit  ratio  to bare client  CPU/pass: window  link thread  longest stall\n");
    for (int channels : {1, 7, 14}) {
        const PollingMeasurement f = measurePolling(ws, data, linkClock, demoWords(channels), seconds,
                                             channels == 14 ? screenshot : QString());
        if (f.passes <= 0)
            return 1;
        const double rate = f.passes / f.seconds;
        const double limit = kWireBytesPerSecond / (kBytesPerReadExchange * channels);
        const double floorRate = floor->exchangesPerSecond / channels;
        std::printf("  %8d  %8.2f  %10.2f  %5.3f  %14.3f  %14.3f ms  %8.3f ms  %10lld ms\n", channels, rate, limit,
                    rate / limit, rate / floorRate, f.uiCpu / f.passes * 1e3, f.linkCpu / f.passes * 1e3,
                    f.longestStallMs);
    }
    // The other modes, each against the wire limit of its own plan.
    const struct {
        const char *name;
        Configuration configuration;
    } plans[] = {{"14 consecutive words, neighbouring words in one block read", consecutiveWords()},
                 {"7 analog on 7 scattered words + 7 bits of one word, each word once", scatteredWordsAndBitsOfOne()}};
    for (const auto &[name, configuration] : plans) {
        const readplan::ReadPlan plan = planOf(configuration);
        const PollingMeasurement f = measurePolling(ws, data, linkClock, configuration, seconds, QString());
        if (f.passes <= 0)
            return 1;
        const double rate = f.passes / f.seconds;
        std::printf("%s:\n  %s\n", name, qPrintable(readplan::planText(plan)));
        std::printf("  %zu requests/pass  %.2f passes/s  wire limit %.2f  ratio %.3f  CPU/pass: window %.3f ms, link "
                    "thread %.3f ms  longest stall %lld ms\n",
                    plan.reads.size(), rate, plan.passLimit(), rate / plan.passLimit(), f.uiCpu / f.passes * 1e3,
                    f.linkCpu / f.passes * 1e3, f.longestStallMs);
    }
    readplan::storeReadMode(readplan::kDefaultReadMode);
    measureDrawing();

    // 14 channels once more with 4 math channels kept for the Trend Graph: the pass rate and CPU.
    const QString mathFile = mathchannels::defaultPath();
    if (!mathchannels::write(mathFile, benchMathChannels()))
        return 1;
    const PollingMeasurement f = measurePolling(ws, data, linkClock, demoWords(kChannels), seconds, QString());
    QFile::remove(mathFile);
    if (f.passes <= 0 || data.mathChannels.size() != 4) {
        std::fprintf(stderr, "the run with math channels did not take them\n");
        return 1;
    }
    const double rate = f.passes / f.seconds;
    const double limit = kWireBytesPerSecond / (kBytesPerReadExchange * kChannels);
    std::printf("14 channels, one read each, with 4 math channels:\n");
    std::printf("  passes/s %.2f  wire limit %.2f  ratio %.3f  CPU/pass: window %.3f ms  link thread %.3f ms  longest "
                "stall %lld ms\n",
                rate, limit, rate / limit, f.uiCpu / f.passes * 1e3, f.linkCpu / f.passes * 1e3, f.longestStallMs);
    measureMathChannels();
    return 0;
}
