// qmx-record against the simulator.
//
// Rate: the recorder as a separate process at 9600 baud with 1, 7 and 14 channels, and 14 channels
// with 4 math channels; passes per
// second taken from the rows' own times (first completed pass to last), as a ratio of the wire
// limit (one "R" exchange: 26 bytes, 27.08 ms at 9600 8N1), and the recorder's CPU per pass.
// Soak: the recorder's pass loop and file in this process, against the simulator without baud
// emulation, for a million passes: resident memory after warm-up and at the end, rows in the file.
//
//   recordbench QMX-RECORD [--seconds S] [--soak N] [--only rate|soak]

#include "bench/BenchSupport.h"
#include "link/Settings.h"
#include "record/Recording.h"
#include "record/RecordOptions.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>

extern char **environ;

namespace {

constexpr double kExchangeSeconds = 26 * 10 / 9600.0;

struct RateFigures {
    long rows = 0;
    double perSecond = 0;
    double cpuSeconds = 0;
};

// Four math channels over the words of a 14-channel run: their columns must cost no pass.
const QStringList kMathArguments = {"--math", "slip=600E60-600E62", "--math", "accel=deriv(mavg(600E62,10))",
                                    "--math", "irms=mrms(600E64,50)", "--math", "energy=integ(abs(600E66*600E62)/9549)"};

RateFigures measureRate(const QString &recorder, const QString &device, int channels, int seconds, const QString &out,
                        const QStringList &extra = {})
{
    QStringList args = {recorder, "--port", device, "--out", out, "--duration", QString::number(seconds) + "s", "--quiet"};
    args << extra;
    for (int c = 0; c < channels; ++c) {
        args << "--channel";
        args << (c < 7 ? QStringLiteral("%1").arg(0x600E60 + 2 * c, 0, 16).toUpper()
                       : QStringLiteral("600E%1:%2").arg(2 * (c - 7), 2, 16, QLatin1Char('0')).arg(c - 7));
    }
    std::vector<QByteArray> bytes;
    for (const QString &a : args)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    RateFigures figures;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return figures;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    figures.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly))
        return figures;
    file.readLine(); // header
    double first = -1;
    double last = -1;
    while (!file.atEnd()) {
        const QByteArrayList fields = file.readLine().split(',');
        if (fields.size() < 2)
            continue;
        last = fields[1].toDouble();
        if (first < 0)
            first = last;
        ++figures.rows;
    }
    if (figures.rows > 1 && last > first)
        figures.perSecond = static_cast<double>(figures.rows - 1) / (last - first);
    return figures;
}

