#include "monitor/MonitorWindow.h"

#include "base/WindowLook.h"
#include "base/WindowPrint.h"
#include "monitor/MonitorRun.h"
#include "monitor/MonitorTexts.h"
#include "monitor/MonitorValues.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

using namespace monitor;

namespace {

constexpr int kFontPixels = 12;

} // namespace

MonitorWindow::MonitorWindow(Workspace &ws, QWidget *parent)
    : QWidget(parent, Qt::Window), ws_(ws), fileStore_(ws.dialogs)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("MonitorWindow"));
    setWindowTitle(kCaption);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(windowlook::courierNew(kFontPixels));
    setFixedSize(kClientWidth, kClientHeight);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    controls_ = MonitorControls::build(this);
    gridView_ = new MonitorGridView(this);
    ws_.session.setMonitorOpen(true);

    // The grids take their names from the variable list, which the Variables List builds.
    if (!ws_.session.state().variablesListOpen)
        ws_.links.askForVariablesList();
    values_ = new MonitorValues(ws_.catalogue.variableList, this);
    run_ = new MonitorRun(ws_.linkThread, ws_.session, ws_.catalogue, values_->sections(), this);
    lineStatus_ = new MonitorLineStatus(*run_, this);
    connectParts();

    for (const Grid grid : kGrids)
        gridView_->showGrid(grid, values_->grids().grid(grid));
    controls_.numberBase->setText(values_->valueFormat());
    controls_.showReleased(false);
    controls_.enableFileButtons(false);
}

MonitorWindow::~MonitorWindow() = default;

void MonitorWindow::connectParts()
{
    connect(controls_.numberBase, &QPushButton::clicked, this, &MonitorWindow::toggleNumberBase);
    connect(controls_.release, &QPushButton::clicked, this, &MonitorWindow::releaseOrPause);
    connect(controls_.print, &QPushButton::clicked, this, &MonitorWindow::printWindow);
    connect(controls_.save, &QPushButton::clicked, this, &MonitorWindow::saveMonitorFile);
    connect(controls_.open, &QPushButton::clicked, this, &MonitorWindow::openMonitorFile);

    connect(run_, &MonitorRun::released, this, &MonitorWindow::showReleased);
    connect(run_, &MonitorRun::pollingBegun, this, [this] {
        fileStore_.forgetOpenedFile(); // the grids show the controller again
        lineStatus_->beginRelease();
    });
    connect(run_, &MonitorRun::sectionRead, values_, &MonitorValues::takeSection);
    connect(run_, &MonitorRun::sectionRead, lineStatus_, &MonitorLineStatus::takeSection);
    connect(run_, &MonitorRun::pointersMissing, this, &MonitorWindow::stopForMissingPointers);
    connect(run_, &MonitorRun::paused, this, &MonitorWindow::showPaused);

    connect(values_, &MonitorValues::valueFormatChanged, controls_.numberBase, &QPushButton::setText);
    connect(values_, &MonitorValues::gridChanged, gridView_,
            [this](Grid grid) { gridView_->showGrid(grid, values_->grids().grid(grid)); });
    connect(values_, &MonitorValues::staleChanged, gridView_, &MonitorGridView::showStale);
}

int MonitorWindow::dioCount() const { return values_->dioCount(); }
int MonitorWindow::superBlockOutputCount() const { return values_->superBlockOutputCount(); }
const SectionTable &MonitorWindow::sections() const { return values_->sections(); }
const MonitorGrids &MonitorWindow::grids() const { return values_->grids(); }
bool MonitorWindow::isPolling() const { return run_->isReleased(); }
quint64 MonitorWindow::passesCompleted() const { return run_->passesCompleted(); }
const ExchangeStats &MonitorWindow::lineStats() const { return run_->releaseFigures().stats; }
quint64 MonitorWindow::releasePasses() const { return run_->releaseFigures().passes; }

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
    controls_.showReleased(true);
    controls_.enableFileButtons(false);
}

void MonitorWindow::showPaused()
{
    lineStatus_->showFigures();
    controls_.showReleased(false);
    controls_.enableFileButtons(true);
}

void MonitorWindow::stopForMissingPointers()
{
    ws_.dialogs.showMessage(kPleaseClickDataRead);
    if (run_->isReleased())
        run_->pause();
}

void MonitorWindow::closeEvent(QCloseEvent *event)
{
    // The program closes its windows as it ends, this one perhaps closed already: once is enough.
    if (!closed_) {
        closed_ = true;
        run_->end();
        ws_.session.setMonitorOpen(false);
    }
    event->accept();
}

void MonitorWindow::saveMonitorFile()
{
    const std::optional<QString> path = fileStore_.save(values_->grids(), values_->valueFormat());
    if (!path)
        return;
    lineStatus_->showSaved(*path);
    // The file cannot say it; the user hears that some values were not live.
    if (lineStatus_->lineLost() || values_->anyStale())
        ws_.dialogs.showMessage(kSavedWithStaleValues.arg(*path));
}

void MonitorWindow::openMonitorFile()
{
    const std::optional<MonitorSnapshot> snapshot = fileStore_.open();
    if (!snapshot)
        return;
    controls_.fileName->setText(snapshot->fileLabel);
    if (!snapshot->formatKnown)
        ws_.dialogs.showMessage(kIncorrectData);
    values_->showSnapshot(*snapshot);
}

void MonitorWindow::printWindow()
{
    windowprint::printWindowOnChosenPrinter(*this, ws_.dialogs);
}
