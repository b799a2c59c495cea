#pragma once
// What the benchmark programs share: dialogs that answer nothing and print the messages the
// program shows, the user-interface thread's CPU time, and the process's resident memory.

#include "base/Dialogs.h"
#include "link/LinkThread.h"
#include "tests/support/StallProbe.h"
#include "link/Settings.h"
#include "sim/ControllerSimulator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <ctime>
#include <functional>
#include <pthread.h>
#include <QPrinter>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace bench {

class NoDialogs : public Dialogs {
public:
    void showMessage(const QString &text) override
    {
        ++messagesShown;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    QString askOpenFile(const QString &) override { return {}; }
    QString askSaveFile(const QString &, const QString &, const QString &) override { return {}; }
    std::unique_ptr<QPrinter> askPrinter() override { return nullptr; }

    int messagesShown = 0;
};

// CPU seconds of the calling thread, user and system; the waits for replies block in the OS and
// cost none.
inline double threadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// CPU seconds of a link thread, read from any thread. Made while the link thread is idle.
class LinkThreadClock {
public:
    explicit LinkThreadClock(LinkThread &thread)
    {
        thread.post([this](Link &) { pthread_getcpuclockid(pthread_self(), &clock_); });
        thread.drain();
    }
    double seconds() const
    {
        timespec t{};
        clock_gettime(clock_, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
    }

private:
    clockid_t clock_{};
};

// Runs the event loop until `done` or `timeoutMs`; false at the time-out.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// The process's resident set in bytes (the second field of /proc/self/statm, in pages); 0 where
// that file does not exist.
inline long long residentBytes()
{
    std::FILE *statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return 0;
    long long size = 0;
    long long resident = 0;
    const int fields = std::fscanf(statm, "%lld %lld", &size, &resident);
    std::fclose(statm);
    return fields == 2 ? resident * static_cast<long long>(sysconf(_SC_PAGESIZE)) : 0;
}

// Before the application object: the configuration store in `root`, and the offscreen platform
// unless a display is there.
inline void prepareOwnWorld(const QTemporaryDir &root)
{
    qputenv("XDG_CONFIG_HOME", QDir(root.path()).filePath(QStringLiteral("config")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The arguments "[count] [--screenshot file]" of a window benchmark.
struct WindowBenchArguments {
    int count = 0;
    QString screenshot;
};

inline WindowBenchArguments parseWindowBenchArguments(const QStringList &args, int defaultCount)
{
    WindowBenchArguments parsed{defaultCount, {}};
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--screenshot") && i + 1 < args.size())
            parsed.screenshot = args[++i];
        else
            parsed.count = std::max(1, args[i].toInt());
    }
    return parsed;
}

// Starts the simulator and makes COM1 the chosen port, opening the simulator's device. False
// (with the reason printed) when the simulator could not start.
inline bool startSimulatorOnCom1(ControllerSimulator &sim)
{
    QString error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return false;
    }
    mapPortToDevice(QStringLiteral("COM1"), sim.devicePath());
    setChosenPortName(QStringLiteral("COM1"));
    return true;
}

} // namespace bench
