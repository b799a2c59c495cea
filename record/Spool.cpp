#include "record/Spool.h"

#include "base/SaveFailure.h"
#include "base/TextFile.h"
#include "record/RecordTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace record {

namespace {

const QString kSegmentSuffix = QStringLiteral(".spool");
const QString kPositionFile = QStringLiteral("position");
const QString kLockFile = QStringLiteral("lock");
// The position is kept this often while messages are delivered; a stop keeps it at once. A crash
// between two sends at most this much of messages again (delivered at least once).
constexpr std::chrono::milliseconds kPositionInterval{500};
constexpr qint64 kReadChunk = 1 << 16;
// Segments hold at least this many messages of the bound.
constexpr std::uint64_t kSmallestSegment = 16;
// However little the disk takes, a segment may hold this much (a page of most file systems).
constexpr std::uint64_t kSmallestSegmentBytes = 4096;
// The spool's files follow the umask, as the recorder's output files and the folder do: one rule
// for every file that may hold plant data (README: "Who may read the files").
constexpr mode_t kFileMode = 0666;

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

// Whole bytes of `fd` from `offset`, as many as `size` allows; empty at the end or on an error.
QByteArray readAt(int fd, qint64 offset, qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    const ssize_t n = ::pread(fd, bytes.data(), static_cast<size_t>(size), offset);
    bytes.truncate(n > 0 ? static_cast<qsizetype>(n) : 0);
    return bytes;
}

} // namespace

QString userStateFolder()
{
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!state.isEmpty() && QDir::isAbsolutePath(state))
        return state;
    return QDir::homePath() + QStringLiteral("/.local/state");
}

Spool::~Spool()
{
    if (appendFd_ >= 0)
        ::close(appendFd_);
    if (lockFd_ >= 0) {
        savePosition();
        ::close(lockFd_);
    }
}

QString Spool::positionPath() const { return folder_ + u'/' + kPositionFile; }

QString Spool::segmentPath(std::uint64_t start) const
{
    return folder_ + QStringLiteral("/%1").arg(start, 20, 10, QLatin1Char('0')) + kSegmentSuffix;
}

bool Spool::open(const QString &folder, std::uint64_t maxMessages, QString *error)
{
    folder_ = folder;
    maxMessages_ = std::max<std::uint64_t>(1, maxMessages);
    // Segments of a fraction of the bound, so that the disk holds little more than the bound.
    segmentMessages_ = std::clamp<std::uint64_t>(maxMessages_ / 8, kSmallestSegment, 1024);
    if (!QDir().mkpath(folder)) {
        *error = kSpoolFolderNotMade.arg(folder);
        return false;
    }
    lockFd_ = ::open(QFile::encodeName(folder + u'/' + kLockFile).constData(), O_RDWR | O_CREAT | O_CLOEXEC, kFileMode);
    if (lockFd_ < 0) {
        *error = kSpoolNotOpened.arg(folder, systemError());
        return false;
    }
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        *error = kSpoolInUse.arg(folder);
        ::close(lockFd_);
        lockFd_ = -1;
        return false;
    }
    std::lock_guard lock(mutex_);
    if (!recover(error))
        return false;
    dropPastBound();
    fitSegmentsToDisk(0);
    // A position file from the start, to be written over in place should the disk fill up.
    if (!QFileInfo::exists(positionPath())) {
        savedFirst_ = ~std::uint64_t{0};
        savePositionLocked();
    }
    return true;
}

