#pragma once
// Values the simulator serves on a script, so a test knows exactly where an event lies: a word
// that takes a new value from a moment after the start or from the n-th read of its address, and
// a bit that toggles every n reads of its address, and a word that answers a step as a first- or
// second-order system does from a moment on. A trend pass reads each address once, so n reads are
// n passes.

#include "sim/ControllerMemory.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

struct ScheduledStep {
    std::uint32_t address = 0;
    std::uint16_t value = 0;
    std::optional<std::chrono::milliseconds> fromTime; // after the simulator started serving
    std::optional<std::uint64_t> fromRead;             // the n-th word read of the address (from 1)
};

struct ScheduledToggle {
    std::uint32_t address = 0;
    int bit = 0;
    std::uint64_t everyReads = 1; // reads 1..n: the bit 0, n+1..2n: 1, and so on
};

// A word that moves from `from` to `to` as the response of a first-order system of time constant
// `timeConstant` (seconds) to a step at the start moment, or, with `overshootPercent`, of a damped
// second-order system of natural angular frequency 1 / `timeConstant` whose damping gives that
// overshoot. Before the start the word holds `from`; each read takes the value at its moment,
// rounded to a whole number and kept within -32768..32767.
struct ScheduledResponse {
    std::uint32_t address = 0;
    double from = 0;
    double to = 0;
    double timeConstant = 1;
    std::optional<double> overshootPercent; // above 0, below 100
    std::optional<std::chrono::milliseconds> fromTime; // after the simulator started serving
    std::optional<std::uint64_t> fromRead;             // the moment of the n-th read of the address

    // The exact value `seconds` after the start (`from` before it).
    double valueAt(double seconds) const;
    // The damping ratio that gives the overshoot (second order only).
    double dampingRatio() const;
};

class ValueSchedule {
public:
    void addStep(const ScheduledStep &step) { steps_.push_back(step); }
    void addToggle(const ScheduledToggle &toggle) { toggles_.push_back(toggle); }
    void addResponse(const ScheduledResponse &response) { responses_.push_back(Playing{response, std::nullopt}); }
    bool isEmpty() const { return steps_.empty() && toggles_.empty() && responses_.empty(); }

    // A word read of `address` is about to be answered `sinceStart` after the start: counts the
    // read and writes the scheduled values of that address into `memory`.
    void beforeRead(std::uint32_t address, std::chrono::steady_clock::duration sinceStart, ControllerMemory &memory);
    // A block read of `bytes` bytes from `address` is about to be answered: every scheduled word it
    // holds whole counts a read, as beforeRead does, so a schedule acts whatever form reads it
    // (a word read, a trend pass's block read, a Monitor section).
    void beforeBlockRead(std::uint32_t address, int bytes, std::chrono::steady_clock::duration sinceStart,
                         ControllerMemory &memory);
    // Reads of `address` so far: every word read, and the block reads that held it when it has a
    // schedule.
    std::uint64_t readsOf(std::uint32_t address) const;

    // "600E60:100@5s" (from 5 s on), "600E60:100@20" (from the 20th read), values decimal or
    // 0x-hex; nothing when malformed.
    static std::optional<ScheduledStep> parseStep(const QString &text);
    // "600F00:3/4": bit 3 of 600F00 toggles every 4 reads.
    static std::optional<ScheduledToggle> parseToggle(const QString &text);
    // "600E60:0:1000:0.5s@5s": from 0 to 1000, first order with a time constant of 0.5 s, from 5 s
    // after the start; "600E60:0:1000:200ms:20%@20": second order with 20 % overshoot from the 20th
    // read. FROM and TO are decimal (-32768..32767) or 0x-hex words; the time constant is in s or ms
    // (seconds when bare) and above 0; nothing when malformed.
    static std::optional<ScheduledResponse> parseResponse(const QString &text);

private:
    std::vector<ScheduledStep> steps_;
    std::vector<ScheduledToggle> toggles_;
    struct Playing {
        ScheduledResponse response;
        std::optional<std::chrono::steady_clock::duration> startedAt; // of a response from its n-th read
    };
    std::vector<Playing> responses_;
    std::map<std::uint32_t, std::uint64_t> reads_;
};
