#include "monitor/MonitorWindow.h"

#include "base/WindowLook.h"
#include "base/WindowPrint.h"
#include "link/ExchangeStatsText.h"
#include "link/LinkResult.h"
#include "link/Settings.h"
#include "monitor/MonitorFile.h"
#include "monitor/MonitorPass.h"
#include "monitor/MonitorRun.h"
#include "monitor/MonitorTexts.h"
#include "monitor/MonitorValues.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QTime>
#include <algorithm>

using namespace monitor;

namespace {

constexpr int kColumnWidth = 75;
constexpr int kRowHeight = 15;
constexpr int kFontPixels = 12;
constexpr int kTitleFontPixels = 20;
constexpr int kLeft = 8;
constexpr int kStatsFontPixels = 9;
constexpr std::chrono::milliseconds kStatsRefresh{250};
const QColor kStoppedColour(0x80, 0x80, 0x80);
const QColor kRunningColour(0x00, 0xFF, 0x00);

} // namespace

MonitorWindow::MonitorWindow(Workspace &ws, QWidget *parent)
    : QWidget(parent, Qt::Window), ws_(ws), fileStore_(ws.dialogs)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("MonitorWindow"));
    setWindowTitle(kCaption);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(windowlook::courierNew(kFontPixels));
    setFixedSize(kClientWidth, kClientHeight);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    createControls();
    ws_.monitorWindow = this;

    // The grids take their names from the variable list, which the Variables List builds.
    if (!ws_.variablesListOpen)
        ws_.links.askForVariablesList();
    enableFileButtons(false);

    values_ = new MonitorValues(ws_.catalogue.variableList, this);
    connect(values_, &MonitorValues::valueFormatChanged, numberBaseButton_, &QPushButton::setText);
    connect(values_, &MonitorValues::gridChanged, this, &MonitorWindow::showGrid);
    connect(values_, &MonitorValues::staleChanged, this, &MonitorWindow::showStale);
    run_ = new MonitorRun(ws_.linkThread, ws_.catalogue, values_->sections(), this);
    connect(run_, &MonitorRun::released, this, &MonitorWindow::showReleased);
    connect(run_, &MonitorRun::pollingBegun, this, &MonitorWindow::beginRelease);
    connect(run_, &MonitorRun::sectionRead, this, &MonitorWindow::takeSection);
    connect(run_, &MonitorRun::pointersMissing, this, &MonitorWindow::stopForMissingPointers);
    connect(run_, &MonitorRun::paused, this, &MonitorWindow::showPaused);
    for (const Grid grid : kGrids)
        showGrid(grid);
    releaseButton_->setText(kRelease);
    numberBaseButton_->setText(values_->valueFormat());
    showRunState(false);
}

MonitorWindow::~MonitorWindow() = default;

QLabel *MonitorWindow::createLabel(const char *name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    return label;
}

QPushButton *MonitorWindow::createButton(const char *name, const QString &text, const QRect &geometry)
{
    auto *button = new QPushButton(text, this);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    return button;
}

QTableWidget *MonitorWindow::createGrid(const char *name, int rows, int top, int height)
{
    auto *grid = new QTableWidget(rows, kGridColumns, this);
    grid->setObjectName(QLatin1String(name));
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
    grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setWordWrap(false);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < kGridColumns; ++c)
            grid->setItem(r, c, new QTableWidgetItem);
    }
    const int frame = 2 * grid->frameWidth();
    const int scrollBar = grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid);
    grid->setGeometry(kLeft, top, kGridColumns * kColumnWidth + scrollBar + frame, height);
    return grid;
}

