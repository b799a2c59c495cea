#include "trend/TrendGraphWindow.h"

#include "link/Settings.h"
#include "base/WindowLook.h"
#include "base/WindowPrint.h"
#include "program/LineStateLabel.h"
#include "trend/ChannelTable.h"
#include "trend/LoseWorkGuard.h"
#include "trend/MathChannelsControl.h"
#include "trend/EngineeringControls.h"
#include "trend/TrendGraphKeys.h"
#include "trend/Presets.h"
#include "trend/PictureWidget.h"
#include "trend/ReadoutBand.h"
#include "trend/ReadoutStatistics.h"
#include "trend/ReadoutWindow.h"
#include "trend/TrendFileStore.h"
#include "trend/TrendGraphTexts.h"
#include "trend/TrendGraphControls.h"
#include "trend/TrendGraphView.h"
#include "trend/TrendReadout.h"
#include "trend/TrendRun.h"
#include "trend/TriggerControl.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

TrendGraphWindow::TrendGraphWindow(Workspace &ws, TrendData &data, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      ws_(ws), data_(data), files_(ws.dialogs, data)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TrendGraphWindow"));
    setWindowTitle(kTrendGraphTitle);
    setFixedSize(kWidth, kHeight);
    setFont(windowlook::courierNew(13));
    setWidgetColours(this, QApplication::palette().color(QPalette::Dark), palette().color(QPalette::WindowText));

    // Stacked in this order: the table lies over the graph's key strip, the number base button
    // over the table's top edge.
    controls_ = TrendGraphControls::build(this);
    view_ = new TrendGraphView(ws_, data_, this);
    table_ = new ChannelTable(ws_, view_->layers().key, this);
    view_->setKeyPicture(table_->keyPicture());
    controls_.numberBase->raise();
    band_ = new ReadoutBand(data_, this);
    run_ = new TrendRun(ws_, data_, view_->layers(), this);
    trigger_ = new TriggerControl(ws_, data_, this);
    math_ = new MathChannelsControl(ws_.dialogs, view_->menu(), this);
    view_->setShownRowsCsv([this](const TrendData &data) { return math_->shownRowsCsv(data); });
    guard_ = std::make_unique<LoseWorkGuard>(
        ws_.dialogs, LoseWorkGuard::Actions{[this] { return run_->isActive() || run_->isStarting(); },
                                            [this] { endRunByButton(); }, [this] { return saveRows(); }});
    table_->setChangeGuard([this] { return guard_->mayChangeChannels(); });
    connectParts();
    keys_ = new TrendGraphKeys(*this);

    ws_.session.setTrendGraphOpen(true);
    data_.channels = presets::loadPresets();
    table_->showRecords(data_.channels);
    view_->layers().initGraphLayers(data_);
    view_->picture()->update();
    // Until a run or an Open draws the colour key, its strip shows the window's background.
    view_->layers().key.fill(view_->background());
    followSession(ws_.session.state());
    controls_.redraw->setEnabled(false);
    setCursorButtonsEnabled(false);
    if (!ws_.session.state().variablesListOpen)
        ws_.links.askForVariablesList();

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(kWidth / 2, kHeight / 2));
}

TrendGraphWindow::~TrendGraphWindow()
{
    // A window destroyed without being closed still gives the port and the flags back.
    endWindow();
}

