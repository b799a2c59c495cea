#include "trend/ReadoutWindow.h"

#include "base/WindowLook.h"
#include "engineering/StepResponse.h"
#include "trend/Cursor.h"
#include "trend/GraphLayers.h"
#include "trend/StepFiguresText.h"
#include "trend/TrendCsv.h"
#include "trend/TrendGraphTexts.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTableWidget>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

constexpr QSize kFirstSize{780, 380};
constexpr int kGapToTrendGraph = 8;

// The trace's colour on the graph's black, as the colour key shows it: white and yellow traces
// stay visible on a light table.
QIcon traceSwatch(int channel)
{
    QPixmap swatch(14, 14);
    swatch.fill(Qt::black);
    QPainter painter(&swatch);
    painter.fillRect(QRect(3, 3, 8, 8), QColor::fromRgb(kTraceColors[static_cast<std::size_t>(channel % 7)]));
    return QIcon(swatch);
}

} // namespace

ReadoutWindow::ReadoutWindow(std::optional<QRect> &place, QWidget *trendGraph)
    : QWidget(trendGraph, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), place_(place),
      trendGraph_(trendGraph)
{
    setObjectName(QStringLiteral("ReadoutWindow"));
    setWindowTitle(kReadoutTitle);
    setFont(windowlook::courierNew(12));

    header_ = new QLabel(this);
    header_->setObjectName(QStringLiteral("ReadoutHeader"));
    header_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid_ = new QTableWidget(this);
    grid_->setObjectName(QStringLiteral("ReadoutGrid"));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->verticalHeader()->hide();
    // Fourteen channels fit the window's first size without scrolling.
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    // Nothing in the table is chosen alone: a copy takes all of it.
    grid_->setFocusPolicy(Qt::NoFocus);
    grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid_->setWordWrap(false);

    copyAction_ = new QAction(kReadoutCopyCaption, this);
    copyAction_->setObjectName(QStringLiteral("ReadoutCopyAction"));
    copyAction_->setShortcut(QKeySequence::Copy);
    copyAction_->setShortcutContext(Qt::WindowShortcut);
    connect(copyAction_, &QAction::triggered, this, &ReadoutWindow::copyTable);
    grid_->addAction(copyAction_);
    grid_->setContextMenuPolicy(Qt::ActionsContextMenu);
    addAction(copyAction_);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    engineeringValues_ = new QCheckBox(kEngineeringValuesCaption, this);
    engineeringValues_->setObjectName(QStringLiteral("EngineeringValues"));
    engineeringValues_->setToolTip(kEngineeringValuesTip);
    unitsNote_ = new QLabel(this);
    unitsNote_->setObjectName(QStringLiteral("UnitsNote"));
    stepChannel_ = new QComboBox(this);
    stepChannel_->setObjectName(QStringLiteral("StepChannel"));
    stepChannel_->addItem(kStepNoChannel, -1);
    stepBand_ = new QDoubleSpinBox(this);
    stepBand_->setObjectName(QStringLiteral("StepBand"));
    stepBand_->setRange(0.1, 50.0);
    stepBand_->setDecimals(1);
    stepBand_->setSingleStep(0.5);
    stepBand_->setValue(stepresponse::kDefaultBandPercent);
    stepBand_->setSuffix(QStringLiteral(" %"));
    stepFigures_ = new QLabel(this);
    stepFigures_->setObjectName(QStringLiteral("StepFigures"));
    stepFigures_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(engineeringValues_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            readUnits();
        unitsNote_->setVisible(on);
        emit optionsChanged();
    });
    connect(stepChannel_, &QComboBox::activated, this, &ReadoutWindow::optionsChanged);
    connect(stepBand_, &QDoubleSpinBox::valueChanged, this, &ReadoutWindow::optionsChanged);

    auto *options = new QHBoxLayout;
    options->addWidget(engineeringValues_);
    options->addWidget(unitsNote_, 1);
    options->addWidget(new QLabel(kStepChannelCaption, this));
    options->addWidget(stepChannel_);
    options->addWidget(new QLabel(kStepBandCaption, this));
    options->addWidget(stepBand_);
    unitsNote_->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(header_);
    layout->addLayout(options);
    layout->addWidget(grid_);
    layout->addWidget(stepFigures_);
    stepFigures_->hide();
    unitsPath_ = UnitsTable::defaultPath();
    resize(kFirstSize);
}

QRect ReadoutWindow::placeBesideTrendGraph() const
{
    QRect place(QPoint(trendGraph_->frameGeometry().right() + kGapToTrendGraph, trendGraph_->y()), size());
    // Off the screen's right edge it stands at the edge, over the Trend Graph rather than out of sight.
    if (const QScreen *screen = trendGraph_->screen()) {
        const QRect room = screen->availableGeometry();
        place.moveRight(std::min(place.right(), room.right()));
        place.moveBottom(std::min(place.bottom(), room.bottom()));
        place.moveTopLeft(QPoint(std::max(place.left(), room.left()), std::max(place.top(), room.top())));
    }
    return place;
}

