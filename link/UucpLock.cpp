#include "link/UucpLock.h"

#include "link/PortMessages.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char *kDefaultLockDirectory = "/run/lock";
constexpr const char *kPidMaxFile = "/proc/sys/kernel/pid_max";

bool processRuns(long pid)
{
    if (pid <= 0)
        return false;
    // EPERM: the process exists but belongs to another user.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

const char *fileKind(mode_t mode)
{
    if (S_ISFIFO(mode))
        return kFifoKindText;
    if (S_ISDIR(mode))
        return kFolderKindText;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return kDeviceKindText;
    if (S_ISSOCK(mode))
        return kSocketKindText;
    if (S_ISLNK(mode))
        return kSymbolicLinkKindText;
    return kNotRegularFileKindText;
}

// Creates the lock file only if none exists, so two programs racing for it cannot both win.
bool createLockFile(const std::string &path, int &error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = errno;
        return false;
    }
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%10ld\n", static_cast<long>(::getpid()));
    const bool written = ::write(fd, text, static_cast<std::size_t>(n)) == n;
    ::close(fd);
    if (!written) {
        ::unlink(path.c_str());
        error = EIO;
        return false;
    }
    return true;
}

} // namespace

std::string lockDirectory()
{
    const char *override = std::getenv("QMX_LOCK_DIR");
    return override && *override ? std::string(override) : std::string(kDefaultLockDirectory);
}

long systemPidMax()
{
    const int fd = ::open(kPidMaxFile, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return kFallbackPidMax;
    char text[32] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    const long value = n > 0 ? std::strtol(text, nullptr, 10) : 0;
    return value > 0 ? value : kFallbackPidMax;
}

long parseLockPid(std::string_view bytes, long pidMax)
{
    bool onlyDigitsAndBlanks = true;
    bool anyDigit = false;
    for (const char c : bytes) {
        anyDigit = anyDigit || isDigit(c);
        onlyDigitsAndBlanks = onlyDigitsAndBlanks && (isDigit(c) || isBlank(c));
    }
    if (onlyDigitsAndBlanks) {
        if (!anyDigit)
            return 0; // empty or blank: a lock whose writer died before writing
        // One number between blanks; digits beyond what fits pid_max make it stale, not an overflow.
        std::size_t i = 0;
        while (i < bytes.size() && isBlank(bytes[i]))
            ++i;
        long value = 0;
        for (; i < bytes.size() && isDigit(bytes[i]); ++i) {
            value = value * 10 + (bytes[i] - '0');
            if (value > pidMax)
                return 0;
        }
        while (i < bytes.size() && isBlank(bytes[i]))
            ++i;
        if (i != bytes.size())
            return -1; // two numbers
        return value >= 1 ? value : 0;
    }
    if (bytes.size() == 4) {
        // Old programs wrote the process number as a binary int of the machine's byte order.
        std::int32_t binary = 0;
        std::memcpy(&binary, bytes.data(), sizeof binary);
        return binary >= 1 && binary <= pidMax ? static_cast<long>(binary) : 0;
    }
    return -1;
}

LockFileContent readLockFile(const std::string &path)
{
    LockFileContent content;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return content;
        content.state = LockFileContent::State::Refused;
        content.reason = lockFileRefusalText(path, error == ELOOP ? std::string(kLockFileIsSymbolicLinkText)
                                                                  : lockFileUnreadableText(std::strerror(error)));
        return content;
    }
    struct stat info{};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        content.state = LockFileContent::State::Refused;
        content.reason = lockFileRefusalText(path, notALockFileText(fileKind(info.st_mode)));
        return content;
    }
    if (info.st_size > static_cast<off_t>(kLockFileMaxBytes)) {
        ::close(fd);
        content.state = LockFileContent::State::Refused;
        content.reason = lockFileRefusalText(path, kLockFileTooLargeText);
        return content;
    }
    char text[kLockFileMaxBytes];
    std::size_t n = 0;
    while (n < sizeof text) {
        const ssize_t got = ::read(fd, text + n, sizeof text - n);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        n += static_cast<std::size_t>(got);
    }
    ::close(fd);
    const long pid = parseLockPid(std::string_view(text, n), systemPidMax());
    if (pid < 0) {
        content.state = LockFileContent::State::Refused;
        content.reason = lockFileRefusalText(path, kLockFileWithoutPidText);
        return content;
    }
    content.state = LockFileContent::State::Read;
    content.pid = pid;
    return content;
}

long readLockPid(const std::string &path)
{
    const LockFileContent content = readLockFile(path);
    return content.state == LockFileContent::State::Read ? content.pid : 0;
}

UucpLockResult takeUucpLock(const std::string &deviceName)
{
    UucpLockResult result;
    const std::string path = lockDirectory() + "/LCK.." + deviceName;
    // Two rounds: the second after a stale lock was removed.
    for (int round = 0; round < 2; ++round) {
        int error = 0;
        if (createLockFile(path, error)) {
            result.state = UucpLockResult::State::Taken;
            result.path = path;
            return result;
        }
        // A link in the lock's place makes the exclusive create fail with EEXIST or ELOOP.
        if (error != EEXIST && error != ELOOP)
            return result; // no such folder, not writable: the lock file is a courtesy, not a must
        const LockFileContent content = readLockFile(path);
        if (content.state == LockFileContent::State::Refused) {
            result.state = UucpLockResult::State::Refused;
            result.reason = content.reason;
            return result;
        }
        if (content.state == LockFileContent::State::Read && processRuns(content.pid)) {
            result.state = UucpLockResult::State::HeldByOther;
            result.holderPid = content.pid;
            return result;
        }
        if (content.state == LockFileContent::State::Read)
            ::unlink(path.c_str());
    }
    return result;
}

void releaseUucpLock(const std::string &path)
{
    if (!path.empty() && readLockPid(path) == static_cast<long>(::getpid()))
        ::unlink(path.c_str());
}