void TrendGraphWindow::connectParts()
{
    connect(controls_.open, &QPushButton::clicked, this, &TrendGraphWindow::openTrendFile);
    connect(controls_.save, &QPushButton::clicked, this, &TrendGraphWindow::saveTrendFile);
    connect(controls_.print, &QPushButton::clicked, this, &TrendGraphWindow::printWindow);
    connect(controls_.numberBase, &QPushButton::clicked, this, &TrendGraphWindow::toggleNumberBase);
    connect(controls_.run, &QPushButton::clicked, this, &TrendGraphWindow::toggleRun);
    connect(controls_.stepLeft, &QPushButton::clicked, this, &TrendGraphWindow::stepCursorLeft);
    connect(controls_.stepRight, &QPushButton::clicked, this, &TrendGraphWindow::stepCursorRight);
    connect(controls_.redraw, &QPushButton::clicked, this, &TrendGraphWindow::redraw);
    view_->setValueFields([this](int channel, const QString &text) { table_->setValueText(channel, text); });
    connect(view_, &TrendGraphView::readoutChanged, this, &TrendGraphWindow::showBand);
    connect(view_, &TrendGraphView::readoutWindowAsked, this, &TrendGraphWindow::openReadoutWindow);
    connect(view_, &TrendGraphView::triggerDialogAsked, this, &TrendGraphWindow::openTriggerDialog);
    connect(view_, &TrendGraphView::recordingTextChanged, this, [this](const QString &text) {
        band_->setRecordingText(text);
        showBand();
    });
    connect(view_, &TrendGraphView::saved, this, &TrendGraphWindow::showSaved);
    connect(view_, &TrendGraphView::referenceChanged, this, &TrendGraphWindow::showSaved);
    connect(view_, &TrendGraphView::rowsExported, this, [this] { guard_->kept(); });
    connect(table_, &ChannelTable::touched, this, &TrendGraphWindow::stopRunForTable);
    connect(table_, &ChannelTable::unitsChanged, this, &TrendGraphWindow::showBand);
    connect(run_, &TrendRun::startFailed, this, &TrendGraphWindow::startFailed);
    connect(run_, &TrendRun::samplingBegun, this, &TrendGraphWindow::samplingBegun);
    connect(run_, &TrendRun::passStored, this, &TrendGraphWindow::passStored);
    connect(run_, &TrendRun::noReply, this,
            [this](const QDateTime &since) { band_->lineState()->showNoReply(chosenPortName(), since); });
    connect(run_, &TrendRun::replyAgain, band_->lineState(), &LineStateLabel::clearState);
    connect(band_->lineState(), &LineStateLabel::stateChanged, this, &TrendGraphWindow::showBand);
    connect(run_, &TrendRun::errorTraceMoved, this, [this](const QString &problem, const QString &nowPath) {
        band_->setErrorTraceMoved(problem, nowPath);
        showBand();
    });
    connect(&ws_.session, &Session::changed, this, &TrendGraphWindow::followSession);
    connect(math_->mathChannelsAction(), &QAction::triggered, this, &TrendGraphWindow::openMathChannels);
    connect(trigger_, &TriggerControl::armedChanged, this, [this](bool armed) {
        // Armed during a run, the capture counts its rows from the next pass.
        if (armed && run_->isActive())
            trigger_->beginCapture(runRowsStored_, view_->hex());
        showBand();
    });
    connect(trigger_, &TriggerControl::bandTextChanged, this, [this](const QString &text) {
        band_->setTriggerText(text);
        showBand();
    });
}

// ---------------------------------------------------------------------------------------------
// State

bool TrendGraphWindow::hexShown() const { return view_->hex(); }
bool TrendGraphWindow::runActive() const { return run_->isActive(); }
bool TrendGraphWindow::runStarting() const { return run_->isStarting(); }
bool TrendGraphWindow::pollArmed() const { return run_->pollArmed(); }
quint64 TrendGraphWindow::passesStored() const { return run_->passesStored(); }
std::optional<int> TrendGraphWindow::secondCursorX() const { return view_->secondCursorX(); }
bool TrendGraphWindow::recording() const { return view_->recording(); }
const ExchangeStats &TrendGraphWindow::runStats() const { return band_->runFigures().stats; }
quint64 TrendGraphWindow::runPasses() const { return band_->runFigures().passes; }
GraphLayers &TrendGraphWindow::layers() { return view_->layers(); }
PictureWidget *TrendGraphWindow::graphPicture() const { return view_->picture(); }
QMenu *TrendGraphWindow::graphMenu() const { return view_->menu(); }

