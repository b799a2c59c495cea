#include "monitor/Moni.h"

#include "base/WindowLook.h"

#include "base/TextFile.h"
#include "base/PortPause.h"
#include "base/WindowPrint.h"
#include "link/ExchangeStatsText.h"
#include "monitor/Messages.h"
#include "monitor/MonitorFile.h"
#include "monitor/MonitorPass.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>

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

TMoniForm::TMoniForm(Workspace &ws, QWidget *parent) : QWidget(parent, Qt::Window), ws_(ws)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("MoniForm"));
    setWindowTitle(kCaption);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(windowlook::CourierNew(kFontPixels));
    setFixedSize(kClientWidth, kClientHeight);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    portPause_ = new PortPause(this);
    connect(portPause_, &PortPause::finished, this, &TMoniForm::startPolling);

    createControls();
    ws_.monitorWindow = this;
    FormCreate();
}

TMoniForm::~TMoniForm()
{
    // A window destroyed without being closed must not keep the port.
    if (task_)
        task_->cancel();
    ws_.linkThread.close(PortUser::Monitor);
}

QLabel *TMoniForm::createLabel(const char *name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    return label;
}

QPushButton *TMoniForm::createButton(const char *name, const QString &text, const QRect &geometry)
{
    auto *button = new QPushButton(text, this);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    return button;
}

QTableWidget *TMoniForm::createGrid(const char *name, int rows, int top, int height)
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

void TMoniForm::createControls()
{
    Label1 = createLabel("Label1", QStringLiteral("QMX Monitor"), QRect(kLeft, 4, 170, 28));
    Label1->setFont(windowlook::CourierNew(kTitleFontPixels));
    Label11 = createLabel("Label11", kStop, QRect(184, 6, 60, 25));
    Label11->setAlignment(Qt::AlignCenter);
    Label11->setAutoFillBackground(true);

    Button2 = createButton("Button2", kRelease, QRect(252, 5, 75, 27));
    Button1 = createButton("Button1", kDec, QRect(332, 5, 75, 27));
    Button5 = createButton("Button5", QStringLiteral("Open"), QRect(440, 5, 75, 27));
    Button4 = createButton("Button4", QStringLiteral("Save"), QRect(520, 5, 75, 27));
    Button3 = createButton("Button3", QStringLiteral("Print"), QRect(600, 5, 75, 27));

    Label12 = createLabel("Label12", QStringLiteral("File Name:"), QRect(kLeft, 36, 80, 15));
    Label13 = createLabel("Label13", QString(), QRect(92, 36, 400, 15));

    // The two fixed grids show all their rows; the block outputs scroll.
    Label5 = createLabel("Label5", QStringLiteral("COMMAND VAL and FEEDBACK"), QRect(kLeft, 54, 300, 15));
    StringGrid1 = createGrid("StringGrid1", kGrid1Rows, 70, kGrid1Rows * kRowHeight + 2);
    Label2 = createLabel("Label2", QStringLiteral("INPUT and OUTPUT(Include Variable M)"), QRect(kLeft, 211, 350, 15));
    StringGrid2 = createGrid("StringGrid2", kGrid2Rows, 227, kGrid2Rows * kRowHeight + 2);
    Label9 = createLabel("Label9", QStringLiteral("SUPER BLOCK and OUTPUT"), QRect(kLeft, 443, 300, 15));
    StringGrid3 = createGrid("StringGrid3", kGrid3Rows, 459, 7 * kRowHeight + 2);
    // The line's figures beside the third grid's caption, where the row has room.
    LineStatistics = createLabel("LineStatistics", QString(), QRect(172, 443, 504, 15));
    LineStatistics->setFont(windowlook::CourierNew(kStatsFontPixels));
    LineStatistics->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    connect(Button1, &QPushButton::clicked, this, &TMoniForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TMoniForm::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TMoniForm::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TMoniForm::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TMoniForm::Button5Click);
}

void TMoniForm::FormCreate()
{
    // The grids take their names from the variable list, which the Variables List builds.
    if (!ws_.variablesListOpen)
        ws_.links.askForVariablesList();
    enableFileButtons(false);

    MonitorLayout layout = LayOutNames(ws_.catalogue.variableList);
    grids_ = std::move(layout.grids);
    dioCount_ = layout.DioCount;
    superBlockOutputCount_ = layout.SuperBlockOutputCount;
    showAllGrids();

    sections_ = MakeSectionTable(dioCount_, superBlockOutputCount_);
    Button2->setText(kRelease);
    showValueFormat(kDec);
    showRunState(false);
}

void TMoniForm::showValueFormat(const QString &format)
{
    valueFormat_ = format;
    Button1->setText(format);
}

void TMoniForm::showRunState(bool running)
{
    Label11->setText(running ? kRunning : kStop);
    QPalette palette = Label11->palette();
    palette.setColor(QPalette::Window, running ? kRunningColour : kStoppedColour);
    Label11->setPalette(palette);
}

void TMoniForm::enableFileButtons(bool enabled)
{
    Button3->setEnabled(enabled);
    Button4->setEnabled(enabled);
    Button5->setEnabled(enabled);
}

void TMoniForm::showGrid(int index)
{
    QTableWidget *table = index == 0 ? StringGrid1 : index == 1 ? StringGrid2 : StringGrid3;
    const MonitorGrid &grid = grids_.byIndex(index);
    for (int r = 0; r < grid.rowCount(); ++r) {
        for (int c = 0; c < kGridColumns; ++c) {
            QTableWidgetItem *item = table->item(r, c);
            const QString &text = grid.row(r)[static_cast<std::size_t>(c)];
            if (item->text() != text)
                item->setText(text);
        }
    }
}

