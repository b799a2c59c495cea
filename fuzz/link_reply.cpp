// Any bytes as a controller reply: the checker and decoder never read outside the reply nor write
// outside the reply data buffer.
#include "link/Frame.h"

#include <array>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::array<std::uint8_t, 1200> replyData{};
    const ReplyOutcome outcome = parseReply(std::span<const std::uint8_t>(data, size), replyData);
    if (outcome.code > 0 || outcome.code < -14 || outcome.dataBytes > static_cast<qsizetype>(replyData.size()))
        __builtin_trap();
    // A small buffer must be refused rather than overrun.
    std::array<std::uint8_t, 8> small{};
    parseReply(std::span<const std::uint8_t>(data, size), small);
    return 0;
}
