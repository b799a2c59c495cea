#include "base/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace programfolder {
namespace {
QString &OverrideSlot()
{
    static QString folder;
    return folder;
}
} // namespace

QString Path()
{
    QString folder = OverrideSlot();
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

void Override(const QString &folder) { OverrideSlot() = folder; }

QString File(const QString &name) { return Path() + name; }

} // namespace programfolder
