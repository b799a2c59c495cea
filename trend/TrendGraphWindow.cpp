#include "trend/TrendGraphWindow.h"

#include "base/TextFile.h"
#include "base/WindowLook.h"
#include "base/WindowPrint.h"
#include "trend/ChannelTable.h"
#include "trend/Cursor.h"
#include "trend/Presets.h"
#include "trend/PictureWidget.h"
#include "trend/ReadoutBand.h"
#include "trend/Sampling.h"
#include "trend/TrendFile.h"
#include "trend/TrendGraphTexts.h"
#include "trend/TrendGraphView.h"
#include "trend/TrendReadout.h"
#include "trend/TrendRun.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

const QColor kRunGreen(0, 255, 0);
const QColor kStopGrey(128, 128, 128);
const QColor kWorkspaceColour(171, 171, 171);

void SetBackground(QWidget *widget, const QColor &background, const QColor &text)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QLabel *MakeLabel(QWidget *parent, const QString &text, const QRect &place)
{
    auto *label = new QLabel(text, parent);
    label->setGeometry(place);
    return label;
}

} // namespace

TrendGraphWindow::TrendGraphWindow(Workspace &ws, TrendData &data, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      ws_(ws), data_(data)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TrendGraphWindow"));
    setWindowTitle(kTrendGraphTitle);
    setFixedSize(kWidth, kHeight);
    setFont(windowlook::CourierNew(13));
    SetBackground(this, QApplication::palette().color(QPalette::Dark), palette().color(QPalette::WindowText));

    // Stacked in this order: the table lies over the graph's key strip, the number base button
    // over the table's top edge.
    buildCaptions();
    buildButtons();
    view_ = new TrendGraphView(ws_, data_, this);
    table_ = new ChannelTable(ws_, view_->layers().key, this);
    view_->setKeyPicture(table_->keyPicture());
    numberBaseButton_->raise();
    band_ = new ReadoutBand(data_, this);
    run_ = new TrendRun(ws_, data_, view_->layers(), this);
    connectParts();

    ws_.trendWindowOpen = true;
    ws_.trendGraphWindow = this;
    data_.channels = presets::LoadPresets();
    table_->showRecords(data_.channels);
    view_->layers().InitGraphLayers(data_);
    view_->picture()->update();
    // Until a run or an Open draws the colour key, its strip shows the window's background.
    view_->layers().key.fill(view_->background());
    runButton_->setEnabled(ws_.catalogue.variableListBuilt);
    redrawButton_->setEnabled(false);
    setCursorButtonsEnabled(false);
    if (!ws_.variablesListOpen)
        ws_.links.askForVariablesList();

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(kWidth / 2, kHeight / 2));
}

TrendGraphWindow::~TrendGraphWindow()
{
    // A window destroyed without being closed still gives the port and the flags back.
    endWindow();
}

void TrendGraphWindow::buildCaptions()
{
    QLabel *heading = MakeLabel(this, kTrendGraphHeading, {9, 4, 257, 26});
    QFont headingFont = font();
    headingFont.setBold(true);
    headingFont.setItalic(true);
    headingFont.setPixelSize(16);
    heading->setFont(headingFont);
    SetBackground(heading, kWorkspaceColour, Qt::white);

    // Percent of full scale down the left edge, sample numbers under the graph.
    const char *percent[] = {"+100", "+50", "0", "-50", "-100"};
    for (int i = 0; i < 5; ++i)
        MakeLabel(this, QString::fromLatin1(percent[i]), {4, 40 + 100 * i - 7, 42, 14})
            ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (int sample : {0, 100, 200, 250})
        MakeLabel(this, QString::number(sample), {50 + 2 * sample - 20, 443, 40, 14})
            ->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    runStatus_ = MakeLabel(this, kRunStatusCaption, {622, 420, 91, 26});
    runStatus_->setObjectName(QStringLiteral("RunStatus"));
    runStatus_->setAlignment(Qt::AlignCenter);
    SetBackground(runStatus_, palette().color(QPalette::Window), Qt::white);
    MakeLabel(this, kCursorMoveCaption, {565, 460, 91, 16});
}

