#include "link/FrameCodec.h"

#include "link/LinkCodes.h"

#include <iterator>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void appendHexByte(std::string &out, std::uint8_t value)
{
    out += kHexDigits[value >> 4];
    out += kHexDigits[value & 0x0F];
}

int hexValue(std::uint8_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The refusal letters the controller sends, in the order of their codes -3 .. -12.
constexpr char kRefusalLetters[] = {'D', 'd', 'E', 'O', 'P', 'S', 's', 'X', 'Z', 'z'};

// An STX reply carries at least STX, one byte, the letter, the checksum, CR and LF.
constexpr std::ptrdiff_t kStxFixedPart = 7;
// An "r" reply also carries ten skipped characters before its data.
constexpr std::ptrdiff_t kBlockFixedPart = 17;

} // namespace

RequestRecord RequestRecord::make(char letter, std::uint32_t address, std::uint8_t count)
{
    RequestRecord r;
    r.bytes = {kEnq,
               0x20,
               static_cast<std::uint8_t>(letter),
               static_cast<std::uint8_t>(address >> 24),
               static_cast<std::uint8_t>(address >> 16),
               static_cast<std::uint8_t>(address >> 8),
               static_cast<std::uint8_t>(address),
               count};
    return r;
}

std::uint32_t RequestRecord::address() const
{
    return (std::uint32_t(bytes[3]) << 24) | (std::uint32_t(bytes[4]) << 16) | (std::uint32_t(bytes[5]) << 8) |
           std::uint32_t(bytes[6]);
}

std::string checksumDigits(const char *data, std::size_t length)
{
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < length; ++i)
        sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(data[i]));
    std::string out;
    appendHexByte(out, sum);
    return out;
}

std::string requestFrameBytes(const RequestRecord &request)
{
    std::string frame;
    frame.reserve(17);
    frame += static_cast<char>(request.bytes[0]);
    frame += static_cast<char>(request.bytes[1]);
    frame += static_cast<char>(request.bytes[2]);
    for (int i = 3; i <= 6; ++i)
        appendHexByte(frame, request.bytes[i]);
    if (request.letter() == 'r')
        appendHexByte(frame, request.count());
    frame += checksumDigits(frame.data() + 2, frame.size() - 2);
    frame += "\r\n";
    return frame;
}

namespace {

// The length of an STX reply to `request`, or 0 for a letter whose reply this program does not know.
std::size_t expectedReplyLength(const RequestRecord &request)
{
    if (request.letter() == 'R')
        return 11;
    if (request.letter() == 'r')
        return kBlockFixedPart + 2 * static_cast<std::size_t>(request.count());
    return 0;
}

} // namespace

bool replyOfWrongLength(std::span<const std::uint8_t> reply, const RequestRecord &request)
{
    const std::size_t expected = expectedReplyLength(request);
    return expected != 0 && reply.size() >= 3 && reply[0] == kStx &&
           reply[2] == static_cast<std::uint8_t>(request.letter()) && reply.size() != expected;
}

bool replyMatchesRequest(std::span<const std::uint8_t> reply, const RequestRecord &request)
{
    if (reply.empty() || reply[0] != kStx)
        return true;
    if (reply.size() < 3 || reply[2] != static_cast<std::uint8_t>(request.letter()))
        return false;
    if (request.letter() == 'R')
        return reply.size() == 11;
    if (request.letter() != 'r')
        return true; // a letter whose reply this program does not know: nothing more to compare
    if (reply.size() != kBlockFixedPart + 2 * static_cast<std::size_t>(request.count()))
        return false;
    // The ten characters after the letter echo the address (8 digits) and the count (2 digits).
    std::string echo;
    for (int i = 3; i <= 7; ++i)
        appendHexByte(echo, request.bytes[static_cast<std::size_t>(i)]);
    for (std::size_t k = 0; k < echo.size(); ++k) {
        if (hexValue(reply[3 + k]) != hexValue(static_cast<std::uint8_t>(echo[k])))
            return false;
    }
    return true;
}

ReplyOutcome parseReply(std::span<const std::uint8_t> reply, std::span<std::uint8_t> replyData)
{
    ReplyOutcome outcome;
    const auto n = static_cast<std::ptrdiff_t>(reply.size());
    if (n == 0)
        return {codeOf(LinkResult::Timeout), false, 0};

    if (reply[0] == kNak) {
        outcome.nak = true;
        outcome.code = codeOf(LinkResult::RefusedUnknown);
        if (n > 2) {
            for (std::size_t i = 0; i < std::size(kRefusalLetters); ++i) {
                if (reply[2] == static_cast<std::uint8_t>(kRefusalLetters[i])) {
                    outcome.code = codeOf(LinkResult::RefusedD) - static_cast<int>(i);
                    break;
                }
            }
        }
        return outcome;
    }
    if (reply[0] != kStx)
        return {codeOf(LinkResult::UnexpectedReply), false, 0};

    // Too short for its fixed part: taken as a corrupted reply, nothing outside it is read.
    if (n < kStxFixedPart)
        return {codeOf(LinkResult::BadChecksum), false, 0};
    const char letter = static_cast<char>(reply[2]);
    if (letter == 'r' && n < kBlockFixedPart)
        return {codeOf(LinkResult::BadChecksum), false, 0};

    const std::string expected =
        checksumDigits(reinterpret_cast<const char *>(reply.data()) + 2, static_cast<std::size_t>(n - 6));
    if (reply[n - 4] != static_cast<std::uint8_t>(expected[0]) ||
        reply[n - 3] != static_cast<std::uint8_t>(expected[1]))
        return {codeOf(LinkResult::BadChecksum), false, 0};

    std::ptrdiff_t first = 0;
    if (letter == 'r')
        first = 13;
    else if (letter == 'R')
        first = 3;
    else
        return outcome; // a reply without data

    const std::ptrdiff_t digits = (n - 4) - first;
    const std::ptrdiff_t bytes = digits / 2;
    if (bytes > static_cast<std::ptrdiff_t>(replyData.size()))
        return {codeOf(LinkResult::BadChecksum), false, 0};
    // The controller sends hex digits and ends its replies with CR LF. The byte-sum checksum is
    // weak: noise on the line (a stray byte in the data, an LF cutting the frame short) can make a
    // frame whose sum still fits, so a data character that is no hex digit, or no CR before the
    // LF, marks a corrupted reply, never a value.
    if (reply[n - 2] != '\r')
        return {codeOf(LinkResult::BadChecksum), false, 0};
    for (std::ptrdiff_t k = first; k < first + 2 * bytes; ++k) {
        if (hexValue(reply[k]) < 0)
            return {codeOf(LinkResult::BadChecksum), false, 0};
    }
    for (std::ptrdiff_t k = 0; k < bytes; ++k)
        replyData[k] = static_cast<std::uint8_t>((hexValue(reply[first + 2 * k]) << 4) | hexValue(reply[first + 2 * k + 1]));
    outcome.dataBytes = bytes;
    return outcome;
}
