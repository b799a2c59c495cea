#include "link/PortMessages.h"
#include "link/SerialPort.h"
#include "link/UucpLock.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#ifdef __linux__
#include <linux/serial.h>
#endif

namespace {

std::string realPath(const std::string &path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

std::string baseName(const std::string &path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string readSmallFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    char text[512];
    const ssize_t n = ::read(fd, text, sizeof text);
    ::close(fd);
    return n > 0 ? std::string(text, static_cast<std::size_t>(n)) : std::string();
}

// A USB serial adapter hands received bytes on when its latency timer runs out (16 ms is common),
// so the end of a reply and a second frame straight behind it could come in separate batches,
// the second after the short wait for quiet that follows a reply. The driver is asked for low
// latency where it offers it (ftdi_sio then hands bytes on after 1 ms); a device without the
// setting keeps its own.
void requestLowLatency(int fd)
{
#ifdef __linux__
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) == 0 && (serial.flags & ASYNC_LOW_LATENCY) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &serial);
    }
#else
    (void)fd;
#endif
}

// The pseudo-terminal number of /dev/pts/N, or -1 for any other device.
int ptyNumber(const std::string &device)
{
    constexpr const char *prefix = "/dev/pts/";
    if (device.rfind(prefix, 0) != 0)
        return -1;
    char *end = nullptr;
    const long n = std::strtol(device.c_str() + std::strlen(prefix), &end, 10);
    return end && *end == 0 ? static_cast<int>(n) : -1;
}

// Whether process `pid` holds the controlling side of pseudo-terminal `pty`: that process is the
// far end of the line (a simulator, a terminal), not another reader competing for it.
bool holdsPtyMaster(const std::string &pidFolder, int pty)
{
    const std::string fdFolder = pidFolder + "/fd";
    DIR *dir = ::opendir(fdFolder.c_str());
    if (!dir)
        return false;
    bool holds = false;
    while (const dirent *entry = ::readdir(dir)) {
        char target[PATH_MAX];
        const std::string link = fdFolder + "/" + entry->d_name;
        const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
        if (n <= 0 || std::string(target, static_cast<std::size_t>(n)) != "/dev/ptmx")
            continue;
        const std::string info = readSmallFile(pidFolder + "/fdinfo/" + entry->d_name);
        const auto at = info.find("tty-index:");
        if (at != std::string::npos && std::atoi(info.c_str() + at + 10) == pty) {
            holds = true;
            break;
        }
    }
    ::closedir(dir);
    return holds;
}

// Another process that has `device` open, as far as this user may look into other processes; 0
// when none is seen. A device opened without any lock or exclusive flag is found only this way.
long otherProcessUsing(const std::string &device)
{
    const long self = static_cast<long>(::getpid());
    const int pty = ptyNumber(device);
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return 0;
    long found = 0;
    while (const dirent *entry = ::readdir(proc)) {
        char *end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != 0 || pid == self)
            continue;
        const std::string pidFolder = std::string("/proc/") + entry->d_name;
        const std::string fdFolder = pidFolder + "/fd";
        DIR *fds = ::opendir(fdFolder.c_str());
        if (!fds)
            continue; // another user's process: not visible to us
        bool opened = false;
        while (const dirent *fd = ::readdir(fds)) {
            char target[PATH_MAX];
            const std::string link = fdFolder + "/" + fd->d_name;
            const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
            if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == device) {
                opened = true;
                break;
            }
        }
        ::closedir(fds);
        if (opened && !(pty >= 0 && holdsPtyMaster(pidFolder, pty))) {
            found = pid;
            break;
        }
    }
    ::closedir(proc);
    return found;
}

constexpr int kBitsPerByte = 10; // 8N1: start bit, 8 data bits, stop bit
constexpr int kBaud = 9600;