void TrendGraphWindow::buildButtons()
{
    const auto makeButton = [this](const char *name, const QString &text, const QRect &place,
                                   void (TrendGraphWindow::*handler)()) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(place);
        connect(button, &QPushButton::clicked, this, handler);
        return button;
    };
    openButton_ = makeButton("OpenButton", QStringLiteral("Open"), {390, 8, 56, 23}, &TrendGraphWindow::openTrendFile);
    saveButton_ = makeButton("SaveButton", QStringLiteral("Save"), {445, 8, 51, 23}, &TrendGraphWindow::saveTrendFile);
    printButton_ = makeButton("PrintButton", QStringLiteral("Print"), {495, 8, 51, 23}, &TrendGraphWindow::printWindow);
    numberBaseButton_ =
        makeButton("NumberBaseButton", kDecCaption, {750, 55, 36, 18}, &TrendGraphWindow::toggleNumberBase);
    runButton_ = makeButton("RunButton", kRunCaption, {725, 420, 56, 26}, &TrendGraphWindow::toggleRun);
    stepLeftButton_ =
        makeButton("StepLeftButton", QStringLiteral("<<"), {660, 455, 27, 26}, &TrendGraphWindow::stepCursorLeft);
    stepRightButton_ =
        makeButton("StepRightButton", QStringLiteral(">>"), {686, 455, 27, 26}, &TrendGraphWindow::stepCursorRight);
    redrawButton_ = makeButton("RedrawButton", QStringLiteral("REDRAW"), {725, 455, 56, 26}, &TrendGraphWindow::redraw);
}

void TrendGraphWindow::connectParts()
{
    view_->picture()->onPress = [this](int x) { graphClicked(x); };
    connect(view_, &TrendGraphView::secondCursorWanted, this, &TrendGraphWindow::setSecondCursor);
    connect(view_, &TrendGraphView::readoutChanged, this, &TrendGraphWindow::showBand);
    connect(view_, &TrendGraphView::recordingTextChanged, this, [this](const QString &text) {
        band_->setRecordingText(text);
        showBand();
    });
    connect(table_, &ChannelTable::touched, this, &TrendGraphWindow::stopRunForTable);
    connect(run_, &TrendRun::startFailed, this, &TrendGraphWindow::startFailed);
    connect(run_, &TrendRun::samplingBegun, this, &TrendGraphWindow::samplingBegun);
    connect(run_, &TrendRun::passStored, this, &TrendGraphWindow::passStored);
    connect(&ws_.links, &WindowLinks::trendRunAllowedChanged, runButton_, &QPushButton::setEnabled);
}

// ---------------------------------------------------------------------------------------------
// State

bool TrendGraphWindow::runActive() const { return run_->isActive(); }
bool TrendGraphWindow::runStarting() const { return run_->isStarting(); }
bool TrendGraphWindow::pollArmed() const { return run_->pollArmed(); }
quint64 TrendGraphWindow::passesStored() const { return run_->passesStored(); }
std::optional<int> TrendGraphWindow::secondCursorX() const { return view_->secondCursorX(); }
bool TrendGraphWindow::recording() const { return view_->recording(); }
const ExchangeStats &TrendGraphWindow::runStats() const { return band_->runStats(); }
quint64 TrendGraphWindow::runPasses() const { return band_->runPasses(); }
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
        setDataReadAllowed(true);
    ws_.links.tellDisplayWindowClosed();
    ws_.trendWindowOpen = false;
}

