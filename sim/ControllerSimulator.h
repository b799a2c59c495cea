#pragma once
// Stands in for the controller on a pseudo-terminal pair. The program opens devicePath() as its
// serial device; a thread of the simulator serves the master side with the controller's reply
// frames, checksums and refusal letters. Faults can be injected per next request or per address.
//
// What it answers:
//   "R" ADDR         STX '0' "R" WWWW SS CR LF (11 bytes; the word at ADDR, high byte first)
//   "r" ADDR CC      STX '0' "r" ADDR CC DD..DD SS CR LF (17 + 2 x CC bytes; CC from 1 to E8)
// where SS is the byte sum of the letter through the last data digit, in upper-case hex. Requests
// it cannot take are refused with NAK '0' letter CR LF:
//   "S"  the request's checksum does not match (lower-case checksum digits do not match either)
//   "X"  a command letter other than "r" and "R"
//   "O"  "r" with a byte count of 00 or above E8
//   "E"  a frame of the wrong length for its letter, without CR before LF, or with address or
//        count digits that are not hexadecimal
// Bytes before the last ENQ of a line are noise and ignored; a line without ENQ is not answered.

#include "sim/ControllerMemory.h"
#include "sim/ValueSchedule.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

struct SimFault {
    enum class Kind {
        None,
        Silence,           // no reply at all
        Nak,               // refusal: NAK, any byte, `letter`, CR, LF
        WrongChecksum,     // STX reply whose checksum is off by one
        LowerCaseChecksum, // STX reply with lower-case checksum digits (where they have letters)
        BadFirstByte,      // reply whose first byte is neither STX nor NAK
        Pieces,            // correct reply written in `pieces` parts `pieceDelayMs` apart
        NoLineFeed,        // reply that never ends in LF
        CloseLine,         // the line goes away instead of replying (as a pulled USB adapter)
        Garbage,           // random bytes ending in CR LF
        Late,              // correct reply, `delayMs` after the request; the requests that come
                           // meanwhile wait, as the controller answers one after the other
        WrongEcho,         // well-formed reply of another request: "r" echoing address DEADBEEF,
                           // "R" one word too long
        RefuseBlockReads,  // "r" refused with NAK `letter`; "R" answered as ever (a controller
                           // that takes word reads only)
        ShortBlockReads,   // "r" answered well formed, its echo right, one data byte short; "R"
                           // answered as ever
        IgnoreBlockReads,  // "r" never answered; "R" answered as ever
        StrayByte,         // the byte `stray` at once (line noise), the correct reply `delayMs`
                           // after the request
        Repeated,          // correct reply, then the same frame again `delayMs` after it ended (a
                           // controller or a line repeater sending it twice); a request that
                           // came meanwhile is answered after the repeat, its reply following the
                           // repeat at once when the request has crossed the line by then
        OutOfOrder,        // no reply in its time: it follows the next reply the controller
                           // sends, `delayMs` after it (at once when 0), out of order
    };
    Kind kind = Kind::None;
    char letter = 'D';
    int pieces = 3;
    int pieceDelayMs = 30;
    int delayMs = 1500;
    char stray = '\n';
};

// A noisy line and a controller that stalls now and then, each reply's fate drawn from a seeded
// generator so that a run can be repeated. Per reply, independently:
//   stray bytes: one to three bytes (LF, CR, STX, NAK or any byte) written before it, inside it,
//                just after it or a little later;
//   split:       written in two to four pieces a few milliseconds apart;
//   stall:       written after a pause of up to `longestStallMs`.
struct LineNoise {
    double strayChance = 0;
    double splitChance = 0;
    double stallChance = 0;
    int longestStallMs = 3000;
    unsigned seed = 1;
    bool any() const { return strayChance > 0 || splitChance > 0 || stallChance > 0; }
};

class ControllerSimulator {
public:
    explicit ControllerSimulator(ControllerMemory memory = ControllerMemory::demoImage());
    ~ControllerSimulator();

    // Opens the pty pair and starts serving. `linkPath`, when given, is made a symbolic link to
    // the slave device and follows it when the line is re-opened.
    bool start(QString *error = nullptr, const QString &linkPath = QString());
    void stop();

    // The device the program opens: the link path when one was given, else the slave device.
    QString devicePath() const;
    // The pty slave itself (/dev/pts/N), whether or not a link path points at it.
    QString slaveDevicePath() const;

    // 0: replies at once. 9600: each byte takes 10 bit times, the request's bytes before the reply
    // begins and the reply's bytes as they are written. The pseudo-terminal's speed says the pace
    // to the program at its end (0 baud: none), as a serial port's speed would.
    void setBaud(int baud);
    // Demo values move with time when set (the built-in image does this by default).
    void setLiveDemo(bool on);

    // Scripted values (see ValueSchedule): a word that changes from a time or from its n-th read,
    // a bit that toggles every n reads. They take effect over the demo's live values.
    void addScheduledStep(const ScheduledStep &step);
    void addScheduledToggle(const ScheduledToggle &toggle);
    void addScheduledResponse(const ScheduledResponse &response);
    // The moment on the steady clock that scheduled times count from (set when serving starts), so
    // that a test can place the rows it reads on the schedule's time.
    std::chrono::steady_clock::time_point scheduleStart() const;
    // Reads of `address` answered so far: every "R" read, and every "r" read holding the word when
    // it has a schedule.
    std::uint64_t wordReadsOf(std::uint32_t address) const;

    // Faults for the next requests, one per request, in order.
    void queueFault(const SimFault &fault);
    // A fault for every request at this address until cleared.
    void setAddressFault(std::uint32_t address, const SimFault &fault);
    // A fault for every request at all until cleared (the command line's --fault). Queued and
    // per-address faults take precedence over it.
    void setFaultForAllRequests(const SimFault &fault);
    // A fault for every n-th request from now on (the n-th, the 2n-th, ...), counting every request
    // whatever fault it meets; after queued and per-address faults, before the one for all.
    void setFaultEvery(int n, const SimFault &fault);
    // Also forgets a frame still owed to the line (a repeat, a reply held back).
    void clearFaults();
    // Noise on every reply that meets no other fault; a default LineNoise turns it off.
    void setLineNoise(const LineNoise &noise);
    // Stray bytes written and stalls made by the noise so far.
    std::uint64_t strayBytesSent() const;
    std::uint64_t stallsMade() const;
    // Bytes written to the line before the next reply frame, as if left over from an earlier one.
    // They are sent as soon as they are queued, so they wait in the program's input.
    void sendStaleBytes(const QByteArray &bytes);

    // The line goes away (both sides of the pty closed, the link path removed, as an unplugged
    // adapter's device file is) and comes back (a new pty, the link path pointed at it again).
    void closeLine();
    bool reopenLine(QString *error = nullptr);

    // Thread-safe access to the memory.
    void writeWord(std::uint32_t address, std::uint16_t value);
    std::uint16_t readWord(std::uint32_t address) const;
    ControllerMemory memorySnapshot() const;

    // Request frames taken so far; a frame counts before the first byte of its reply is written.
    std::uint64_t requestsServed() const { return served_.load(); }
    QByteArray lastRequest() const;
    // Every complete request frame received, in order (cleared by clearRequestLog). Only the
    // latest 10000 are kept, so a simulator serving for hours does not grow without bound.
    std::deque<QByteArray> requestLog() const;
    void clearRequestLog();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
    std::atomic<std::uint64_t> served_{0};
};
