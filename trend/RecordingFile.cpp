#include "trend/RecordingFile.h"

bool RecordingFile::open(const QString &path, const QByteArray &header, std::chrono::steady_clock::time_point now)
{
    close();
    error_.clear();
    rows_ = 0;
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error_ = file_.errorString();
        return false;
    }
    // The header goes out with the first write, like every row: within a second.
    pending_ = header;
    lastFlush_ = now;
    return true;
}

bool RecordingFile::append(const QByteArray &line, std::chrono::steady_clock::time_point now)
{
    if (!file_.isOpen())
        return false;
    pending_ += line;
    ++rows_;
    if (now - lastFlush_ >= kFlushInterval)
        return flush(now);
    return true;
}

bool RecordingFile::flush(std::chrono::steady_clock::time_point now)
{
    if (!file_.isOpen())
        return false;
    lastFlush_ = now;
    if (pending_.isEmpty())
        return true;
    // QFile buffers too: its flush() is what puts the bytes into the file.
    if (file_.write(pending_) != pending_.size() || !file_.flush())
        return fail();
    pending_.clear();
    return true;
}

bool RecordingFile::close()
{
    if (!file_.isOpen())
        return true;
    const bool written = flush(std::chrono::steady_clock::now());
    if (file_.isOpen())
        file_.close();
    pending_.clear();
    return written;
}

bool RecordingFile::fail()
{
    error_ = file_.errorString();
    pending_.clear();
    file_.close();
    return false;
}
