#include "trend/model/CsvWriter.h"

#include "trend/model/TrendCoreTexts.h"

#include <cerrno>

bool CsvWriter::open(const QString &path, std::chrono::steady_clock::time_point now)
{
    close();
    begin(now);
    path_ = path;
    file_.setFileName(path);
    // Unbuffered: every write reaches the file at once, and a short one is seen by its count.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        error_ = file_.errorString();
        return false;
    }
    return true;
}

bool CsvWriter::openDescriptor(int fd, std::chrono::steady_clock::time_point now)
{
    close();
    begin(now);
    path_.clear();
    file_.setFileName(QString());
    if (fd < 0 || !file_.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        error_ = fd < 0 ? qt_error_string(EBADF) : file_.errorString();
        failed_ = true;
        return false;
    }
    return true;
}

void CsvWriter::begin(std::chrono::steady_clock::time_point now)
{
    gathered_.clear();
    gatheredLines_.clear();
    lastWrite_ = now;
    rows_ = bytes_ = fileRows_ = fileBytes_ = 0;
    failed_ = false;
    error_.clear();
}

void CsvWriter::addHeader(const QByteArray &line) { addLine(line, false); }

bool CsvWriter::addRow(const QByteArray &line, std::chrono::steady_clock::time_point now)
{
    addLine(line, true);
    if (now - lastWrite_ >= kFlushInterval || gathered_.size() >= kWriteAheadBytes)
        return flush(now);
    return !failed_;
}

void CsvWriter::addLine(const QByteArray &line, bool row)
{
    // A file that failed takes no more: it ends with its last whole row.
    if (failed_ || !file_.isOpen())
        return;
    gathered_ += line;
    gatheredLines_.push_back({gathered_.size(), row});
    rows_ += row ? 1 : 0;
    bytes_ += static_cast<std::uint64_t>(line.size());
}

bool CsvWriter::flush(std::chrono::steady_clock::time_point now)
{
    if (failed_ || !file_.isOpen())
        return false;
    lastWrite_ = now;
    return writeGathered();
}

bool CsvWriter::close()
{
    if (!file_.isOpen())
        return !failed_;
    const bool written = flush(std::chrono::steady_clock::now());
    file_.close();
    return written;
}

bool CsvWriter::writeGathered()
{
    qsizetype written = 0;
    while (written < gathered_.size()) {
        const qint64 n = file_.write(gathered_.constData() + written, gathered_.size() - written);
        if (n <= 0) {
            // A write that takes nothing and says nothing: the device is full.
            cutBackToWholeLines(written, n < 0 ? file_.errorString() : qt_error_string(ENOSPC));
            return false;
        }
        written += static_cast<qsizetype>(n);
    }
    for (const GatheredLine &line : gatheredLines_)
        fileRows_ += line.row ? 1 : 0;
    fileBytes_ += static_cast<std::uint64_t>(gathered_.size());
    gathered_.clear();
    gatheredLines_.clear();
    return true;
}

void CsvWriter::cutBackToWholeLines(qsizetype written, const QString &reason)
{
    failed_ = true;
    // The lines that went out whole stay; the part of a line after them goes.
    qsizetype wholeBytes = 0;
    for (const GatheredLine &line : gatheredLines_) {
        if (line.end > written)
            break;
        wholeBytes = line.end;
        fileRows_ += line.row ? 1 : 0;
    }
    fileBytes_ += static_cast<std::uint64_t>(wholeBytes);
    rows_ = fileRows_;
    bytes_ = fileBytes_;
    gathered_.clear();
    gatheredLines_.clear();
    // A file that took nothing of a line (a device that takes no byte) has nothing to cut; a pipe
    // or a device cannot be cut at all (its reader has had the part of a row): the reason alone.
    if (written == wholeBytes || (!file_.isSequential() && file_.resize(static_cast<qint64>(fileBytes_))))
        error_ = kFileCutBack.arg(reason);
    else if (file_.isSequential())
        error_ = reason;
    else
        error_ = kFileNotCutBack.arg(reason, file_.errorString());
    file_.close();
}
