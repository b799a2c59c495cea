#include "base/TextFile.h"

#include "base/BaseTexts.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace textfile {

namespace {

constexpr qint64 kReadChunkBytes = 64 * 1024;

std::optional<QByteArray> refuse(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return std::nullopt;
}

QString tooLargeText() { return kFileTooLarge.arg(kMaxReadBytes / (1024 * 1024)); }

#ifndef Q_OS_WIN
QString systemErrorText() { return QString::fromLocal8Bit(std::strerror(errno)); }

QString kindOfMode(mode_t mode)
{
    if (S_ISDIR(mode))
        return kFolderKind;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return kDeviceKind;
    if (S_ISFIFO(mode))
        return kFifoKind;
    if (S_ISSOCK(mode))
        return kSocketKind;
    return kOtherKind;
}

// The whole content of a regular file of at most kMaxReadBytes. Opened without blocking, so that
// a FIFO is refused at once instead of waiting for a writer; read in chunks up to one byte past
// the limit, so that a file that grows while it is read is refused too.
std::optional<QByteArray> readBoundedBytes(const QString &path, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return refuse(error, systemErrorText());
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return refuse(error, systemErrorText());
    if (!S_ISREG(info.st_mode))
        return refuse(error, kNotRegularFile.arg(kindOfMode(info.st_mode)));
    if (info.st_size > kMaxReadBytes)
        return refuse(error, tooLargeText());
    QByteArray bytes;
    for (;;) {
        const qsizetype start = bytes.size();
        bytes.resize(start + kReadChunkBytes);
        const ssize_t got = ::read(fd, bytes.data() + start, static_cast<std::size_t>(kReadChunkBytes));
        if (got < 0 && errno == EINTR) {
            bytes.resize(start);
            continue;
        }
        if (got < 0)
            return refuse(error, systemErrorText());
        bytes.resize(start + got);
        if (got == 0)
            return bytes;
        if (bytes.size() > kMaxReadBytes)
            return refuse(error, tooLargeText());
    }
}
#else
std::optional<QByteArray> readBoundedBytes(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return refuse(error, kNotRegularFile.arg(info.isDir() ? kFolderKind : kOtherKind));
    if (info.size() > kMaxReadBytes)
        return refuse(error, tooLargeText());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(error, file.errorString());
    QByteArray bytes = file.read(kMaxReadBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return refuse(error, file.errorString());
    if (bytes.size() > kMaxReadBytes)
        return refuse(error, tooLargeText());
    return bytes;
}
#endif

} // namespace

QStringList splitLines(const QByteArray &bytes)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.append(QString::fromLatin1(bytes.constData() + start, i - start));
            if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n')
                ++i;
            ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < n)
        lines.append(QString::fromLatin1(bytes.constData() + start, n - start));
    return lines;
}

std::optional<QStringList> readLines(const QString &path, QString *error)
{
    const std::optional<QByteArray> bytes = readBoundedBytes(path, error);
    if (!bytes)
        return std::nullopt;
    return splitLines(*bytes);
}

QString notRegularFileReason(const QString &path)
{
#ifndef Q_OS_WIN
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || S_ISREG(info.st_mode))
        return {};
    return kNotRegularFile.arg(kindOfMode(info.st_mode));
#else
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return {};
    return kNotRegularFile.arg(info.isDir() ? kFolderKind : kOtherKind);
#endif
}

QByteArray joinLinesCrLf(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines) {
        out += line.toLatin1();
        out += "\r\n";
    }
    return out;
}

bool writeAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // The bytes are flushed here, not left to commit(): a write that fails while commit() flushes
    // its buffer (a full disk, a file-size limit) is not seen by it, and the short file would
    // replace the old one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool append(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    return file.write(bytes) == bytes.size();
}

QString bareFileName(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

} // namespace textfile
