#include "link/PortMessages.h"
#include "link/SerialPort.h"

#include <algorithm>
#include <windows.h>

namespace {

HANDLE asHandle(void *h) { return static_cast<HANDLE>(h); }

// Reads return at once with whatever has arrived.
bool readAtOnce(HANDLE h)
{
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
    return SetCommTimeouts(h, &timeouts) != 0;
}

std::string errorDetail(const std::string &device, DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return device + kNoSuchDeviceText;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        // A COM port refuses a second opener with "access denied".
        return device + kHeldByAnotherProgramText;
    default: {
        char text[256] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                       sizeof text, nullptr);
        std::string reason(text);
        while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
            reason.pop_back();
        return device + systemReasonText(reason.empty() ? systemErrorNumberText(error) : reason);
    }
    }
}

void sleepUntil(SteadyDeadline deadline)
{
    using namespace std::chrono;
    for (;;) {
        const auto now = steady_clock::now();
        if (now >= deadline)
            return;
        Sleep(static_cast<DWORD>(duration_cast<milliseconds>(deadline - now).count() + 1));
    }
}

// Finishes an overlapped call, waiting for it when it went on in the background.
bool finish(HANDLE h, OVERLAPPED &ov, BOOL started, DWORD &transferred)
{
    if (started)
        return GetOverlappedResult(h, &ov, &transferred, FALSE) != 0;
    if (GetLastError() != ERROR_IO_PENDING)
        return false;
    return GetOverlappedResult(h, &ov, &transferred, TRUE) != 0;
}

} // namespace

SerialPort::~SerialPort()
{
    close();
    if (waitEvent_)
        CloseHandle(asHandle(waitEvent_));
}

bool SerialPort::isOpen() const { return handle_ != nullptr; }

// A removed USB adapter makes every communications call on its handle fail.
bool SerialPort::lineGone() const { return handle_ != nullptr && gone_; }

SerialPort::OpenError SerialPort::open(const std::string &devicePath)
{
    close();
    failureDetail_.clear();
    if (!waitEvent_)
        waitEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // Windows' own serial driver refuses a second opener, but not every COM port does (Wine's
    // does not, nor some virtual ports), and two readers would steal each other's replies: a named
    // object per port marks it as held for every program of ours in this session.
    std::string guardName = "Local\\QmxSerialPort-";
    for (char c : devicePath)
        guardName += c == '\\' ? '_' : c;
    const HANDLE guard = CreateMutexA(nullptr, FALSE, guardName.c_str());
    if (guard && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(guard);
        failureDetail_ = errorDetail(devicePath, ERROR_SHARING_VIOLATION);
        return OpenError::Open;
    }
    // No sharing: a COM port has one owner, and a port another program holds is refused here.
    const HANDLE h = CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        failureDetail_ = errorDetail(devicePath, GetLastError());
        if (guard)
            CloseHandle(guard);
        return OpenError::Open;
    }
    auto fail = [this, h, guard, &devicePath](OpenError error) {
        failureDetail_ = errorDetail(devicePath, GetLastError());
        CloseHandle(h);
        if (guard)
            CloseHandle(guard);
        return error;
    };

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb))
        return fail(OpenError::GetState);
    // 9600 baud 8N1; every other setting stays as the driver reports it.
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    if (!SetCommState(h, &dcb))
        return fail(OpenError::SetState);

    // A read returns at once with whatever has arrived; only the wait for a reply blocks.
    if (!readAtOnce(h))
        return fail(OpenError::SetState);
    PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    handle_ = h;
    guard_ = guard;
    holdsByte_ = false;
    gone_ = false;
    return OpenError::None;
}

void SerialPort::close()
{
    if (handle_) {
        CloseHandle(asHandle(handle_));
        handle_ = nullptr;
    }
    if (guard_) {
        CloseHandle(asHandle(guard_));
        guard_ = nullptr;
    }
    holdsByte_ = false;
}