bool Spool::recover(QString *error)
{
    const QStringList names = QDir(folder_).entryList({QLatin1Char('*') + kSegmentSuffix}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        bool ok = false;
        const std::uint64_t start = name.chopped(kSegmentSuffix.size()).toULongLong(&ok);
        if (ok)
            segments_.push_back(start);
    }
    std::sort(segments_.begin(), segments_.end());
    bool positionKept = false;
    QFile positionFile(positionPath());
    std::uint64_t keptFirst = 0;
    if (positionFile.open(QIODevice::ReadOnly))
        keptFirst = positionFile.readAll().trimmed().toULongLong(&positionKept);
    if (segments_.empty()) {
        first_ = end_ = positionKept ? keptFirst : 0;
        savedFirst_ = first_;
        return true;
    }
    // The newest segment may end in a message cut by a crash: it goes, and the count is its lines.
    const QString newest = segmentPath(segments_.back());
    appendFd_ = ::open(QFile::encodeName(newest).constData(), O_RDWR | O_APPEND | O_CLOEXEC);
    if (appendFd_ < 0) {
        *error = kSpoolNotOpened.arg(newest, systemError());
        return false;
    }
    qint64 offset = 0, wholeEnd = 0;
    appendCount_ = 0;
    for (;;) {
        const QByteArray chunk = readAt(appendFd_, offset, kReadChunk);
        if (chunk.isEmpty())
            break;
        for (qsizetype i = 0; i < chunk.size(); ++i) {
            if (chunk[i] == '\n') {
                ++appendCount_;
                wholeEnd = offset + i + 1;
            }
        }
        offset += chunk.size();
    }
    if (wholeEnd < offset && ::ftruncate(appendFd_, wholeEnd) != 0) {
        *error = kSpoolNotOpened.arg(newest, systemError());
        return false;
    }
    end_ = segments_.back() + appendCount_;
    appendBytes_ = static_cast<std::uint64_t>(wholeEnd);
    first_ = positionKept ? std::clamp(keptFirst, segments_.front(), end_) : segments_.front();
    savedFirst_ = positionKept ? keptFirst : ~std::uint64_t{0};
    // Segments whose messages were all delivered go, the newest too: the next message starts one.
    if (first_ >= end_)
        closeNewest();
    removeDeliveredSegments();
    return true;
}

void Spool::append(const QByteArray &message)
{
    std::lock_guard lock(mutex_);
    const QByteArray line = message + '\n';
    QString refusedBy;
    int error = writeLine(line, &refusedBy);
    if (error != 0 && appendFd_ >= 0 && appendCount_ > 0) {
        // The segment takes no more: it is closed (and goes at once when the broker has taken all
        // of it, else as soon as it has), later ones are fitted to what the disk took, and the
        // message tries a new one. A message refused by an empty segment changes nothing of that.
        fitSegmentsToDisk(error == EFBIG ? appendBytes_ : 0);
        closeNewest();
        removeDeliveredSegments();
        error = writeLine(line, &refusedBy);
    }
    if (error != 0) {
        writeError_ = savefailure::pathAndReason(refusedBy, QString::fromLocal8Bit(std::strerror(error)));
        ++dropped_;
        return;
    }
    ++appendCount_;
    ++end_;
    dropPastBound();
}

void Spool::fitSegmentsToDisk(std::uint64_t fileTook)
{
    // What the disk may hold of the spool: the room left, the spool's own files (they go as their
    // messages are delivered), at most the process's file-size limit per file.
    std::uint64_t room = ~std::uint64_t{0};
    struct statvfs disk {};
    if (::statvfs(QFile::encodeName(folder_).constData(), &disk) == 0) {
        room = std::uint64_t{disk.f_bavail} * disk.f_frsize;
        for (std::uint64_t segment : segments_)
            room += static_cast<std::uint64_t>(std::max<qint64>(0, QFileInfo(segmentPath(segment)).size()));
    }
    rlimit fileSize{};
    if (::getrlimit(RLIMIT_FSIZE, &fileSize) == 0 && fileSize.rlim_cur != RLIM_INFINITY)
        room = std::min<std::uint64_t>(room, fileSize.rlim_cur);
    if (fileTook > 0)
        room = std::min(room, fileTook);
    segmentBytes_ = std::clamp<std::uint64_t>(room / 4, kSmallestSegmentBytes, segmentBytes_);
}

int Spool::writeLine(const QByteArray &line, QString *segment)
{
    const bool full = appendCount_ >= segmentMessages_ ||
                      (appendCount_ > 0 && appendBytes_ + static_cast<std::uint64_t>(line.size()) > segmentBytes_);
    if (appendFd_ < 0 || full) {
        if (appendFd_ >= 0) {
            closeNewest();
            removeDeliveredSegments();
        }
        *segment = segmentPath(end_);
        appendFd_ = ::open(QFile::encodeName(*segment).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC,
                           kFileMode);
        if (appendFd_ < 0)
            return errno;
        // A segment that never took a message is taken up again under its own name.
        if (segments_.empty() || segments_.back() != end_)
            segments_.push_back(end_);
        appendCount_ = 0;
        appendBytes_ = 0;
    }
    *segment = segmentPath(segments_.back());
    const off_t before = ::lseek(appendFd_, 0, SEEK_END);
    qsizetype written = 0;
    int error = 0;
    while (written < line.size() && error == 0) {
        // A write that stops short is tried again for the rest: the next one says why.
        const ssize_t n = ::write(appendFd_, line.constData() + written, static_cast<size_t>(line.size() - written));
        if (n > 0)
            written += n;
        else
            error = n < 0 ? errno : ENOSPC; // taking nothing and saying nothing: the device is full
    }
    if (error == 0) {
        appendBytes_ += static_cast<std::uint64_t>(line.size());
        return 0;
    }
    // A message is whole or not there: the part the disk took goes again.
    if (written > 0 && ::ftruncate(appendFd_, before) != 0) {
        // A cut message in the middle of a segment would shift every later one: none follows it.
        closeNewest();
    }
    return error;
}

