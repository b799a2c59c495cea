#pragma once
// The read-out band under the graph: the rows and times of the cursors, the differences between
// them, the line's figures of the current or last run, its read plan and its events (line lost or
// back, recording to a file). The texts come from TrendReadout; the band only places them.

#include "link/PollFigures.h"
#include "program/LineStateLabel.h"
#include "trend/readout/ReadoutStatistics.h"
#include "trend/model/TrendData.h"
#include "trend/model/TrendPoll.h"

#include <QWidget>
#include <array>
#include <chrono>
#include <optional>

class QLabel;

class ReadoutBand : public QWidget {
    Q_OBJECT
public:
    static constexpr QRect kPlace{4, 459, 544, 72};

    ReadoutBand(const TrendData &data, QWidget *window);

    // What the band shows beside the data.
    struct View {
        bool cursorsShown = false; // the cursors can be read (rows shown, no run)
        int cursorX = 0;           // cursor A
        std::optional<int> secondCursorX;
        bool hex = false;
        // While the Read-out shows engineering values: each word channel's scale, the differences
        // of those that have one given in their unit; null: all raw.
        const readoutstatistics::ChannelScales *scales = nullptr;
    };
    void show(const View &view);

    // A new run: figures and events cleared.
    void beginRun();
    // A stored pass: its figures added; true when its line event or a new plan should be shown at
    // once.
    bool takePass(const trendpoll::TrendPass &pass);
    // The figures change with every pass; a few times a second is enough to read them.
    bool figuresDue() const;
    void setRecordingText(const QString &text) { recordingText_ = text; }
    // What the last Save or export wrote, and where.
    void setSavedText(const QString &text) { savedText_ = text; }
    // "armed: ..." during an armed run, "triggered at ..." after the trigger ended it.
    void setTriggerText(const QString &text) { triggerText_ = text; }
    // The run's error trace could not be written where it began: why, and where it goes now (empty:
    // nowhere).
    void setErrorTraceMoved(const QString &problem, const QString &nowPath);
    // Rows opened from a .trd are shown: the band names the file; the last run's figures and
    // events no longer describe what is shown and are cleared.
    void showFile(const QString &fileName);
    // The rows shown are the last run's again.
    void forgetFile() { fileName_.clear(); }
    // The requests of a pass and their wire limit, shown before the run's events.
    void setPlanText(const QString &text) { planText_ = text; }

    const PollFigures &runFigures() const { return runFigures_; }
    QLabel *line(int index) const { return lines_[static_cast<std::size_t>(index)]; }
    // While the controller does not answer: the state over the cursor lines (empty during a run),
    // large and red; an empty text takes it away.
    // The line's state over the band's top, shown while the controller does not answer.
    LineStateLabel *lineState() const { return lineState_; }

private:
    QString errorTraceText() const;

    const TrendData &data_;
    std::array<QLabel *, 4> lines_{}; // time, difference, line figures, line event and recording
    LineStateLabel *lineState_ = nullptr;
    PollFigures runFigures_;
    std::chrono::steady_clock::time_point shown_{};
    QString lineEventText_;
    bool lineEventIsBack_ = false;
    QString recordingText_;
    QString savedText_;
    QString triggerText_;
    QString errorTraceProblem_; // empty: the trace is where the run began it
    QString errorTracePath_;
    QString fileName_;
    QString planText_;
};
