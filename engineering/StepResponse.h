#pragma once
// The figures of a step response over a span of rows (between the cursors, or a whole recording):
//
//   initial value  the mean of the rows before the first change: the first row whose value differs
//                  from the mean of the rows before it by more than 2 % of the step (the step taken
//                  from that mean to the final value)
//   final value    the mean of the rows in the last 10 % of the span's time
//   step           final value - initial value
//   dead time      from the span's first row to the first change
//   rise time      from the first row at or past initial + 10 % of the step to the first row at or
//                  past initial + 90 % (past: in the step's direction)
//   overshoot      how far the value goes beyond the final value in the step's direction, in % of
//                  the step (0 when it never does), at its peak
//   settling time  from the span's first row to the first row from which on every row stays within
//                  the band (+/- 2 % of the step by default) around the final value
//
// Times of the figures that are durations count from the span's first row: put its start (cursor A)
// on the moment the step was commanded. Each figure names the rows it comes from (indices into the
// span) and their times, so a read-out can show them and mark them. Failed rows are left out of
// every figure. A span holds no step ("no step") when it has fewer than 3 good rows, when no row
// departs from the rows before it, when the first change lies in the final 10 %, or when the step
// is no larger than the peak-to-peak of the final rows themselves (noise, not a step). A figure the
// span does not reach (90 % never reached, never settled) is left empty.
//
// QtCore only, one function over data: the Trend Graph's read-out, the Recording window (for a
// reference laid over) and the tests call it alike.

#include <optional>
#include <span>

namespace stepresponse {

inline constexpr double kChangeFraction = 0.02;     // of the step: the first change
inline constexpr double kFinalSpanFraction = 0.10;  // of the span's time: the final value's rows
inline constexpr double kDefaultBandPercent = 2.0;  // of the step: the settling band

// A row of the span the figures come from.
struct RowAt {
    int row = -1;
    double seconds = 0;
};

struct StepFigures {
    bool hasStep = false;
    double initialValue = 0;
    RowAt initialFirst, initialLast; // the rows the initial value is the mean of
    double finalValue = 0;
    RowAt finalFirst, finalLast;     // the rows the final value is the mean of
    double step = 0;
    double deadTime = 0;             // seconds
    RowAt firstChange;
    std::optional<double> riseTime;  // seconds
    RowAt rise10, rise90;            // rise90.row -1 when 90 % is never reached
    double overshootPercent = 0;
    RowAt peak;                      // the row furthest in the step's direction after the change
    std::optional<double> settlingTime; // seconds; empty when the last row is outside the band
    RowAt settled;
    double bandPercent = kDefaultBandPercent;
};

// The figures of rows at `seconds` with `values` (as many of each; the extra ones of the longer are
// not used), the rows flagged in `failed` left out (missing flags: good). `bandPercent` of the step
// is the settling band (a band that is not above 0 or not finite takes the default).
StepFigures figures(std::span<const double> seconds, std::span<const double> values,
                    std::span<const bool> failed = {}, double bandPercent = kDefaultBandPercent);

} // namespace stepresponse