void Spool::closeNewest()
{
    if (appendFd_ >= 0)
        ::close(appendFd_);
    appendFd_ = -1;
}

void Spool::dropPastBound()
{
    if (end_ - first_ <= maxMessages_)
        return;
    dropped_ += end_ - maxMessages_ - first_;
    first_ = end_ - maxMessages_;
    removeDeliveredSegments();
}

void Spool::removeDeliveredSegments()
{
    while (!segments_.empty()) {
        const bool newest = segments_.size() == 1;
        // The newest segment stays while it is appended to.
        if ((newest ? end_ : segments_[1]) > first_ || (newest && appendFd_ >= 0))
            break;
        QFile::remove(segmentPath(segments_.front()));
        if (cursor_.segment == segments_.front())
            cursor_ = {};
        segments_.pop_front();
    }
}

std::vector<Spool::Message> Spool::read(std::uint64_t from, std::size_t count)
{
    std::lock_guard lock(mutex_);
    std::vector<Message> messages;
    from = std::max(from, first_);
    while (messages.size() < count && from < end_) {
        // The segment holding `from`.
        const auto after = std::upper_bound(segments_.begin(), segments_.end(), from);
        if (after == segments_.begin())
            break;
        const std::uint64_t segment = *std::prev(after);
        const std::uint64_t segmentEnd = after == segments_.end() ? end_ : *after;
        if (cursor_.segment != segment || cursor_.number > from)
            cursor_ = {segment, segment, 0};
        const int fd = ::open(QFile::encodeName(segmentPath(segment)).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            break;
        QByteArray chunk;
        qsizetype at = 0;
        while (messages.size() < count && cursor_.number < segmentEnd) {
            qsizetype lineEnd = chunk.indexOf('\n', at);
            if (lineEnd < 0) {
                chunk = readAt(fd, cursor_.offset, kReadChunk);
                at = 0;
                lineEnd = chunk.indexOf('\n');
                if (lineEnd < 0)
                    break; // a segment shorter than its count: nothing more to read in it
            }
            if (cursor_.number >= from)
                messages.push_back({cursor_.number, chunk.mid(at, lineEnd - at)});
            cursor_.offset += lineEnd + 1 - at;
            ++cursor_.number;
            at = lineEnd + 1;
        }
        ::close(fd);
        if (cursor_.number < segmentEnd && messages.size() < count)
            break;
        from = std::max(from, cursor_.number);
    }
    return messages;
}

void Spool::acknowledge(std::uint64_t before)
{
    std::lock_guard lock(mutex_);
    if (before <= first_)
        return;
    first_ = std::min(before, end_);
    removeDeliveredSegments();
    const auto now = std::chrono::steady_clock::now();
    if (now - lastSave_ >= kPositionInterval)
        savePositionLocked();
}

void Spool::savePosition()
{
    std::lock_guard lock(mutex_);
    savePositionLocked();
}

void Spool::savePositionLocked()
{
    lastSave_ = std::chrono::steady_clock::now();
    if (folder_.isEmpty() || first_ == savedFirst_)
        return;
    const QByteArray text = QByteArray::number(static_cast<qulonglong>(first_)) + '\n';
    if (textfile::writeAtomically(positionPath(), text)) {
        savedFirst_ = first_;
        return;
    }
    // A full disk takes no new file, but the bytes of the one there: the number is written over
    // the old one in place (a position only grows, so nothing of the old one is left after it).
    const int fd = ::open(QFile::encodeName(positionPath()).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    if (::pwrite(fd, text.constData(), static_cast<size_t>(text.size()), 0) == static_cast<ssize_t>(text.size()) &&
        ::ftruncate(fd, text.size()) == 0)
        savedFirst_ = first_;
    ::close(fd);
}

std::uint64_t Spool::first() const
{
    std::lock_guard lock(mutex_);
    return first_;
}

std::uint64_t Spool::end() const
{
    std::lock_guard lock(mutex_);
    return end_;
}

std::uint64_t Spool::dropped() const
{
    std::lock_guard lock(mutex_);
    return dropped_;
}

QString Spool::writeError() const
{
    std::lock_guard lock(mutex_);
    return writeError_;
}

} // namespace record
