// Monitor polling against the controller simulator at 9600 baud: the time of a polling pass over
// the demo image compared with the wire time of its exchanges, and the user-interface thread's CPU
// time per pass (the waits for replies block in the OS and cost none).
//   monitorbench [passes] [--screenshot file.png]

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "bench/BenchSupport.h"
#include "catalogue/Decoder.h"
#include "catalogue/SuperBlockFile.h"
#include "program/Workspace.h"
#include "link/Link.h"
#include "link/Settings.h"
#include "monitor/MonitorWindow.h"
#include "sim/ControllerSimulator.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kBaud = 9600;
constexpr double kBitsPerByte = 10.0;
// An "r" exchange of c data bytes puts 34 + 2c bytes on the line (request and reply, each data byte
// as two hex digits).
constexpr int kFrameOverhead = 34;

int exchangeWireBytes(int words) { return kFrameOverhead + 2 * (2 * words); }

using bench::NoDialogs;
using bench::threadCpuSeconds;

// Wire seconds of one pass: one "r" exchange per section, four one-word exchanges for the pointers.
double passWireSeconds(const monitor::SectionTable &sections)
{
    double bytes = 0;
    for (const monitor::MonitorSection &section : sections) {
        if (section.source == monitor::SectionSource::Pointers)
            bytes += section.words * exchangeWireBytes(1);
        else
            bytes += exchangeWireBytes(section.words);
    }
    return bytes * kBitsPerByte / kBaud;
}

int exchangesPerPass(const monitor::SectionTable &sections)
{
    int exchanges = 0;
    for (const monitor::MonitorSection &section : sections)
        exchanges += section.source == monitor::SectionSource::Pointers ? section.words : 1;
    return exchanges;
}

bool prepareCatalogue(Link &link, CatalogueData &catalogue)
{
    if (link.open(PortUser::DataRead) != 0)
        return false;
    ReadBuffer buffer(60000, 0);
    const std::optional<QStringList> lines = readSuperBlockImage(link, buffer);
    link.close(PortUser::DataRead);
    return lines && checkSuperBlockLines(*lines, catalogue, kSuperBlockFileName).errorCount == 0 &&
           decodeSuperBlock(catalogue).proceed && buildVariableList(catalogue).proceed;
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir root;
    bench::prepareOwnWorld(root);
    QApplication app(argc, argv);
    const bench::WindowBenchArguments args = bench::parseWindowBenchArguments(app.arguments(), 5);
    const int passes = args.count;
    const QString screenshot = args.screenshot;

    programfolder::setOverride(root.path());
    for (const char *name : {"Varlist.txt", "Varlist2.txt"})
        QFile::copy(QStringLiteral(QMX_SOURCE_DIR "/data/") + QLatin1String(name), programfolder::file(QLatin1String(name)));

    ControllerSimulator sim;
    if (!bench::startSimulatorOnCom1(sim))
        return 1;

    Link link;
    NoDialogs dialogs;
    link.setMessageFunction([&dialogs](const QString &t) { dialogs.showMessage(t); });
    Workspace ws(link, dialogs);
    ws.session.setVariablesListOpen(true);
    if (!prepareCatalogue(link, ws.catalogue)) {
        std::fprintf(stderr, "the variable list could not be read from the simulator\n");
        return 1;
    }

    sim.setBaud(kBaud);
    const bench::LinkThreadClock linkClock(ws.linkThread);
    auto *form = new MonitorWindow(ws);
    form->show();
    form->releaseOrPause(); // opens the port and pauses 1 to 2 s
    // One pass first, so the measured ones start and end on a pass boundary.
    if (!bench::waitUntil([form] { return form->isPolling() && form->passesCompleted() > 0; }, 10000)) {
        std::fprintf(stderr, "the Monitor did not start polling\n");
        return 1;
    }
    const int perPass = exchangesPerPass(form->sections());
    const quint64 firstPass = form->passesCompleted();
    bench::waitUntil([&] { return form->passesCompleted() > firstPass; }, 10000);

    const quint64 startPasses = form->passesCompleted();
    const quint64 startBytes = link.bytesOnWire();
    QElapsedTimer clock;
    clock.start();
    const double cpuStart = threadCpuSeconds();
    const double linkStart = linkClock.seconds();
    qint64 longestStall = 0;
    {
        StallProbe probe;
        bench::waitUntil([&] { return form->passesCompleted() >= startPasses + static_cast<quint64>(passes); },
                         passes * 5000);
        longestStall = probe.longestGapMs();
    }
    const double cpu = threadCpuSeconds() - cpuStart;
    const double linkCpu = linkClock.seconds() - linkStart;
    const double elapsed = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const double measuredPasses = static_cast<double>(form->passesCompleted() - startPasses);
    const double bytesPerPass = static_cast<double>(link.bytesOnWire() - startBytes) / measuredPasses;

    if (!screenshot.isEmpty())
        form->grab().save(screenshot);
    form->releaseOrPause();

    const double wire = passWireSeconds(form->sections());
    const double perPassSeconds = elapsed / measuredPasses;
    std::printf("Monitor polling pass at %d baud over the demo image (%d exchanges, %d + %d words):\n", kBaud,
                perPass, form->dioCount(), form->superBlockOutputCount());
    std::printf("  passes measured      %.0f\n", measuredPasses);
    std::printf("  wire time per pass   %.1f ms (%.0f bytes; the link counted %.0f)\n", wire * 1e3,
                wire * kBaud / kBitsPerByte, bytesPerPass);
    std::printf("  elapsed per pass     %.1f ms\n", perPassSeconds * 1e3);
    std::printf("  wire / elapsed       %.3f\n", wire / perPassSeconds);
    std::printf("  CPU per pass         %.2f ms window, %.2f ms link thread (waits block in the OS)\n",
                cpu / measuredPasses * 1e3, linkCpu / measuredPasses * 1e3);
    std::printf("  longest stall        %lld ms of the window's thread (10 ms timer probe)\n", longestStall);
    form->close();
    return 0;
}
