#include "link/LinkCore.h"

#include <algorithm>

void LinkCore::traceBytes(const char *what, const std::uint8_t *bytes, std::size_t n) const
{
    if (trace_)
        trace_(what, bytes, n);
}

namespace {

constexpr std::uint8_t kLineFeed = 0x0A;

// The read that resynchronises the line before `request`: one byte at its address, or two when
// the request itself is a one-byte block read there, so that its echo cannot be the request's.
RequestRecord probeFor(const RequestRecord &request)
{
    const std::uint8_t count = request.letter() == 'r' && request.count() == 1 ? 2 : 1;
    return RequestRecord::make('r', request.address(), count);
}

} // namespace

void LinkCore::send(const RequestRecord &request)
{
    const std::string frame = requestFrameBytes(request);
    const auto *frameBytes = reinterpret_cast<const std::uint8_t *>(frame.data());
    port_.purge();
    port_.write(std::span<const std::uint8_t>(frameBytes, frame.size()));
    wireBytes_ += frame.size();
    traceBytes("sent", frameBytes, frame.size());
}

int LinkCore::awaitReply(const RequestRecord &request, SteadyDeadline deadline, Wait wait)
{
    std::size_t received = 0;
    auto timedOut = [&] {
        traceBytes("no reply", frameBuffer_.data(), received);
        outOfStep_ = true;
        if (received > 0)
            probeRefusedAt_.reset(); // a frame was still coming after the refusal
        return codeOf(LinkResult::Timeout);
    };
    for (;;) {
        const std::size_t room = frameBuffer_.size() - received;
        const std::ptrdiff_t n =
            port_.readAvailable(std::span<std::uint8_t>(frameBuffer_.data() + received, std::min(room, kReadRequest)));
        if (n < 0) {
            // The line has gone away: it answers as a silent one does, after the reply time.
            port_.waitForBytes(deadline);
            return timedOut();
        }
        received += static_cast<std::size_t>(n);
        wireBytes_ += static_cast<std::size_t>(n);

        // Every complete frame is judged on its own; one that cannot be this reply is dropped.
        for (;;) {
            const auto *begin = frameBuffer_.data();
            const auto *lf = std::find(begin, begin + received, kLineFeed);
            if (lf == begin + received)
                break;
            const std::size_t length = static_cast<std::size_t>(lf - begin) + 1;
            const std::span<const std::uint8_t> frame(begin, length);
            const ReplyOutcome outcome =
                parseReply(frame, std::span<std::uint8_t>(replyData_.data(), replyData_.size()));
            const bool provenReply = frame[0] == kStx && outcome.code == codeOf(LinkResult::Ok) &&
                                     replyMatchesRequest(frame, request);
            const bool judgedHere = frame[0] != kStx || outcome.code != codeOf(LinkResult::Ok);
            if (provenReply || (wait == Wait::Reply && judgedHere)) {
                traceBytes("received", begin, length);
                if (outcome.nak) {
                    lastErrorReply_.assign(reinterpret_cast<const char *>(begin), length);
                    ++refusals_;
                }
                return outcome.code;
            }
            if (wait == Wait::Reply && outcome.code == codeOf(LinkResult::Ok) && replyOfWrongLength(frame, request))
                wrongLength_ = true;
            if (wait == Wait::Probe) {
                if (outcome.nak)
                    probeRefusedAt_ = std::chrono::steady_clock::now();
                else
                    probeRefusedAt_.reset();
            }
            traceBytes("discarded", begin, length);
            std::fill_n(replyData_.begin(), 1000, std::uint8_t{0});
            std::copy(frameBuffer_.begin() + static_cast<std::ptrdiff_t>(length),
                      frameBuffer_.begin() + static_cast<std::ptrdiff_t>(received), frameBuffer_.begin());
            received -= length;
        }
        if (received == frameBuffer_.size())
            return timedOut(); // no LF within the receive area: never complete
        if (!port_.waitForBytes(deadline))
            return timedOut();
    }
}

bool LinkCore::resynchronise(const RequestRecord &request, SteadyDeadline deadline)
{
    const RequestRecord probe = probeFor(request);
    probeRefusedAt_.reset();
    send(probe);
    if (awaitReply(probe, deadline, Wait::Probe) == codeOf(LinkResult::Ok)) {
        outOfStep_ = false;
        std::fill_n(replyData_.begin(), 1000, std::uint8_t{0});
        return true;
    }
    // A controller that refuses the probe (one that takes word reads only) never echoes it. When
    // the last frame of the wait was a refusal, the line is in step once one longest reply time
    // passes after it with nothing more arriving: the refusal was the probe's, or the probe's own
    // is later than any reply is waited for. The exchange still fails; the next one is in step.
    if (probeRefusedAt_ && quietUntil(*probeRefusedAt_ + kLongestReplyWait))
        outOfStep_ = false;
    return false;
}

bool LinkCore::quietUntil(SteadyDeadline until)
{
    return !port_.waitForBytes(until);
}

int LinkCore::transact(const RequestRecord &request)
{
    wrongLength_ = false;
    // Nothing can answer on a port that is not open; there is no reply time to wait out.
    if (!port_.isOpen())
        return codeOf(LinkResult::Timeout);
    ++exchanges_;
    const SteadyDeadline deadline = replyDeadlineFromNow();
    std::fill_n(frameBuffer_.begin(), 1000, std::uint8_t{0});
    std::fill_n(replyData_.begin(), 1000, std::uint8_t{0});
    if (outOfStep_ && !resynchronise(request, deadline))
        return codeOf(LinkResult::Timeout);
    send(request);
    return awaitReply(request, deadline, Wait::Reply);
}

int LinkCore::readChunks(char letter, std::uint16_t count, std::uint32_t address, std::uint8_t *destination)
{
    int done = 0;
    int chunk = kChunk;
    while (done < count) {
        if (done + chunk >= count)
            chunk = count - done; // the last, shorter chunk
        const int result = transact(
            RequestRecord::make(letter, address + static_cast<std::uint32_t>(done), static_cast<std::uint8_t>(chunk)));
        if (result != 0)
            return result; // chunks already copied stay
        std::copy_n(replyData_.begin(), chunk, destination + done);
        done += chunk;
    }
    return 0;
}

int LinkCore::readValue(char letter, std::uint16_t count, std::uint32_t address)
{
    if (count > kValueBufferSize)
        return codeOf(LinkResult::Timeout);
    std::vector<std::uint8_t> buffer(kValueBufferSize, 0);
    const int result = readChunks(letter, count, address, buffer.data());
    if (result != 0)
        return result;
    return buffer[0] * 256 + buffer[1];
}

int LinkCore::readBlock(char letter, std::uint16_t count, std::uint32_t address, std::vector<std::uint8_t> &buffer)
{
    // A read that would not fit the caller's buffer is refused before anything is sent.
    if (count > buffer.size()) {
        lastReadResult_ = -1;
        return -1;
    }
    lastReadResult_ = readChunks(letter, count, address, buffer.data());
    return lastReadResult_ == 0 ? 0 : -1;
}
