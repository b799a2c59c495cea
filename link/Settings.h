#pragma once
// The per-user settings store: the registry key HKEY_CURRENT_USER\Software\Quillster\CON on
// Windows, $XDG_CONFIG_HOME/Quillster/CON.conf on Linux. Its top level holds the chosen port (value
// "COM") and the trend read mode; named groups hold the rest, e.g. [Devices] maps a logical port
// name such as COM1 to the device it opens (default /dev/ttyS<n-1>).

#include <QString>

// The logical port name the program opens (COM1 to COM9), as chosen in the port settings.
QString chosenPortName();
void setChosenPortName(const QString &portName);

// A stored text in `group` (empty: the store's top level), or an empty string when there is none.
QString readSetting(const QString &group, const QString &name);
void writeSetting(const QString &group, const QString &name, const QString &text);

// Stores that logical port `portName` opens `device` on this machine (the [Devices] entry).
void mapPortToDevice(const QString &portName, const QString &device);

// The device that a logical port name opens on this machine: the [Devices] entry of the name,
// else /dev/ttyS<n-1> for COMn, else the name itself. On Windows the name itself ("\\.\COMn").
QString devicePathForPort(const QString &portName);
