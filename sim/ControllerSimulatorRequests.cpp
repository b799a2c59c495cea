#include "sim/ControllerSimulatorPrivate.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

using namespace controllerframes;
using noisyline::noisySegments;

SimFault ControllerSimulator::Impl::takeFault(const Request &request)
{
    const bool everyNth = faultEveryN > 0 && ++requestsSinceEvery % static_cast<std::uint64_t>(faultEveryN) == 0;
    if (!queuedFaults.empty()) {
        const SimFault fault = queuedFaults.front();
        queuedFaults.pop_front();
        return fault;
    }
    if (request.address) {
        const auto it = addressFaults.find(*request.address);
        if (it != addressFaults.end())
            return it->second;
    }
    if (everyNth)
        return faultEvery;
    return faultForAll.value_or(SimFault{});
}

ControllerSimulator::Impl::Outcome ControllerSimulator::Impl::handleFrame(const QByteArray &frame,
                                                                          Clock::time_point arrival)
{
    const Request request = parseRequest(frame);
    QByteArray reply;
    SimFault fault;
    std::vector<NoisySegment> noisy;
    {
        std::lock_guard lock(mutex);
        log.push_back(frame);
        if (log.size() > kMaxLog)
            log.pop_front();
        lastRequest = frame;
        if (live) {
            const double seconds = std::chrono::duration<double>(arrival - demoStart).count();
            ControllerMemory::advanceDemo(memory, seconds);
        }
        // Scripted values are laid over the demo's, so a test knows its events exactly.
        if (request.letter == 'R' && request.address && request.refusal == 0)
            schedule.beforeRead(*request.address, arrival - demoStart, memory);
        if (request.letter == 'r' && request.address && request.refusal == 0)
            schedule.beforeBlockRead(*request.address, request.count, arrival - demoStart, memory);
        reply = normalReply(request, memory);
        fault = takeFault(request);
        if (fault.kind == SimFault::Kind::Garbage)
            reply = garbageReply(noise);
        if (fault.kind == SimFault::Kind::WrongEcho)
            reply = wrongEchoReply(request, memory);
        const bool blockRead = !request.refusal && request.letter == 'r';
        if (fault.kind == SimFault::Kind::RefuseBlockReads && blockRead)
            reply = nakReply(fault.letter);
        if (fault.kind == SimFault::Kind::ShortBlockReads && blockRead)
            reply = shortBlockReply(request, memory);
        if (fault.kind == SimFault::Kind::IgnoreBlockReads && blockRead)
            reply.clear();
        if (fault.kind == SimFault::Kind::None && lineNoise.any()) {
            std::uint64_t addedStrays = 0;
            std::uint64_t addedStalls = 0;
            noisy = noisySegments(reply, lineNoise, lineNoiseRandom, addedStrays, addedStalls);
            strays += addedStrays;
            stalls += addedStalls;
        }
    }

    // Counted before any reply byte goes out, so a program that has read its reply (or seen the
    // line close) always finds its request counted.
    ++served;

    // The request's own bytes came through the pty at once; on a real line the reply cannot begin
    // before they have all crossed it.
    const int rate = baud.load();
    const Clock::time_point replyStart = arrival + wireTime(frame.size(), rate);
    if (rate > 0 && !waitUntil(replyStart))
        return Outcome::Stopped;

    bool written = true;
    // Faults that write at a time of their own send an owed frame first.
    const bool atOnce = (fault.kind == SimFault::Kind::None && noisy.empty()) ||
                        fault.kind == SimFault::Kind::Garbage || fault.kind == SimFault::Kind::WrongEcho ||
                        fault.kind == SimFault::Kind::RefuseBlockReads ||
                        fault.kind == SimFault::Kind::ShortBlockReads ||
                        fault.kind == SimFault::Kind::IgnoreBlockReads || fault.kind == SimFault::Kind::Nak ||
                        fault.kind == SimFault::Kind::WrongChecksum ||
                        fault.kind == SimFault::Kind::LowerCaseChecksum ||
                        fault.kind == SimFault::Kind::BadFirstByte || fault.kind == SimFault::Kind::NoLineFeed ||
                        fault.kind == SimFault::Kind::Repeated;
    if (!atOnce && fault.kind != SimFault::Kind::CloseLine && !writeOwedFrame())
        return stopping ? Outcome::Stopped : Outcome::Served;
    switch (fault.kind) {
    case SimFault::Kind::None:
        written = noisy.empty() ? writeReply(reply, replyStart) : writeSegments(noisy, replyStart);
        break;
    case SimFault::Kind::Repeated:
        written = writeReply(reply, replyStart);
        if (written)
            owed = OwedFrame{reply, Clock::now() + std::chrono::milliseconds(std::max(0, fault.delayMs)), {}};
        break;
    case SimFault::Kind::OutOfOrder:
        owed = OwedFrame{reply, std::nullopt, std::chrono::milliseconds(std::max(0, fault.delayMs))};
        break;
    case SimFault::Kind::StrayByte: {
        written = writeAll(&fault.stray, 1);
        if (!written)
            break;
        const Clock::time_point due = replyStart + std::chrono::milliseconds(std::max(0, fault.delayMs));
        if (!waitUntil(due))
            return Outcome::Stopped;
        written = writePaced(reply, due);
        break;
    }
    case SimFault::Kind::Garbage:
    case SimFault::Kind::WrongEcho:
    case SimFault::Kind::RefuseBlockReads:
    case SimFault::Kind::ShortBlockReads:
    case SimFault::Kind::IgnoreBlockReads:
        written = writeReply(reply, replyStart);
        break;
    case SimFault::Kind::Late: {
        const Clock::time_point due = replyStart + std::chrono::milliseconds(std::max(0, fault.delayMs));
        if (!waitUntil(due))
            return Outcome::Stopped;
        written = writePaced(reply, due);
        break;
    }
    case SimFault::Kind::Silence:
        break;
    case SimFault::Kind::Nak:
        written = writeReply(nakReply(fault.letter), replyStart);
        break;
    case SimFault::Kind::WrongChecksum:
        written = writeReply(shiftedChecksum(reply), replyStart);
        break;
    case SimFault::Kind::LowerCaseChecksum:
        written = writeReply(lowerCaseChecksum(reply), replyStart);
        break;
    case SimFault::Kind::BadFirstByte:
        reply[0] = kBadFirstByte;
        written = writeReply(reply, replyStart);
        break;
    case SimFault::Kind::NoLineFeed:
        reply.chop(1);
        written = writeReply(reply, replyStart);
        break;
    case SimFault::Kind::Pieces: {
        const qsizetype pieces = std::clamp<qsizetype>(fault.pieces, 1, reply.size());
        const auto delay = std::chrono::milliseconds(std::max(0, fault.pieceDelayMs));
        Clock::time_point due = Clock::now();
        for (qsizetype k = 0; k < pieces && written; ++k) {
            const qsizetype from = reply.size() * k / pieces;
            const qsizetype to = reply.size() * (k + 1) / pieces;
            if (k > 0) {
                due += delay;
                if (!waitUntil(due))
                    return Outcome::Stopped;
            }
            written = writeAll(reply.constData() + from, to - from);
        }
        break;
    }
    case SimFault::Kind::CloseLine: {
        std::lock_guard lock(mutex);
        dropLineLocked();
        return Outcome::LineClosed;
    }
    }
    if (!written && stopping)
        return Outcome::Stopped;
    return Outcome::Served;
}

