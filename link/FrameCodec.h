#pragma once
// The frame protocol as pure functions over bytes, free of any toolkit so that every platform's
// port and the console tools share it: building a request frame and checking and decoding a reply.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

inline constexpr std::uint8_t kEnq = 0x05;
inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kNak = 0x15;

// Input of one exchange: lead-in 0x05, 0x20, command letter, address (MSB first), byte count.
struct RequestRecord {
    std::array<std::uint8_t, 8> bytes{};

    static RequestRecord make(char letter, std::uint32_t address, std::uint8_t count);
    char letter() const { return static_cast<char>(bytes[2]); }
    std::uint32_t address() const;
    std::uint8_t count() const { return bytes[7]; }
};

// Low 8 bits of the byte sum, as two upper-case hex digits.
std::string checksumDigits(const char *data, std::size_t length);

// ENQ, space, letter, 8 address digits, [2 count digits for "r"], checksum, CR, LF.
std::string requestFrameBytes(const RequestRecord &request);

// Outcome of examining one complete reply (ending in LF).
struct ReplyOutcome {
    int code = 0;                  // link result code
    bool nak = false;              // the reply was a refusal; its text becomes the last error reply
    std::ptrdiff_t dataBytes = 0;  // bytes decoded into the reply data
};

// Whether a complete reply with a good checksum can be the reply to `request`: an STX reply must
// carry the request's letter and the length the request asks for ("R": 11 bytes; "r" of c bytes:
// 17 + 2c, echoing the request's address and count). A refusal or a reply that does not begin
// with STX carries nothing to compare and is not judged here (true).
bool replyMatchesRequest(std::span<const std::uint8_t> reply, const RequestRecord &request);
// Whether a complete STX reply carries the request's letter but not the length the request asks
// for: the controller answered this kind of request, just not as asked.
bool replyOfWrongLength(std::span<const std::uint8_t> reply, const RequestRecord &request);

// Checks the reply in `reply` (n bytes, the last one LF) and decodes its data field into
// `replyData`. Never reads outside `reply` nor writes outside `replyData`: a data field longer than
// `replyData` is refused as a corrupted reply.
ReplyOutcome parseReply(std::span<const std::uint8_t> reply, std::span<std::uint8_t> replyData);