// ---------------------------------------------------------------------------------------------
// Closing

void TrendGraphWindow::endWindow()
{
    if (closed_)
        return;
    closed_ = true;
    const bool runEnding = run_->isActive() || run_->isStarting();
    endSampling();
    if (runEnding)
        ws_.session.releaseLine(LineHolder::TrendRun);
    ws_.session.setTrendGraphOpen(false);
}

void TrendGraphWindow::closeEvent(QCloseEvent *event)
{
    // During a run, or over rows kept nowhere else, the user says first what becomes of them.
    if (!closed_ && !guard_->mayClose()) {
        event->ignore();
        return;
    }
    endWindow();
    event->accept();
}

void TrendGraphWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && view_->secondCursorX()) {
        clearSecondCursor();
        event->accept();
        return;
    }
    if (keys_->takeKey(*event)) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Run

void TrendGraphWindow::followSession(const SessionState &state)
{
    controls_.run->setEnabled(trendRunAllowed(state));
}

void TrendGraphWindow::setCursorButtonsEnabled(bool enabled)
{
    controls_.setCursorButtonsEnabled(enabled);
    view_->setCursorsEnabled(enabled);
}

void TrendGraphWindow::disableRecordingControls()
{
    controls_.disableRecordingButtons();
    view_->setCursorsEnabled(false);
}

void TrendGraphWindow::toggleRun()
{
    // From the port open to the end of the pause after it, the start is still going on.
    if (run_->isStarting())
        return;
    // Checked on every press, also one that would end a run (which then goes on).
    if (!table_->analogScalesPass()) {
        ws_.dialogs.showMessage(kCheckFullScale);
        return;
    }
    if (run_->isActive())
        endRunByButton();
    else
        startRun();
}

void TrendGraphWindow::startRun()
{
    disableRecordingControls();
    ws_.session.takeLine(LineHolder::TrendRun);
    table_->showForRunning();
    if (!table_->takeSelection(data_.channels)) {
        endFailedStart(kSelectDrawingData);
        return;
    }
    table_->takeSettings(data_.channels);
    // The math channels see engineering values while the Read-out shows them.
    const UnitsTable *units = engineeringUnits();
    run_->math().setUp(math_->definitions(), units ? std::optional<UnitsTable>(*units) : std::nullopt);
    if (const std::optional<QString> refusal = run_->start(view_->hex() ? kHexCaption : kDecCaption)) {
        endFailedStart(*refusal);
        return;
    }
    view_->setRunState(true, false);
}

void TrendGraphWindow::endFailedStart(const QString &message)
{
    ws_.dialogs.showMessage(message);
    controls_.showStopped();
    ws_.session.releaseLine(LineHolder::TrendRun);
}

void TrendGraphWindow::startFailed()
{
    view_->setRunState(false, false);
    controls_.showStopped();
    ws_.session.releaseLine(LineHolder::TrendRun);
    view_->drawColourKey(false);
}

void TrendGraphWindow::samplingBegun()
{
    view_->setRunState(false, true);
    controls_.run->setText(kStopCaption);
    controls_.showRunning();
    view_->setCursorsEnabled(false);
    view_->drawColourKey(false);
    readout::beginRunClock(data_, QDateTime::currentDateTime(), std::chrono::steady_clock::now());
    band_->beginRun();
    band_->setPlanText(readplan::planText(run_->readPlan()));
    // "Record to file..." chosen before RUN: the file takes every row, the first one included.
    view_->beginPendingRecording();
    guard_->runBegan();
    view_->forgetSecondCursor();
    view_->setTriggerMark(std::nullopt);
    runRowsStored_ = 0;
    if (trigger_->armed())
        trigger_->beginCapture(runRowsStored_, view_->hex());
    showBand();
}

