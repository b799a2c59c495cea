#include "link/Settings.h"

#include <QRegularExpression>
#include <QSettings>

namespace {

// "\Software\Quillster\CON" names the organisation and application of the store; other key paths
// become groups inside it, so every value stays in the one per-user file.
QString groupFor(const QString &keyPath)
{
    QString path = keyPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    const QString ours = QStringLiteral("Software/Quillster/CON");
    if (path.compare(ours, Qt::CaseInsensitive) == 0)
        return {};
    return path;
}

QSettings settingsStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillster"),
                     QStringLiteral("CON"));
}

} // namespace

QString regReadString(const QString &keyPath, const QString &valueName)
{
    QSettings settings = settingsStore();
    const QString group = groupFor(keyPath);
    if (!group.isEmpty())
        settings.beginGroup(group);
    return settings.value(valueName).toString();
}

void regWriteString(const QString &keyPath, const QString &valueName, const QString &text)
{
    QSettings settings = settingsStore();
    const QString group = groupFor(keyPath);
    if (!group.isEmpty())
        settings.beginGroup(group);
    settings.setValue(valueName, text);
    settings.sync();
}

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
