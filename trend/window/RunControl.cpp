#include "trend/window/RunControl.h"

#include "engineering/UnitsTable.h"
#include "link/Settings.h"
#include "program/LineStateLabel.h"
#include "program/Workspace.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/LoseWorkGuard.h"
#include "trend/tools/MathChannelsControl.h"
#include "trend/window/ReadoutBand.h"
#include "trend/window/RecordToFileControl.h"
#include "trend/window/TrendGraphControls.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/window/TrendGraphView.h"
#include "trend/readout/TrendReadout.h"
#include "trend/run/TrendRun.h"
#include "trend/tools/TriggerControl.h"

#include <QDateTime>
#include <QPushButton>
#include <utility>

RunControl::RunControl(Parts parts, QObject *parent) : QObject(parent), parts_(std::move(parts))
{
    TrendRun *run = &parts_.run;
    ReadoutBand *band = &parts_.band;
    connect(parts_.controls.run, &QPushButton::clicked, this, &RunControl::toggle);
    connect(&parts_.table, &ChannelTable::touched, this, [this] {
        // A click into the channel table ends an active run.
        if (parts_.run.isActive())
            endByButton();
    });
    connect(run, &TrendRun::startFailed, this, &RunControl::startFailed);
    connect(run, &TrendRun::samplingBegun, this, &RunControl::samplingBegun);
    connect(run, &TrendRun::passStored, this, &RunControl::passStored);
    connect(run, &TrendRun::noReply, this,
            [band](const QDateTime &since) { band->lineState()->showNoReply(chosenPortName(), since); });
    connect(run, &TrendRun::replyAgain, band->lineState(), &LineStateLabel::clearState);
    connect(run, &TrendRun::errorTraceMoved, this, [this](const QString &problem, const QString &nowPath) {
        parts_.band.setErrorTraceMoved(problem, nowPath);
        emit bandChanged();
    });
    connect(&parts_.ws.session, &Session::changed, this, &RunControl::followSession);
    connect(&parts_.trigger, &TriggerControl::armedChanged, this, [this](bool armed) {
        // Armed during a run, the capture counts its rows from the next pass.
        if (armed && parts_.run.isActive())
            parts_.trigger.beginCapture(rowsStored_, parts_.view.hex());
        emit bandChanged();
    });
}

void RunControl::followSession(const SessionState &state)
{
    parts_.controls.run->setEnabled(trendRunAllowed(state));
}

void RunControl::toggle()
{
    // From the port open to the end of the pause after it, the start is still going on.
    if (parts_.run.isStarting())
        return;
    // Checked on every press, also one that would end a run (which then goes on).
    if (!parts_.table.analogScalesPass()) {
        parts_.ws.dialogs.showMessage(kCheckFullScale);
        return;
    }
    if (parts_.run.isActive())
        endByButton();
    else if (parts_.guard.mayStartRun())
        start();
}

void RunControl::start()
{
    // Nothing that reads or replaces the recording while a run starts or goes on.
    parts_.controls.disableRecordingButtons();
    parts_.view.setCursorsEnabled(false);
    parts_.ws.session.takeLine(LineHolder::TrendRun);
    parts_.table.showForRunning();
    if (!parts_.table.takeSelection(parts_.data.channels)) {
        endFailedStart(kSelectDrawingData);
        return;
    }
    parts_.table.takeSettings(parts_.data.channels);
    const UnitsTable *units = parts_.engineeringUnits ? parts_.engineeringUnits() : nullptr;
    parts_.run.math().setUp(parts_.math.definitions(), units ? std::optional<UnitsTable>(*units) : std::nullopt);
    if (const std::optional<QString> refusal = parts_.run.start(parts_.view.hex() ? kHexCaption : kDecCaption)) {
        endFailedStart(*refusal);
        return;
    }
    parts_.view.setRunState(true, false);
}

void RunControl::endFailedStart(const QString &message)
{
    parts_.ws.dialogs.showMessage(message);
    parts_.controls.showStopped();
    parts_.ws.session.releaseLine(LineHolder::TrendRun);
}

void RunControl::startFailed()
{
    parts_.view.setRunState(false, false);
    parts_.controls.showStopped();
    parts_.ws.session.releaseLine(LineHolder::TrendRun);
    parts_.view.drawColourKey(false);
}

void RunControl::samplingBegun()
{
    TrendGraphView &view = parts_.view;
    view.setRunState(false, true);
    parts_.controls.run->setText(kStopCaption);
    parts_.controls.showRunning();
    view.setCursorsEnabled(false);
    view.drawColourKey(false);
    readout::beginRunClock(parts_.data, QDateTime::currentDateTime(), std::chrono::steady_clock::now());
    parts_.band.beginRun();
    parts_.band.setPlanText(readplan::planText(parts_.run.readPlan()));
    // "Record to file..." chosen before RUN: the file takes every row, the first one included.
    parts_.recorder.beginPendingRecording();
    parts_.guard.runBegan();
    view.forgetSecondCursor();
    view.setTriggerMark(std::nullopt);
    rowsStored_ = 0;
    if (parts_.trigger.armed())
        parts_.trigger.beginCapture(rowsStored_, view.hex());
    emit bandChanged();
}

void RunControl::passStored(const trendpoll::TrendPass &pass)
{
    parts_.view.repaintChangedColumns();
    const bool eventNow = parts_.band.takePass(pass);
    parts_.recorder.recordPass();
    parts_.guard.rowStored(parts_.recorder.recordingWholeRun());
    ++rowsStored_;
    if (eventNow || parts_.band.figuresDue())
        emit bandChanged();
    if (const std::optional<int> triggerRowOfRun = parts_.trigger.takeStoredRow())
        emit triggerFired(*triggerRowOfRun);
}

void RunControl::endSampling()
{
    // A run stopped before its trigger fired was armed no more.
    parts_.trigger.endCapture();
    parts_.run.stop();
    parts_.view.setRunState(false, false);
    parts_.recorder.endRecording();
    parts_.controls.run->setText(kRunCaption);
}

void RunControl::endByButton()
{
    endSampling();
    parts_.controls.showStopped();
    parts_.ws.session.releaseLine(LineHolder::TrendRun);
}
