#include "trend/window/TrendGraphWindow.h"

#include "base/WindowLook.h"
#include "program/LineStateLabel.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/GraphExport.h"
#include "trend/window/LoseWorkGuard.h"
#include "trend/tools/MathChannelsControl.h"
#include "engineering/EngineeringControls.h"
#include "trend/window/TrendGraphKeys.h"
#include "trend/model/Presets.h"
#include "trend/graph/PictureWidget.h"
#include "trend/window/ReadoutBand.h"
#include "trend/window/RecordToFileControl.h"
#include "trend/readout/ReadoutStatistics.h"
#include "trend/tools/ReadoutWindow.h"
#include "trend/window/RunControl.h"
#include "trend/model/TrendCsv.h"
#include "trend/window/TrendFileActions.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/window/TrendGraphControls.h"
#include "trend/window/TrendGraphView.h"
#include "trend/readout/TrendReadout.h"
#include "trend/run/TrendRun.h"
#include "trend/tools/TriggerControl.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <utility>

TrendGraphWindow::TrendGraphWindow(Workspace &ws, TrendData &data, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      ws_(ws), data_(data)
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
    // The graph menu: the export at its head, the view's own items, then "Record to file...".
    export_ = new GraphExport(ws_.dialogs, data_, *view_, this);
    recorder_ = new RecordToFileControl(ws_.dialogs, data_, view_->menu(), [this] { return view_->runActive(); }, this);
    table_ = new ChannelTable(ws_, view_->layers().key, this);
    view_->setKeyPicture(table_->keyPicture());
    controls_.numberBase->raise();
    band_ = new ReadoutBand(data_, this);
    run_ = new TrendRun(ws_, data_, view_->layers(), this);
    trigger_ = new TriggerControl(ws_, data_, this);
    math_ = new MathChannelsControl(ws_.dialogs, view_->menu(), this);
    export_->setShownRowsCsv([this](const TrendData &data) {
        const QByteArray csv = math_->shownRowsCsv(data);
        // A triggered run's rows carry qmx-record's event column, 1 on the trigger row, so that the
        // Recording window aligns the two alike.
        const std::optional<int> mark = view_->triggerMarkX();
        return mark ? trendcsv::withEventColumn(csv, *mark / 2) : csv;
    });
    guard_ = std::make_unique<LoseWorkGuard>(
        ws_.dialogs, LoseWorkGuard::Actions{[this] { return run_->isActive() || run_->isStarting(); },
                                            [this] { runControl_->endByButton(); },
                                            [this] { return fileActions_->save(); }});
    table_->setChangeGuard([this] { return guard_->mayChangeChannels(); });
    runControl_ = new RunControl({ws_, data_, controls_, *view_, *recorder_, *table_, *band_, *run_, *trigger_, *math_,
                                  *guard_, [this] { return engineeringUnits(); }},
                                 this);
    fileActions_ = new TrendFileActions({ws_, data_, *view_, *table_, *band_, *guard_}, this);
    connectParts();
    keys_ = new TrendGraphKeys({*this, controls_, *view_, *export_->exportCsvAction(), data_, [this] { toggleRun(); },
                                [this] { openTrendFile(); }, [this] { saveTrendFile(); },
                                [this] { stepCursorLeft(); }, [this] { stepCursorRight(); }});

    ws_.session.setTrendGraphOpen(true);
    data_.channels = presets::loadPresets();
    table_->showRecords(data_.channels);
    view_->initLayers();
    view_->picture()->update();
    // Until a run or an Open draws the colour key, its strip shows the window's background.
    view_->layers().key.fill(view_->background());
    runControl_->followSession(ws_.session.state());
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
    connect(controls_.stepLeft, &QPushButton::clicked, this, &TrendGraphWindow::stepCursorLeft);
    connect(controls_.stepRight, &QPushButton::clicked, this, &TrendGraphWindow::stepCursorRight);
    connect(controls_.redraw, &QPushButton::clicked, this, &TrendGraphWindow::redraw);
    view_->setValueFields([this](int channel, const QString &text) { table_->setValueText(channel, text); });
    connect(view_, &TrendGraphView::readoutChanged, this, &TrendGraphWindow::showBand);
    connect(view_, &TrendGraphView::readoutWindowAsked, this, &TrendGraphWindow::openReadoutWindow);
    connect(view_, &TrendGraphView::triggerDialogAsked, this, &TrendGraphWindow::openTriggerDialog);
    connect(view_, &TrendGraphView::menuUpdated, export_, &GraphExport::updateActions);
    connect(view_, &TrendGraphView::menuUpdated, recorder_, &RecordToFileControl::updateAction);
    connect(recorder_, &RecordToFileControl::recordingTextChanged, this, [this](const QString &text) {
        band_->setRecordingText(text);
        showBand();
    });
    connect(fileActions_, &TrendFileActions::saved, this, &TrendGraphWindow::showSaved);
    connect(export_, &GraphExport::saved, this, &TrendGraphWindow::showSaved);
    connect(view_, &TrendGraphView::referenceChanged, this, &TrendGraphWindow::showSaved);
    connect(export_, &GraphExport::rowsExported, this, [this] { guard_->kept(); });
    connect(table_, &ChannelTable::unitsChanged, this, &TrendGraphWindow::showBand);
    connect(runControl_, &RunControl::bandChanged, this, &TrendGraphWindow::showBand);
    connect(runControl_, &RunControl::triggerFired, this, &TrendGraphWindow::endTriggeredRun);
    connect(band_->lineState(), &LineStateLabel::stateChanged, this, &TrendGraphWindow::showBand);
    connect(math_->mathChannelsAction(), &QAction::triggered, this, &TrendGraphWindow::openMathChannels);
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
bool TrendGraphWindow::recording() const { return recorder_->recording(); }
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
    runControl_->endSampling();
    if (runEnding)
        ws_.session.releaseLine(LineHolder::TrendRun);
    ws_.session.setTrendGraphOpen(false);
}

