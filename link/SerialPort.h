#pragma once
// One serial device opened exclusively, set to 9600 baud 8N1 raw. Reads return at once with what
// has arrived; waiting for more blocks in the OS until bytes arrive or a deadline passes.

#include <QString>
#include <chrono>
#include <cstdint>
#include <span>

class SerialPort {
public:
    enum class OpenError { None, Open, GetState, SetState };

    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort &) = delete;
    SerialPort &operator=(const SerialPort &) = delete;

    OpenError open(const QString &devicePath);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    // Clears pending line errors and discards bytes waiting in both directions.
    void purge();
    // Writes the whole frame; false when the line is gone.
    bool write(std::span<const std::uint8_t> bytes);
    // Whatever has arrived, up to buffer.size(); 0 when nothing; -1 when the line is gone.
    qsizetype readAvailable(std::span<std::uint8_t> buffer);
    // Blocks until bytes can be read or `deadline` passes. False at the deadline; also false,
    // after sleeping to the deadline, when the line has gone away (so a pulled adapter costs the
    // same time as a silent controller and never spins a core).
    bool waitForBytes(std::chrono::system_clock::time_point deadline);

private:
    int fd_ = -1;
};
