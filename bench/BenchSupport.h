#pragma once
// What the benchmark programs share: dialogs that answer nothing and print the messages the
// program shows, the user-interface thread's CPU time, and the process's resident memory.

#include "base/Dialogs.h"
#include "link/Settings.h"
#include "sim/ControllerSimulator.h"

#include <QPrinter>
#include <QString>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace bench {

class NoDialogs : public Dialogs {
public:
    void ShowMessage(const QString &text) override
    {
        ++messagesShown;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    QString AskOpenFile(const QString &) override { return {}; }
    QString AskSaveFile(const QString &, const QString &) override { return {}; }
    std::unique_ptr<QPrinter> AskPrinter() override { return nullptr; }

    int messagesShown = 0;
};

// CPU seconds of the calling thread, user and system; the waits for replies block in the OS and
// cost none.
inline double ThreadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The process's resident set in bytes (the second field of /proc/self/statm, in pages); 0 where
// that file does not exist.
inline long long ResidentBytes()
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

// Starts the simulator and makes COM1 the chosen port, opening the simulator's device. False
// (with the reason printed) when the simulator could not start.
inline bool StartSimulatorOnCom1(ControllerSimulator &sim)
{
    QString error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return false;
    }
    MapPortToDevice(QStringLiteral("COM1"), sim.devicePath());
    RegWriteString(kPortKey, kPortValue, QStringLiteral("COM1"));
    return true;
}

} // namespace bench
