#pragma once
// The stop signals of a qmx-record run (SIGINT, SIGTERM, SIGHUP).

#include <chrono>
#include <csignal>
#include <ctime>
#include <pthread.h>

namespace record {

// The signals that stop a run, held for this process from construction on (before any thread is
// made, so none of them takes one) and taken only by asking.
class RunStopSignals {
public:
    RunStopSignals()
    {
        sigemptyset(&set_);
        for (int signal : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&set_, signal);
        pthread_sigmask(SIG_BLOCK, &set_, nullptr);
    }
    // The stop signal that came within `wait`, or 0.
    int waitFor(std::chrono::nanoseconds wait) const
    {
        const timespec time{static_cast<time_t>(wait.count() / 1000000000), static_cast<long>(wait.count() % 1000000000)};
        const int signal = sigtimedwait(&set_, nullptr, &time);
        return signal > 0 ? signal : 0;
    }
    bool pending() const { return waitFor(std::chrono::nanoseconds(0)) != 0; }

private:
    sigset_t set_;
};

} // namespace record
