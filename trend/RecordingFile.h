#pragma once
// "Record to file": every pass of a run appended to a CSV as it comes, beyond the ring's 250 rows.
// Lines are gathered and written at least once a second, so the file is readable while it grows
// and a power cut loses at most a second. The first failed write ends the recording.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <chrono>

class RecordingFile {
public:
    static constexpr std::chrono::milliseconds kFlushInterval{1000};

    // Creates (or empties) `path` with `header` to be written first; false with error() when it
    // cannot be created.
    bool open(const QString &path, const QByteArray &header, std::chrono::steady_clock::time_point now);
    bool isOpen() const { return file_.isOpen(); }
    QString path() const { return file_.fileName(); }
    // Adds a line; writes what has gathered once a second has passed since the last write.
    // False (and the recording closed) when a write failed.
    bool append(const QByteArray &line, std::chrono::steady_clock::time_point now);
    // Writes what has gathered, due or not. False (and closed) when the write failed.
    bool flush(std::chrono::steady_clock::time_point now);
    // Writes the rest and closes; false when that last write failed.
    bool close();
    qint64 rowsWritten() const { return rows_; }
    QString error() const { return error_; }

private:
    bool fail();

    QFile file_;
    QByteArray pending_;
    std::chrono::steady_clock::time_point lastFlush_{};
    qint64 rows_ = 0;
    QString error_;
};
