#include "base/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>


namespace programfolder {
namespace {
QString &OverrideSlot()
{
    static QString folder;
    return folder;
}

QString WithSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

// The executable's folder, or the shipped-files folder of an installed program.
QString FolderOfExecutable()
{
    const QString bin = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(bin + QLatin1Char('/') + QLatin1String(QMX_SHIPPED_FILES_FROM_BIN));
    return QFileInfo(installed).isDir() ? installed : bin;
}

bool CanWriteIn(const QString &folder) { return QFileInfo(folder).isWritable(); }

void CopyAsOwnFile(const QString &from, const QString &to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    if (QFile::copy(from, to))
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}
} // namespace

QString Path()
{
    const QString folder = OverrideSlot();
    return WithSlash(folder.isEmpty() ? FolderOfExecutable() : folder);
}

void Override(const QString &folder) { OverrideSlot() = folder; }

QString UserDataPath()
{
    return WithSlash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                     QStringLiteral("/Quillster/CON"));
}

QString FilesPath()
{
    const QString program = Path();
#ifdef Q_OS_WIN
    return program;
#else
    return CanWriteIn(program) ? program : UserDataPath();
#endif
}

QString File(const QString &name)
{
    const QString program = Path();
    const QString folder = FilesPath();
    const QString path = folder + name;
    if (folder != program && !QFileInfo::exists(path) && QFileInfo::exists(program + name))
        CopyAsOwnFile(program + name, path);
    return path;
}

QString ErrorTracePath(const QString &name)
{
    const QFileInfo here(QDir::current(), name);
    if (here.exists() ? here.isWritable() : CanWriteIn(QDir::currentPath()))
        return name;
    const QString folder = UserDataPath();
    QDir().mkpath(folder);
    return folder + name;
}

} // namespace programfolder
