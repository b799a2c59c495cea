// qmx-record against the simulator.
//
// Rate: the recorder as a separate process at 9600 baud with 1, 7 and 14 channels, and 14 channels
// with 4 math channels; passes per second taken from the rows' own times (first completed pass to
// last), as a ratio of the wire limit (one "R" exchange: 26 bytes, 27.08 ms at 9600 8N1), and the
// recorder's CPU per pass.
// Soak: the recorder's pass loop and file in this process, against the simulator without baud
// emulation, for a million passes: resident memory after warm-up and at the end, rows in the file.
//
// Publishing: the recorder at 9600 baud with 7 channels writing CSV, against the same writing
// InfluxDB lines and publishing each pass to a Mosquitto started here (passes per second of each,
// the ratio). Publish soak: the pass loop, the file and the publisher in this process without baud
// emulation, the broker stopped for a stretch of the run: resident memory, and the passes the
// broker took, dropped and left waiting.
//
//   recordbench QMX-RECORD [--seconds S] [--soak N] [--only rate|soak|publish|publish-soak]

#include "bench/BenchSupport.h"
#include "link/Settings.h"
#include "record/MqttPublisher.h"
#include "record/Recording.h"
#include "record/RecordOptions.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

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
    QStringList args = QStringList{recorder, "--port", device, "--out", out, "--duration", QString::number(seconds) + "s",
                                   "--quiet"} +
                       extra;
    for (int c = 0; c < channels; ++c) {
        args << "--channel";
        args << (c < 7 ? QStringLiteral("%1").arg(0x600E60 + 2 * c, 0, 16).toUpper()
                       : QStringLiteral("600E%1:%2").arg(2 * (c - 7), 2, 16, QLatin1Char('0')).arg(c - 7));
    }
    // Each run writes its file anew (the recorder replaces none without --force).
    QFile::remove(out);
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
    // CSV: the header, then t_s in the second column; InfluxDB lines: the time in nanoseconds last.
    const bool influx = extra.contains("influx");
    if (!influx)
        file.readLine();
    double first = -1;
    double last = -1;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (influx) {
            last = static_cast<double>(line.mid(line.lastIndexOf(' ') + 1).toLongLong()) / 1e9;
        } else {
            const QByteArrayList fields = line.split(',');
            if (fields.size() < 2)
                continue;
            last = fields[1].toDouble();
        }
        if (first < 0)
            first = last;
        ++figures.rows;
    }
    if (figures.rows > 1 && last > first)
        figures.perSecond = static_cast<double>(figures.rows - 1) / (last - first);
    return figures;
}

// The simulator on COM1 without baud emulation, still values, and the port open on it.
bool openSoakLine(ControllerSimulator &sim, Link &link, const char *soak)
{
    if (!bench::startSimulatorOnCom1(sim))
        return false;
    sim.setLiveDemo(false);
    if (link.open(PortUser::TrendRun) != 0) {
        std::printf("%s: the port would not open\n", soak);
        return false;
    }
    return true;
}

void runSoak(const QString &folder, long passes)
{
    ControllerSimulator sim;
    Link link;
    if (!openSoakLine(sim, link, "soak"))
        return;
    const record::ChannelSetup setup = record::channelsFromTexts({"600E60"}, {});
    const QString out = folder + "/soak.csv";
    QString error;
    const int file = record::RunRecording::openFile(out, &error);
    record::RunRecording recording(setup.data, file);
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
    const record::RunRecording::Figures figures = recording.figures();
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

// Mosquitto on a free loopback port with a configuration of the bench's own.
class Broker {
public:
    explicit Broker(const QString &folder) : config_(folder + "/mosquitto.conf")
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port_ = probe.serverPort();
    }
    ~Broker() { stop(); }
    quint16 port() const { return port_; }
    bool start()
    {
        QFile file(config_);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n").arg(port_).toUtf8());
        file.close();
        process_.start("/usr/sbin/mosquitto", {"-c", config_});
        if (!process_.waitForStarted(5000))
            return false;
        for (int attempt = 0; attempt < 100; ++attempt) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port_);
            if (socket.waitForConnected(100))
                return true;
            QThread::msleep(50);
        }
        return false;
    }
    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        process_.waitForFinished(5000);
    }

