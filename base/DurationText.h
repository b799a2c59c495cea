#pragma once
// A length of time as the command-line programs take it: a number and a unit ("90s", "500ms",
// "15m", "2h"), seconds when bare. qmx-record and qmx-sim have always differed in a few rules (the
// unit h, a leading +, blanks after the unit, how a fraction of a millisecond comes out); each
// passes its own, so each takes exactly what it took before; the rules by default are qmx-record's.

#include <QString>
#include <chrono>
#include <optional>

namespace durationtext {

// Whether a length may be none at all (--pre 0) or must be some (--duration).
enum class ZeroLength { Refused, Allowed };

// How a length that is no whole number of milliseconds comes out.
enum class Rounding {
    // To the nearest millisecond; a length that comes to none counts as 0.
    Nearest,
    // Cut to whole milliseconds; only a length written as 0 counts as 0 ("0.5ms" is taken as none).
    TowardZero,
};

struct DurationRules {
    bool hours = true;     // "2h"
    bool plusSign = false; // "+5s"
    bool trimmed = true;   // blanks around the whole text ("5s "), not only around the number
    ZeroLength zero = ZeroLength::Refused;
    Rounding rounding = Rounding::Nearest;
};

// The length `text` gives under `rules`, or nothing: no number, an unknown unit, a negative length
// (a sign would let "-0" through as 0), a length that is not finite or beyond 1e15 ms (some 30,000
// years), or 0 where `rules` refuse it.
std::optional<std::chrono::milliseconds> parseDuration(const QString &text, const DurationRules &rules = {});

} // namespace durationtext
