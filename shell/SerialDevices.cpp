#include "shell/SerialDevices.h"

#include "shell/PortSettingsTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

// Names in order with runs of digits compared as numbers, so ttyUSB2 comes before ttyUSB10.
bool naturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype startA = i;
            const qsizetype startB = j;
            while (i < a.size() && a[i].isDigit())
                ++i;
            while (j < b.size() && b[j].isDigit())
                ++j;
            const qulonglong x = a.mid(startA, i - startA).toULongLong();
            const qulonglong y = b.mid(startB, j - startB).toULongLong();
            if (x != y)
                return x < y;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j || (a.size() - i == b.size() - j && a < b);
}

// The entries of `folder` matching `pattern`, in natural order.
QStringList entries(const QString &folder, const QString &pattern)
{
    QDir dir(folder);
    QStringList names =
        dir.entryList({pattern}, QDir::System | QDir::Files | QDir::NoDotAndDotDot | QDir::CaseSensitive);
    std::sort(names.begin(), names.end(), naturalLess);
    QStringList paths;
    for (const QString &name : names)
        paths.append(dir.filePath(name));
    return paths;
}

// The UART type the kernel gives, or -1 when it does not say.
int sysfsUartType(const SerialDeviceRoots &roots, const QString &name)
{
    QFile type(roots.sysTty + QLatin1Char('/') + name + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const int value = type.readAll().trimmed().toInt(&ok);
    return ok ? value : -1;
}

} // namespace

bool answersAsUart(const SerialDeviceRoots &roots, const QString &name, const QString &device)
{
    // sysfs first: reading it neither opens the port nor disturbs its modem lines.
    const int type = sysfsUartType(roots, name);
    if (type >= 0)
        return type != 0;
#ifdef Q_OS_LINUX
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    serial_struct info{};
    const bool uart = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return uart;
#else
    Q_UNUSED(device);
    return false;
#endif
}

QStringList listSerialDevices(const SerialDeviceRoots &roots)
{
    QStringList devices = entries(roots.byId, QStringLiteral("*"));
    devices += entries(roots.dev, QStringLiteral("ttyUSB*"));
    devices += entries(roots.dev, QStringLiteral("ttyACM*"));
    for (const QString &path : entries(roots.dev, QStringLiteral("ttyS*"))) {
        if (answersAsUart(roots, QFileInfo(path).fileName(), path))
            devices.append(path);
    }
    return devices;
}

QString deviceProblem(const QString &device)
{
    if (device.isEmpty())
        return {};
#ifdef Q_OS_WIN
    return {};
#else
    const QByteArray path = QFile::encodeName(device);
    if (::access(path.constData(), F_OK) != 0)
        return kDeviceMissing;
    if (::access(path.constData(), R_OK | W_OK) != 0)
        return kDeviceNotPermitted.arg(QString::fromLocal8Bit(std::strerror(errno)));
    return {};
#endif
}

