#pragma once
// The UUCP lock file that serial programs on Linux use to keep off a device another one holds:
// <lock directory>/LCK..<device name> holding the owner's process number as ten ASCII characters
// and a line feed. A lock of a process that no longer runs is stale and removed.
//
// The lock folder is shared with every other program on the machine, so what lies in the lock's
// place is not trusted: it is opened without blocking and without following a link, and anything
// but a small regular file (a FIFO, a link, a folder, a device) refuses the port instead of
// hanging the open or being removed.

#include <cstddef>
#include <string>
#include <string_view>

// /run/lock, or the folder named by QMX_LOCK_DIR (so tests need not touch the system's).
std::string lockDirectory();

// The most bytes of a lock file looked at; a real one holds eleven.
inline constexpr std::size_t kLockFileMaxBytes = 64;
// The highest process number when the system does not say.
inline constexpr long kFallbackPidMax = 4194304;

// The highest process number the system hands out (/proc/sys/kernel/pid_max).
long systemPidMax();

// The process number in a lock file's bytes: ASCII digits when the bytes are only digits and
// blanks (space, tab, CR, LF), else the old 4-byte binary form when there are exactly four bytes.
// 0 when there is none or it lies outside 1..pidMax (such a lock is stale); -1 when the bytes are
// neither form, which is no lock this program can judge.
long parseLockPid(std::string_view bytes, long pidMax);

struct LockFileContent {
    enum class State {
        Absent,   // nothing in the lock's place
        Read,     // a regular file, read: pid is its process number (0: stale)
        Refused,  // something that is no lock file, or one that cannot be judged: reason says why
    };
    State state = State::Absent;
    long pid = 0;
    std::string reason;
};

// Looks at what is at `path` without blocking, following a link or reading more than
// kLockFileMaxBytes.
LockFileContent readLockFile(const std::string &path);

struct UucpLockResult {
    enum class State {
        Taken,       // the lock file is ours now
        HeldByOther, // a running process holds it
        NotPossible, // the folder cannot be written: go on without a lock file
        Refused,     // something in the lock's place that is no lock file: reason names it
    };
    State state = State::NotPossible;
    long holderPid = 0;    // the holder when HeldByOther
    std::string path;      // the lock file when Taken
    std::string reason;    // when Refused
};

// Takes the lock of the device whose name (without folder) is `deviceName`.
UucpLockResult takeUucpLock(const std::string &deviceName);
// Removes the lock file at `path` when it still names this process.
void releaseUucpLock(const std::string &path);
// The process number a lock file holds (ASCII, or the old four-byte binary form), or 0.
long readLockPid(const std::string &path);
