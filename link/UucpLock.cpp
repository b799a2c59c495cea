#include "link/UucpLock.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr const char *kDefaultLockDirectory = "/run/lock";

bool ProcessRuns(long pid)
{
    if (pid <= 0)
        return false;
    // EPERM: the process exists but belongs to another user.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Creates the lock file only if none exists, so two programs racing for it cannot both win.
bool CreateLockFile(const std::string &path, int &error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
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

std::string LockDirectory()
{
    const char *override = std::getenv("QMX_LOCK_DIR");
    return override && *override ? std::string(override) : std::string(kDefaultLockDirectory);
}

long ReadLockPid(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char text[32] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0)
        return 0;
    if (n == 4) {
        // Old programs wrote the process number as a binary int.
        int binary = 0;
        std::memcpy(&binary, text, sizeof binary);
        return binary;
    }
    return std::strtol(text, nullptr, 10);
}

UucpLockResult TakeUucpLock(const std::string &deviceName)
{
    UucpLockResult result;
    const std::string path = LockDirectory() + "/LCK.." + deviceName;
    // Two rounds: the second after a stale lock was removed.
    for (int round = 0; round < 2; ++round) {
        int error = 0;
        if (CreateLockFile(path, error)) {
            result.state = UucpLockResult::State::Taken;
            result.path = path;
            return result;
        }
        if (error != EEXIST)
            return result; // no such folder, not writable: the lock file is a courtesy, not a must
        const long pid = ReadLockPid(path);
        if (ProcessRuns(pid)) {
            result.state = UucpLockResult::State::HeldByOther;
            result.holderPid = pid;
            return result;
        }
        ::unlink(path.c_str());
    }
    return result;
}

void ReleaseUucpLock(const std::string &path)
{
    if (!path.empty() && ReadLockPid(path) == static_cast<long>(::getpid()))
        ::unlink(path.c_str());
}
