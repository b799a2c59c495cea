#include "tests/support/TestEnvironment.h"

#include "base/ProgramFolder.h"
#include "link/Settings.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace testenv {
namespace {
QTemporaryDir &rootFolder()
{
    static QTemporaryDir dir;
    return dir;
}
QString dataDir()
{
    const QByteArray fromEnv = qgetenv("QMX_DATA_DIR");
    return fromEnv.isEmpty() ? QStringLiteral(QMX_SOURCE_DIR "/data") : QString::fromLocal8Bit(fromEnv);
}
} // namespace

QString prepare()
{
    static bool done = false;
    if (!done) {
        done = true;
        QDir root(rootFolder().path());
        root.mkpath(QStringLiteral("config"));
        root.mkpath(QStringLiteral("program"));
        root.mkpath(QStringLiteral("lock"));
        qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")).toLocal8Bit());
        // Serial lock files of the test's own, not the system's /run/lock.
        qputenv("QMX_LOCK_DIR", root.filePath(QStringLiteral("lock")).toLocal8Bit());
        // Files that go to the user's data folder (a trace that cannot be written in the current
        // folder) stay in this world too.
        root.mkpath(QStringLiteral("data"));
        qputenv("XDG_DATA_HOME", root.filePath(QStringLiteral("data")).toLocal8Bit());
        QStandardPaths::setTestModeEnabled(false);
        programfolder::setOverride(root.filePath(QStringLiteral("program")));
        for (const QString &name : QDir(dataDir()).entryList(QDir::Files))
            restoreDataFile(name);
        QDir::setCurrent(root.filePath(QStringLiteral("program")));
    }
    return programDir();
}

QString programDir() { return programfolder::path(); }

void restoreDataFile(const QString &name)
{
    const QString target = programfolder::file(name);
    QFile::remove(target);
    QFile::copy(dataDir() + QLatin1Char('/') + name, target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
}

void usePort(const QString &portName, const QString &device)
{
    mapPortToDevice(portName, device);
    setChosenPortName(portName);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace testenv