void runSoak(const QString &folder, long passes)
{
    ControllerSimulator sim;
    if (!bench::startSimulatorOnCom1(sim))
        return;
    sim.setLiveDemo(false);
    Link link;
    if (link.open(PortUser::TrendRun) != 0) {
        std::printf("soak: the port would not open\n");
        return;
    }
    const record::ChannelSetup setup = record::channelsFromTexts({"600E60"}, {});
    const QString out = folder + "/soak.csv";
    QString error;
    const int file = record::CsvRecording::openFile(out, &error);
    record::CsvRecording recording(setup.data, file);
    recording.begin(std::chrono::steady_clock::now(), QDateTime::currentDateTime());
    LinkTask task;
    const long warmUp = std::min<long>(passes / 10, 100000);
    long long residentAfterWarmUp = 0;
    long long residentPeak = 0;
    QElapsedTimer clock;
    clock.start();
    std::thread reader([&] {
        record::recordPasses(link, task, setup.data, recording, [&](std::uint64_t rows) {
            if (rows % 1000 == 0)
                recording.flush(); // as the recorder's once-a-second flush does
            if (static_cast<long>(rows) == warmUp)
                residentAfterWarmUp = bench::residentBytes();
            if (rows % 50000 == 0)
                residentPeak = std::max(residentPeak, bench::residentBytes());
            if (static_cast<long>(rows) >= passes)
                task.cancel();
        });
    });
    reader.join();
    recording.flush();
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    const long long residentEnd = bench::residentBytes();
    const record::CsvRecording::Figures figures = recording.figures();
    QFile csv(out);
    long lines = 0;
    if (csv.open(QIODevice::ReadOnly)) {
        char buffer[1 << 16];
        qint64 n = 0;
        while ((n = csv.read(buffer, sizeof buffer)) > 0)
            lines += std::count(buffer, buffer + n, '\n');
    }
    // One channel: one exchange per pass, counted by the link itself.
    const auto read = static_cast<unsigned long long>(link.exchangeCount());
    std::printf("soak: %llu passes read in %.1f s (%.0f passes/s), failed reads %llu\n", read, seconds,
                static_cast<double>(read) / seconds, static_cast<unsigned long long>(figures.poll.stats.failures()));
    std::printf("soak: rows in the file %ld, passes read %llu: %s; file %.1f MB\n", lines - 1, read,
                static_cast<unsigned long long>(lines - 1) == read ? "equal" : "DIFFERENT",
                static_cast<double>(csv.size()) / 1e6);
    std::printf("soak: resident after %ld passes %.2f MB, highest sampled %.2f MB, at the end %.2f MB, growth "
                "%.3f MB\n",
                warmUp, static_cast<double>(residentAfterWarmUp) / 1e6, static_cast<double>(residentPeak) / 1e6,
                static_cast<double>(residentEnd) / 1e6,
                static_cast<double>(std::max(residentPeak, residentEnd) - residentAfterWarmUp) / 1e6);
    QFile::remove(out);
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir root;
    bench::prepareOwnWorld(root);
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: recordbench QMX-RECORD [--seconds S] [--soak N] [--only rate|soak]\n");
        return 2;
    }
    const QString recorder = args[1];
    int seconds = 15;
    long soak = 1000000;
    QString only;
    for (int i = 2; i + 1 < args.size(); i += 2) {
        if (args[i] == "--seconds")
            seconds = args[i + 1].toInt();
        else if (args[i] == "--soak")
            soak = args[i + 1].toLong();
        else if (args[i] == "--only")
            only = args[i + 1];
    }

    if (only != "soak") {
        ControllerSimulator sim;
        QString error;
        if (!sim.start(&error)) {
            std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
            return 1;
        }
        sim.setBaud(9600);
        sim.setLiveDemo(false);
        for (int channels : {1, 7, 14}) {
            // A file of each run's own: the recorder does not replace one without --force.
            const RateFigures f = measureRate(recorder, sim.devicePath(), channels, seconds,
                                              root.path() + QStringLiteral("/rate-%1.csv").arg(channels));
            const double wire = 1.0 / (channels * kExchangeSeconds);
            std::printf("rate: %2d channels: %ld rows in %d s, %.3f passes/s, wire limit %.3f, ratio %.4f, CPU %.3f ms "
                        "per pass (whole process, start-up included)\n",
                        channels, f.rows, seconds, f.perSecond, wire, f.perSecond / wire,
                        f.rows > 0 ? 1000.0 * f.cpuSeconds / static_cast<double>(f.rows) : 0.0);
            std::fflush(stdout);
        }
        const RateFigures f =
            measureRate(recorder, sim.devicePath(), 14, seconds, root.path() + "/rate-math.csv", kMathArguments);
        const double wire = 1.0 / (14 * kExchangeSeconds);
        std::printf("rate: 14 channels and 4 math channels: %ld rows in %d s, %.3f passes/s, wire limit %.3f, ratio "
                    "%.4f, CPU %.3f ms per pass (whole process, start-up included)\n",
                    f.rows, seconds, f.perSecond, wire, f.perSecond / wire,
                    f.rows > 0 ? 1000.0 * f.cpuSeconds / static_cast<double>(f.rows) : 0.0);
    }
    if (only != "rate")
        runSoak(root.path(), soak);
    return 0;
}