void SerialPort::purge()
{
    if (!handle_)
        return;
    DWORD errors = 0;
    COMSTAT status{};
    ClearCommError(asHandle(handle_), &errors, &status);
    PurgeComm(asHandle(handle_), PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    holdsByte_ = false;
}

bool SerialPort::write(std::span<const std::uint8_t> bytes)
{
    if (!handle_)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        OVERLAPPED ov{};
        ov.hEvent = asHandle(waitEvent_);
        ResetEvent(ov.hEvent);
        DWORD written = 0;
        const BOOL started =
            WriteFile(asHandle(handle_), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, &ov);
        if (!finish(asHandle(handle_), ov, started, written) || written == 0)
            return false;
        done += written;
    }
    return true;
}

std::ptrdiff_t SerialPort::readAvailable(std::span<std::uint8_t> buffer)
{
    if (!handle_)
        return -1;
    if (buffer.empty())
        return 0;
    std::size_t delivered = 0;
    if (holdsByte_) {
        buffer[0] = heldByte_;
        holdsByte_ = false;
        delivered = 1;
    }
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(asHandle(handle_), &errors, &status)) {
        gone_ = true;
        return delivered > 0 ? static_cast<std::ptrdiff_t>(delivered) : -1;
    }
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(buffer.size() - delivered, status.cbInQue));
    if (wanted == 0)
        return static_cast<std::ptrdiff_t>(delivered);
    OVERLAPPED ov{};
    ov.hEvent = asHandle(waitEvent_);
    ResetEvent(ov.hEvent);
    DWORD got = 0;
    const BOOL started = ReadFile(asHandle(handle_), buffer.data() + delivered, wanted, &got, &ov);
    if (!finish(asHandle(handle_), ov, started, got))
        return delivered > 0 ? static_cast<std::ptrdiff_t>(delivered) : -1;
    return static_cast<std::ptrdiff_t>(delivered + got);
}

bool SerialPort::waitForBytes(SteadyDeadline deadline)
{
    using namespace std::chrono;
    if (!handle_) {
        sleepUntil(deadline);
        return false;
    }
    if (holdsByte_)
        return true;
    const HANDLE h = asHandle(handle_);
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(h, &errors, &status)) {
            // The line has gone: wait out the reply time as a silent line does.
            gone_ = true;
            sleepUntil(deadline);
            return false;
        }
        if (status.cbInQue > 0)
            return true;
        const auto now = steady_clock::now();
        if (now >= deadline)
            return false;

        // The wait is a one-byte read without time-outs, left pending while the thread sleeps on
        // its event until the byte comes or the time is up. (WaitCommEvent would do the same on
        // Windows, but Wine serves it by looking at the line every millisecond, half a core; and
        // Wine ignores a read's total time-out on a pseudo-terminal.)
        COMMTIMEOUTS untilByte{};
        if (!SetCommTimeouts(h, &untilByte)) {
            sleepUntil(deadline);
            return false;
        }
        OVERLAPPED ov{};
        ov.hEvent = asHandle(waitEvent_);
        ResetEvent(ov.hEvent);
        DWORD got = 0;
        bool read = ReadFile(h, &heldByte_, 1, &got, &ov) != 0;
        if (!read && GetLastError() == ERROR_IO_PENDING) {
            const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count() + 1;
            if (WaitForSingleObject(ov.hEvent, static_cast<DWORD>(std::clamp<long long>(left, 0, 60000))) !=
                WAIT_OBJECT_0)
                CancelIoEx(h, &ov);
            // After a cancel the read ends as cancelled, or with its byte if that came first.
            read = GetOverlappedResult(h, &ov, &got, TRUE) != 0 || GetLastError() == ERROR_OPERATION_ABORTED;
        } else if (read) {
            GetOverlappedResult(h, &ov, &got, FALSE);
        }
        readAtOnce(h);
        if (!read) {
            sleepUntil(deadline);
            return false;
        }
        if (got == 1) {
            holdsByte_ = true;
            return true;
        }
    }
}

std::chrono::nanoseconds SerialPort::byteTime() const
{
    // The port is set to 9600 baud 8N1: a start bit, 8 data bits and a stop bit per byte.
    return std::chrono::nanoseconds(10 * 1'000'000'000LL / 9600);
}