void ReadoutWindow::open()
{
    if (engineeringValues_->isChecked())
        readUnits();
    if (!isVisible())
        setGeometry(place_ ? *place_ : placeBesideTrendGraph());
    show();
    keepPlace();
    raise();
    activateWindow();
}

void ReadoutWindow::showTable(const readoutstatistics::ReadoutTable &table)
{
    table_ = table;
    header_->setText(table.header);
    grid_->setColumnCount(static_cast<int>(table.columns.size()));
    grid_->setHorizontalHeaderLabels(table.columns);
    grid_->setRowCount(static_cast<int>(table.rows.size()));
    for (int r = 0; r < grid_->rowCount(); ++r) {
        const readoutstatistics::ReadoutTable::Row &row = table.rows[static_cast<std::size_t>(r)];
        for (int column = 0; column < grid_->columnCount(); ++column) {
            QTableWidgetItem *item = grid_->item(r, column);
            if (!item) {
                item = new QTableWidgetItem;
                grid_->setItem(r, column, item);
            }
            item->setText(column < row.cells.size() ? row.cells.at(column) : QString());
            if (column == 0) {
                item->setIcon(traceSwatch(row.channel));
                item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            } else {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
        }
    }
    grid_->resizeColumnsToContents();
}

void ReadoutWindow::readUnits()
{
    std::vector<UnitsProblem> problems;
    QString error;
    unitsReadAt_ = QFileInfo(unitsPath_).lastModified();
    units_ = UnitsTable::read(unitsPath_, &problems, &error);
    if (!error.isEmpty()) {
        unitsNote_->setText(kUnitsNotRead.arg(UnitsTable::fileName(), error));
        unitsNote_->setToolTip(unitsPath_);
        return;
    }
    QString note = kUnitsRead.arg(UnitsTable::fileName()).arg(units_.entries().size());
    QStringList tip{unitsPath_};
    if (!problems.empty())
        note += kUnitsLinesIgnored.arg(problems.size());
    for (const UnitsProblem &problem : problems)
        tip << problem.text();
    unitsNote_->setText(note);
    unitsNote_->setToolTip(tip.join(u'\n'));
}

void ReadoutWindow::chooseStepChannels(const TrendData &data)
{
    // The word channels of the recording; the one chosen stays chosen while it is among them.
    const int chosen = stepChannel_->currentData().toInt();
    QList<int> channels{-1};
    for (int c : data.selectedChannels)
        if (c >= 0 && c < kAnalogChannels)
            channels << c;
    QList<int> listed;
    for (int i = 0; i < stepChannel_->count(); ++i)
        listed << stepChannel_->itemData(i).toInt();
    if (listed != channels) {
        stepChannel_->clear();
        for (int c : channels)
            stepChannel_->addItem(c < 0 ? kStepNoChannel : trendcsv::columnName(data.channels[static_cast<std::size_t>(c)], c), c);
    }
    stepChannel_->setCurrentIndex(std::max(0, stepChannel_->findData(chosen)));
}

void ReadoutWindow::showRecording(const TrendData &data, bool running, int cursorAX, std::optional<int> cursorBX,
                                  bool hex)
{
    readoutstatistics::ChannelScales scales;
    const bool engineering = engineeringValues_->isChecked();
    // The units dialog (or an editor) may have changed the file since it was read.
    if (engineering && QFileInfo(unitsPath_).lastModified() != unitsReadAt_)
        readUnits();
    if (engineering)
        scales = readoutstatistics::channelScales(units_, data);
    showTable(readoutstatistics::recordingTableTexts(data, running, cursorAX, cursorBX, hex,
                                                     engineering ? &scales : nullptr));

    chooseStepChannels(data);
    const int channel = stepChannel_->currentData().toInt();
    stepFigures_->setVisible(channel >= 0);
    if (channel < 0)
        return;
    const std::optional<int> rowA = running ? std::nullopt : cursor::rowUnderCursor(cursorAX, data.rowCount);
    const std::optional<int> rowB =
        running || !cursorBX ? std::nullopt : cursor::rowUnderCursor(*cursorBX, data.rowCount);
    if (!rowA || !rowB) {
        stepFigures_->setText(kStepNeedsCursors);
        return;
    }
    const auto c = static_cast<std::size_t>(channel);
    const UnitScale *scale = engineering && scales[c] ? &*scales[c] : nullptr;
    stepFigures_->setText(
        stepfigurestext::figuresLines(data, channel, *rowA, *rowB, scale, stepBand_->value()).join(u'\n'));
}

void ReadoutWindow::copyTable()
{
    QString text = readoutstatistics::tabSeparatedText(table_);
    if (stepFigures_->isVisible() && !stepFigures_->text().isEmpty())
        text += stepFigures_->text() + u'\n';
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(text);
}

void ReadoutWindow::keepPlace()
{
    if (isVisible())
        place_ = geometry();
}

void ReadoutWindow::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    keepPlace();
}

void ReadoutWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    keepPlace();
}

void ReadoutWindow::hideEvent(QHideEvent *event)
{
    place_ = geometry();
    QWidget::hideEvent(event);
}
