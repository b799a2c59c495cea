#pragma once
// The exchanges of the frame protocol over any byte transport, free of any toolkit: one request
// and its reply (transact()'s work) and memory reads split into exchanges of at most 232 bytes.
// The program's Link and the console tools built for other platforms both run on it.
//
// A reply must belong to its request. Every complete frame (bytes up to LF) is judged on its own:
// an STX reply with a good checksum whose letter, length or echoed address and count do not fit
// the request is discarded, and the wait for the request's own reply goes on until its deadline;
// a word ("R") reply that comes after such a frame is not taken either, as nothing in it says
// which request it answers: the exchange fails at once as out of turn (below). A frame rejected at once (a wrong first byte or checksum, a refusal
// letter the controller does not have) ends the exchange with its code, but may be noise in
// front of the real reply, which is still on its way.
//
// Hence the rule: after any frame that did not answer its request, and after a time-out, the link
// is out of step, and the next exchange first resynchronises within its own reply time: it sends a
// one- or two-byte "r" read at the request's address, whose echo no outstanding request can
// carry, discards every frame until that echo comes (late replies, in the order the controller
// answers, come before it), and only then sends its request. While the echo has not come, the
// exchange fails as a time-out and the next one tries again. So a silent line costs no more than
// before (one reply time, at most 2 s, per exchange), a line in step sends nothing extra, and one
// lost frame costs one short extra exchange.
//
// A controller that refuses block reads, answers them short or not at all never echoes the probe.
// When whole frames came during the probe's wait, one longest reply time of quiet after the last
// of them puts the line in step (that exchange fails); and after two failed probes in a row the
// third reads the request's own word instead, so that a controller which ignores block reads
// gives a frame to apply that rule to. A probe's wait that meets a spoilt frame (it may have been
// the echo) sends the next probe at once, with a count of its own, rather than waiting it out. The quiet is trusted: a controller that stalls that long
// between two replies defeats it, as only a block read's echo proves anything.
//
// A reply must also come in its turn. One that completes sooner than its request and itself take
// on the wire at the port's baud rate, counted from when the request was written, cannot be its
// answer (a frame sent twice, another request's reply arriving out of order after its time); nor
// can one that more bytes follow at once, within two character times (a controller answers one
// frame at a time, so a frame sent out of turn delays the real reply until straight after it).
// Either fails the exchange as OutOfTurn, never a value: the line is drained until it has been
// quiet for one exchange's wire time, and the next exchange resynchronises. A probe's echo out of
// turn is no proof either: the next probe is sent.

#include "link/ByteTransport.h"
#include "link/FrameCodec.h"
#include "link/LinkCodes.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class LinkCore {
public:
    static constexpr std::size_t kFrameBufferSize = 1200;
    static constexpr std::size_t kReplyDataSize = 1200;
    static constexpr std::size_t kReadRequest = 600;
    static constexpr int kChunk = 232;
    static constexpr std::size_t kValueBufferSize = 4000;

    // Sees every frame sent ("sent"), every complete reply ("received") and what had arrived of a
    // reply that never completed ("no reply").
    using TraceFunction = std::function<void(const char *what, const std::uint8_t *bytes, std::size_t n)>;

    explicit LinkCore(ByteTransport &port) : port_(port) {}

    void setTrace(TraceFunction fn) { trace_ = std::move(fn); }

    // One request and its reply: 0, or a link result code.
    int transact(const RequestRecord &request);
    // One 16-bit word, high byte first (0..65535), or the failing exchange's negative code.
    int readValue(char letter, std::uint16_t count, std::uint32_t address);
    // Reads `count` bytes into `buffer` from its start. 0, or -1 when any exchange fails or the
    // count does not fit the buffer.
    int readBlock(char letter, std::uint16_t count, std::uint32_t address, std::vector<std::uint8_t> &buffer);

    // The last refusal as received, and how many refusals have replaced it so far.
    const std::string &lastErrorReply() const { return lastErrorReply_; }
    std::uint64_t refusalCount() const { return refusals_; }
    const std::array<std::uint8_t, kReplyDataSize> &replyData() const { return replyData_; }

    // The code of the last readBlock()'s failing exchange (its -1 hides which failure it was), 0
    // after a block read that succeeded.
    int lastReadResult() const { return lastReadResult_; }

    // The last exchange discarded a well-formed reply of its letter but of the wrong length (and,
    // unless its own reply came after it, timed out).
    bool lastReplyOfWrongLength() const { return wrongLength_; }

    // A frame did not answer its request, or a time-out happened, and the line has not been
    // resynchronised since: a late reply may still come.
    bool outOfStep() const { return outOfStep_; }

    // Readable from any thread while another one reads.
    std::uint64_t exchangeCount() const { return exchanges_.load(); }
    std::uint64_t bytesOnWire() const { return wireBytes_.load(); }

