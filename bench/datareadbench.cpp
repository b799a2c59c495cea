// The Data Read's reading of the super block and the areas around it, against the controller
// simulator at 9600 baud: elapsed time compared with the wire time of the exchanges it makes, for
// the demo image and for a maximal super block of 992 words, first on the link alone, then through
// the Variables List window and its link thread (with the longest stall of the window's thread).
// The 1 to 2 s pause after the port is opened is not part of the read and is not measured.
//   datareadbench [repeats]

#include "base/ProgramFolder.h"
#include "bench/BenchSupport.h"
#include "catalogue/Decoder.h"
#include "catalogue/SuperBlockFile.h"
#include "catalogue/VariablesListWindow.h"
#include "link/Link.h"
#include "link/Settings.h"
#include "sim/ControllerSimulator.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int kBaud = 9600;
constexpr double kBitsPerByte = 10.0;
// An "r" exchange of c data bytes puts 34 + 2c bytes on the line.
constexpr int kFrameOverhead = 34;

// Wire seconds of the "r" exchanges the simulator received: the count field is at 11..12.
double wireSeconds(const std::deque<QByteArray> &requests, int *exchanges)
{
    double bytes = 0;
    *exchanges = 0;
    for (const QByteArray &frame : requests) {
        if (frame.size() < 13 || frame[2] != 'r')
            continue;
        bytes += kFrameOverhead + 2 * frame.mid(11, 2).toInt(nullptr, 16);
        ++*exchanges;
    }
    return bytes * kBitsPerByte / kBaud;
}

// 30 PI4A blocks of 33 words, a blank-row block and the closing word: 992 words.
void loadMaximalSuperBlock(ControllerSimulator &sim)
{
    quint32 address = 0x600620;
    for (int block = 0; block < 30; ++block) {
        sim.writeWord(address, 0x0015);
        address += 2;
        for (int p = 0; p < 32; ++p, address += 2)
            sim.writeWord(address, static_cast<std::uint16_t>(0x1000 + p));
    }
    sim.writeWord(address, 0x0026);
    sim.writeWord(address + 2, 0x0000);
}

bool measure(const char *title, Link &link, ControllerSimulator &sim, int repeats)
{
    double elapsed = 0, wire = 0, cpu = 0;
    int exchanges = 0, words = 0;
    for (int r = 0; r < repeats; ++r) {
        if (link.open(PortUser::DataRead) != 0)
            return false;
        sim.clearRequestLog();
        QElapsedTimer clock;
        clock.start();
        const double cpuStart = bench::threadCpuSeconds();
        ReadBuffer buffer(60000, 0);
        const std::optional<QStringList> lines = readSuperBlockImage(link, buffer);
        link.close(PortUser::DataRead);
        CatalogueData catalogue;
        const bool ok = lines && checkSuperBlockLines(*lines, catalogue, kSuperBlockFileName).errorCount == 0 &&
                        decodeSuperBlock(catalogue).proceed && buildVariableList(catalogue).proceed;
        cpu += bench::threadCpuSeconds() - cpuStart;
        elapsed += static_cast<double>(clock.nsecsElapsed()) / 1e9;
        if (!ok)
            return false;
        wire += wireSeconds(sim.requestLog(), &exchanges);
        words = static_cast<int>(catalogue.superBlockWords.size());
    }
    std::printf("%s (%d super-block words, %d exchanges), %d reads at %d baud:\n", title, words, exchanges, repeats,
                kBaud);
    std::printf("  wire time        %.1f ms\n", wire / repeats * 1e3);
    std::printf("  elapsed          %.1f ms (read, check, decoding and list)\n", elapsed / repeats * 1e3);
    std::printf("  wire / elapsed   %.3f\n", wire / elapsed);
    std::printf("  CPU              %.2f ms (waits for replies block in the OS)\n", cpu / repeats * 1e3);
    return true;
}

// The same read through the window: from the first request on the line to the end of the read.
bool measureWindow(const char *title, Link &link, ControllerSimulator &sim, int repeats)
{
    bench::NoDialogs dialogs;
    link.setMessageFunction([&dialogs](const QString &t) { dialogs.showMessage(t); });
    Workspace ws(link, dialogs);
    auto *form = new VariablesListWindow(ws);
    form->show();
    double elapsed = 0, wire = 0;
    int exchanges = 0;
    qint64 longestStall = 0;
    for (int r = 0; r < repeats; ++r) {
        sim.clearRequestLog();
        const std::uint64_t served = sim.requestsServed();
        StallProbe probe;
        form->readDataFromController();
        if (!bench::waitUntil([&] { return sim.requestsServed() > served; }, 5000))
            return false;
        QElapsedTimer clock;
        clock.start();
        if (!bench::waitUntil([&] { return !form->dataReadRunning(); }, 60000) || dialogs.messagesShown != 0)
            return false;
        elapsed += static_cast<double>(clock.nsecsElapsed()) / 1e9;
        wire += wireSeconds(sim.requestLog(), &exchanges);
        longestStall = std::max(longestStall, probe.longestGapMs());
    }
    std::printf("%s through the Variables List window, %d reads:\n", title, repeats);
    std::printf("  wire / elapsed   %.3f (the first request's part of the wire time is not timed)\n", wire / elapsed);
    std::printf("  longest stall    %lld ms of the window's thread (10 ms timer probe)\n", longestStall);
    form->close();
    delete form;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir root;
    qputenv("XDG_CONFIG_HOME", QDir(root.path()).filePath(QStringLiteral("config")).toLocal8Bit());
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 3;
    programfolder::setOverride(QStringLiteral(QMX_SOURCE_DIR "/data"));

    ControllerSimulator sim;
    if (!bench::startSimulatorOnCom1(sim))
        return 1;
    sim.setLiveDemo(false);

    Link link;
    link.setMessageFunction([](const QString &t) { std::fprintf(stderr, "message: %s\n", qPrintable(t)); });
    sim.setBaud(kBaud);
    if (!measure("Data Read of the demo image", link, sim, repeats))
        return 1;
    if (!measureWindow("Data Read of the demo image", link, sim, repeats))
        return 1;
    loadMaximalSuperBlock(sim);
    if (!measure("Data Read of a maximal super block", link, sim, repeats))
        return 1;
    if (!measureWindow("Data Read of a maximal super block", link, sim, repeats))
        return 1;
    return 0;
}