void TMoniForm::showAllGrids()
{
    for (int g = 0; g < 3; ++g)
        showGrid(g);
}

void TMoniForm::Button1Click() { showValueFormat(valueFormat_ == kDec ? kHex : kDec); }

void TMoniForm::Button2Click()
{
    if (opening_)
        return;
    // "Pause" ends the polling, also during the pause after "Release".
    if (released_) {
        stopPolling();
        return;
    }
    opening_ = true;
    ws_.linkThread.open(PortUser::Monitor, this, [this](LinkThread::OpenOutcome outcome) {
        PortOpened(outcome == LinkThread::OpenOutcome::Opened);
    });
}

void TMoniForm::PortOpened(bool opened)
{
    opening_ = false;
    if (!opened || closed_)
        return;
    released_ = true;
    Button2->setText(kPause);
    showRunState(true);
    enableFileButtons(false);
    // The controller needs a moment after the port opens; the window stays live meanwhile.
    portPause_->start();
}

void TMoniForm::startPolling()
{
    if (closed_ || !released_)
        return;
    task_ = ws_.linkThread.newTask();
    passCursors_ = {};
    lineStats_ = ExchangeStats{};
    releasePasses_ = 0;
    releaseStarted_ = lastSection_ = std::chrono::steady_clock::now();
    showLineStatistics();
    const LinkThread::Reply reply = ws_.linkThread.replyTo(this);
    ws_.linkThread.post([this, task = task_, table = sections_, pointers = ws_.catalogue.pointerAddresses,
                         reply](Link &link) {
        PollSections(link, *task, table, pointers, kReadBufferSize, [&](SectionResult result) {
            reply([this, task, result = std::move(result)] { TakeSection(task, result); });
        });
    });
}

void TMoniForm::stopPolling()
{
    portPause_->stop();
    if (task_) {
        task_->cancel();
        task_.reset();
    }
    // The port goes back once the exchange in flight has ended; a new "Release" waits for that.
    ws_.linkThread.close(PortUser::Monitor);
    released_ = false;
    showLineStatistics();
    Button2->setText(kRelease);
    showRunState(false);
    enableFileButtons(true);
}

void TMoniForm::TakeSection(const std::shared_ptr<LinkTask> &task, const SectionResult &result)
{
    task->taken();
    if (task != task_ || closed_)
        return;
    lineStats_.merge(result.stats);
    lastSection_ = std::chrono::steady_clock::now();
    if (result.section == 0) {
        passCursors_ = {};
        passDecimal_ = valueFormat_ == kDec;
    }
    switch (result.outcome) {
    case PassOutcome::Complete: {
        const MonitorSection &section = sections_[static_cast<std::size_t>(result.section)];
        PlaceSection(grids_, passCursors_, section, result.values, passDecimal_);
        showGrid(section.grid);
        if (result.section + 1 == static_cast<int>(sections_.size())) {
            ++passesCompleted_;
            ++releasePasses_;
        }
        break;
    }
    case PassOutcome::ReadFailed:
        // Only this pass ends; the link thread begins the next one from the first section.
        break;
    case PassOutcome::PointersMissing:
        task_->cancel();
        ws_.dialogs.ShowMessage(kPleaseClickDataRead);
        if (released_)
            stopPolling();
        break;
    }
    // The figures change with every section; a few times a second is enough to read them.
    if (lastSection_ - statsShown_ >= kStatsRefresh || result.outcome != PassOutcome::Complete)
        showLineStatistics();
}

void TMoniForm::showLineStatistics()
{
    statsShown_ = std::chrono::steady_clock::now();
    LineStatistics->setText(lineStats_.exchanges == 0
                                ? QString()
                                : ExchangeStatsText(lineStats_, releasePasses_, lastSection_ - releaseStarted_));
}

void TMoniForm::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void TMoniForm::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    portPause_->stop();
    if (task_) {
        task_->cancel();
        task_.reset();
    }
    ws_.linkThread.close(PortUser::Monitor);
    ws_.links.tellDisplayWindowClosed();
}

void TMoniForm::Button4Click()
{
    const QString path = ws_.dialogs.AskSaveFile(kMonitorFileFilter, kMonitorFileExtension);
    if (path.isEmpty())
        return;
    const QString bareName = textfile::BareFileName(path);
    if (!bareName.contains(kMonitorFileMark)) {
        ws_.dialogs.ShowMessage(kIncorrectFileName);
        return;
    }
    QString error;
    if (!textfile::WriteAtomically(path, FormatMonitorFile(bareName, valueFormat_, grids_), &error))
        ws_.dialogs.ShowMessage(CannotWriteFile(path, error));
}

void TMoniForm::Button5Click()
{
    const QString path = ws_.dialogs.AskOpenFile(kMonitorFileFilter);
    if (path.isEmpty())
        return;
    const std::optional<QStringList> lines = textfile::ReadLines(path);
    if (!lines) {
        ws_.dialogs.ShowMessage(CannotReadFile(path));
        return;
    }
    const std::optional<MonitorSnapshot> snapshot = ParseMonitorFile(*lines);
    if (!snapshot) {
        ws_.dialogs.ShowMessage(kMonitorFileEndsEarly);
        return;
    }
    Label13->setText(snapshot->fileLabel);
    if (!snapshot->formatKnown)
        ws_.dialogs.ShowMessage(kIncorrectData);
    showValueFormat(snapshot->formatCaption);
    ApplySnapshotCells(grids_, *snapshot);
    showAllGrids();
}

void TMoniForm::Button3Click()
{
    windowprint::PrintWindowOnChosenPrinter(*this, ws_.dialogs);
}
