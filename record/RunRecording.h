#pragma once
// The output of one qmx-record run: every pass as a row (or, with a trigger, the rows around each
// event), its scaled values and math channels put in once, in the file's format, CSV in the trend
// export's columns or InfluxDB line protocol, through the CsvWriter the Trend Graph records with:
// written whole at least once a second, and cut back to its last whole row when the file cannot
// take them.

#include "link/PollFigures.h"
#include "record/InfluxFormat.h"
#include "record/RecordOptions.h"
#include "record/RecordRow.h"
#include "record/OutputFile.h"
#include "trend/model/ReadPlan.h"
#include "trend/model/TrendData.h"
#include "trend/model/TrendPoll.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>

namespace record {

class EngineeringColumns;
class MqttPublisher;
struct PartialOutput;
class TriggerCapture;

// append() runs on the thread that reads the passes; flush() and the figures may be asked from any
// other.
class RunRecording {
public:
    // A run without a file: its rows go to the publishers alone.
    static constexpr int kNoFile = -1;

    // Takes the file descriptor `fd` (open for writing, empty) and closes it at the end.
    RunRecording(const TrendData &channels, int fd);
    RunRecording(const RunRecording &) = delete;
    RunRecording &operator=(const RunRecording &) = delete;

    // Creates or empties `path` for writing; -1 with `error` (the system's reason) on failure.
    static int openFile(const QString &path, QString *error);

    // What the file holds (CSV unless told), and the tags of InfluxDB lines, in the file or
    // published: the device read and the --tag pairs. Set before begin().
    void setFormat(OutputFormat format) { format_ = format; }
    void setInfluxTags(const QString &device, const InfluxTags &tags);

    // A series of files named from `out` in place of the one file, a new one at each boundary of
    // `rotation`; set before begin(), with kNoFile given to the constructor.
    void setRotation(const QString &out, const Rotation &rotation);

    // The one file is to be found where `output` says (its temporary name, then --out): a file no
    // longer there is a failed write, found at the next flush. Set before begin().
    void setOutput(const PartialOutput *output) { output_ = output; }

    // Every row also goes to `publisher` (its spool), in the order of the file; set before begin().
    void addPublisher(MqttPublisher *publisher) { publishers_.push_back(publisher); }

    // Rows go through `capture` (kept until an event, written around it with the column "event");
    // set before begin(). Without one every pass is written.
    void setCapture(TriggerCapture *capture) { capture_ = capture; }
    // Every row takes its scaled values and math channels from `columns`; set before begin().
    void setEngineering(EngineeringColumns *columns) { engineering_ = columns; }

    // The header (CSV only); called once before the first pass. False once the file has failed.
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
        QString filePath;    // of a series of files, the one written now
        QString planText;    // the requests of a pass and their wire limit
        QString givenUpText; // the block reads given up during the run
        QStringList givenUp; // the same, one text each
    };
    Figures figures() const;
    // The plan the passes are read with; a pass that changes it says so itself.
    void setPlan(const readplan::ReadPlan &plan);

private:
    // With the mutex held.
    void takePlanChange(const trendpoll::TrendPass &pass);
    RecordRow recordRow(const trendpoll::TrendPass &pass, const SampleRow &values, std::uint64_t passNumber) const;
    QByteArray fileLine(const RecordRow &row, bool event) const;

    const TrendData &channels_;
    std::chrono::steady_clock::time_point steadyStart_;
    QDateTime wallStart_;
    // Guards the file and the figures: passes are appended on one thread, the file flushed and the
    // figures read on another.
    mutable std::mutex mutex_;
    OutputFile file_;
    QString seriesOut_;
    Rotation rotation_;
    Figures figures_; // but the file's own: rows, bytes and how a write failed
    TriggerCapture *capture_ = nullptr;
    OutputFormat format_ = OutputFormat::Csv;
    InfluxSeries series_;
    QString device_;
    InfluxTags tags_;
    std::uint64_t passes_ = 0; // passes taken, counted from 1 in the rows
    std::vector<MqttPublisher *> publishers_;
    bool hasFile_ = true;
    const PartialOutput *output_ = nullptr;
    std::uint64_t rowsTaken_ = 0; // rows of a run without a file
    EngineeringColumns *engineering_ = nullptr;
};

} // namespace record
