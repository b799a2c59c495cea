#pragma once
// The controller's frames as the simulator meets them: a request read from its bytes, the replies
// the controller sends (a word, a block, a refusal), and the spoilt replies of the faults.

#include "sim/ControllerMemory.h"

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <random>

namespace controllerframes {

constexpr char kEnq = 0x05;
constexpr char kStx = 0x02;
constexpr char kNak = 0x15;
constexpr char kCr = 0x0D;
constexpr char kLf = 0x0A;
// The byte that answers a request whose first byte was anything else (ACK).
constexpr char kBadFirstByte = 0x06;
// The byte after STX/NAK, not examined by the program.
constexpr char kStationByte = '0';

// Refusal letters for requests the controller cannot take.
constexpr char kRefuseFormat = 'E';   // frame of the wrong length, without CR, or with non-hex digits
constexpr char kRefuseChecksum = 'S'; // request checksum does not match
constexpr char kRefuseCount = 'O';    // "r" with a byte count of 0 or above one chunk
constexpr char kRefuseCommand = 'X';  // command letter other than "r" and "R"

constexpr int kMaxChunk = 232;

struct Request {
    char letter = 0;
    std::optional<std::uint32_t> address; // known when the address digits could be read
    int count = 0;                        // "r" only
    char refusal = 0;                     // non-zero: the frame itself is refused with this letter
};

// `frame` starts at ENQ and ends in LF.
Request parseRequest(const QByteArray &frame);
// NAK, station byte, the refusal letter, CR, LF.
QByteArray nakReply(char letter);
// The controller's answer: the word or block asked for, or the request's refusal.
QByteArray normalReply(const Request &request, const ControllerMemory &memory);
// The reply with its checksum one too high (a refusal as it is).
QByteArray shiftedChecksum(QByteArray reply);
// A reply that is well formed and checksummed but answers another request.
QByteArray wrongEchoReply(const Request &request, const ControllerMemory &memory);
// A well-formed "r" reply with its echo of the request but one data byte fewer than asked.
QByteArray shortBlockReply(const Request &request, const ControllerMemory &memory);
// The reply with its checksum digits in lower case (a refusal as it is).
QByteArray lowerCaseChecksum(QByteArray reply);
// Line noise: never LF before the closing CR LF, never STX or NAK in front, so it always reads as
// a reply with a bad first byte.
QByteArray garbageReply(std::mt19937 &random);

} // namespace controllerframes
