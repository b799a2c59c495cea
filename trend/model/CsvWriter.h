#pragma once
// A CSV file that grows while a run goes on: the Trend Graph's "Record to file" and qmx-record's
// output. Lines gather in memory and go to the file whole, at least once a second, so the file can
// be read while it grows and a power cut loses at most a second.
//
// When the file takes only a part of what has gathered (a full disk, a file-size limit, an I/O
// error) it is cut back to its last whole line and takes no more: it never ends in a cut row, and
// the figures count only the rows that are in it. The file is closed then; error() says why, in the
// system's words, and what became of the file.
//
// One thread at a time: a writer shared between threads is guarded by its owner.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <chrono>
#include <cstdint>
#include <vector>

class CsvWriter {
public:
    static constexpr std::chrono::milliseconds kFlushInterval{1000};
    // What gathers before it is written all the same, a second or not: a second of passes at the
    // wire's pace fits many times over.
    static constexpr qsizetype kWriteAheadBytes = 1 << 16;

    // Creates (or empties) `path`; false with error() when it cannot be created.
    bool open(const QString &path, std::chrono::steady_clock::time_point now);
    // Takes `fd`, a file open for writing and empty, and closes it at the end; false with error()
    // when it is no open file.
    bool openDescriptor(int fd, std::chrono::steady_clock::time_point now);
    bool isOpen() const { return file_.isOpen(); }
    QString path() const { return path_; }

    // The header line, to go out with the first write; no row.
    void addHeader(const QByteArray &line);
    // A row. What has gathered is written once a second has passed since the last write, or once
    // kWriteAheadBytes have gathered. False once the file has failed.
    bool addRow(const QByteArray &line, std::chrono::steady_clock::time_point now);
    // Writes what has gathered, due or not. False once the file has failed, now or before.
    bool flush(std::chrono::steady_clock::time_point now);
    // Writes the rest and closes; false when that last write failed.
    bool close();

    bool failed() const { return failed_; }
    // Why the file could not be opened, or could not take a write and what became of it.
    QString error() const { return error_; }
    // Rows given to the file, the header not counted; after a failed write, the rows it holds.
    std::uint64_t rows() const { return rows_; }
    // The bytes of the rows and the header, as rows().
    std::uint64_t bytes() const { return bytes_; }

private:
    void begin(std::chrono::steady_clock::time_point now);
    void addLine(const QByteArray &line, bool row);
    bool writeGathered();
    void cutBackToWholeLines(qsizetype written, const QString &reason);

    struct GatheredLine {
        qsizetype end; // in gathered_, just past its line end
        bool row;      // not the header
    };

    QFile file_;
    QString path_;
    QByteArray gathered_; // whole lines not yet written
    std::vector<GatheredLine> gatheredLines_;
    std::chrono::steady_clock::time_point lastWrite_{};
    std::uint64_t rows_ = 0;
    std::uint64_t bytes_ = 0;
    std::uint64_t fileRows_ = 0;
    std::uint64_t fileBytes_ = 0;
    bool failed_ = false;
    QString error_;
};