bool TrendGraphWindow::askBeforeClosing()
{
    closeAnswered_ = closed_ || guard_->mayClose();
    return closeAnswered_;
}

void TrendGraphWindow::closeEvent(QCloseEvent *event)
{
    // During a run, or over rows kept nowhere else, the user says first what becomes of them
    // (unless already asked as the program ends).
    if (!closed_ && !std::exchange(closeAnswered_, false) && !guard_->mayClose()) {
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

void TrendGraphWindow::toggleRun() { runControl_->toggle(); }

void TrendGraphWindow::setCursorButtonsEnabled(bool enabled)
{
    controls_.setCursorButtonsEnabled(enabled);
    view_->setCursorsEnabled(enabled);
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
    view_->placeCursor(data_.rowCount > 0 ? 2 * data_.rowCount - 2 : 0);
    view_->keepSecondCursorOnRows();
    view_->drawCursorLayer();
    if (data_.rowCount > 0) {
        const SampleRow &row = data_.displayRows[static_cast<std::size_t>(view_->cursorX() / 2)];
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
    ReadoutBand::View shown{view_->cursorsEnabled() && !run_->isActive(), view_->cursorX(), view_->secondCursorX(),
                            view_->hex()};
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
    readoutWindow_->showRecording(data_, run_->isActive(), cursorsShown ? view_->cursorX() : -1, view_->secondCursorX(),
                                  view_->hex());
}

// ---------------------------------------------------------------------------------------------
// Trend data file and printing

void TrendGraphWindow::openTrendFile()
{
    // A file refused leaves the window as it was.
    if (!fileActions_->open())
        return;
    setCursorButtonsEnabled(true);
    view_->drawColourKey(true);
    showBand();
}

void TrendGraphWindow::saveTrendFile() { fileActions_->save(); }

void TrendGraphWindow::showSaved(const QString &text)
{
    band_->setSavedText(text);
    showBand();
}

void TrendGraphWindow::printWindow() { fileActions_->print(); }

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
    runControl_->endByButton();
    redraw();
    const std::optional<int> index = trigger::shownRowIndex(triggerRowOfRun, runControl_->rowsStored(), data_.rowCount);
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
