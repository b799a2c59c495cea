// Read-out band, second cursor and graph menu of the Trend Graph window: CSV and picture export,
// recording every pass of a run to a file, and the line's figures. The texts come from
// TrendReadout; this file only places them.

#include "base/TextFile.h"
#include "base/WindowLook.h"
#include "link/ExchangeStatsText.h"
#include "trend/Cursor.h"
#include "trend/GraphPicture.h"
#include "trend/ReadoutMessages.h"
#include "trend/TrendReadout.h"
#include "trend/Trendgph.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

namespace {

// Band lines under the graph, left of the channel table and below the sample-number captions.
constexpr int kBandLeft = 4;
constexpr int kBandWidth = 544;
constexpr int kBandFontPixels = 10;
constexpr std::chrono::milliseconds kStatsRefresh{250};

QString PngAtDoubleScale(const QString &path)
{
    const QFileInfo info(path);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("@2x.") + info.suffix());
}

} // namespace

void TTrendDspForm::BuildReadoutBand()
{
    const char *names[] = {"ReadoutTime", "ReadoutDifference", "ReadoutStatistics", "ReadoutLine"};
    const QRect places[] = {{kBandLeft, 459, kBandWidth, 12},
                            {kBandLeft, 471, kBandWidth, 24},
                            {kBandLeft, 495, kBandWidth, 24},
                            {kBandLeft, 519, kBandWidth, 12}};
    const QFont bandFont = windowlook::CourierNew(kBandFontPixels);
    for (std::size_t i = 0; i < band_.size(); ++i) {
        auto *line = new QLabel(this);
        line->setObjectName(QLatin1String(names[i]));
        line->setGeometry(places[i]);
        line->setFont(bandFont);
        line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        line->setWordWrap(i == 1 || i == 2);
        band_[i] = line;
    }

    graphMenu_ = new QMenu(this);
    graphMenu_->setObjectName(QStringLiteral("GraphMenu"));
    const auto addAction = [this](const char *name, const QString &caption, void (TTrendDspForm::*handler)()) {
        QAction *action = graphMenu_->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    exportCsvAction_ = addAction("ExportCsvAction", kExportCsvCaption, &TTrendDspForm::ExportCsv);
    exportPictureAction_ = addAction("ExportPictureAction", kExportPictureCaption, &TTrendDspForm::ExportPicture);
    copyPictureAction_ = addAction("CopyPictureAction", kCopyPictureCaption, &TTrendDspForm::CopyPicture);
    clearSecondAction_ =
        addAction("ClearSecondCursorAction", kClearSecondCursorCaption, &TTrendDspForm::ClearSecondCursor);
    graphMenu_->addSeparator();
    recordAction_ = addAction("RecordToFileAction", kRecordToFileCaption, &TTrendDspForm::RecordToFile);
    UpdateGraphMenu();

    image4_->onSecondCursor = [this](int x) { SetSecondCursor(x); };
    image4_->onContextMenu = [this](const QPoint &at) {
        UpdateGraphMenu();
        graphMenu_->popup(at);
    };

    recordingFlush_ = new QTimer(this);
    recordingFlush_->setInterval(CsvRecording::kFlushInterval);
    connect(recordingFlush_, &QTimer::timeout, this, &TTrendDspForm::FlushRecording);
}

bool TTrendDspForm::rowsShown() const
{
    // ">>" is enabled exactly while there is a recording to read and no run draws into the graph.
    return !running_ && !starting_ && button(4)->isEnabled() && data_.rowCount > 0;
}

void TTrendDspForm::UpdateGraphMenu()
{
    const bool shown = rowsShown();
    exportCsvAction_->setEnabled(shown);
    exportPictureAction_->setEnabled(shown);
    copyPictureAction_->setEnabled(shown);
    clearSecondAction_->setEnabled(secondCursorX_.has_value());
    recordAction_->setEnabled(running_ && !recording_.isOpen());
}

// ---------------------------------------------------------------------------------------------
// Second cursor

void TTrendDspForm::SetSecondCursor(int x)
{
    // The same condition as moving the first cursor.
    if (!button(4)->isEnabled())
        return;
    const std::optional<int> position = cursor::ClickPosition(x, data_.rowCount);
    if (!position)
        return;
    secondCursorX_ = *position;
    DrawCursorLayer();
    ComposeGraph(true);
    ShowReadoutBand();
}

void TTrendDspForm::ClearSecondCursor()
{
    if (!secondCursorX_)
        return;
    secondCursorX_.reset();
    // During a run the picture is composed without the cursor layer; it is drawn again at REDRAW.
    DrawCursorLayer();
    if (!running_)
        ComposeGraph(true);
    ShowReadoutBand();
}

void TTrendDspForm::KeepSecondCursorOnRows()
{
    if (!secondCursorX_)
        return;
    if (data_.rowCount <= 0)
        secondCursorX_.reset();
    else
        secondCursorX_ = cursor::ClickPosition(*secondCursorX_, data_.rowCount);
}

void TTrendDspForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && secondCursorX_) {
        ClearSecondCursor();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Band

void TTrendDspForm::ShowReadoutBand()
{
    // Rows shown from a .trd have no time: with one cursor on them the band stays empty.
    const bool timed = [this] {
        const std::optional<int> row = cursor::RowUnderCursor(data_.cursorX, data_.rowCount);
        return row && data_.displayRowInfo[static_cast<std::size_t>(*row)].sinceRunStart.has_value();
    }();
    const bool cursorsShown = button(4)->isEnabled() && !running_;
    QString time;
    QString difference;
    if (cursorsShown && (timed || secondCursorX_)) {
        time = readout::CursorTimeText(data_, data_.cursorX, QStringLiteral("A"));
        if (secondCursorX_) {
            time += QStringLiteral("    ") + readout::CursorTimeText(data_, *secondCursorX_, QStringLiteral("B"));
            if (const auto d = readout::Difference(data_, data_.cursorX, *secondCursorX_))
                difference = readout::DifferenceText(data_, *d, hexShown_);
        }
    }
    band_[0]->setText(time);
    band_[1]->setText(difference);
    band_[2]->setText(runPasses_ == 0 && runStats_.exchanges == 0
                          ? QString()
                          : QStringLiteral("Line: ") +
                                ExchangeStatsText(runStats_, runPasses_, lastPassEnded_ - data_.runStartedSteady,
                                                  QStringLiteral("\n")));
    QStringList events;
    if (!lineEventText_.isEmpty())
        events << lineEventText_;
    if (!recordingText_.isEmpty())
        events << recordingText_;
    band_[3]->setText(events.join(QStringLiteral("   ")));
    statsShown_ = std::chrono::steady_clock::now();
    UpdateGraphMenu();
}

void TTrendDspForm::BeginReadout()
{
    readout::BeginRunClock(data_, QDateTime::currentDateTime(), std::chrono::steady_clock::now());
    runStats_ = ExchangeStats{};
    runPasses_ = 0;
    lastPassEnded_ = data_.runStartedSteady;
    lineEventText_.clear();
    recordingText_.clear();
    secondCursorX_.reset();
    ShowReadoutBand();
}

void TTrendDspForm::TakePassReadout(const sampling::TrendPass &pass)
{
    runStats_.merge(pass.stats);
    ++runPasses_;
    lastPassEnded_ = pass.ended;
    bool showNow = pass.lineEvent != sampling::LineEvent::None;
    if (showNow)
        lineEventText_ = readout::LineEventText(pass.lineEvent, data_, pass.ended);

    if (recording_.isOpen()) {
        // The row just stored is the one before the ring's write position.
        const int stored = (data_.ringWritePos + kRingRows - 1) % kRingRows;
        const QByteArray line = trendcsv::RowLine(readout::CsvRow(
            data_, data_.sampleRing[static_cast<std::size_t>(stored)], data_.rowInfoRing[static_cast<std::size_t>(stored)]));
        if (!recording_.append(line, std::chrono::steady_clock::now())) {
            StopRecordingAfterFailure();
            showNow = true;
        }
    }
    // The figures change with every pass; a few times a second is enough to read them.
    if (showNow || std::chrono::steady_clock::now() - statsShown_ >= kStatsRefresh)
        ShowReadoutBand();
}

// ---------------------------------------------------------------------------------------------
// Recording

void TTrendDspForm::RecordToFile()
{
    if (!running_ || recording_.isOpen())
        return;
    const QString path = ws_.dialogs.AskSaveFile(kCsvFilter, kCsvExtension);
    // The run may have ended while the dialog was open.
    if (path.isEmpty() || !running_)
        return;
    if (!recording_.open(path, trendcsv::HeaderLine(readout::CsvColumns(data_)), std::chrono::steady_clock::now())) {
        ws_.dialogs.ShowMessage(kRecordingOpenError, path + QStringLiteral(": ") + recording_.error());
        return;
    }
    recordingText_ = QStringLiteral("recording to ") + textfile::BareFileName(path);
    recordingFlush_->start();
    ShowReadoutBand();
}

void TTrendDspForm::FlushRecording()
{
    if (recording_.isOpen() && !recording_.flush(std::chrono::steady_clock::now()))
        StopRecordingAfterFailure();
}

void TTrendDspForm::StopRecordingAfterFailure()
{
    recordingFlush_->stop();
    recordingText_ = QStringLiteral("recording stopped: write failed");
    ws_.dialogs.ShowMessage(kRecordingWriteError, recording_.path() + QStringLiteral(": ") + recording_.error());
    ShowReadoutBand();
}

void TTrendDspForm::EndRecording()
{
    if (!recordingFlush_)
        return;
    recordingFlush_->stop();
    if (!recording_.isOpen())
        return;
    const qint64 rows = recording_.rowsWritten();
    if (!recording_.close()) {
        StopRecordingAfterFailure();
        return;
    }
    recordingText_ = QStringLiteral("recorded %1 rows to %2").arg(rows).arg(textfile::BareFileName(recording_.path()));
    ShowReadoutBand();
}

// ---------------------------------------------------------------------------------------------
// Export

void TTrendDspForm::ExportCsv()
{
    if (!rowsShown())
        return;
    const QString path = ws_.dialogs.AskSaveFile(kCsvFilter, kCsvExtension);
    if (path.isEmpty())
        return;
    QString error;
    if (!textfile::WriteAtomically(path, readout::ShownRowsCsv(data_), &error))
        ws_.dialogs.ShowMessage(kCsvWriteError, error);
}

QImage TTrendDspForm::GraphPicture(int scale) const
{
    std::vector<graphpicture::KeyEntry> key;
    for (int c : data_.selectedChannels)
        key.push_back({layers_.TraceColor[static_cast<std::size_t>(c % 7)],
                       trendcsv::ColumnName(data_.channels[static_cast<std::size_t>(c)], c)});
    return graphpicture::Render(layers_.visible, key, backgroundColour(), scale);
}

void TTrendDspForm::ExportPicture()
{
    if (!rowsShown())
        return;
    const QString path = ws_.dialogs.AskSaveFile(kPngFilter, kPngExtension);
    if (path.isEmpty())
        return;
    // Beside the picture at screen scale, one at twice the scale for print and high-density screens.
    const QString doublePath = PngAtDoubleScale(path);
    if (!GraphPicture(1).save(path, "PNG") || !GraphPicture(2).save(doublePath, "PNG"))
        ws_.dialogs.ShowMessage(kPictureWriteError, path);
}

void TTrendDspForm::CopyPicture()
{
    if (!rowsShown())
        return;
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setImage(GraphPicture(1));
}