void TrendGraphWindow::passStored(const trendpoll::TrendPass &pass)
{
    view_->repaintChangedColumns();
    const bool eventNow = band_->takePass(pass);
    view_->recordPass();
    guard_->rowStored(view_->recordingWholeRun());
    ++runRowsStored_;
    if (eventNow || band_->figuresDue())
        showBand();
    if (const std::optional<int> triggerRowOfRun = trigger_->takeStoredRow())
        endTriggeredRun(*triggerRowOfRun);
}

void TrendGraphWindow::endSampling()
{
    // A run stopped before its trigger fired was armed no more.
    trigger_->endCapture();
    run_->stop();
    view_->setRunState(false, false);
    view_->endRecording();
    controls_.run->setText(kRunCaption);
}

void TrendGraphWindow::endRunByButton()
{
    endSampling();
    controls_.showStopped();
    ws_.session.releaseLine(LineHolder::TrendRun);
}

void TrendGraphWindow::stopRunForTable()
{
    if (run_->isActive())
        endRunByButton();
}

// ---------------------------------------------------------------------------------------------
// Graph, cursors and band

void TrendGraphWindow::redraw()
{
    if (run_->isActive())
        return;
    table_->showSelectedRows(data_.channels);
    unrollSamples(data_);
    view_->redrawRecordedTraces();
    band_->forgetFile();
    // With no rows there is no last sample: the cursor rests at the left edge and the value
    // fields keep what they show.
    data_.cursorX = data_.rowCount > 0 ? 2 * data_.rowCount - 2 : 0;
    view_->keepSecondCursorOnRows();
    view_->drawCursorLayer();
    if (data_.rowCount > 0) {
        const SampleRow &row = data_.displayRows[static_cast<std::size_t>(data_.cursorX / 2)];
        for (int c : data_.selectedChannels)
            table_->setValueText(c, QString::number(row[static_cast<std::size_t>(c)]));
    }
    view_->compose(true);
    setCursorButtonsEnabled(true);
    showBand();
}

void TrendGraphWindow::showCursorValues(bool highLow) { view_->showCursorValues(highLow); }
void TrendGraphWindow::graphClicked(int x) { view_->clickAt(x); }
void TrendGraphWindow::stepCursorLeft() { view_->stepCursorLeft(); }
void TrendGraphWindow::stepCursorRight() { view_->stepCursorRight(); }
void TrendGraphWindow::setSecondCursor(int x) { view_->setSecondCursor(x); }
void TrendGraphWindow::clearSecondCursor() { view_->clearSecondCursor(); }

void TrendGraphWindow::toggleNumberBase()
{
    view_->setHex(!view_->hex());
    controls_.numberBase->setText(view_->hex() ? kHexCaption : kDecCaption);
    showCursorValues();
    showBand();
}

void TrendGraphWindow::showBand()
{
    ReadoutBand::View shown{view_->cursorsEnabled() && !run_->isActive(), view_->secondCursorX(), view_->hex()};
    // The differences follow the Read-out's "Engineering values".
    readoutstatistics::ChannelScales scales;
    const UnitsTable *units = shown.cursorsShown && shown.secondCursorX ? engineeringUnits() : nullptr;
    if (units) {
        scales = readoutstatistics::channelScales(*units, data_);
        shown.scales = &scales;
    }
    band_->show(shown);
    view_->updateMenu();
    showReadoutWindow();
}

const UnitsTable *TrendGraphWindow::engineeringUnits() const
{
    return readoutWindow_ ? readoutWindow_->engineering()->units() : nullptr;
}

void TrendGraphWindow::openReadoutWindow()
{
    if (!readoutWindow_) {
        readoutWindow_ = new ReadoutWindow(ws_.readoutWindowPlace, this);
        connect(readoutWindow_, &ReadoutWindow::optionsChanged, this, &TrendGraphWindow::showBand);
    }
    readoutWindow_->open();
    showReadoutWindow();
}

