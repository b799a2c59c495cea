#pragma once
// The messages a port that would not open shows, in one place for the program and the console
// tools, without any toolkit.

#include "link/SerialPort.h"

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