private:
    // Reads `count` bytes in exchanges of at most 232 bytes into `destination`: 0, or the first
    // failing exchange's code.
    int readChunks(char letter, std::uint16_t count, std::uint32_t address, std::uint8_t *destination);
    enum class Wait { Reply, Probe };
    // What a complete frame is to the request waited for: its own reply (or the controller's
    // refusal of it), an answer that may not be its own (the line is out of step after it), or a
    // frame to discard.
    enum class FrameVerdict { Proven, Doubtful, Discard };
    static FrameVerdict judge(std::span<const std::uint8_t> frame, const ReplyOutcome &outcome,
                              const RequestRecord &request, Wait wait, bool discardedBefore);
    void send(const RequestRecord &request);
    // Waits for the reply to `request` until `deadline`, discarding the frames that cannot be it.
    // As a probe, only a reply proven to answer it counts; anything else is discarded.
    int awaitReply(const RequestRecord &request, SteadyDeadline deadline, Wait wait);
    bool resynchronise(const RequestRecord &request, SteadyDeadline deadline);
    // True when no byte arrives until `until` (one that does is left to the next exchange's purge).
    bool quietUntil(SteadyDeadline until);
    // Whether the whole frame of `length` bytes at the front of the `received` bytes came in its
    // turn: not sooner than the wire allows, and nothing more after it within the quiet window.
    // Reads what arrives in that window into the frame buffer behind it.
    bool cameInTurn(std::size_t length, std::size_t &received);
    // Reads and discards until nothing has arrived for `quiet`, or `deadline`.
    void drainUntilQuiet(std::chrono::nanoseconds quiet, SteadyDeadline deadline);
    void traceBytes(const char *what, const std::uint8_t *bytes, std::size_t n) const;

    ByteTransport &port_;
    TraceFunction trace_;
    std::array<std::uint8_t, kFrameBufferSize> frameBuffer_{};
    std::array<std::uint8_t, kReplyDataSize> replyData_{};
    std::string lastErrorReply_;
    std::uint64_t refusals_ = 0;
    int lastReadResult_ = 0;
    bool outOfStep_ = false;
    // When the last whole frame of a probe's wait came, unless a part of another came after it.
    std::optional<SteadyDeadline> lastProbeFrameAt_;
    // Resynchronisations that failed since the line was last in step.
    int failedResynchronisations_ = 0;
    static constexpr int kProbesPerWordProbe = 3;
    // Probes sent at most in one exchange's reply time when their echoes come spoilt.
    static constexpr int kProbesPerResynchronisation = 3;
    bool wrongLength_ = false;
    // When the last request was handed to the port, and its length.
    SteadyDeadline sentAt_{};
    std::size_t sentBytes_ = 0;
    // A reply on a paced line is in its turn when no byte follows it within this many character
    // times: a frame that follows at once has its first byte in by then.
    static constexpr int kQuietCharacters = 2;
    // A UART's clock may run a little fast: a reply may complete this much (in 1/100) sooner than
    // the nominal wire time and still be in its turn.
    static constexpr int kWireTimeTolerancePercent = 3;
    std::atomic<std::uint64_t> exchanges_{0};
    std::atomic<std::uint64_t> wireBytes_{0};
};
