#include "base/ErrorTrace.h"

#include <QFile>
#include <QFileInfo>

QString olderErrorTracePath(const QString &path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString older = dot > 0 ? name.left(dot) + QStringLiteral(".1") + name.mid(dot) : name + QStringLiteral(".1");
    const qsizetype cut = path.size() - name.size();
    return path.left(cut) + older;
}

bool appendErrorTrace(const QString &path, const QByteArray &entry, qint64 maxBytes)
{
    const QFileInfo info(path);
    if (info.isFile() && info.size() > 0 && info.size() + entry.size() > maxBytes) {
        const QString older = olderErrorTracePath(path);
        // Rename does not replace on every platform: the older file goes first.
        QFile::remove(older);
        if (!QFile::rename(path, older))
            return false; // the trace stays whole rather than growing past its limit or losing entries
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    return file.write(entry) == entry.size();
}
