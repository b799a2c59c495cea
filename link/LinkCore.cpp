#include "link/LinkCore.h"

#include <algorithm>

void LinkCore::traceBytes(const char *what, const std::uint8_t *bytes, std::size_t n) const
{
    if (trace_)
        trace_(what, bytes, n);
}

int LinkCore::receiveReply(SteadyDeadline deadline, std::size_t &received)
{
    received = 0;
    for (;;) {
        const std::size_t room = frameBuffer_.size() - received;
        if (room == 0)
            return Code(LinkResult::Timeout); // no LF within the receive area: never complete
        const std::ptrdiff_t n =
            port_.readAvailable(std::span<std::uint8_t>(frameBuffer_.data() + received, std::min(room, kReadRequest)));
        if (n < 0) {
            // The line has gone away: it answers as a silent one does, after the reply time.
            port_.waitForBytes(deadline);
            return Code(LinkResult::Timeout);
        }
        received += static_cast<std::size_t>(n);
        if (received > 0 && frameBuffer_[received - 1] == 0x0A)
            return Code(LinkResult::Ok);
        if (!port_.waitForBytes(deadline))
            return Code(LinkResult::Timeout);
    }
}

int LinkCore::Transact(const RequestRecord &request)
{
    // Nothing can answer on a port that is not open; there is no reply time to wait out.
    if (!port_.isOpen())
        return Code(LinkResult::Timeout);
    ++exchanges_;
    const SteadyDeadline deadline = ReplyDeadlineFromNow();
    std::fill_n(frameBuffer_.begin(), 1000, std::uint8_t{0});
    std::fill_n(replyData_.begin(), 1000, std::uint8_t{0});

    const std::string frame = RequestFrameBytes(request);
    const auto *frameBytes = reinterpret_cast<const std::uint8_t *>(frame.data());
    port_.purge();
    port_.write(std::span<const std::uint8_t>(frameBytes, frame.size()));
    wireBytes_ += frame.size();
    traceBytes("sent", frameBytes, frame.size());

    std::fill_n(frameBuffer_.begin(), 1000, std::uint8_t{0});
    std::size_t received = 0;
    const int waited = receiveReply(deadline, received);
    wireBytes_ += received;
    if (waited != Code(LinkResult::Ok)) {
        traceBytes("no reply", frameBuffer_.data(), received);
        return waited;
    }
    traceBytes("received", frameBuffer_.data(), received);

    const ReplyOutcome outcome = ParseReply(std::span<const std::uint8_t>(frameBuffer_.data(), received),
                                            std::span<std::uint8_t>(replyData_.data(), replyData_.size()));
    if (outcome.nak) {
        lastErrorReply_.assign(reinterpret_cast<const char *>(frameBuffer_.data()), received);
        ++refusals_;
    }
    return outcome.code;
}

int LinkCore::ReadChunks(char letter, std::uint16_t count, std::uint32_t address, std::uint8_t *destination)
{
    int done = 0;
    int chunk = kChunk;
    while (done < count) {
        if (done + chunk >= count)
            chunk = count - done; // the last, shorter chunk
        const int result = Transact(
            RequestRecord::Make(letter, address + static_cast<std::uint32_t>(done), static_cast<std::uint8_t>(chunk)));
        if (result != 0)
            return result; // chunks already copied stay
        std::copy_n(replyData_.begin(), chunk, destination + done);
        done += chunk;
    }
    return 0;
}

int LinkCore::ReadValue(char letter, std::uint16_t count, std::uint32_t address)
{
    if (count > kValueBufferSize)
        return Code(LinkResult::Timeout);
    std::vector<std::uint8_t> buffer(kValueBufferSize, 0);
    const int result = ReadChunks(letter, count, address, buffer.data());
    if (result != 0)
        return result;
    return buffer[0] * 256 + buffer[1];
}

int LinkCore::ReadBlock(char letter, std::uint16_t count, std::uint32_t address, std::vector<std::uint8_t> &buffer)
{
    // A read that would not fit the caller's buffer is refused before anything is sent.
    if (count > buffer.size()) {
        lastReadResult_ = -1;
        return -1;
    }
    lastReadResult_ = ReadChunks(letter, count, address, buffer.data());
    return lastReadResult_ == 0 ? 0 : -1;
}
