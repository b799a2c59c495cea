#pragma once
// The CSV file of one qmx-record run: every pass as a row in the trend export's format (or, with a
// trigger, the rows around each event), written at least once a second so the file can be read
// while it grows and a power cut loses at most a second.
//
// Rows gather in memory between two flushes and go to the file whole. When the file takes only a
// part of them (a full disk, a file-size limit, an I/O error) it is cut back to its last whole row
// and takes no more: it never ends in a cut row, and the figures count only the rows that are in it.

#include "link/ExchangeStats.h"
#include "trend/ReadPlan.h"
#include "trend/TrendData.h"
#include "trend/TrendPoll.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace record {

class TriggerCapture;

// append() runs on the thread that reads the passes; flush() and the figures may be asked from any
// other.
class CsvRecording {
public:
    // Takes the file descriptor `fd` (open for writing, empty) and closes it at the end.
    CsvRecording(const TrendData &channels, int fd);
    ~CsvRecording();
    CsvRecording(const CsvRecording &) = delete;
    CsvRecording &operator=(const CsvRecording &) = delete;

    // Creates or empties `path` for writing; -1 with `error` (the system's reason) on failure.
    static int openFile(const QString &path, QString *error);

    // Rows go through `capture` (kept until an event, written around it with the column "event");
    // set before begin(). Without one every pass is written.
    void setCapture(TriggerCapture *capture) { capture_ = capture; }

    // The header; called once before the first pass. False once the file has failed.
    bool begin(std::chrono::steady_clock::time_point steadyStart, const QDateTime &wallStart);
    // One pass as one row; an abandoned pass (the run ended during it) is not part of the recording.
    void append(const sampling::TrendPass &pass);
    // Writes what has gathered; false when the file could not take it (now or before).
    bool flush();

    struct Figures {
        std::uint64_t rows = 0;   // rows given to the file, the header not counted; after a failed
                                  // write, the rows it holds
        std::uint64_t passes = 0; // passes taken, whether written as rows or (triggered) not
        std::uint64_t bytes = 0;  // of the rows and the header, as `rows`
        ExchangeStats stats;
        std::optional<std::chrono::steady_clock::time_point> firstEnded, lastEnded;
        sampling::LineEvent lastLineEvent = sampling::LineEvent::None;
        QDateTime lastLineEventAt;
        bool writeFailed = false;
        QString writeError;  // why, in the system's words, and what became of the file
        QString planText;    // the requests of a pass and their wire limit
        QString givenUpText; // the block reads given up during the run
    };
    Figures figures() const;
    // The plan the passes are read with; a pass that changes it says so itself.
    void setPlan(const readplan::ReadPlan &plan);

private:
    // With the mutex held.
    void takePlanChange(const sampling::TrendPass &pass);
    void addLine(const QByteArray &line, bool row);
    bool writeWaiting();
    void cutBackToWholeRows(qsizetype written, int writeErrno);

    struct WaitingLine {
        qsizetype end; // in waiting_, just past its line end
        bool row;      // not the header
    };

    const TrendData &channels_;
    int fd_;
    std::chrono::steady_clock::time_point steadyStart_;
    QDateTime wallStart_;
    mutable std::mutex mutex_;
    Figures figures_;
    QByteArray waiting_; // whole lines not yet written
    std::vector<WaitingLine> waitingLines_;
    std::uint64_t fileRows_ = 0;
    std::uint64_t fileBytes_ = 0;
    TriggerCapture *capture_ = nullptr;
};

} // namespace record
