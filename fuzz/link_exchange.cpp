// Any bytes as what arrives on the line after a request (noise, stray bytes, late and misfitting
// replies, a frame sent twice, a late reply behind a probe's echo): the exchange splits them into
// frames, keeps only a reply that fits its request, takes a word reply only as the first frame on
// a line in step, takes a reply only when nothing follows it and it did not come sooner than the
// wire allows, leaves the line out of step after anything that may have been noise in front of
// the real reply or a reply out of turn, and never reads or writes outside its buffers.
//
// Input: letter (even: "R", odd: "r"), four address bytes, the count, whether the line is out of
// step first (bit 0) and whether it is paced so slowly that no reply can be in time (bit 1), the
// size of the pieces the line hands over, then the bytes on the line.
#include "link/LinkCore.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {

class ScriptedLine final : public ByteTransport {
public:
    // What the line hands over from now on, `piece` bytes at a time.
    void script(std::span<const std::uint8_t> bytes, std::size_t piece)
    {
        bytes_ = bytes;
        piece_ = piece;
        at_ = 0;
    }
    bool isOpen() const override { return true; }
    void purge() override {}
    bool write(std::span<const std::uint8_t>) override { return true; }
    std::ptrdiff_t readAvailable(std::span<std::uint8_t> buffer) override
    {
        const std::size_t n = std::min({piece_, buffer.size(), bytes_.size() - at_});
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), n, buffer.begin());
        at_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }
    bool waitForBytes(SteadyDeadline) override { return at_ < bytes_.size(); }
    std::chrono::nanoseconds byteTime() const override { return pace_; }
    void setPace(std::chrono::nanoseconds pace) { pace_ = pace; }
    std::size_t left() const { return bytes_.size() - at_; }

private:
    std::chrono::nanoseconds pace_{0};
    std::span<const std::uint8_t> bytes_;
    std::size_t piece_ = 1;
    std::size_t at_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 8)
        return 0;
    const char letter = data[0] % 2 ? 'r' : 'R';
    const std::uint32_t address = (std::uint32_t(data[1]) << 24) | (std::uint32_t(data[2]) << 16) |
                                  (std::uint32_t(data[3]) << 8) | data[4];
    const std::uint8_t count = static_cast<std::uint8_t>(std::max<int>(1, data[5] % 233));
    const bool outOfStep = data[6] % 2;
    const bool slowLine = (data[6] >> 1) % 2;
    const std::size_t piece = 1 + data[7] % 64;
    const std::span<const std::uint8_t> line(data + 8, size - 8);

    ScriptedLine port;
    LinkCore core(port);
    if (outOfStep) {
        // A silent exchange first: the next one resynchronises before its request.
        if (core.transact(RequestRecord::make('R', address, 2)) != -1 || !core.outOfStep())
            __builtin_trap();
    }
    port.script(line, piece);
    if (slowLine)
        port.setPace(std::chrono::seconds(1));
    const RequestRecord request = RequestRecord::make(letter, address, count);
    const int code = core.transact(request);
    if (code > 0 || code < -15)
        __builtin_trap();
    // A reply is taken only as the last frame on the line, nothing after it, and never sooner than
    // the wire allows.
    if (code == 0) {
        if (slowLine || port.left() != 0 || line.empty() || line.back() != 0x0A)
            __builtin_trap();
        const auto previousLf = std::find(line.rbegin() + 1, line.rend(), std::uint8_t{0x0A});
        const std::span<const std::uint8_t> last(line.data() + (line.rend() - previousLf), line.data() + line.size());
        std::vector<std::uint8_t> data(LinkCore::kReplyDataSize, 0);
        const ReplyOutcome outcome = parseReply(last, data);
        if (outcome.code != 0 || !replyMatchesRequest(last, RequestRecord::make(letter, address, count)) ||
            !std::equal(data.begin(), data.begin() + outcome.dataBytes, core.replyData().begin()))
            __builtin_trap();
    }
    if (code == -15 && !core.outOfStep())
        __builtin_trap();
    // A reply taken leaves the line in step; anything that may have been noise in front of the
    // real reply (a wrong checksum or first byte, an unknown refusal letter) does not.
    if (code == 0 && core.outOfStep())
        __builtin_trap();
    if ((code == -2 || code == -13 || code == -14) && !core.outOfStep())
        __builtin_trap();
    // On a line in step a word reply is taken only as the first frame that arrives: after any
    // other frame it could as well be another request's late reply.
    if (code == 0 && letter == 'R' && !outOfStep) {
        const auto lf = std::find(line.begin(), line.end(), std::uint8_t{0x0A});
        const std::size_t firstFrame = static_cast<std::size_t>(lf - line.begin()) + 1;
        if (lf == line.end() || firstFrame != 11 || line.size() != 11 || line[0] != kStx || line[2] != 'R' ||
            line[9] != 0x0D)
            __builtin_trap();
        // Its value is the frame's four data digits, every one of them a hex digit.
        const auto hex = [](std::uint8_t c) { return std::isxdigit(c) != 0; };
        if (!std::all_of(line.begin() + 3, line.begin() + 7, hex))
            __builtin_trap();
    }
    return 0;
}
