#include "record/OutputFile.h"

#include "base/SaveFailure.h"
#include "record/RecordTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace record {

namespace {

const QString kStartFormat = QStringLiteral("yyyyMMdd-HHmmss");
// Files of one series started within the same second take a number after the time.
constexpr int kMostSameSecond = 1000;

QString suffixOf(const QFileInfo &out) { return out.suffix().isEmpty() ? QString() : u'.' + out.suffix(); }

// Local clock time in milliseconds, so that boundaries fall on the full hour the wall clock shows.
qint64 localMs(const QDateTime &time) { return time.toMSecsSinceEpoch() + qint64{time.offsetFromUtc()} * 1000; }

} // namespace

void OutputFile::openDescriptor(int fd)
{
    series_ = false;
    takeIdentity(fd);
    // The writer closes a file it has taken; one it could not take is closed here.
    if (!file_.openDescriptor(fd, std::chrono::steady_clock::now()) && fd >= 0)
        ::close(fd);
}

bool OutputFile::openSeries(const QString &out, const Rotation &rotation, const QDateTime &start)
{
    series_ = true;
    out_ = out;
    rotation_ = rotation;
    if (rotation_.every)
        nextBoundary_ = boundaryAfter(start);
    return startFile(start);
}

QDateTime OutputFile::boundaryAfter(const QDateTime &time) const
{
    const qint64 every = rotation_.every->count();
    const qint64 local = localMs(time);
    const qint64 next = (local / every + 1) * every;
    return time.addMSecs(next - local);
}

QString OutputFile::seriesName(const QString &out, const QDateTime &start)
{
    const QFileInfo info(out);
    return info.dir().filePath(info.completeBaseName() + u'-' + start.toString(kStartFormat) + suffixOf(info));
}

QStringList OutputFile::seriesFiles(const QString &out)
{
    const QFileInfo info(out);
    const QRegularExpression name(QStringLiteral("^") + QRegularExpression::escape(info.completeBaseName()) +
                                  QStringLiteral("-([0-9]{8}-[0-9]{6})(?:-([0-9]+))?") +
                                  QRegularExpression::escape(suffixOf(info)) + u'$');
    struct Found {
        QString stamp;
        int number;
        QString path;
    };
    std::vector<Found> found;
    for (const QFileInfo &entry : info.dir().entryInfoList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch m = name.match(entry.fileName());
        if (m.hasMatch() && entry.isFile())
            found.push_back({m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt(), entry.filePath()});
    }
    std::sort(found.begin(), found.end(),
              [](const Found &a, const Found &b) { return std::tie(a.stamp, a.number) < std::tie(b.stamp, b.number); });
    QStringList paths;
    for (const Found &f : found)
        paths << f.path;
    return paths;
}

bool OutputFile::startFile(const QDateTime &start)
{
    if (file_.isOpen()) {
        // The file before is complete up to here; its figures stay the run's.
        const bool closed = file_.close();
        earlierRows_ += file_.rows();
        earlierBytes_ += file_.bytes();
        if (!closed) {
            failed_ = true;
            error_ = file_.error();
            return false;
        }
    }
    const QString base = seriesName(out_, start);
    const QFileInfo info(base);
    int fd = -1;
    QString path;
    for (int n = 1; n <= kMostSameSecond && fd < 0; ++n) {
        path = n == 1 ? base
                      : info.dir().filePath(info.completeBaseName() + QStringLiteral("-%1").arg(n) + suffixOf(info));
        // Never an existing file: a name taken is no file of this run's.
        fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        failed_ = true;
        error_ = savefailure::pathAndReason(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    currentPath_ = path;
    name_ = path;
    takeIdentity(fd);
    rowsInFile_ = false;
    file_.openDescriptor(fd, std::chrono::steady_clock::now());
    if (!header_.isEmpty())
        file_.addHeader(header_);
    deleteBeyondKeep();
    return true;
}

void OutputFile::setHeader(const QByteArray &header)
{
    header_ = header;
    if (file_.isOpen())
        file_.addHeader(header);
}

bool OutputFile::pastBoundary(const QDateTime &rowTime, qsizetype lineBytes) const
{
    if (rotation_.every)
        return rowTime >= nextBoundary_;
    // A file holds at most the size, unless a single row is larger.
    return rotation_.bytes && file_.bytes() + static_cast<std::uint64_t>(lineBytes) > *rotation_.bytes;
}

void OutputFile::addRow(const QByteArray &line, const QDateTime &rowTime, std::chrono::steady_clock::time_point now)
{
    if (failed())
        return;
    if (series_ && pastBoundary(rowTime, line.size())) {
        QDateTime start = rowTime;
        if (rotation_.every) {
            // Named by the boundary the row is past: the file of 14:00 is run-...-140000.
            nextBoundary_ = boundaryAfter(rowTime);
            start = nextBoundary_.addMSecs(-rotation_.every->count());
        }
        // A file without a row goes on taking rows rather than leave a file of a header alone.
        if (rowsInFile_ && !startFile(start))
            return;
    }
    file_.addRow(line, now);
    rowsInFile_ = true;
}

bool OutputFile::flush(std::chrono::steady_clock::time_point now)
{
    if (failed_ || !file_.flush(now))
        return false;
    if (!name_.isEmpty() && !stillAtName()) {
        failed_ = true;
        error_ = kFileNotAtItsName;
        file_.close();
        return false;
    }
    return true;
}

void OutputFile::takeIdentity(int fd)
{
    struct stat file {};
    if (fd >= 0 && ::fstat(fd, &file) == 0) {
        device_ = file.st_dev;
        inode_ = file.st_ino;
    }
}

bool OutputFile::stillAtName() const
{
    struct stat named {};
    return ::stat(QFile::encodeName(name_).constData(), &named) == 0 && named.st_dev == device_ && named.st_ino == inode_;
}

QString OutputFile::error() const { return file_.failed() ? file_.error() : error_; }

void OutputFile::deleteBeyondKeep()
{
    if (rotation_.keep <= 0)
        return;
    QStringList files = seriesFiles(out_);
    files.removeAll(currentPath_);
    while (files.size() > rotation_.keep - 1)
        QFile::remove(files.takeFirst());
}

} // namespace record
