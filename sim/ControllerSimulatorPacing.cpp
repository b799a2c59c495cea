#include "sim/ControllerSimulatorPrivate.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

std::chrono::nanoseconds ControllerSimulator::Impl::wireTime(qsizetype bytes, int baud)
{
    if (baud <= 0)
        return std::chrono::nanoseconds{0};
    return std::chrono::nanoseconds{static_cast<std::int64_t>(bytes) * kBitsPerByte * 1'000'000'000LL / baud};
}

bool ControllerSimulator::Impl::writeAll(const char *data, qsizetype length) const
{
    while (length > 0) {
        const ssize_t n = ::write(master, data, static_cast<size_t>(length));
        if (n > 0) {
            data += n;
            length -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        // The program is not reading and the pty's buffer is full: wait for room or for stop.
        pollfd fds[2] = {{master, POLLOUT, 0}, {wakeFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return false;
        if (fds[1].revents || (fds[0].revents & (POLLERR | POLLNVAL)))
            return false;
    }
    return true;
}

// Writes `bytes` as a line at the set baud rate would deliver them, starting at `start`. The due
// times are absolute, so sleeping late on one chunk does not push the rest back.
bool ControllerSimulator::Impl::writePaced(const QByteArray &bytes, Clock::time_point start) const
{
    const int rate = baud.load();
    if (rate <= 0)
        return writeAll(bytes.constData(), bytes.size());
    for (qsizetype offset = 0; offset < bytes.size(); offset += kPacedChunk) {
        const qsizetype length = std::min(kPacedChunk, bytes.size() - offset);
        if (!waitUntil(start + wireTime(offset + length, rate)))
            return false;
        if (!writeAll(bytes.constData() + offset, length))
            return false;
    }
    return true;
}

bool ControllerSimulator::Impl::writeSegments(const std::vector<NoisySegment> &segments, Clock::time_point start) const
{
    Clock::time_point due = start;
    for (const NoisySegment &segment : segments) {
        due += segment.pause;
        if (!waitUntil(due) || !writePaced(segment.bytes, due))
            return false;
        due = std::max(due, Clock::now());
    }
    return true;
}

bool ControllerSimulator::Impl::writeOwedFrame()
{
    if (forgetOwed.exchange(false))
        owed.reset();
    if (!owed || !owed->due)
        return true;
    const Clock::time_point start = std::max(*owed->due, Clock::now());
    const QByteArray bytes = owed->bytes;
    owed.reset();
    return waitUntil(start) && writePaced(bytes, start);
}

bool ControllerSimulator::Impl::writeReply(const QByteArray &reply, Clock::time_point replyStart)
{
    const int rate = baud.load();
    QByteArray bytes = reply;
    Clock::time_point start = replyStart;
    if (forgetOwed.exchange(false))
        owed.reset();
    if (owed && owed->due) {
        const Clock::time_point leadStart = std::max(*owed->due, Clock::now());
        if (replyStart <= leadStart + wireTime(owed->bytes.size(), rate)) {
            bytes.prepend(owed->bytes);
            start = leadStart;
            owed.reset();
        } else if (!writeOwedFrame()) {
            return false;
        }
    }
    const bool heldBack = owed && !owed->due;
    if (heldBack && owed->delay.count() == 0) {
        bytes += owed->bytes;
        owed.reset();
    }
    if (!waitUntil(start) || !writePaced(bytes, start))
        return false;
    if (owed && !owed->due)
        owed->due = Clock::now() + owed->delay;
    return true;
}
