#include "trend/tools/ReadoutWindow.h"

#include "base/WindowLook.h"
#include "engineering/EngineeringControls.h"
#include "engineering/EngineeringTexts.h"
#include "trend/model/Cursor.h"
#include "trend/graph/TracePalette.h"
#include "trend/readout/MathReadout.h"
#include "trend/readout/StepFiguresText.h"
#include "trend/model/TrendCsv.h"
#include "trend/readout/TrendGraphTexts.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace engineeringtexts;

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
    const QRgb colour = channel >= mathreadout::kFirstMathRow
                            ? kMathTraceColors[static_cast<std::size_t>((channel - mathreadout::kFirstMathRow) % kMathChannels)]
                            : kTraceColors[static_cast<std::size_t>(channel % 7)];
    painter.fillRect(QRect(3, 3, 8, 8), QColor::fromRgb(colour));
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

    engineering_ = new EngineeringControls(this);
    stepFigures_ = new QLabel(this);
    stepFigures_->setObjectName(QStringLiteral("StepFigures"));
    stepFigures_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(engineering_, &EngineeringControls::changed, this, &ReadoutWindow::optionsChanged);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(header_);
    layout->addWidget(engineering_);
    layout->addWidget(grid_);
    layout->addWidget(stepFigures_);
    stepFigures_->hide();
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
    // Every header says what its column holds.
    for (int column = 0; column < grid_->columnCount(); ++column) {
        if (QTableWidgetItem *header = grid_->horizontalHeaderItem(column))
            header->setToolTip(kReadoutColumnTips.value(column));
    }
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

QCheckBox *ReadoutWindow::engineeringValues() const { return engineering_->engineeringValues(); }
QLabel *ReadoutWindow::unitsNote() const { return engineering_->unitsNote(); }
QComboBox *ReadoutWindow::stepChannel() const { return engineering_->stepChannel(); }
void ReadoutWindow::setUnitsPath(const QString &path) { engineering_->setUnitsPath(path); }

void ReadoutWindow::showRecording(const TrendData &data, bool running, int cursorAX, std::optional<int> cursorBX,
                                  bool hex)
{
    readoutstatistics::ChannelScales scales;
    const UnitsTable *units = engineering_->units();
    if (units)
        scales = readoutstatistics::channelScales(*units, data);
    readoutstatistics::ReadoutTable table =
        readoutstatistics::recordingTableTexts(data, running, cursorAX, cursorBX, hex, units ? &scales : nullptr);
    mathreadout::appendRows(table, data, running, cursorAX, cursorBX);
    showTable(table);

    // A step response of any word channel of the recording.
    std::vector<std::pair<int, QString>> words;
    for (int c : data.selectedChannels)
        if (c >= 0 && c < kAnalogChannels)
            words.emplace_back(c, trendcsv::columnName(data.channels[static_cast<std::size_t>(c)], c));
    engineering_->offerStepChannels(words);
    const int channel = engineering_->chosenStepChannel();
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
    const UnitScale *scale = units && scales[c] ? &*scales[c] : nullptr;
    stepFigures_->setText(
        stepfigurestext::figuresLines(data, channel, *rowA, *rowB, scale, engineering_->bandPercent()).join(u'\n'));
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
