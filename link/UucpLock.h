#pragma once
// The UUCP lock file that serial programs on Linux use to keep off a device another one holds:
// <lock directory>/LCK..<device name> holding the owner's process number as ten ASCII characters
// and a line feed. A lock of a process that no longer runs is stale and removed.

#include <string>

// /run/lock, or the folder named by QMX_LOCK_DIR (so tests need not touch the system's).
std::string LockDirectory();

struct UucpLockResult {
    enum class State {
        Taken,       // the lock file is ours now
        HeldByOther, // a running process holds it
        NotPossible, // the folder cannot be written: go on without a lock file
    };
    State state = State::NotPossible;
    long holderPid = 0;    // the holder when HeldByOther
    std::string path;      // the lock file when Taken
};

// Takes the lock of the device whose name (without folder) is `deviceName`.
UucpLockResult TakeUucpLock(const std::string &deviceName);
// Removes the lock file at `path` when it still names this process.
void ReleaseUucpLock(const std::string &path);
// The process number a lock file holds (ASCII, or the old four-byte binary form), or 0.
long ReadLockPid(const std::string &path);
