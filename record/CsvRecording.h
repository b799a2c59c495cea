#pragma once
// The CSV file of one qmx-record run: every pass as a row in the trend export's format (or, with a
// trigger, the rows around each event), through the CsvWriter the Trend Graph records with: written
// whole at least once a second, and cut back to its last whole row when the file cannot take them.

#include "link/PollFigures.h"
#include "trend/CsvWriter.h"
#include "trend/ReadPlan.h"
#include "trend/TrendData.h"
#include "trend/TrendPoll.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>

namespace record {

class EngineeringColumns;
class TriggerCapture;

// append() runs on the thread that reads the passes; flush() and the figures may be asked from any
// other.
class CsvRecording {
public:
    // Takes the file descriptor `fd` (open for writing, empty) and closes it at the end.
    CsvRecording(const TrendData &channels, int fd);
    CsvRecording(const CsvRecording &) = delete;
    CsvRecording &operator=(const CsvRecording &) = delete;

    // Creates or empties `path` for writing; -1 with `error` (the system's reason) on failure.
    static int openFile(const QString &path, QString *error);

    // Rows go through `capture` (kept until an event, written around it with the column "event");
    // set before begin(). Without one every pass is written.
    void setCapture(TriggerCapture *capture) { capture_ = capture; }
    // Rows written with `columns`' cells (scaled values, math channels); set before begin().
    void setEngineering(EngineeringColumns *columns) { engineering_ = columns; }

    // The header; called once before the first pass. False once the file has failed.
    bool begin(std::chrono::steady_clock::time_point steadyStart, const QDateTime &wallStart);
    // One pass as one row; an abandoned pass (the run ended during it) is not part of the recording.
    void append(const trendpoll::TrendPass &pass);
    // Writes what has gathered; false when the file could not take it (now or before).
    bool flush();

    struct Figures {
        std::uint64_t rows = 0;   // rows given to the file, the header not counted; after a failed
                                  // write, the rows it holds
        std::uint64_t bytes = 0;  // of the rows and the header, as `rows`
        // The exchanges and the passes taken (whether written as rows or, triggered, not) since the
        // recording began.
        PollFigures poll;
        // Passes in which at least one read was good, and the failed reads of each channel.
        std::uint64_t passesWithGoodRead = 0;
        std::array<std::uint64_t, kChannels> failedReadsByChannel{};
        // Whether the controller answered the last pass's last request, and when it last answered.
        ReplyState reply;
        trendpoll::LineEvent lastLineEvent = trendpoll::LineEvent::None;
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
    void takePlanChange(const trendpoll::TrendPass &pass);

    const TrendData &channels_;
    std::chrono::steady_clock::time_point steadyStart_;
    QDateTime wallStart_;
    // Guards the file and the figures: passes are appended on one thread, the file flushed and the
    // figures read on another.
    mutable std::mutex mutex_;
    CsvWriter file_;
    Figures figures_; // but the file's own: rows, bytes and how a write failed
    TriggerCapture *capture_ = nullptr;
    EngineeringColumns *engineering_ = nullptr;
};

} // namespace record
