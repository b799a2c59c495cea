#include "link/LinkCore.h"

#include <algorithm>

void LinkCore::traceBytes(const char *what, const std::uint8_t *bytes, std::size_t n) const
{
    if (trace_)
        trace_(what, bytes, n);
}

namespace {

constexpr std::uint8_t kLineFeed = 0x0A;

// The block read that resynchronises the line before `request`, the `attempt`-th (from 0) of one
// resynchronisation: 1 + attempt bytes at its address, one more from the request's own count on
// when the request is a block read there, so that no echo can be the request's or an earlier
// probe's.
RequestRecord probeFor(const RequestRecord &request, int attempt)
{
    int count = 1 + attempt;
    if (request.letter() == 'r' && count >= request.count())
        ++count;
    return RequestRecord::make('r', request.address(), static_cast<std::uint8_t>(count));
}

} // namespace

void LinkCore::send(const RequestRecord &request)
{
    const std::string frame = requestFrameBytes(request);
    const auto *frameBytes = reinterpret_cast<const std::uint8_t *>(frame.data());
    port_.purge();
    // Taken before the write: the line starts sending once the port has the bytes, not sooner.
    sentAt_ = std::chrono::steady_clock::now();
    sentBytes_ = frame.size();
    port_.write(std::span<const std::uint8_t>(frameBytes, frame.size()));
    wireBytes_ += frame.size();
    traceBytes("sent", frameBytes, frame.size());
}

int LinkCore::awaitReply(const RequestRecord &request, SteadyDeadline deadline, Wait wait)
{
    std::size_t received = 0;
    // A frame that did not answer the request was discarded during this wait.
    bool discarded = false;
    auto timedOut = [&] {
        traceBytes("no reply", frameBuffer_.data(), received);
        outOfStep_ = true;
        if (received > 0)
            lastProbeFrameAt_.reset(); // a frame was still coming after the last whole one
        return codeOf(LinkResult::Timeout);
    };
    for (;;) {
        // Wait first, then read: straight after the request no reply can have come yet, and a
        // read that finds nothing is one more system call on every exchange.
        if (!port_.waitForBytes(deadline))
            return timedOut();
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
            const FrameVerdict verdict = judge(frame, outcome, request, wait, discarded);
            if (wait == Wait::Probe && verdict != FrameVerdict::Proven && verdict != FrameVerdict::Discard) {
                traceBytes("discarded", begin, length);
                lastProbeFrameAt_ = std::chrono::steady_clock::now();
                return outcome.code; // spoilt: never Ok, never a time-out
            }
            auto outOfTurn = [&] {
                traceBytes("out of turn", frameBuffer_.data(), received);
                const auto wire = port_.byteTime() * static_cast<long long>(sentBytes_ + length);
                drainUntilQuiet(wire, deadline);
                outOfStep_ = true;
                if (wait == Wait::Probe)
                    lastProbeFrameAt_ = std::chrono::steady_clock::now();
                std::fill_n(replyData_.begin(), 1000, std::uint8_t{0});
                return codeOf(LinkResult::OutOfTurn);
            };
            if (verdict != FrameVerdict::Discard) {
                if (outcome.code == codeOf(LinkResult::Ok) && !cameInTurn(length, received))
                    return outOfTurn();
                traceBytes("received", begin, length);
                if (outcome.nak) {
                    lastErrorReply_.assign(reinterpret_cast<const char *>(begin), length);
                    ++refusals_;
                }
                // A block reply's echo proves the line in step, whatever was discarded before it;
                // a refusal carries no echo, so one after a discarded frame does not.
                const bool echoed = request.letter() == 'r' && outcome.code == codeOf(LinkResult::Ok);
                if (verdict == FrameVerdict::Doubtful || (discarded && !echoed))
                    outOfStep_ = true;
                else if (echoed)
                    outOfStep_ = false;
                return outcome.code;
            }
            // A word reply that fits the request but comes after a frame that did not answer it
            // is never taken (see judge()): the read fails now rather than at its deadline, as
            // nothing that comes later in this wait could be taken either.
            if (wait == Wait::Reply && discarded && request.letter() == 'R' && frame[0] == kStx &&
                outcome.code == codeOf(LinkResult::Ok) && replyMatchesRequest(frame, request))
                return outOfTurn();
            discarded = true;
            if (wait == Wait::Reply) {
                outOfStep_ = true;
                if (outcome.code == codeOf(LinkResult::Ok) && replyOfWrongLength(frame, request))
                    wrongLength_ = true;
            } else {
                lastProbeFrameAt_ = std::chrono::steady_clock::now();
            }
            traceBytes("discarded", begin, length);
            std::fill_n(replyData_.begin(), 1000, std::uint8_t{0});
            std::copy(frameBuffer_.begin() + static_cast<std::ptrdiff_t>(length),
                      frameBuffer_.begin() + static_cast<std::ptrdiff_t>(received), frameBuffer_.begin());
            received -= length;
        }
        if (received == frameBuffer_.size())
            return timedOut(); // no LF within the receive area: never complete
    }
}

