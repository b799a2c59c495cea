#include "record/PartialOutput.h"

#include "base/TextFile.h"
#include "record/RecordTexts.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace record {

namespace {

QString systemErrorText() { return QString::fromLocal8Bit(std::strerror(errno)); }

} // namespace

QString outPathProblem(const QString &out, bool force)
{
    if (const QString reason = textfile::notRegularFileReason(out); !reason.isEmpty())
        return kOutNotRegular.arg(out, reason);
    if (!force && QFileInfo::exists(out))
        return kOutExists.arg(out);
    if (!QFileInfo(QFileInfo(out).absolutePath()).isWritable())
        return kOutFolderNotWritable.arg(out);
    return {};
}

bool PartialOutput::open(const QString &out, QString *error)
{
    finalPath = out;
    const QFileInfo info(out);
    QByteArray name =
        QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".partial-XXXXXX"));
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = systemErrorText();
        return false;
    }
    path = QFile::decodeName(name);
    // The file the user gets has the permissions a plain create would have given it.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    return true;
}

bool PartialOutput::openStandardOutput(QString *error)
{
    toStandardOutput = true;
    inPlace = true;
    fd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        *error = systemErrorText();
        return false;
    }
    return true;
}

bool PartialOutput::moveIntoPlace(QString *error)
{
    if (inPlace)
        return true;
    // What the start checked may have changed since: a folder, a device or a FIFO put there
    // meanwhile is not replaced either.
    if (const QString reason = textfile::notRegularFileReason(finalPath); !reason.isEmpty()) {
        *error = reason;
        return false;
    }
    if (std::rename(QFile::encodeName(path).constData(), QFile::encodeName(finalPath).constData()) != 0) {
        *error = systemErrorText();
        return false;
    }
    inPlace = true;
    return true;
}

void PartialOutput::discard()
{
    if (!inPlace && !path.isEmpty())
        QFile::remove(path);
}

} // namespace record