void TrendGraphWindow::showReadoutWindow()
{
    if (!readoutWindow_ || !readoutWindow_->isVisible())
        return;
    const bool cursorsShown = view_->cursorsEnabled() && !run_->isStarting();
    readoutWindow_->showRecording(data_, run_->isActive(), cursorsShown ? data_.cursorX : -1, view_->secondCursorX(),
                                  view_->hex());
}

// ---------------------------------------------------------------------------------------------
// Trend data file and printing

void TrendGraphWindow::openTrendFile()
{
    QString fileName;
    const TrendFileStore::OpenOutcome outcome = files_.open(&fileName);
    // A file refused leaves the window as it was.
    if (outcome == TrendFileStore::OpenOutcome::Refused)
        return;
    if (outcome == TrendFileStore::OpenOutcome::Opened) {
        // A .trd holds no times: no second cursor on its rows, and no trigger row.
        view_->forgetSecondCursor();
        view_->setTriggerMark(std::nullopt);
        guard_->kept();
        band_->showFile(fileName);
        table_->showRecords(data_.channels);
        table_->showSelectedRows(data_.channels);
        view_->redrawRecordedTraces();
        view_->drawCursorLayer();
        showCursorValues();
        view_->compose(true);
    }
    setCursorButtonsEnabled(true);
    view_->drawColourKey(true);
    showBand();
}

void TrendGraphWindow::saveTrendFile() { saveRows(); }

bool TrendGraphWindow::saveRows()
{
    const std::optional<QString> saved = files_.save();
    if (!saved)
        return false;
    guard_->kept();
    showSaved(*saved);
    return true;
}

void TrendGraphWindow::showSaved(const QString &text)
{
    band_->setSavedText(text);
    showBand();
}

void TrendGraphWindow::printWindow() { windowprint::printWindowOnChosenPrinter(*this, ws_.dialogs); }

// ---------------------------------------------------------------------------------------------
// Trigger

void TrendGraphWindow::openTriggerDialog()
{
    // The channels the table has selected now, named as it shows them.
    std::array<ChannelRecord, kChannels> channels = data_.channels;
    table_->takeSelection(channels);
    table_->takeSettings(channels);
    std::vector<TriggerDialog::Channel> offered;
    for (int c = 0; c < kChannels; ++c) {
        const ChannelRecord &record = channels[static_cast<std::size_t>(c)];
        if (record.selected && !record.addressOrName.isEmpty())
            offered.emplace_back(c, trendcsv::columnName(record, c));
    }
    trigger_->openDialog(offered, view_->hex());
}

void TrendGraphWindow::openMathChannels()
{
    std::array<ChannelRecord, kChannels> channels = data_.channels;
    table_->takeSelection(channels);
    table_->takeSettings(channels);
    math_->openDialog(mathchannels::typedInputs(channels));
}

bool TrendGraphWindow::triggerArmed() const { return trigger_->armed(); }
const std::optional<trigger::TriggerSetup> &TrendGraphWindow::triggerSetup() const { return trigger_->setup(); }
TriggerDialog *TrendGraphWindow::triggerDialog() const { return trigger_->dialog(); }

void TrendGraphWindow::endTriggeredRun(int triggerRowOfRun)
{
    // As STOP and then REDRAW would.
    endRunByButton();
    redraw();
    const std::optional<int> index = trigger::shownRowIndex(triggerRowOfRun, runRowsStored_, data_.rowCount);
    if (!index) {
        band_->setTriggerText(QString());
        showBand();
        return;
    }
    // Cursor A stands on the trigger row, marked on the cursor layer.
    view_->setTriggerMark(2 * *index);
    view_->moveCursor(2 * *index);
    showCursorValues();
    const std::optional<QDateTime> when = readout::rowWallTime(data_, data_.displayRowInfo[static_cast<std::size_t>(*index)]);
    band_->setTriggerText(trigger_->triggeredText(when, *index));
    showBand();
}