void MonitorWindow::createControls()
{
    QLabel *title = createLabel("title", kTitle, QRect(kLeft, 4, 170, 28));
    title->setFont(windowlook::courierNew(kTitleFontPixels));
    runStatus_ = createLabel("runStatus", kStop, QRect(184, 6, 60, 25));
    runStatus_->setAlignment(Qt::AlignCenter);
    runStatus_->setAutoFillBackground(true);

    releaseButton_ = createButton("releaseButton", kRelease, QRect(252, 5, 75, 27));
    numberBaseButton_ = createButton("numberBaseButton", kDec, QRect(332, 5, 75, 27));
    releaseButton_->setToolTip(kReleaseTip);
    numberBaseButton_->setToolTip(kNumberBaseTip);
    openButton_ = createButton("openButton", kOpen, QRect(440, 5, 75, 27));
    saveButton_ = createButton("saveButton", kSave, QRect(520, 5, 75, 27));
    printButton_ = createButton("printButton", kPrint, QRect(600, 5, 75, 27));

    createLabel("fileNameCaption", kFileNameCaption, QRect(kLeft, 36, 80, 15));
    fileName_ = createLabel("fileName", QString(), QRect(92, 36, 400, 15));
    // While the controller does not answer: large, red, at the top right, over the file name's end.
    lineState_ = createLabel("lineState", QString(), QRect(250, 34, 426, 18));
    QFont stateFont = windowlook::courierNew(13);
    stateFont.setBold(true);
    lineState_->setFont(stateFont);
    lineState_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette statePalette = lineState_->palette();
    statePalette.setColor(QPalette::WindowText, kLineStateColour);
    lineState_->setPalette(statePalette);
    lineState_->hide();

    // The two fixed grids show all their rows; the block outputs scroll.
    createLabel("commandGridCaption", kCommandGridCaption, QRect(kLeft, 54, 300, 15));
    commandGrid_ = createGrid("commandGrid", kCommandRows, 70, kCommandRows * kRowHeight + 2);
    createLabel("inputOutputGridCaption", kInputOutputGridCaption, QRect(kLeft, 211, 350, 15));
    inputOutputGrid_ = createGrid("inputOutputGrid", kInputOutputRows, 227, kInputOutputRows * kRowHeight + 2);
    createLabel("blockOutputGridCaption", kBlockOutputGridCaption, QRect(kLeft, 443, 300, 15));
    blockOutputGrid_ = createGrid("blockOutputGrid", kBlockOutputRows, 459, 7 * kRowHeight + 2);
    // The line's figures beside the third grid's caption, where the row has room.
    lineStatistics_ = createLabel("lineStatistics", QString(), QRect(172, 443, 504, 15));
    lineStatistics_->setFont(windowlook::courierNew(kStatsFontPixels));
    lineStatistics_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    connect(numberBaseButton_, &QPushButton::clicked, this, &MonitorWindow::toggleNumberBase);
    connect(releaseButton_, &QPushButton::clicked, this, &MonitorWindow::releaseOrPause);
    connect(printButton_, &QPushButton::clicked, this, &MonitorWindow::printWindow);
    connect(saveButton_, &QPushButton::clicked, this, &MonitorWindow::saveMonitorFile);
    connect(openButton_, &QPushButton::clicked, this, &MonitorWindow::openMonitorFile);
}

void MonitorWindow::showRunState(bool running)
{
    runStatus_->setText(running ? kRunning : kStop);
    QPalette palette = runStatus_->palette();
    palette.setColor(QPalette::Window, running ? kRunningColour : kStoppedColour);
    runStatus_->setPalette(palette);
}

void MonitorWindow::enableFileButtons(bool enabled)
{
    printButton_->setEnabled(enabled);
    saveButton_->setEnabled(enabled);
    openButton_->setEnabled(enabled);
}

void MonitorWindow::showGrid(Grid which)
{
    QTableWidget *table = gridView(which);
    const MonitorGrid &grid = values_->grids().grid(which);
    for (int r = 0; r < grid.rowCount(); ++r) {
        for (int c = 0; c < kGridColumns; ++c) {
            QTableWidgetItem *item = table->item(r, c);
            const QString &text = grid.row(r)[static_cast<std::size_t>(c)];
            if (item->text() != text)
                item->setText(text);
        }
    }
}

QTableWidget *MonitorWindow::gridView(Grid grid) const
{
    switch (grid) {
    case Grid::Commands:
        return commandGrid_;
    case Grid::InputsAndOutputs:
        return inputOutputGrid_;
    case Grid::BlockOutputs:
        return blockOutputGrid_;
    }
    return nullptr;
}

int MonitorWindow::dioCount() const { return values_->dioCount(); }
int MonitorWindow::superBlockOutputCount() const { return values_->superBlockOutputCount(); }
const SectionTable &MonitorWindow::sections() const { return values_->sections(); }
const MonitorGrids &MonitorWindow::grids() const { return values_->grids(); }
bool MonitorWindow::isPolling() const { return run_->isReleased(); }
quint64 MonitorWindow::passesCompleted() const { return run_->passesCompleted(); }
const ExchangeStats &MonitorWindow::lineStats() const { return run_->lineStats(); }
quint64 MonitorWindow::releasePasses() const { return run_->releasePasses(); }

void MonitorWindow::toggleNumberBase()
{
    // The grids follow at once, polling or paused.
    values_->toggleNumberBase();
}

void MonitorWindow::releaseOrPause()
{
    // "Pause" ends the polling, also during the pause after "Release".
    if (run_->isReleased())
        run_->pause();
    else
        run_->release();
}

void MonitorWindow::showReleased()
{
    releaseButton_->setText(kPause);
    showRunState(true);
    enableFileButtons(false);
}

void MonitorWindow::beginRelease()
{
    fileStore_.forgetOpenedFile(); // the grids show the controller again
    lineLost_ = false;
    lineEventText_.clear();
    showLineStatistics();
}