void TrendGraphWindow::closeEvent(QCloseEvent *event)
{
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
    QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Run

void TrendGraphWindow::setDataReadAllowed(bool allowed)
{
    if (ws_.variablesListOpen)
        ws_.links.setDataReadAllowed(allowed);
}

void TrendGraphWindow::setCursorButtonsEnabled(bool enabled)
{
    for (QPushButton *button : {stepLeftButton_, stepRightButton_, numberBaseButton_})
        button->setEnabled(enabled);
    view_->setCursorsEnabled(enabled);
}

void TrendGraphWindow::showRunningLook()
{
    runStatus_->setText(kRunningStatus);
    SetBackground(runStatus_, kRunGreen, Qt::white);
    disableRecordingControls();
}

void TrendGraphWindow::disableRecordingControls()
{
    setCursorButtonsEnabled(false);
    for (QPushButton *button : {redrawButton_, openButton_, saveButton_, printButton_})
        button->setEnabled(false);
}

void TrendGraphWindow::showStoppedLook()
{
    runStatus_->setText(kStoppedStatus);
    SetBackground(runStatus_, kStopGrey, Qt::white);
    for (QPushButton *button : {redrawButton_, openButton_, saveButton_, printButton_})
        button->setEnabled(true);
}

void TrendGraphWindow::toggleRun()
{
    // From the port open to the end of the pause after it, the start is still going on.
    if (run_->isStarting())
        return;
    // Checked on every press, also one that would end a run (which then goes on).
    if (!table_->analogScalesPass()) {
        ws_.dialogs.ShowMessage(kCheckFullScale);
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
    setDataReadAllowed(false);
    table_->showForRunning();
    if (!table_->takeSelection(data_.channels)) {
        endFailedStart(kSelectDrawingData);
        return;
    }
    table_->takeSettings(data_.channels);
    if (const std::optional<QString> refusal = run_->start(hexShown_ ? kHexCaption : kDecCaption)) {
        endFailedStart(*refusal);
        return;
    }
    view_->setRunState(true, false);
}

void TrendGraphWindow::endFailedStart(const QString &message)
{
    ws_.dialogs.ShowMessage(message);
    showStoppedLook();
    setDataReadAllowed(true);
}

void TrendGraphWindow::startFailed()
{
    view_->setRunState(false, false);
    showStoppedLook();
    setDataReadAllowed(true);
    view_->drawColourKey(false);
}

void TrendGraphWindow::samplingBegun()
{
    view_->setRunState(false, true);
    runButton_->setText(kStopCaption);
    showRunningLook();
    view_->drawColourKey(false);
    readout::BeginRunClock(data_, QDateTime::currentDateTime(), std::chrono::steady_clock::now());
    band_->beginRun();
    view_->forgetSecondCursor();
    showBand();
}

void TrendGraphWindow::passStored(const sampling::TrendPass &pass)
{
    view_->repaintChangedColumns();
    const bool eventNow = band_->takePass(pass);
    view_->recordPass();
    if (eventNow || band_->figuresDue())
        showBand();
}

void TrendGraphWindow::endSampling()
{
    run_->stop();
    view_->setRunState(false, false);
    view_->endRecording();
    runButton_->setText(kRunCaption);
}

void TrendGraphWindow::endRunByButton()
{
    endSampling();
    showStoppedLook();
    setDataReadAllowed(true);
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
    UnrollSamples(data_);
    view_->redrawRecordedTraces();
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

void TrendGraphWindow::showCursorValues(bool highLow)
{
    const cursor::Base base = hexShown_ ? cursor::Base::Hex : cursor::Base::Dec;
    const cursor::LogicText logic = highLow ? cursor::LogicText::HighLow : cursor::LogicText::Value;
    for (const auto &[channel, text] : cursor::CursorValueTexts(data_, data_.cursorX, base, logic))
        table_->setValueText(channel, text);
}

void TrendGraphWindow::graphClicked(int x)
{
    if (!view_->cursorsEnabled())
        return;
    if (const std::optional<int> position = cursor::ClickPosition(x, data_.rowCount)) {
        view_->moveCursor(*position);
        showCursorValues();
    }
}

void TrendGraphWindow::stepCursorLeft()
{
    if (const std::optional<int> position = cursor::StepLeft(data_.cursorX, data_.rowCount)) {
        view_->moveCursor(*position);
        showCursorValues(true);
    }
}

void TrendGraphWindow::stepCursorRight()
{
    if (const std::optional<int> position = cursor::StepRight(data_.cursorX, data_.rowCount)) {
        view_->moveCursor(*position);
        showCursorValues();
    }
}

void TrendGraphWindow::setSecondCursor(int x)
{
    // The same condition as moving the first cursor.
    if (view_->cursorsEnabled())
        view_->setSecondCursor(x);
}

void TrendGraphWindow::clearSecondCursor() { view_->clearSecondCursor(); }

void TrendGraphWindow::toggleNumberBase()
{
    hexShown_ = !hexShown_;
    numberBaseButton_->setText(hexShown_ ? kHexCaption : kDecCaption);
    showCursorValues();
    showBand();
}

void TrendGraphWindow::showBand()
{
    band_->show({view_->cursorsEnabled() && !run_->isActive(), view_->secondCursorX(), hexShown_});
    view_->updateMenu();
}

// ---------------------------------------------------------------------------------------------
// Trend data file and printing

void TrendGraphWindow::openTrendFile()
{
    const QString path = ws_.dialogs.AskOpenFile(trendfile::kFilter);
    if (!path.isEmpty()) {
        const std::optional<QStringList> lines = textfile::ReadLines(path);
        if (!lines) {
            ws_.dialogs.ShowMessage(kTrendFileReadError);
            return;
        }
        if (trendfile::OpenLines(*lines, data_) != trendfile::OpenOutcome::Opened) {
            ws_.dialogs.ShowMessage(kIncorrectFileData);
            return;
        }
        // A .trd holds no times: no second cursor on its rows.
        view_->forgetSecondCursor();
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

void TrendGraphWindow::saveTrendFile()
{
    // Save writes the last run's rows, whatever Open has shown since.
    UnrollSamples(data_);
    const QString path = ws_.dialogs.AskSaveFile(trendfile::kFilter, trendfile::kExtension);
    if (path.isEmpty())
        return;
    const QString fileName = textfile::BareFileName(path);
    if (!fileName.contains(trendfile::kNameMark)) {
        ws_.dialogs.ShowMessage(kIncorrectFileName);
        return;
    }
    const QStringList lines = trendfile::FormatLines(fileName, data_.channels, data_.displayRows, data_.rowCount);
    QString error;
    if (!textfile::WriteAtomically(path, textfile::JoinLinesCrLf(lines), &error))
        ws_.dialogs.ShowMessage(kTrendFileWriteError + QLatin1Char('\n') + error);
}

void TrendGraphWindow::printWindow() { windowprint::PrintWindowOnChosenPrinter(*this, ws_.dialogs); }
