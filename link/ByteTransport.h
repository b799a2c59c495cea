#pragma once
// What the frame exchanges need of a serial line, whatever the platform: purge, write, read what
// has arrived, and wait in the system until more arrives or a deadline passes.

#include "link/ReplyDeadline.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

class ByteTransport {
public:
    virtual ~ByteTransport() = default;

    virtual bool isOpen() const = 0;
    // Clears pending line errors and discards bytes waiting in both directions.
    virtual void purge() = 0;
    // Writes the whole frame; false when the line is gone.
    virtual bool write(std::span<const std::uint8_t> bytes) = 0;
    // Whatever has arrived, up to buffer.size(); 0 when nothing; -1 when the line is gone.
    virtual std::ptrdiff_t readAvailable(std::span<std::uint8_t> buffer) = 0;
    // Blocks until bytes can be read or `deadline` passes, never spinning a core. False at the
    // deadline; also false, after sleeping to the deadline, when the line has gone away (so a
    // pulled adapter costs the same time as a silent controller).
    virtual bool waitForBytes(SteadyDeadline deadline) = 0;
    // How long one byte takes on the line (10 bits at the line's baud rate), so that a reply that
    // came sooner than its request and itself take on the wire is known not to be its answer.
    // Zero where nothing paces the bytes (no line at all, or one that cannot say).
    virtual std::chrono::nanoseconds byteTime() const { return std::chrono::nanoseconds::zero(); }
};
