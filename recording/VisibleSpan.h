#pragma once
// The stretch of a recording's time shown in its window, and how zoom and pan move it: never
// outside the recording, never longer than the whole and never shorter than a few rows.

#include <cstdint>

namespace recording {

class VisibleSpan {
public:
    // The recording runs from `wholeStartMs` to `wholeEndMs`; no span is shorter than `shortestMs`.
    VisibleSpan(std::int64_t wholeStartMs, std::int64_t wholeEndMs, std::int64_t shortestMs);

    std::int64_t startMs() const { return startMs_; }
    std::int64_t endMs() const { return endMs_; }
    std::int64_t lengthMs() const { return endMs_ - startMs_; }
    std::int64_t wholeStartMs() const { return wholeStartMs_; }
    std::int64_t wholeEndMs() const { return wholeEndMs_; }
    bool isWhole() const { return startMs_ == wholeStartMs_ && endMs_ == wholeEndMs_; }

    void showWhole();
    // Shows [startMs, endMs), kept within the recording and at least the shortest span long.
    void show(std::int64_t startMs, std::int64_t endMs);
    // The span `factor` times as long (below 1: zoom in), the time at `anchor` (0 the left edge,
    // 1 the right) staying where it is.
    void zoom(double factor, double anchor = 0.5);
    // Moves by `fraction` of the span's length (negative: to earlier times).
    void pan(double fraction);
    // Moves the span, as long as it is, to begin at `startMs`.
    void moveTo(std::int64_t startMs);

private:
    std::int64_t wholeStartMs_;
    std::int64_t wholeEndMs_;
    std::int64_t shortestMs_;
    std::int64_t startMs_;
    std::int64_t endMs_;
};

} // namespace recording
