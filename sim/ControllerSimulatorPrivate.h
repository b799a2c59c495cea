#pragma once
// The simulator's inside, shared by its parts: the line (ControllerSimulatorLine.cpp), the paced
// writes (ControllerSimulatorPacing.cpp), the requests served with their faults
// (ControllerSimulatorRequests.cpp) and the calls of tests and qmx-sim (ControllerSimulator.cpp).

#include "sim/ControllerFrames.h"
#include "sim/ControllerSimulator.h"
#include "sim/NoisyLine.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <thread>
#include <vector>

struct ControllerSimulator::Impl {
    using Clock = std::chrono::steady_clock;
    using Request = controllerframes::Request;
    using NoisySegment = noisyline::NoisySegment;

    static constexpr qsizetype kMaxPending = 4096; // request bytes kept while no LF has come
    static constexpr std::size_t kMaxLog = 10000;
    // The paced writer hands the line this many bytes at a time, each at the moment its last byte
    // would have left a real UART.
    static constexpr qsizetype kPacedChunk = 8;
    static constexpr int kBitsPerByte = 10; // 8N1: start bit, 8 data bits, stop bit

    // How long `bytes` take on a line of `baud` (none at 0).
    static std::chrono::nanoseconds wireTime(qsizetype bytes, int baud);
    static void closeFd(int &fd);

    explicit Impl(ControllerMemory m, std::atomic<std::uint64_t> &servedCounter)
        : memory(std::move(m)), live(memory.isDemoImage()), served(servedCounter)
    {
    }

    // Guards everything below that other threads touch: memory, faults, the log, and the line's
    // descriptors while the serving thread is not running (or is closing them itself).
    mutable std::mutex mutex;
    ControllerMemory memory;
    bool live;
    Clock::time_point demoStart = Clock::now();
    ValueSchedule schedule;
    std::deque<SimFault> queuedFaults;
    std::map<std::uint32_t, SimFault> addressFaults;
    std::optional<SimFault> faultForAll;
    int faultEveryN = 0;
    SimFault faultEvery;
    std::uint64_t requestsSinceEvery = 0;
    std::deque<QByteArray> log;
    QByteArray lastRequest;
    std::mt19937 noise{20240611u};
    LineNoise lineNoise;
    std::mt19937 lineNoiseRandom{1u};
    std::atomic<std::uint64_t> strays{0};
    std::atomic<std::uint64_t> stalls{0};

    std::atomic<int> baud{0};
    std::atomic<std::uint64_t> &served;

    // A frame the controller still owes the line, known to the serving thread alone: a repeat
    // due at a time, or a reply held back until the next reply has gone (then due `delay` after it).
    struct OwedFrame {
        QByteArray bytes;
        std::optional<Clock::time_point> due;
        std::chrono::milliseconds delay{0};
    };
    std::optional<OwedFrame> owed;
    // Set by clearFaults(): the serving thread drops the owed frame before it next writes.
    std::atomic<bool> forgetOwed{false};

    int master = -1;
    int slave = -1; // held open so the master never sees a hang-up when the program closes its side
    QString slavePath;
    QString linkPath;
    int wakeFd = -1;
    std::thread thread;
    std::atomic<bool> stopping{false};
    bool started = false;

    bool openLine(QString *error);
    void closeLineLocked();
    void dropLineLocked();
    bool pointLink(QString *error);
    void startThread();
    void stopThread();

    void serve();
    enum class Outcome { Served, LineClosed, Stopped };
    Outcome handleFrame(const QByteArray &frame, Clock::time_point arrival);
    SimFault takeFault(const Request &request);
    bool waitUntil(Clock::time_point deadline) const;
    bool writeAll(const char *data, qsizetype length) const;
    bool writePaced(const QByteArray &bytes, Clock::time_point start) const;
    bool writeSegments(const std::vector<NoisySegment> &segments, Clock::time_point start) const;
    // Writes `reply` from `replyStart` behind the frame owed to the line: straight after it when
    // the reply could begin by the time it ends, as a controller sends one frame after the other;
    // a reply held back for the next one follows it.
    bool writeReply(const QByteArray &reply, Clock::time_point replyStart);
    // Writes a frame owed at a time, when there is one, before anything else goes out.
    bool writeOwedFrame();
    void applyLineSpeedLocked(int rate);
};
