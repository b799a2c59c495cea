// A soak run of the whole program against the controller simulator without baud emulation, its
// demo values moving: a trend run of many sampling passes (the sample ring wrapping hundreds of
// times), then many Monitor passes after a Data Read. For each: passes per second and the
// resident memory after a warm-up and at the end. The error trace must stay empty, as the
// simulator injects no faults here.
//   soakbench [trend passes, default 100000] [monitor passes, default 10000]

#include "base/ProgramFolder.h"
#include "bench/BenchSupport.h"
#include "catalogue/VariablesListWindow.h"
#include "link/Settings.h"
#include "monitor/MonitorWindow.h"
#include "shell/MainWindow.h"
#include "shell/Program.h"
#include "sim/ControllerSimulator.h"
#include "trend/window/TrendGraphWindow.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/ReadoutBand.h"
#include "trend/window/TrendGraphView.h"
#include "trend/model/Presets.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kWarmUpPasses = 1000;
constexpr int kChunkBytes = 232;

struct PhaseFigures {
    double passes = 0;
    double seconds = 0;
    double cpu = 0;
    long long residentAfterWarmUp = 0;
    long long residentAtEnd = 0;
};

// Lets the window's own poll run `kWarmUpPasses` passes, then `passes` more, counting passes by the
// link's exchanges (every pass makes the same number when nothing fails).
PhaseFigures runPhase(const Link &link, int exchangesPerPass, int passes)
{
    PhaseFigures figures;
    const quint64 base = link.exchangeCount();
    const auto done = [&] { return (link.exchangeCount() - base) / static_cast<quint64>(exchangesPerPass); };
    QEventLoop loop;
    QTimer check;
    quint64 target = kWarmUpPasses;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done() >= target)
            loop.quit();
    });
    check.start(20);
    loop.exec();

    figures.residentAfterWarmUp = bench::residentBytes();
    const quint64 startExchanges = link.exchangeCount();
    QElapsedTimer clock;
    clock.start();
    const double cpuStart = bench::threadCpuSeconds();
    target = done() + static_cast<quint64>(passes);
    loop.exec();
    check.stop();
    figures.cpu = bench::threadCpuSeconds() - cpuStart;
    figures.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    figures.passes = static_cast<double>(link.exchangeCount() - startExchanges) / exchangesPerPass;
    figures.residentAtEnd = bench::residentBytes();
    return figures;
}

void print(const char *what, const PhaseFigures &f)
{
    const double kib = 1024.0;
    std::printf("%s\n", what);
    std::printf("  passes measured         %.0f (after %d warm-up passes)\n", f.passes, kWarmUpPasses);
    std::printf("  elapsed                 %.1f s\n", f.seconds);
    std::printf("  passes per second       %.0f\n", f.passes / f.seconds);
    std::printf("  CPU per pass            %.3f ms (user-interface thread; the link thread not counted)\n",
                f.cpu / f.passes * 1e3);
    std::printf("  resident after warm-up  %.0f KiB\n", static_cast<double>(f.residentAfterWarmUp) / kib);
    std::printf("  resident at the end     %.0f KiB\n", static_cast<double>(f.residentAtEnd) / kib);
    std::printf("  growth                  %+.0f KiB\n",
                static_cast<double>(f.residentAtEnd - f.residentAfterWarmUp) / kib);
}

int exchangesPerMonitorPass(const monitor::SectionTable &sections)
{
    int exchanges = 0;
    for (const monitor::MonitorSection &section : sections) {
        if (section.source == monitor::SectionSource::Pointers)
            exchanges += section.words;
        else
            exchanges += (2 * section.words + kChunkBytes - 1) / kChunkBytes;
    }
    return exchanges;
}

int errorTraceLines()
{
    QFile trace(QStringLiteral("ErrTrace.txt"));
    if (!trace.open(QIODevice::ReadOnly))
        return 0;
    return static_cast<int>(trace.readAll().count("\r\n"));
}

