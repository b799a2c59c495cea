// The Windows serial port and the link core end to end, run under Wine against qmx-sim: one
// simulator per COM port, each set to answer one way.
//   COM1  answers every request          COM2  refuses every request with NAK "D"
//   COM3  answers with a wrong checksum  COM4  stays silent            COM9  has no device
// Prints one line per check and exits 0 when all passed, 1 otherwise.

#include "link/LinkCore.h"
#include "link/PortMessages.h"
#include "link/SerialPort.h"
#include "tests/wine/ProcessCpu.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>
#include <windows.h>

namespace {

constexpr std::uint32_t kWordAddress = 0x00600600; // a fixed word of the demo image
constexpr std::uint32_t kBlockAddress = 0x00202400;
constexpr std::uint16_t kBlockBytes = 464;         // two exchanges of 232 bytes

int failures = 0;

void check(bool ok, const std::string &what)
{
    std::printf("%s: %s\n", ok ? "PASS" : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!ok)
        ++failures;
}

// Opens `name` and reports the message a failure shows.
bool openPort(SerialPort &port, const char *name)
{
    const SerialPort::OpenError error = port.open(std::string("\\\\.\\") + name);
    if (error != SerialPort::OpenError::None)
        std::printf("  %s: %s (%s)\n", name, openErrorMessage(error), port.failureDetail().c_str());
    return error == SerialPort::OpenError::None;
}

void wordAndBlock()
{
    SerialPort port;
    check(openPort(port, "COM1"), "COM1 opens");
    LinkCore core(port);
    const int word = core.readValue('R', 2, kWordAddress);
    check(word == 0x4304, "\"R\" word read: " + std::to_string(word) + " (expected 17156)");

    std::vector<std::uint8_t> block(30000, 0);
    const auto before = core.exchangeCount();
    const int result = core.readBlock('r', kBlockBytes, kBlockAddress, block);
    check(result == 0 && core.exchangeCount() - before == 2,
          "464-byte block read in " + std::to_string(core.exchangeCount() - before) + " chunks: " +
              std::to_string(result));
    // The same memory word by word: every byte of both chunks landed where it belongs.
    int mismatches = 0;
    for (std::uint32_t offset = 0; offset < kBlockBytes; offset += 2) {
        const int w = core.readValue('R', 2, kBlockAddress + offset);
        if (w < 0 || block[offset] != (w >> 8) || block[offset + 1] != (w & 0xFF))
            ++mismatches;
    }
    check(mismatches == 0, "block bytes match word reads (" + std::to_string(mismatches) + " differ)");

    // The port is this program's alone: a second open of COM1 is refused while it is held.
    SerialPort second;
    const SerialPort::OpenError held = second.open("\\\\.\\COM1");
    check(held == SerialPort::OpenError::Open,
          std::string("COM1 already held: ") + (openErrorMessage(held) ? openErrorMessage(held) : "opened") + " (" +
              second.failureDetail() + ")");
    port.close();
    check(second.open("\\\\.\\COM1") == SerialPort::OpenError::None, "COM1 opens again once released");
}

void refusal()
{
    SerialPort port;
    check(openPort(port, "COM2"), "COM2 opens");
    LinkCore core(port);
    const int code = core.transact(RequestRecord::make('R', kWordAddress, 2));
    const std::string reply = core.lastErrorReply();
    check(code == codeOf(LinkResult::RefusedD) && reply.size() > 2 && reply[0] == '\x15' && reply[2] == 'D',
          "refusal letter D: " + std::to_string(code) + " (expected -3)");
    check(core.readValue('R', 2, kWordAddress) == -3, "word read refused: -3");
}

void wrongChecksum()
{
    SerialPort port;
    check(openPort(port, "COM3"), "COM3 opens");
    LinkCore core(port);
    const int code = core.transact(RequestRecord::make('R', kWordAddress, 2));
    check(code == codeOf(LinkResult::BadChecksum), "wrong checksum: " + std::to_string(code) + " (expected -2)");
}

void silence()
{
    using namespace std::chrono;
    // The measure must see CPU at all, or "under 0.1 s" would prove nothing.
    const double spinStart = processCpuSeconds();
    const auto spinUntil = steady_clock::now() + milliseconds(200);
    volatile unsigned long long spins = 0;
    while (steady_clock::now() < spinUntil)
        spins = spins + 1;
    const double spun = processCpuSeconds() - spinStart;
    check(spun > 0.05, "process CPU is measured: a 200 ms spin counts " + std::to_string(spun) + " s");

    SerialPort port;
    check(openPort(port, "COM4"), "COM4 opens");
    LinkCore core(port);
    const double cpuAtStart = processCpuSeconds();
    const auto startedAt = steady_clock::now();
    const int code = core.readValue('R', 2, kWordAddress);
    const auto waited = duration_cast<milliseconds>(steady_clock::now() - startedAt).count();
    const double cpu = processCpuSeconds() - cpuAtStart;
    check(code == -1, "silent controller: " + std::to_string(code) + " (expected -1)");
    check(waited >= 1000 && waited <= 2100, "gave up after " + std::to_string(waited) + " ms (1000 to 2000)");
    check(cpu < 0.1, "CPU while waiting " + std::to_string(cpu) + " s (under 0.1)");
}

void missingDevice()
{
    SerialPort port;
    const SerialPort::OpenError error = port.open("\\\\.\\COM9");
    check(error == SerialPort::OpenError::Open,
          std::string("COM9 without a device: ") + (openErrorMessage(error) ? openErrorMessage(error) : "opened") +
              " (" + port.failureDetail() + ")");
}

} // namespace

int main()
{
    wordAndBlock();
    refusal();
    wrongChecksum();
    silence();
    missingDevice();
    std::printf("%s\n", failures == 0 ? "all checks passed" : "checks failed");
    return failures == 0 ? 0 : 1;
}