void MonitorWindow::showPaused()
{
    showLineStatistics();
    releaseButton_->setText(kRelease);
    showRunState(false);
    enableFileButtons(true);
}

void MonitorWindow::stopForMissingPointers()
{
    ws_.dialogs.showMessage(kPleaseClickDataRead);
    if (run_->isReleased())
        run_->pause();
}

void MonitorWindow::takeSection(const SectionResult &result)
{
    showLineState(result);
    if (result.lineLost || result.lineBack) {
        lineLost_ = result.lineLost;
        lineEventText_ = (result.lineLost ? kLineLost : kLineBack).arg(QTime::currentTime().toString(kTimeFormat));
    }
    values_->takeSection(result);
    // The figures change with every section; a few times a second is enough to read them.
    if (std::chrono::steady_clock::now() - statsShown_ >= kStatsRefresh || result.outcome != PassOutcome::Complete)
        showLineStatistics();
}

void MonitorWindow::showLineStatistics()
{
    statsShown_ = std::chrono::steady_clock::now();
    const ExchangeStats &stats = run_->lineStats();
    QString text =
        stats.exchanges == 0 ? QString() : exchangeStatsText(stats, run_->releasePasses(), run_->releaseTime());
    if (!lineEventText_.isEmpty()) {
        // The event (a save, the line lost or back) comes first and whole where it fits; the
        // figures take the room that is left.
        const QFontMetrics metrics(lineStatistics_->font());
        const int width = lineStatistics_->width();
        const QString event = metrics.elidedText(lineEventText_, Qt::ElideMiddle, width);
        text = text.isEmpty() ? event : metrics.elidedText(kEventAndFigures.arg(event, text), Qt::ElideRight, width);
    }
    lineStatistics_->setText(text);
}

void MonitorWindow::showLineState(const SectionResult &result)
{
    // From the first read that got no reply (or found the device gone) until the first good one.
    const bool noReply = result.lineLost || result.stats.failuresByCode.count(static_cast<int>(LinkResult::Timeout)) > 0;
    if (result.outcome == PassOutcome::Complete) {
        lineState_->hide();
        lineState_->clear();
        return;
    }
    if (!noReply || lineState_->isVisible())
        return;
    const QString port = regReadString(kPortKey, kPortValue);
    lineState_->setText(kNoReplySince.arg(port, devicePathForPort(port),
                                          QTime::currentTime().toString(kTimeFormat)));
    lineState_->show();
}

void MonitorWindow::showStale(Grid grid, GridCursor from, GridCursor to, bool stale)
{
    // The value cells a section writes: every odd column from where it began to where it ended.
    QTableWidget *table = gridView(grid);
    const QBrush text = stale ? QBrush(kStaleColour) : QBrush();
    for (int row = from.row; row <= to.row && row < table->rowCount(); ++row) {
        for (int column = 1; column < kGridColumns; column += 2) {
            if ((row == from.row && column < from.column) || (row == to.row && column >= to.column))
                continue;
            if (QTableWidgetItem *item = table->item(row, column))
                item->setForeground(text);
        }
    }
}

void MonitorWindow::closeEvent(QCloseEvent *event)
{
    // The program closes its windows as it ends, this one perhaps closed already: once is enough.
    if (!closed_) {
        closed_ = true;
        run_->end();
        ws_.links.tellDisplayWindowClosed();
    }
    event->accept();
}

void MonitorWindow::saveMonitorFile()
{
    const std::optional<QString> path = fileStore_.save(values_->grids(), values_->valueFormat());
    if (!path)
        return;
    // Beside the figures: the file's name whole, its folder giving way in the middle if need be.
    const QFileInfo saved(*path);
    const QFontMetrics metrics(lineStatistics_->font());
    const int room = lineStatistics_->width() - metrics.horizontalAdvance(kSavedIn.arg(saved.fileName(), QString()));
    lineEventText_ = kSavedIn.arg(saved.fileName(), metrics.elidedText(QDir::toNativeSeparators(saved.absolutePath()),
                                                                       Qt::ElideMiddle, std::max(room, 0)));
    showLineStatistics();
    // The file cannot say it; the user hears that some values were not live.
    if (lineLost_ || values_->anyStale())
        ws_.dialogs.showMessage(kSavedWithStaleValues.arg(*path));
}

void MonitorWindow::openMonitorFile()
{
    const std::optional<MonitorSnapshot> snapshot = fileStore_.open();
    if (!snapshot)
        return;
    fileName_->setText(snapshot->fileLabel);
    if (!snapshot->formatKnown)
        ws_.dialogs.showMessage(kIncorrectData);
    values_->showSnapshot(*snapshot);
}

void MonitorWindow::printWindow()
{
    windowprint::printWindowOnChosenPrinter(*this, ws_.dialogs);
}
