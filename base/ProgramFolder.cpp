#include "base/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>


namespace programfolder {
namespace {
QString &overrideSlot()
{
    static QString folder;
    return folder;
}

QString withSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

// The executable's folder, or the shipped-files folder of an installed program.
QString folderOfExecutable()
{
    const QString bin = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(bin + QLatin1Char('/') + QLatin1String(QMX_SHIPPED_FILES_FROM_BIN));
    return QFileInfo(installed).isDir() ? installed : bin;
}

bool canWriteIn(const QString &folder) { return QFileInfo(folder).isWritable(); }

void copyAsOwnFile(const QString &from, const QString &to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    if (QFile::copy(from, to))
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}
} // namespace

QString path()
{
    const QString folder = overrideSlot();
    return withSlash(folder.isEmpty() ? folderOfExecutable() : folder);
}

void setOverride(const QString &folder) { overrideSlot() = folder; }

QString userDataPath()
{
    return withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                     QStringLiteral("/Quillster/CON"));
}

QString filesPath()
{
    const QString program = path();
#ifdef Q_OS_WIN
    return program;
#else
    return canWriteIn(program) ? program : userDataPath();
#endif
}

QString file(const QString &name)
{
    const QString program = path();
    const QString folder = filesPath();
    const QString path = folder + name;
    if (folder != program && !QFileInfo::exists(path) && QFileInfo::exists(program + name))
        copyAsOwnFile(program + name, path);
    return path;
}

QString errorTracePath(const QString &name)
{
    const QFileInfo here(QDir::current(), name);
    if (here.exists() ? here.isWritable() : canWriteIn(QDir::currentPath()))
        return name;
    const QString folder = userDataPath();
    QDir().mkpath(folder);
    return folder + name;
}

} // namespace programfolder