private:
    QString config_;
    quint16 port_ = 0;
    QProcess process_;
};

void comparePublishing(const QString &recorder, const QString &device, int seconds, const QString &folder)
{
    Broker broker(folder);
    if (!broker.start()) {
        std::printf("publish: mosquitto would not start\n");
        return;
    }
    const QString url = QStringLiteral("mqtt://127.0.0.1:%1/bench/drive").arg(broker.port());
    // In turns, so that whatever else the machine does falls on both alike.
    double csvRows = 0, csvSeconds = 0, publishedRows = 0, publishedSeconds = 0;
    for (int round = 1; round <= 3; ++round) {
        const RateFigures csv = measureRate(recorder, device, 7, seconds, folder + "/plain.csv");
        const RateFigures published = measureRate(recorder, device, 7, seconds, folder + "/published.lp",
                                                  {"--format", "influx", "--publish", url});
        std::printf("publish: round %d, 7 channels: CSV %ld rows, %.3f passes/s; InfluxDB lines and --publish %ld rows, "
                    "%.3f passes/s; ratio %.4f; CPU %.3f and %.3f ms per pass\n",
                    round, csv.rows, csv.perSecond, published.rows, published.perSecond,
                    published.perSecond / csv.perSecond,
                    csv.rows > 0 ? 1000.0 * csv.cpuSeconds / static_cast<double>(csv.rows) : 0.0,
                    published.rows > 0 ? 1000.0 * published.cpuSeconds / static_cast<double>(published.rows) : 0.0);
        std::fflush(stdout);
        if (csv.perSecond > 0 && published.perSecond > 0) {
            csvRows += static_cast<double>(csv.rows - 1);
            csvSeconds += static_cast<double>(csv.rows - 1) / csv.perSecond;
            publishedRows += static_cast<double>(published.rows - 1);
            publishedSeconds += static_cast<double>(published.rows - 1) / published.perSecond;
        }
    }
    const double wire = 1.0 / (7 * kExchangeSeconds);
    std::printf("publish: all rounds: CSV %.3f passes/s, InfluxDB lines and --publish %.3f passes/s, ratio %.4f "
                "(wire limit %.3f)\n",
                csvRows / csvSeconds, publishedRows / publishedSeconds,
                (publishedRows / publishedSeconds) / (csvRows / csvSeconds), wire);
    std::fflush(stdout);
}