void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char *argv[])
{
    // The configuration store, the program folder and the current directory are this run's own.
    QTemporaryDir root;
    QDir(root.path()).mkpath(QStringLiteral("config"));
    QDir(root.path()).mkpath(QStringLiteral("program"));
    qputenv("XDG_CONFIG_HOME", QDir(root.path()).filePath(QStringLiteral("config")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int trendPasses = args.size() > 1 ? std::max(1, args[1].toInt()) : 100000;
    const int monitorPasses = args.size() > 2 ? std::max(1, args[2].toInt()) : 10000;

    const QString programDir = QDir(root.path()).filePath(QStringLiteral("program"));
    programfolder::setOverride(programDir);
    const QDir data(QStringLiteral(QMX_SOURCE_DIR "/data"));
    for (const QString &name : data.entryList(QDir::Files))
        QFile::copy(data.filePath(name), programfolder::file(name));
    QDir::setCurrent(programDir); // where "ErrTrace.txt" is appended

    ControllerSimulator sim;
    if (!bench::startSimulatorOnCom1(sim))
        return 1;
    sim.setBaud(0);
    sim.setLiveDemo(true);

    bench::NoDialogs dialogs;
    Program p(dialogs);
    p.start();
    settle();
    auto *varList = p.mainWindow->variablesListWindow();
    auto *trend = p.mainWindow->trendGraphWindow();
    if (!varList || !trend) {
        std::fprintf(stderr, "the start-up windows are missing\n");
        return 1;
    }
    varList->readDataFromController(); // Data Read: the block names and the Monitor's pointers
    bench::waitUntil([varList] { return !varList->dataReadRunning(); }, 30000);
    if (p.ws.catalogue.pointerAddresses[0].isEmpty()) {
        std::fprintf(stderr, "the Data Read did not complete\n");
        return 1;
    }
    const long long residentAtStart = bench::residentBytes();

    // Trend: an analog value (a sine) and a flag bit that toggles, polled back to back.
    p.ws.session.setWaitTime(presets::waitTimeFromTyped(QStringLiteral("0")));
    for (int n = 1; n <= kChannels; ++n)
        trend->table().row(n - 1).selected->setChecked(n == 1 || n == 8);
    trend->table().setAddressKind(0, AddressKind::Name);
    trend->table().row(0).name->setText(QStringLiteral("AnTermIn"));
    trend->table().row(0).scale->setText(QStringLiteral("20000"));
    trend->table().setAddressKind(7, AddressKind::Name);
    trend->table().row(7).name->setText(QStringLiteral("InvFlag"));
    trend->table().row(7).scale->setText(QStringLiteral("07"));
    trend->toggleRun();
    if (!bench::waitUntil([trend] { return trend->runActive(); }, 5000)) {
        std::fprintf(stderr, "the trend run did not start\n");
        return 1;
    }
    const PhaseFigures trendFigures = runPhase(p.link, 2, trendPasses);
    trend->toggleRun();
    const bool wrapped = p.trend.ringWrapped;
    const int traceAfterTrend = errorTraceLines();
    trend->close();
    settle();

    // Monitor: every section of the demo image, pass after pass.
    p.mainWindow->openMonitor();
    settle();
    auto *moni = p.mainWindow->monitorWindow();
    if (!moni) {
        std::fprintf(stderr, "the Monitor window did not open\n");
        return 1;
    }
    moni->releaseOrPause();
    if (!bench::waitUntil([moni] { return moni->isPolling(); }, 5000)) {
        std::fprintf(stderr, "the Monitor did not start polling\n");
        return 1;
    }
    const int perPass = exchangesPerMonitorPass(moni->sections());
    const PhaseFigures monitorFigures = runPhase(p.link, perPass, monitorPasses);
    moni->releaseOrPause();
    const int traceLines = errorTraceLines();

    std::printf("Soak run against the simulator without baud emulation, demo values moving\n");
    std::printf("resident after start-up and Data Read: %.0f KiB\n\n", static_cast<double>(residentAtStart) / 1024.0);
    print("Trend run, 2 channels, WaitTime 0:", trendFigures);
    std::printf("  ring wraps              %.0f (RingWrapped %s)\n", (trendFigures.passes + kWarmUpPasses) / kRingRows,
                wrapped ? "set" : "not set");
    std::printf("  ErrTrace.txt lines      %d\n\n", traceAfterTrend);
    print(qPrintable(QStringLiteral("Monitor, %1 exchanges per pass:").arg(perPass)), monitorFigures);
    std::printf("\nErrTrace.txt lines at the end: %d; messages shown: %d\n", traceLines, dialogs.messagesShown);
    moni->close();
    settle();
    return traceLines == 0 && dialogs.messagesShown == 0 ? 0 : 1;
}
