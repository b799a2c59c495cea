#pragma once
// The messages a port that would not open shows, and the details under them, in one place for the
// program and the console tools, without any toolkit.

#include "link/SerialPort.h"

#include <string>

inline constexpr const char *kCreateFileErrorText = "CreateFile Error!";
inline constexpr const char *kGetCommStateErrorText = "GetCommState Error!";
inline constexpr const char *kSetCommStateErrorText = "SetCommState Error!";

// The message for a failed open, or null when the port opened.
constexpr const char *openErrorMessage(SerialPort::OpenError error)
{
    switch (error) {
    case SerialPort::OpenError::None: return nullptr;
    case SerialPort::OpenError::Open: return kCreateFileErrorText;
    case SerialPort::OpenError::GetState: return kGetCommStateErrorText;
    case SerialPort::OpenError::SetState: return kSetCommStateErrorText;
    }
    return nullptr;
}

// The detail: what is wrong with the device, after its path.
inline constexpr const char *kNoSuchDeviceText = ": no such device.";
inline constexpr const char *kHeldByAnotherProgramText = ": busy, held by another program.";
inline constexpr const char *kPermissionDeniedText =
    ": permission denied. Join the dialout group (sudo usermod -a -G dialout $USER) and log in again.";
inline constexpr const char *kNotSerialDeviceText = ": not a serial device.";
inline std::string heldByProcessText(long pid) { return ": busy, held by process " + std::to_string(pid) + "."; }
// Any other reason the system gives (`reason`), or its error number when it gives none.
inline std::string systemReasonText(const std::string &reason) { return ": " + reason; }
inline std::string systemErrorNumberText(unsigned long error) { return "error " + std::to_string(error); }

// A lock file that keeps the port from being used (`what` says why), and the reasons.
inline std::string lockFileRefusalText(const std::string &path, const std::string &what)
{
    return "lock file " + path + ": " + what + "; the port is not used until it is removed.";
}
inline constexpr const char *kLockFileIsSymbolicLinkText = "a symbolic link, not a lock file";
inline std::string lockFileUnreadableText(const char *reason)
{
    return std::string("cannot be read (") + reason + ")";
}
// `kind` is one of the kinds below.
inline std::string notALockFileText(const char *kind) { return std::string(kind) + ", not a lock file"; }
inline constexpr const char *kLockFileTooLargeText = "too large to be a lock file";
inline constexpr const char *kLockFileWithoutPidText = "holds no process number this program can read";
// What a path that is no regular file is.
inline constexpr const char *kFifoKindText = "a FIFO";
inline constexpr const char *kFolderKindText = "a folder";
inline constexpr const char *kDeviceKindText = "a device";
inline constexpr const char *kSocketKindText = "a socket";
inline constexpr const char *kSymbolicLinkKindText = "a symbolic link";
inline constexpr const char *kNotRegularFileKindText = "not a regular file";