void ControllerSimulator::Impl::serve()
{
    // A UART hands over each byte as its stop bit ends. The kernel lets a thread's timed sleeps
    // run up to 50 us late by default, which on every reply would make the line slower than its
    // baud rate; the paced writes ask for the tightest wake-ups instead.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    QByteArray pending;
    char buffer[4096];
    while (!stopping) {
        pollfd fds[2] = {{master, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        // A frame owed at a time goes out then unless a request comes first (which it precedes).
        std::optional<timespec> untilOwed;
        if (forgetOwed.exchange(false))
            owed.reset();
        if (owed && owed->due) {
            const auto left = std::max<Clock::duration>(*owed->due - Clock::now(), Clock::duration::zero());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            untilOwed = timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
        }
        const int r = ::ppoll(fds, 2, untilOwed ? &*untilOwed : nullptr, nullptr);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (r == 0) {
            if (!writeOwedFrame() && stopping)
                return;
            continue;
        }
        const bool readable = fds[0].revents & POLLIN;
        const ssize_t n = readable ? ::read(master, buffer, sizeof buffer) : -1;
        if (n <= 0) {
            if (readable && n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            // A hang-up should not happen while the simulator holds the slave; should it anyway,
            // back off instead of spinning on it.
            if (!waitUntil(Clock::now() + std::chrono::milliseconds(50)))
                return;
            continue;
        }
        pending.append(buffer, n);
        const Clock::time_point arrival = Clock::now();
        for (qsizetype lf = pending.indexOf(kLf); lf >= 0; lf = pending.indexOf(kLf)) {
            const QByteArray line = pending.left(lf + 1);
            pending.remove(0, lf + 1);
            // Whatever came before the request's ENQ is noise left on the line.
            const qsizetype enq = line.lastIndexOf(kEnq);
            if (enq < 0)
                continue;
            const Outcome outcome = handleFrame(line.mid(enq), arrival);
            if (outcome != Outcome::Served)
                return;
        }
        if (pending.size() > kMaxPending) {
            const qsizetype enq = pending.lastIndexOf(kEnq);
            pending = enq >= 0 && pending.size() - enq <= 64 ? pending.mid(enq) : QByteArray();
        }
    }
}