// The baud rate a termios speed stands for; 0 for B0 (nothing paces the bytes).
long baudOf(speed_t speed)
{
    static constexpr struct {
        speed_t code;
        long baud;
    } kSpeeds[] = {{B50, 50},         {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
                   {B200, 200},       {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
                   {B2400, 2400},     {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
                   {B57600, 57600},   {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600}};
    for (const auto &entry : kSpeeds) {
        if (entry.code == speed)
            return entry.baud;
    }
    return 0;
}

std::chrono::nanoseconds byteTimeAt(long baud)
{
    return baud > 0 ? std::chrono::nanoseconds(kBitsPerByte * 1'000'000'000LL / baud) : std::chrono::nanoseconds::zero();
}

std::string busyDetail(const std::string &device, long pid)
{
    if (pid > 0)
        return device + heldByProcessText(pid);
    return device + kHeldByAnotherProgramText;
}

std::string errorDetail(const std::string &device, int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return device + kNoSuchDeviceText;
    case EACCES:
    case EPERM:
        return device + kPermissionDeniedText;
    default:
        return device + systemReasonText(std::string(std::strerror(error)) + ".");
    }
}

} // namespace

SerialPort::~SerialPort() { close(); }

bool SerialPort::isOpen() const { return fd_ >= 0; }

bool SerialPort::lineGone() const
{
    if (fd_ < 0)
        return false;
    struct stat info{};
    return gone_ || ::stat(devicePath_.c_str(), &info) != 0;
}

SerialPort::OpenError SerialPort::open(const std::string &devicePath)
{
    close();
    failureDetail_.clear();
    devicePath_ = devicePath;
    // A symbolic link (by-id names, the simulator's link) is locked and looked for by its device.
    const std::string device = realPath(devicePath);

    const UucpLockResult lock = takeUucpLock(baseName(device));
    if (lock.state == UucpLockResult::State::HeldByOther) {
        failureDetail_ = busyDetail(device, lock.holderPid);
        return OpenError::Open;
    }
    if (lock.state == UucpLockResult::State::Refused) {
        failureDetail_ = device + systemReasonText(lock.reason);
        return OpenError::Open;
    }
    lockFile_ = lock.path;
    auto fail = [this](OpenError error, std::string detail, int fd) {
        if (fd >= 0)
            ::close(fd);
        releaseUucpLock(lockFile_);
        lockFile_.clear();
        failureDetail_ = std::move(detail);
        return error;
    };

    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(OpenError::Open, errno == EBUSY ? busyDetail(device, otherProcessUsing(device))
                                                    : errorDetail(device, errno),
                    -1);
    if (!::isatty(fd))
        return fail(OpenError::Open, device + kNotSerialDeviceText, fd);
    // Exclusive use, as the controller's port is never shared: a second opener (this program or
    // another) is refused while we hold it, and so is a device another program opened first.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail(OpenError::Open, busyDetail(device, otherProcessUsing(device)), fd);
    if (const long other = otherProcessUsing(device); other > 0)
        return fail(OpenError::Open, busyDetail(device, other), fd);
    ::ioctl(fd, TIOCEXCL);

    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return fail(OpenError::GetState, errorDetail(device, errno), fd);
    // 9600 baud, 8 data bits, no parity, one stop bit; no line discipline (bytes pass unchanged).
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    // A pseudo-terminal's speed paces nothing; it is left as its far end set it (see byteTime()).
    const bool pseudoTerminal = ptyNumber(device) >= 0;
    if ((!pseudoTerminal && (::cfsetispeed(&tio, B9600) != 0 || ::cfsetospeed(&tio, B9600) != 0)) ||
        ::tcsetattr(fd, TCSANOW, &tio) != 0)
        return fail(OpenError::SetState, errorDetail(device, errno), fd);
    if (!pseudoTerminal)
        requestLowLatency(fd);
    fd_ = fd;
    pseudoTerminal_ = pseudoTerminal;
    gone_ = false;
    return OpenError::None;
}

void SerialPort::close()
{
    if (fd_ >= 0) {
        // The exclusive flag belongs to the device, not to this descriptor: clear it, or the next
        // open of the same device is refused while anything else keeps it open.
        ::ioctl(fd_, TIOCNXCL);
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
    pseudoTerminal_ = false;
    releaseUucpLock(lockFile_);
    lockFile_.clear();
}

void SerialPort::purge()
{
    if (fd_ >= 0)
        ::tcflush(fd_, TCIOFLUSH);
}

bool SerialPort::write(std::span<const std::uint8_t> bytes)
{
    if (fd_ < 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, 1000) <= 0)
                return false;
            if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) {
                gone_ = true;
                return false;
            }
        } else if (!(n < 0 && errno == EINTR)) {
            gone_ = gone_ || (n < 0 && (errno == EIO || errno == ENXIO || errno == ENODEV));
            return false;
        }
    }
    return true;
}

std::ptrdiff_t SerialPort::readAvailable(std::span<std::uint8_t> buffer)
{
    if (fd_ < 0)
        return -1;
    if (buffer.empty())
        return 0;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN)
            return 0;
        gone_ = true;
        return -1;
    }
}

std::chrono::nanoseconds SerialPort::byteTime() const
{
    if (!pseudoTerminal_)
        return byteTimeAt(kBaud);
    termios tio{};
    if (fd_ < 0 || ::tcgetattr(fd_, &tio) != 0)
        return std::chrono::nanoseconds::zero();
    return byteTimeAt(baudOf(::cfgetospeed(&tio)));
}

bool SerialPort::waitForBytes(SteadyDeadline deadline)
{
    using namespace std::chrono;
    for (;;) {
        const auto now = steady_clock::now();
        if (now >= deadline)
            return false;
        if (fd_ < 0) {
            std::this_thread::sleep_until(deadline);
            return false;
        }
        // To the nanosecond: the short wait for quiet after a reply is a few character times.
        const auto left = std::min<nanoseconds>(duration_cast<nanoseconds>(deadline - now), seconds(60));
        const timespec timeout{static_cast<time_t>(left.count() / 1'000'000'000),
                               static_cast<long>(left.count() % 1'000'000'000)};
        pollfd p{fd_, POLLIN, 0};
        const int r = ::ppoll(&p, 1, &timeout, nullptr);
        if (r < 0 && errno == EINTR)
            continue;
        if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            // Hung up or in error: the line has gone. Wait out the reply time as a silent line does.
            gone_ = true;
            std::this_thread::sleep_until(deadline);
            return false;
        }
        if (r > 0 && (p.revents & POLLIN))
            return true;
    }
}