LinkCore::FrameVerdict LinkCore::judge(std::span<const std::uint8_t> frame, const ReplyOutcome &outcome,
                                       const RequestRecord &request, Wait wait, bool discardedBefore)
{
    const bool wellFormed = frame[0] == kStx && outcome.code == codeOf(LinkResult::Ok);
    if (wait == Wait::Probe) {
        // Only a block read's echo proves where the line stands; a word reply echoes nothing. A
        // frame spoilt on the way (not a refusal, not another request's well-formed reply) may
        // have been the echo.
        if (request.letter() != 'r')
            return FrameVerdict::Discard;
        if (wellFormed)
            return replyMatchesRequest(frame, request) ? FrameVerdict::Proven : FrameVerdict::Discard;
        const bool knownRefusal = outcome.nak && outcome.code != codeOf(LinkResult::RefusedUnknown);
        return knownRefusal ? FrameVerdict::Discard : FrameVerdict::Doubtful;
    }
    if (wellFormed) {
        if (!replyMatchesRequest(frame, request))
            return FrameVerdict::Discard;
        // A word reply carries nothing of its request: after a frame that did not answer this
        // request, the next word reply may as well be another request's. A block reply's echo
        // proves it.
        if (request.letter() == 'r')
            return FrameVerdict::Proven;
        return discardedBefore ? FrameVerdict::Discard : FrameVerdict::Proven;
    }
    // A refusal by one of the controller's letters answers this request. Anything else rejected
    // at once (a wrong first byte or checksum, a refusal letter it does not have) may be noise
    // ahead of the request's real reply, still on its way.
    const bool knownRefusal = outcome.nak && outcome.code != codeOf(LinkResult::RefusedUnknown);
    return knownRefusal ? FrameVerdict::Proven : FrameVerdict::Doubtful;
}

bool LinkCore::resynchronise(const RequestRecord &request, SteadyDeadline deadline)
{
    // A block read's echo proves the line in step at once. A controller that never answers block
    // reads gives no frame to judge, so every third attempt in a row reads the request's own word
    // instead and relies on the quiet rule below.
    // A frame spoilt on the way may have been the probe's echo: another probe, with an echo of
    // its own, is sent at once rather than waiting out the reply time for an echo that is gone.
    const bool wordProbe = failedResynchronisations_ % kProbesPerWordProbe == kProbesPerWordProbe - 1;
    lastProbeFrameAt_.reset();
    for (int attempt = 0; attempt < kProbesPerResynchronisation; ++attempt) {
        const RequestRecord probe = wordProbe ? RequestRecord::make('R', request.address(), 2) : probeFor(request, attempt);
        send(probe);
        const int result = awaitReply(probe, deadline, Wait::Probe);
        if (result == codeOf(LinkResult::Ok)) {
            outOfStep_ = false;
            failedResynchronisations_ = 0;
            std::fill_n(replyData_.begin(), 1000, std::uint8_t{0});
            return true;
        }
        if (result == codeOf(LinkResult::Timeout))
            break;
    }
    // A controller that refuses the block read, shortens it or takes word reads only never echoes
    // it. When whole frames came, the last of them followed by one longest reply time with
    // nothing more arriving, no reply is outstanding: the line is in step. The exchange still
    // fails; the next one is in step.
    if (lastProbeFrameAt_ && quietUntil(*lastProbeFrameAt_ + kLongestReplyWait)) {
        outOfStep_ = false;
        failedResynchronisations_ = 0;
    } else {
        ++failedResynchronisations_;
    }
    return false;
}

bool LinkCore::quietUntil(SteadyDeadline until)
{
    return !port_.waitForBytes(until);
}

bool LinkCore::cameInTurn(std::size_t length, std::size_t &received)
{
    const auto now = std::chrono::steady_clock::now();
    const std::chrono::nanoseconds byte = port_.byteTime();
    const auto wire = byte * static_cast<long long>(sentBytes_ + length);
    if (now < sentAt_ + wire * (100 - kWireTimeTolerancePercent) / 100)
        return false; // complete before its request could have crossed the line and it come back
    if (received > length)
        return false;
    if (byte > std::chrono::nanoseconds::zero() && !port_.waitForBytes(now + byte * kQuietCharacters))
        return true;
    // Bytes came in the window, or nothing paces the line: whatever is there now follows the reply.
    const std::size_t room = frameBuffer_.size() - received;
    const std::ptrdiff_t n =
        port_.readAvailable(std::span<std::uint8_t>(frameBuffer_.data() + received, std::min(room, kReadRequest)));
    if (n <= 0)
        return true;
    received += static_cast<std::size_t>(n);
    wireBytes_ += static_cast<std::size_t>(n);
    return false;
}

void LinkCore::drainUntilQuiet(std::chrono::nanoseconds quiet, SteadyDeadline deadline)
{
    for (;;) {
        if (quiet > std::chrono::nanoseconds::zero() &&
            !port_.waitForBytes(std::min(deadline, std::chrono::steady_clock::now() + quiet)))
            return;
        const std::ptrdiff_t n = port_.readAvailable(std::span<std::uint8_t>(frameBuffer_.data(), kReadRequest));
        if (n <= 0)
            return;
        wireBytes_ += static_cast<std::size_t>(n);
        traceBytes("discarded", frameBuffer_.data(), static_cast<std::size_t>(n));
        if (std::chrono::steady_clock::now() >= deadline)
            return;
    }
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
