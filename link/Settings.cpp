#include "link/Settings.h"

#include <QRegularExpression>
#include <QSettings>

namespace {

// The value that holds the chosen port, at the store's top level.
const QString kChosenPortValue = QStringLiteral("COM");

QSettings settingsStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillster"),
                     QStringLiteral("CON"));
}

} // namespace

QString readSetting(const QString &group, const QString &name)
{
    QSettings settings = settingsStore();
    if (!group.isEmpty())
        settings.beginGroup(group);
    return settings.value(name).toString();
}

void writeSetting(const QString &group, const QString &name, const QString &text)
{
    QSettings settings = settingsStore();
    if (!group.isEmpty())
        settings.beginGroup(group);
    settings.setValue(name, text);
    settings.sync();
}

QString chosenPortName() { return readSetting(QString(), kChosenPortValue); }

void setChosenPortName(const QString &portName) { writeSetting(QString(), kChosenPortValue, portName); }

void mapPortToDevice(const QString &portName, const QString &device)
{
    QSettings settings = settingsStore();
    settings.setValue(QStringLiteral("Devices/") + portName, device);
    settings.sync();
}

QString devicePathForPort(const QString &portName)
{
#ifdef _WIN32
    // Windows opens the port by its own name; the device namespace prefix also reaches COM10 and up.
    return QStringLiteral("\\\\.\\") + portName;
#else
    QSettings settings = settingsStore();
    const QString mapped = settings.value(QStringLiteral("Devices/") + portName).toString();
    if (!mapped.isEmpty())
        return mapped;
    static const QRegularExpression comN(QStringLiteral("^COM([1-9][0-9]*)$"));
    const QRegularExpressionMatch match = comN.match(portName);
    if (match.hasMatch())
        return QStringLiteral("/dev/ttyS%1").arg(match.captured(1).toInt() - 1);
    return portName;
#endif
}
