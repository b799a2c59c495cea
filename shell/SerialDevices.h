#pragma once
// The serial devices this machine has, for the port settings dialog to offer: the stable names a
// USB adapter gets under /dev/serial/by-id first, then /dev/ttyUSB*, /dev/ttyACM*, and the
// /dev/ttyS* that have a UART behind them (most of those exist with none, and only time out).

#include <QString>
#include <QStringList>

// Where the devices are looked for; tests offer pseudo-terminals through folders of their own.
struct SerialDeviceRoots {
    QString byId = QStringLiteral("/dev/serial/by-id");
    QString dev = QStringLiteral("/dev");
    // The kernel's description of each tty: <sysTty>/ttyS0/type is the UART type, 0 for none.
    QString sysTty = QStringLiteral("/sys/class/tty");
};

// Full paths, in the order above; within each kind by name, numbers counted as numbers
// (ttyUSB2 before ttyUSB10).
QStringList listSerialDevices(const SerialDeviceRoots &roots = {});

// What keeps this user from opening `device`: "missing", "not permitted: <reason>", or nothing.
QString deviceProblem(const QString &device);

// Whether `device` (a ttyS node named `name`) has a UART: the type the kernel gives in sysfs, or,
// where sysfs does not tell, what the device answers to TIOCGSERIAL.
bool answersAsUart(const SerialDeviceRoots &roots, const QString &name, const QString &device);
