#include "sim/ControllerFrames.h"

namespace controllerframes {

namespace {

QByteArray hex(std::uint32_t value, int digits)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(digits, '0');
}

QByteArray checksum(const QByteArray &bytes, qsizetype from, qsizetype to /* exclusive */)
{
    unsigned sum = 0;
    for (qsizetype i = from; i < to; ++i)
        sum += static_cast<unsigned char>(bytes[i]);
    return hex(sum & 0xFF, 2);
}

// STX, station byte, letter, body, checksum over letter and body, CR, LF.
QByteArray stxReply(char letter, const QByteArray &body)
{
    const char head[] = {kStx, kStationByte, letter};
    QByteArray reply(head, sizeof head);
    reply += body;
    reply += checksum(reply, 2, reply.size());
    reply += kCr;
    reply += kLf;
    return reply;
}

bool isStxReply(const QByteArray &reply) { return reply.size() >= 7 && reply[0] == kStx; }

} // namespace

Request parseRequest(const QByteArray &frame)
{
    Request request;
    if (frame.size() < 3) {
        request.refusal = kRefuseFormat;
        return request;
    }
    request.letter = frame[2];
    const qsizetype expected = request.letter == 'r' ? 17 : 15;
    if (frame.size() >= 11)
        request.address = ControllerMemory::parseHex(frame.mid(3, 8), 8);
    if (frame.size() != expected || frame[1] != ' ' || frame[expected - 2] != kCr || !request.address) {
        request.refusal = kRefuseFormat;
        return request;
    }
    if (request.letter == 'r') {
        const auto count = ControllerMemory::parseHex(frame.mid(11, 2), 2);
        if (!count) {
            request.refusal = kRefuseFormat;
            return request;
        }
        request.count = static_cast<int>(*count);
    }
    if (frame.mid(expected - 4, 2) != checksum(frame, 2, expected - 4)) {
        request.refusal = kRefuseChecksum;
        return request;
    }
    if (request.letter == 'r' && (request.count < 1 || request.count > kMaxChunk))
        request.refusal = kRefuseCount;
    else if (request.letter != 'r' && request.letter != 'R')
        request.refusal = kRefuseCommand;
    return request;
}

QByteArray nakReply(char letter)
{
    const char frame[] = {kNak, kStationByte, letter, kCr, kLf};
    return QByteArray(frame, sizeof frame);
}

QByteArray normalReply(const Request &request, const ControllerMemory &memory)
{
    if (request.refusal)
        return nakReply(request.refusal);
    const std::uint32_t address = *request.address;
    if (request.letter == 'R')
        return stxReply('R', hex(memory.word(address), 4));
    // "r": the ten characters after the letter echo the address and count of the request.
    QByteArray body = hex(address, 8) + hex(static_cast<std::uint32_t>(request.count), 2);
    for (int i = 0; i < request.count; ++i)
        body += hex(memory.byte(address + static_cast<std::uint32_t>(i)), 2);
    return stxReply('r', body);
}

QByteArray shiftedChecksum(QByteArray reply)
{
    if (!isStxReply(reply))
        return reply;
    const auto sum = ControllerMemory::parseHex(reply.mid(reply.size() - 4, 2), 2).value_or(0);
    reply.replace(reply.size() - 4, 2, hex((sum + 1) & 0xFF, 2));
    return reply;
}

QByteArray wrongEchoReply(const Request &request, const ControllerMemory &memory)
{
    if (request.refusal)
        return nakReply(request.refusal);
    if (request.letter == 'R')
        return stxReply('R', hex(memory.word(*request.address), 4) + hex(memory.word(*request.address + 2), 4));
    QByteArray body = hex(0xDEADBEEFu, 8) + hex(static_cast<std::uint32_t>(request.count), 2);
    for (int i = 0; i < request.count; ++i)
        body += hex(memory.byte(*request.address + static_cast<std::uint32_t>(i)), 2);
    return stxReply('r', body);
}

QByteArray shortBlockReply(const Request &request, const ControllerMemory &memory)
{
    QByteArray body = hex(*request.address, 8) + hex(static_cast<std::uint32_t>(request.count), 2);
    for (int i = 0; i + 1 < request.count; ++i)
        body += hex(memory.byte(*request.address + static_cast<std::uint32_t>(i)), 2);
    return stxReply('r', body);
}

QByteArray lowerCaseChecksum(QByteArray reply)
{
    if (!isStxReply(reply))
        return reply;
    reply.replace(reply.size() - 4, 2, reply.mid(reply.size() - 4, 2).toLower());
    return reply;
}

QByteArray garbageReply(std::mt19937 &random)
{
    std::uniform_int_distribution<int> length(4, 40);
    std::uniform_int_distribution<int> anyByte(0, 255);
    QByteArray reply;
    const int n = length(random);
    while (reply.size() < n) {
        const char c = static_cast<char>(anyByte(random));
        if (c == kLf || (reply.isEmpty() && (c == kStx || c == kNak)))
            continue;
        reply += c;
    }
    reply += kCr;
    reply += kLf;
    return reply;
}

} // namespace controllerframes
