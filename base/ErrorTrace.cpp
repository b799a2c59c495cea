#include "base/ErrorTrace.h"

#include "base/BaseTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

QString olderErrorTracePath(const QString &path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString older = dot > 0 ? name.left(dot) + QStringLiteral(".1") + name.mid(dot) : name + QStringLiteral(".1");
    const qsizetype cut = path.size() - name.size();
    return path.left(cut) + older;
}

bool appendErrorTrace(const QString &path, const QByteArray &entry, qint64 maxBytes, QString *problem)
{
    const QFileInfo info(path);
    if (info.isFile() && info.size() > 0 && info.size() + entry.size() > maxBytes) {
        const QString older = olderErrorTracePath(path);
        // Rename does not replace on every platform: the older file goes first.
        QFile::remove(older);
        if (std::rename(QFile::encodeName(path).constData(), QFile::encodeName(older).constData()) != 0) {
            // The trace stays whole rather than growing past its limit.
            if (problem)
                *problem = kSetAsideFailed.arg(path, older, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(entry) != entry.size() || !file.flush()) {
        if (problem)
            *problem = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

ErrorTrace::ErrorTrace(const QString &path, const QString &fallbackFolder, Notice notice, qint64 maxBytes)
    : path_(path), notice_(std::move(notice)), maxBytes_(maxBytes)
{
    const QString fallback = QDir(fallbackFolder).filePath(QFileInfo(path).fileName());
    if (QFileInfo(fallback).absoluteFilePath() != QFileInfo(path).absoluteFilePath())
        fallbackPath_ = fallback;
}

bool ErrorTrace::append(const QByteArray &entry)
{
    QString problem;
    if (appendErrorTrace(path_, entry, maxBytes_, &problem))
        return true;
    QString failedPath = path_;
    if (!fallbackPath_.isEmpty()) {
        const QString fallback = std::exchange(fallbackPath_, QString());
        QDir().mkpath(QFileInfo(fallback).absolutePath());
        QString fallbackProblem;
        if (appendErrorTrace(fallback, entry, maxBytes_, &fallbackProblem)) {
            path_ = fallback;
            if (notice_)
                notice_(failedPath, problem, path_);
            return true;
        }
        failedPath = fallback;
        problem = fallbackProblem;
    }
    if (!std::exchange(lossSaid_, true) && notice_)
        notice_(failedPath, problem, QString());
    return false;
}
