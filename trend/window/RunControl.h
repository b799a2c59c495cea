#pragma once
// RUN and STOP of the Trend Graph: the start of a run from the channel table's selection, its
// passes handed to the graph view, the recording to a file, the read-out band, the lose-work guard
// and the trigger's capture, and its end by STOP, a click into the channel table, the window's
// close or the trigger. TrendRun reads and stores the passes; this part keeps the window's
// controls in step with it.

#include "trend/model/TrendPoll.h"

#include <QObject>
#include <functional>

class ChannelTable;
class LoseWorkGuard;
class MathChannelsControl;
class RecordToFileControl;
class ReadoutBand;
class TrendGraphView;
class TrendRun;
class TriggerControl;
class UnitsTable;
struct SessionState;
struct TrendData;
struct TrendGraphControls;
struct Workspace;

class RunControl : public QObject {
    Q_OBJECT
public:
    // The window's parts a run touches; they outlive this part.
    struct Parts {
        Workspace &ws;
        TrendData &data;
        TrendGraphControls &controls;
        TrendGraphView &view;
        RecordToFileControl &recorder;
        ChannelTable &table;
        ReadoutBand &band;
        TrendRun &run;
        TriggerControl &trigger;
        MathChannelsControl &math;
        LoseWorkGuard &guard;
        // The scales the Read-out shows engineering values with, null while it shows raw values:
        // the math channels of a run see what the Read-out sees.
        std::function<const UnitsTable *()> engineeringUnits;
    };

    RunControl(Parts parts, QObject *parent);

    // RUN/STOP pressed: starts a run or ends the one going on.
    void toggle();
    // Ends the run as STOP does: the line given back, the controls as without a run.
    void endByButton();
    // Ends the reading, the trigger's capture and a recording to a file; the line stays held.
    void endSampling();
    // Rows the run going on (or the last one) has stored.
    int rowsStored() const { return rowsStored_; }
    // RUN/STOP follows the run state: a catalogue to run with, no Data Read on the line.
    void followSession(const SessionState &state);

signals:
    // What the band shows has changed.
    void bandChanged();
    // The trigger's capture is complete: the run's row the trigger fired on. The run goes on until
    // the receiver ends it.
    void triggerFired(int triggerRowOfRun);

private:
    void start();
    void endFailedStart(const QString &message);
    void startFailed();
    void samplingBegun();
    void passStored(const trendpoll::TrendPass &pass);

    Parts parts_;
    int rowsStored_ = 0;
};
