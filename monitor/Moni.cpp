#include "monitor/Moni.h"

#include "base/WindowLook.h"

#include "base/TextFile.h"
#include "base/WaitLoop.h"
#include "base/WindowPrint.h"
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

    pollTimer_.setSingleShot(true);
    pollTimer_.setInterval(0);
    connect(&pollTimer_, &QTimer::timeout, this, &TMoniForm::AppIdle);

    createControls();
    ws_.monitorWindow = this;
    FormCreate();
}

TMoniForm::~TMoniForm()
{
    // A window destroyed without being closed must not keep the port.
    pollTimer_.stop();
    ws_.link.ComClose(PortUser::Monitor);
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

    connect(Button1, &QPushButton::clicked, this, &TMoniForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TMoniForm::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TMoniForm::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TMoniForm::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TMoniForm::Button5Click);
}

void TMoniForm::FormCreate()
{
    // The grids take their names from the variable list, which the Variables List builds.
    if (!ws_.VarListOpen && ws_.openVarList)
        ws_.openVarList();
    enableFileButtons(false);

    MonitorLayout layout = LayOutNames(ws_.catalogue.VariableList);
    grids_ = std::move(layout.grids);
    dioCount_ = layout.DioCount;
    superBlockOutputCount_ = layout.SuperBlockOutputCount;
    showAllGrids();

    sections_ = MakeSectionTable(dioCount_, superBlockOutputCount_);
    Button2->setText(kRelease);
    showRunState(false);
}

bool TMoniForm::isPolling() const { return Button2->text() == kPause; }

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

void TMoniForm::Button1Click() { Button1->setText(Button1->text() == kDec ? kHex : kDec); }

void TMoniForm::Button2Click()
{
    if (inReleaseWait_)
        return;
    if (isPolling()) {
        stopPolling();
        return;
    }
    if (ws_.link.ComOpen(PortUser::Monitor) != 0)
        return;
    Button2->setText(kPause);
    showRunState(true);
    enableFileButtons(false);

    // The controller needs a moment after the port opens; the window stays alive meanwhile.
    QPointer<TMoniForm> self(this);
    inReleaseWait_ = true;
    waitloop::WaitWhileProcessingEvents(waitloop::WallClockSeconds(), 1);
    if (!self)
        return;
    inReleaseWait_ = false;
    if (closed_ || !isPolling())
        return;
    startPolling();
}

void TMoniForm::startPolling()
{
    readBuffer_.assign(kReadBufferSize, 0);
    pollTimer_.start();
}

void TMoniForm::stopPolling()
{
    pollTimer_.stop();
    readBuffer_.clear();
    readBuffer_.shrink_to_fit();
    ws_.link.ComClose(PortUser::Monitor);
    Button2->setText(kRelease);
    showRunState(false);
    enableFileButtons(true);
}

void TMoniForm::AppIdle()
{
    if (inPass_ || closed_ || !isPolling())
        return;
    inPass_ = true;
    const WordReader read = [this](std::uint32_t address, int words, std::vector<int> &values) {
        if (ws_.link.ComReadBlock('r', static_cast<std::uint16_t>(2 * words), address, readBuffer_) != 0)
            return false;
        values.resize(static_cast<std::size_t>(words));
        for (std::size_t k = 0; k < values.size(); ++k)
            values[k] = SignedWord(readBuffer_[2 * k], readBuffer_[2 * k + 1]);
        return true;
    };
    const PassOutcome outcome = RunPollingPass(grids_, sections_, ws_.catalogue.PointerAddresses,
                                               Button1->text() == kDec, read, [this](int g) { showGrid(g); });
    inPass_ = false;

    if (outcome == PassOutcome::PointersMissing) {
        pollTimer_.stop();
        ws_.dialogs.ShowMessage(kPleaseClickDataRead);
        if (isPolling())
            stopPolling();
        return;
    }
    // A failed read ends only this pass; the next one starts again from the first section.
    if (isPolling() && !closed_)
        pollTimer_.start();
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
    pollTimer_.stop();
    readBuffer_.clear();
    ws_.link.ComClose(PortUser::Monitor);
    if (ws_.displayWindowClosed)
        ws_.displayWindowClosed();
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
    if (!textfile::WriteAtomically(path, FormatMonitorFile(bareName, Button1->text(), grids_), &error))
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
    Button1->setText(snapshot->formatCaption);
    ApplySnapshotCells(grids_, *snapshot);
    showAllGrids();
}

void TMoniForm::Button3Click()
{
    windowprint::PrintWindowOnChosenPrinter(*this, ws_.dialogs);
}