// The recorder's pass loop, its file and a publisher in this process for `passes` passes, the
// broker away from 20 % to 50 % of them.
void runPublishSoak(const QString &folder, long passes)
{
    ControllerSimulator sim;
    Link link;
    if (!openSoakLine(sim, link, "publish soak"))
        return;
    Broker broker(folder);
    if (!broker.start()) {
        std::printf("publish soak: mosquitto would not start\n");
        return;
    }
    const record::ChannelSetup setup = record::channelsFromTexts({"600E60"}, {});
    const QString out = folder + "/soak.lp";
    QString error;
    record::RunRecording recording(setup.data, record::RunRecording::openFile(out, &error));
    recording.setFormat(record::OutputFormat::Influx);
    recording.setInfluxTags(QStringLiteral("COM1"), {});
    record::MqttTarget target;
    target.host = QStringLiteral("127.0.0.1");
    target.port = broker.port();
    target.topic = QStringLiteral("bench/soak");
    record::MqttPublisher publisher(target, {}, record::PayloadFormat::Influx);
    // Room for every pass: what is measured is memory, not the bound.
    if (!publisher.start(folder + "/spool", static_cast<std::uint64_t>(passes) + 1, &error)) {
        std::printf("publish soak: %s\n", qPrintable(error));
        return;
    }
    recording.addPublisher(&publisher);
    recording.begin(std::chrono::steady_clock::now(), QDateTime::currentDateTime());
    LinkTask task;
    std::atomic<long> rows{0};
    const long warmUp = std::min<long>(passes / 10, 100000);
    std::atomic<long long> residentAfterWarmUp{0};
    QElapsedTimer clock;
    clock.start();
    std::thread reader([&] {
        record::recordPasses(link, task, setup.data, recording, [&](std::uint64_t n) {
            rows = static_cast<long>(n);
            if (n % 1000 == 0)
                recording.flush();
            if (static_cast<long>(n) == warmUp)
                residentAfterWarmUp = bench::residentBytes();
            if (static_cast<long>(n) >= passes)
                task.cancel();
        });
    });
    long long residentPeak = 0;
    std::uint64_t mostQueued = 0;
    bool away = false, back = false;
    while (rows < passes) {
        QThread::msleep(200);
        residentPeak = std::max(residentPeak, bench::residentBytes());
        mostQueued = std::max(mostQueued, publisher.figures().queued);
        if (!away && rows >= passes / 5) {
            broker.stop();
            away = true;
            std::printf("publish soak: broker stopped at pass %ld\n", rows.load());
        } else if (away && !back && rows >= passes / 2) {
            broker.start();
            back = true;
            std::printf("publish soak: broker started again at pass %ld, %llu passes waiting\n", rows.load(),
                        static_cast<unsigned long long>(publisher.figures().queued));
        }
        std::fflush(stdout);
    }
    reader.join();
    recording.flush();
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    // What waits goes now, as at a recorder's end, for as long as it takes here.
    QElapsedTimer drain;
    drain.start();
    while (publisher.figures().queued > 0 && drain.elapsed() < 600000)
        QThread::msleep(100);
    publisher.stop(std::chrono::seconds(5));
    const long long residentEnd = bench::residentBytes();
    const record::MqttPublisher::Figures figures = publisher.figures();
    std::printf("publish soak: %ld passes in %.1f s (%.0f passes/s), then %.1f s until none waited\n", rows.load(),
                seconds, static_cast<double>(rows.load()) / seconds, static_cast<double>(drain.elapsed()) / 1000.0);
    std::printf("publish soak: broker took %llu, dropped %llu, waiting %llu, most waiting %llu\n",
                static_cast<unsigned long long>(figures.sent), static_cast<unsigned long long>(figures.dropped),
                static_cast<unsigned long long>(figures.queued), static_cast<unsigned long long>(mostQueued));
    std::printf("publish soak: resident after %ld passes %.2f MB, highest sampled %.2f MB, at the end %.2f MB, growth "
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

    // The recorders this bench starts keep their spools in its own world.
    qputenv("XDG_STATE_HOME", root.path().toLocal8Bit());
    const auto wanted = [&only](const char *part) { return only.isEmpty() || only == QLatin1String(part); };
    if (wanted("rate") || wanted("publish")) {
        ControllerSimulator sim;
        QString error;
        if (!sim.start(&error)) {
            std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
            return 1;
        }
        sim.setBaud(9600);
        sim.setLiveDemo(false);
        for (int channels : {1, 7, 14}) {
            if (!wanted("rate"))
                break;
            const RateFigures f = measureRate(recorder, sim.devicePath(), channels, seconds, root.path() + "/rate.csv");
            const double wire = 1.0 / (channels * kExchangeSeconds);
            std::printf("rate: %2d channels: %ld rows in %d s, %.3f passes/s, wire limit %.3f, ratio %.4f, CPU %.3f ms "
                        "per pass (whole process, start-up included)\n",
                        channels, f.rows, seconds, f.perSecond, wire, f.perSecond / wire,
                        f.rows > 0 ? 1000.0 * f.cpuSeconds / static_cast<double>(f.rows) : 0.0);
            std::fflush(stdout);
        }
        if (wanted("rate")) {
            const RateFigures f =
                measureRate(recorder, sim.devicePath(), 14, seconds, root.path() + "/rate-math.csv", kMathArguments);
            const double wire = 1.0 / (14 * kExchangeSeconds);
            std::printf("rate: 14 channels and 4 math channels: %ld rows in %d s, %.3f passes/s, wire limit %.3f, ratio "
                        "%.4f, CPU %.3f ms per pass (whole process, start-up included)\n",
                        f.rows, seconds, f.perSecond, wire, f.perSecond / wire,
                        f.rows > 0 ? 1000.0 * f.cpuSeconds / static_cast<double>(f.rows) : 0.0);
        }
        if (wanted("publish"))
            comparePublishing(recorder, sim.devicePath(), seconds, root.path());
    }
    if (wanted("soak"))
        runSoak(root.path(), soak);
    if (wanted("publish-soak"))
        runPublishSoak(root.path(), soak);
    return 0;
}
