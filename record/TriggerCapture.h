#pragma once
// qmx-record's triggered capture: the --trigger text resolved against the recorded channels, and
// the rows of a recording kept back until an event, so that only the rows from --pre before to
// --post after each event reach the file, the trigger row marked in the column "event", and the
// first row of a window after rows left out marked as such (RecordRow::afterRowsLeftOut). Memory is
// bounded by the pre-trigger window: older rows are forgotten as new ones come.

#include "record/RecordRow.h"
#include "trend/model/TrendData.h"
#include "trend/model/Trigger.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace record {

struct TriggerParse {
    std::optional<trigger::TriggerSetup> setup;
    QString error; // names the argument; empty when parsed
};

// "SpdFbk>1000", "SpdFbk<1000", "SpdFbk rises 1000", "SpdFbk falls -20", "600E60 crosses 0x100",
// "InvFlag:07 rises|falls|changes", and two of them joined by " and " or " or ". The channel is
// one of the recorded channels, named as its --channel text or preset name.
TriggerParse parseTrigger(const QString &text, const TrendData &channels);

class TriggerCapture {
public:
    TriggerCapture(const trigger::TriggerSetup &setup, std::chrono::milliseconds pre, std::chrono::milliseconds post,
                   int repeat);
    // Whether a row (values as stored, its failed reads) is an event: for a trigger that watches
    // more than the stored values (a math channel).
    using RowDetector = std::function<bool(const SampleRow &values, std::uint16_t failedChannels)>;
    TriggerCapture(RowDetector detector, std::chrono::milliseconds pre, std::chrono::milliseconds post, int repeat);

    struct Line {
        RecordRow row;
        bool event = false; // the trigger row
    };
    // One pass of the recording (values as stored, its failed reads, its time since the start):
    // the rows to write now, oldest first.
    std::vector<Line> takeRow(const RecordRow &row, const SampleRow &values, std::uint16_t failedChannels,
                              std::chrono::milliseconds sinceStart);

    enum class State { Armed, Capturing, Done };
    struct Progress {
        State state = State::Armed;
        int event = 1; // the event waited for or being captured (1..repeat)
        int repeat = 1;
    };
    // Safe to ask from another thread than the one taking rows.
    Progress progress() const;
    bool done() const { return state_.load() == State::Done; }

private:
    struct KeptRow {
        RecordRow row;
        std::chrono::milliseconds sinceStart;
    };

    RowDetector detector_;
    std::chrono::milliseconds pre_, post_;
    int repeat_;
    std::deque<KeptRow> kept_; // rows of the pre-trigger window while armed
    // Rows were left out since the last row written (true before the first: the time before the
    // run was not recorded either), so the next window's first row says so.
    bool rowsLeftOut_ = true;
    std::chrono::milliseconds captureEnd_{0};
    std::atomic<State> state_{State::Armed};
    std::atomic<int> eventsSeen_{0};
};

// "armed for event 1 of 3", "capturing event 2 of 3", "done: 3 of 3 events".
QString captureStatusText(const TriggerCapture::Progress &progress);
// A row as CSV with its event cell: 1 on the trigger row, 2 on a window's first row after rows
// left out, 3 on a row that is both, else empty.
QByteArray eventRowLine(const TriggerCapture::Line &line);

} // namespace record
