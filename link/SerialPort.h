#pragma once
// One serial device opened exclusively, set to 9600 baud 8N1. Reads return at once with what has
// arrived; waiting for more blocks in the system until bytes arrive or a deadline passes.
// One interface, one implementation per platform: SerialPortPosix.cpp (termios, poll, the UUCP
// lock file) and SerialPortWin32.cpp (the Win32 communications calls). Free of any toolkit.

#include "link/ByteTransport.h"

#include <string>

class SerialPort final : public ByteTransport {
public:
    enum class OpenError { None, Open, GetState, SetState };

    SerialPort() = default;
    ~SerialPort() override;
    SerialPort(const SerialPort &) = delete;
    SerialPort &operator=(const SerialPort &) = delete;

    // Opens `devicePath` ("/dev/ttyUSB0" here, "\\.\COM1" on Windows) for this program alone.
    OpenError open(const std::string &devicePath);
    // The device and the system's reason when the last open failed ("no such device", "permission
    // denied", "busy, held by process N"); empty after a successful open.
    const std::string &failureDetail() const { return failureDetail_; }
    void close();
    bool isOpen() const override;
    // Whether the line has gone away under the open port, as an unplugged USB adapter's does: the
    // device reported a hang-up or an I/O error, or its file has vanished. A controller that is
    // merely silent leaves the line present.
    bool lineGone() const;

    void purge() override;
    bool write(std::span<const std::uint8_t> bytes) override;
    std::ptrdiff_t readAvailable(std::span<std::uint8_t> buffer) override;
    bool waitForBytes(SteadyDeadline deadline) override;
    // 10 bits at 9600 baud on a serial device. A pseudo-terminal has no line of its own: the pace
    // is its far end's (a simulator pacing 9600 baud sets that speed on it; 0 when it paces
    // nothing), so its speed is left as the far end set it and read on every call.
    std::chrono::nanoseconds byteTime() const override;

private:
    std::string failureDetail_;
    std::string devicePath_;     // as given to open()
    bool gone_ = false;          // the device reported that the line has gone
#ifdef _WIN32
    void *handle_ = nullptr;     // the device; null when closed
    void *guard_ = nullptr;      // the named object that marks the port as held
    void *waitEvent_ = nullptr;  // signalled by the overlapped calls
    std::uint8_t heldByte_ = 0;  // the byte that ended a wait, delivered by the next read
    bool holdsByte_ = false;
#else
    int fd_ = -1;
    bool pseudoTerminal_ = false;
    std::string lockFile_;       // the UUCP lock file this port wrote, removed again at close
#endif
};
