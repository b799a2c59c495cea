#pragma once
// "Record to file...", the last item of the graph's own menu: every row a run stores written to a
// CSV file as it comes, the run's math channels after the read channels, the file flushed every
// few seconds and closed when the run ends. Chosen during a run, the file takes the rows from
// then on; chosen before RUN, the file is asked for then and the next run records to it from its
// first row. The window's RunControl tells it when sampling begins, after each row stored and
// when the run ends; it says what the band should show of the recording.

#include "trend/model/CsvWriter.h"

#include <QObject>
#include <QString>
#include <functional>

class Dialogs;
class QAction;
class QMenu;
class QTimer;
struct TrendData;

class RecordToFileControl : public QObject {
    Q_OBJECT
public:
    // Adds its item to the end of `menu`; `runActive` says whether a run is sampling.
    RecordToFileControl(Dialogs &dialogs, const TrendData &data, QMenu *menu, std::function<bool()> runActive,
                        QObject *parent);

    QAction *recordAction() const { return recordAction_; }
    // Offered while nothing is being recorded, before RUN too.
    void updateAction();

    // Asks for the file: during a run the recording starts at once, else with the next run.
    void recordToFile();
    bool recording() const { return recording_.isOpen(); }
    // The file the next run records to, chosen before RUN; empty: none.
    const QString &pendingRecordingPath() const { return pendingRecordingPath_; }
    // A run's sampling has begun: the recording chosen before RUN starts, before its first row.
    void beginPendingRecording();
    // Every row of the run so far is in the file being recorded.
    bool recordingWholeRun() const { return recording_.isOpen() && recordingFromFirstRow_; }
    // The row just stored (the one before the ring's write position) into the file.
    void recordPass();
    void endRecording();

signals:
    // The text the band shows about the recording.
    void recordingTextChanged(const QString &text);

private:
    void startRecording(const QString &path, bool fromFirstRow);
    void flushRecording();
    void stopRecordingAfterFailure();

    Dialogs &dialogs_;
    const TrendData &data_;
    std::function<bool()> runActive_;
    QAction *recordAction_ = nullptr;
    CsvWriter recording_;
    QString pendingRecordingPath_;
    bool recordingFromFirstRow_ = false;
    QTimer *recordingFlush_ = nullptr;
};
