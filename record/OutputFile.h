#pragma once
// Where a recording's lines go: one file (--out, or standard output), or with --rotate a series of
// files named from --out with the start time of each (run.csv: run-20261208-140000.csv, ...), a
// new one at each boundary of time (on the clock: 1h starts files at the full hour) or before a row
// that would take a file past a size,
// each with the header, the newest --keep of them kept. Every file goes through the CsvWriter:
// written whole at least once a second, cut back to its last whole line when the disk refuses a
// write, and after that nothing more is written anywhere. A row goes whole into one file. A file
// that is no longer at its name (deleted, its folder removed or renamed, another file put there)
// is a failed write too: rows written to it would reach no one.
//
// One thread at a time.

#include "record/Rotation.h"
#include "trend/model/CsvWriter.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <optional>

namespace record {

class OutputFile {
public:
    // One file: takes `fd` (open for writing, empty) and closes it at the end.
    void openDescriptor(int fd);
    // A series of files named from `out`; the first begins at `start`. False with error() when it
    // cannot be made.
    bool openSeries(const QString &out, const Rotation &rotation, const QDateTime &start);

    // The header at the top of each file; before the first row.
    void setHeader(const QByteArray &header);
    // A line of a row of time `rowTime`, in the current file or the next one when the row is past
    // its boundary.
    void addRow(const QByteArray &line, const QDateTime &rowTime, std::chrono::steady_clock::time_point now);
    // Writes what has gathered; false when the file could not take it, now or before, or is no
    // longer at its name.
    bool flush(std::chrono::steady_clock::time_point now);
    // The name the one file is found at (a series' files are named by the series); none: standard
    // output or a device, which have no name to lose.
    void setName(const QString &path) { name_ = path; }

    bool failed() const { return failed_ || file_.failed(); }
    QString error() const;
    // Rows and bytes in all the run's files (the headers' bytes included); after a failed write,
    // those in the files.
    std::uint64_t rows() const { return earlierRows_ + file_.rows(); }
    std::uint64_t bytes() const { return earlierBytes_ + file_.bytes(); }
    // The file written now.
    QString currentPath() const { return currentPath_; }

    // The name of the series' file beginning at `start`: run.csv, 14:00:00 -> run-20261208-140000.csv.
    static QString seriesName(const QString &out, const QDateTime &start);
    // The files of the series of `out` in its folder, oldest first.
    static QStringList seriesFiles(const QString &out);

private:
    bool startFile(const QDateTime &start);
    bool pastBoundary(const QDateTime &rowTime, qsizetype lineBytes) const;
    void deleteBeyondKeep();
    // Keeps which file `fd` is, to be found again at its name.
    void takeIdentity(int fd);
    bool stillAtName() const;
    QDateTime boundaryAfter(const QDateTime &time) const;

    CsvWriter file_;
    QByteArray header_;
    bool series_ = false;
    QString out_;
    Rotation rotation_;
    QString currentPath_;
    QString name_;
    std::uint64_t device_ = 0, inode_ = 0;
    QDateTime nextBoundary_;
    std::uint64_t earlierRows_ = 0, earlierBytes_ = 0;
    bool rowsInFile_ = false;
    bool failed_ = false;
    QString error_;
};

} // namespace record
