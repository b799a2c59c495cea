#pragma once
// --rotate and --keep: when a series of output files starts its next file, and how many it keeps.
// Both the options and the output file take it, so it lives apart from either.

#include <QString>
#include <chrono>
#include <cstdint>
#include <optional>

namespace record {

struct Rotation {
    std::optional<std::chrono::milliseconds> every; // a new file at each multiple of this on the clock
    std::optional<std::uint64_t> bytes;             // a new file before a row would take one past this size
    int keep = 0;                                   // the newest files kept; 0: all
    bool used() const { return every || bytes; }
};

// "1h", "15m", "90s" (as --duration takes them) or "100MB", "512kB", "1GB" (decimal; "MiB" and
// "KiB" binary; "B" bytes): a rotation's boundary, or nothing for anything else.
std::optional<Rotation> parseRotation(const QString &text);

} // namespace record
