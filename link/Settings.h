#pragma once
// The per-user configuration store: "\Software\Quillster\CON" holds the chosen port as value "COM".
// On Linux it is $XDG_CONFIG_HOME/Quillster/CON.conf; the group [Devices] maps a logical port name
// such as COM1 to the device it opens (default /dev/ttyS<n-1>).

#include <QString>

inline const QString kPortKey = QStringLiteral("\\Software\\Quillster\\CON");
inline const QString kPortValue = QStringLiteral("COM");

// The stored string, or an empty string when the value does not exist.
QString regReadString(const QString &keyPath, const QString &valueName);
void regWriteString(const QString &keyPath, const QString &valueName, const QString &text);

// Stores that logical port `portName` opens `device` on this machine (the [Devices] entry).
void mapPortToDevice(const QString &portName, const QString &device);

// The device that a logical port name opens on this machine: the [Devices] entry of the name,
// else /dev/ttyS<n-1> for COMn, else the name itself. On Windows the name itself ("\\.\COMn").
QString devicePathForPort(const QString &portName);
