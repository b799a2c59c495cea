#include "trend/window/TrendGraphView.h"

#include "base/SaveFailure.h"
#include "base/TextFile.h"
#include "base/TimeText.h"
#include "trend/model/Cursor.h"
#include "trend/graph/GraphPicture.h"
#include "trend/graph/PictureWidget.h"
#include "trend/window/TrendFileStore.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/readout/TrendReadout.h"
#include "trend/graph/TriggerMark.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>
#include <memory>
#include <utility>

namespace {

QString suggestedName(const QString &extension)
{
    return timetext::stampedFileName(kTrendFileStem, extension, QDateTime::currentDateTime());
}

QString pngAtDoubleScale(const QString &path)
{
    const QFileInfo info(path);
    return info.dir().filePath(info.completeBaseName() + kDoubleScaleMark + QLatin1Char('.') + info.suffix());
}

} // namespace

TrendGraphView::TrendGraphView(Workspace &ws, TrendData &data, QWidget *window)
    : QObject(window), ws_(ws), data_(data), window_(window)
{
    picture_ = new PictureWidget(layers_.visible, window);
    picture_->setObjectName(QStringLiteral("GraphPicture"));
    picture_->setToolTip(kGraphTip);
    picture_->setGeometry(kPlace.x(), kPlace.y(), kVisibleWidth, kVisibleHeight);
    picture_->onPress = [this](int x) { clickAt(x); };
    picture_->onShiftPress = [this](int x) { setSecondCursor(x); };
    picture_->onContextMenu = [this](const QPoint &at) {
        updateMenu();
        menu_->popup(at);
    };

    menu_ = new QMenu(window);
    menu_->setObjectName(QStringLiteral("GraphMenu"));
    const auto addAction = [this](const char *name, const QString &caption, void (TrendGraphView::*handler)()) {
        QAction *action = menu_->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    exportCsvAction_ = addAction("ExportCsvAction", kExportCsvCaption, &TrendGraphView::exportCsv);
    exportPictureAction_ = addAction("ExportPictureAction", kExportPictureCaption, &TrendGraphView::exportPicture);
    copyPictureAction_ = addAction("CopyPictureAction", kCopyPictureCaption, &TrendGraphView::copyPicture);
    clearSecondCursorAction_ =
        addAction("ClearSecondCursorAction", kClearSecondCursorCaption, &TrendGraphView::clearSecondCursor);
    readoutAction_ = menu_->addAction(kReadoutCaption);
    readoutAction_->setObjectName(QStringLiteral("ReadoutAction"));
    connect(readoutAction_, &QAction::triggered, this, &TrendGraphView::readoutWindowAsked);
    triggerAction_ = menu_->addAction(kTriggerCaption);
    triggerAction_->setObjectName(QStringLiteral("TriggerAction"));
    connect(triggerAction_, &QAction::triggered, this, &TrendGraphView::triggerDialogAsked);
    referenceAction_ = addAction("ReferenceAction", kReferenceCaption, &TrendGraphView::openReference);
    clearReferenceAction_ = addAction("ClearReferenceAction", kClearReferenceCaption, &TrendGraphView::clearReference);
    menu_->addSeparator();
    recordAction_ = addAction("RecordToFileAction", kRecordToFileCaption, &TrendGraphView::recordToFile);
    updateMenu();

    recordingFlush_ = new QTimer(this);
    recordingFlush_->setInterval(CsvWriter::kFlushInterval);
    connect(recordingFlush_, &QTimer::timeout, this, &TrendGraphView::flushRecording);
}

QRgb TrendGraphView::background() const { return window_->palette().color(QPalette::Window).rgb(); }

void TrendGraphView::setRunState(bool starting, bool active)
{
    runStarting_ = starting;
    runActive_ = active;
}

bool TrendGraphView::rowsShown() const
{
    if (runActive_ || runStarting_)
        return false;
    // After STOP the graph shows the run's rows before REDRAW reads them with the cursor.
    const bool runHasRows = data_.ringWritePos > 0 || data_.ringWrapped;
    return cursorsEnabled_ ? data_.rowCount > 0 : runHasRows;
}

// ---------------------------------------------------------------------------------------------
// Drawing

void TrendGraphView::redrawRecordedTraces() { layers_.drawRecordedTraces(data_); }

void TrendGraphView::drawCursorLayer()
{
    layers_.drawCursorLayer(data_.cursorX);
    if (secondCursorX_)
        drawSecondCursor(layers_.cursor, *secondCursorX_);
    if (triggerMarkX_)
        triggermark::draw(layers_.cursor, *triggerMarkX_);
}

void TrendGraphView::compose(bool withCursor)
{
    layers_.composeGraph(withCursor);
    picture_->update();
}

void TrendGraphView::repaintChangedColumns()
{
    // Painted at once, in the pass's own turn of the event loop, rather than in one more turn
    // after it; as one rectangle, which the painter copies fastest.
    picture_->repaint(layers_.composeChangedColumns().boundingRect());
}

void TrendGraphView::drawColourKey(bool selectedOnly)
{
    layers_.drawColourKey(data_.channels, selectedOnly, background());
    if (keyPicture_)
        keyPicture_->update();
}

// ---------------------------------------------------------------------------------------------
// Cursors

void TrendGraphView::showCursorValues(bool highLow)
{
    if (!showValue_)
        return;
    const cursor::Base base = hex_ ? cursor::Base::Hex : cursor::Base::Dec;
    const cursor::LogicText logic = highLow ? cursor::LogicText::HighLow : cursor::LogicText::Value;
    for (const auto &[channel, text] : cursor::cursorValueTexts(data_, data_.cursorX, base, logic))
        showValue_(channel, text);
}

void TrendGraphView::clickAt(int x)
{
    if (!cursorsEnabled_)
        return;
    if (const std::optional<int> position = cursor::clickPosition(x, data_.rowCount)) {
        moveCursor(*position);
        showCursorValues();
    }
}

void TrendGraphView::stepCursorLeft()
{
    if (const std::optional<int> position = cursor::stepLeft(data_.cursorX, data_.rowCount)) {
        moveCursor(*position);
        showCursorValues(true);
    }
}

void TrendGraphView::stepCursorRight()
{
    if (const std::optional<int> position = cursor::stepRight(data_.cursorX, data_.rowCount)) {
        moveCursor(*position);
        showCursorValues();
    }
}

void TrendGraphView::moveCursor(int x)
{
    data_.cursorX = x;
    drawCursorLayer();
    compose(true);
    emit readoutChanged();
}

void TrendGraphView::setSecondCursor(int x)
{
    // The same condition as moving the first cursor.
    if (!cursorsEnabled_)
        return;
    const std::optional<int> position = cursor::clickPosition(x, data_.rowCount);
    if (!position)
        return;
    secondCursorX_ = *position;
    drawCursorLayer();
    compose(true);
    emit readoutChanged();
}

void TrendGraphView::clearSecondCursor()
{
    if (!secondCursorX_)
        return;
    secondCursorX_.reset();
    // During a run the picture is composed without the cursor layer; it is drawn again at REDRAW.
    drawCursorLayer();
    if (!runActive_)
        compose(true);
    emit readoutChanged();
}

void TrendGraphView::keepSecondCursorOnRows()
{
    if (!secondCursorX_)
        return;
    if (data_.rowCount <= 0)
        secondCursorX_.reset();
    else
        secondCursorX_ = cursor::clickPosition(*secondCursorX_, data_.rowCount);
}

// ---------------------------------------------------------------------------------------------
// Graph menu and export

void TrendGraphView::updateMenu()
{
    const bool shown = rowsShown();
    exportCsvAction_->setEnabled(shown);
    exportPictureAction_->setEnabled(shown);
    copyPictureAction_->setEnabled(shown);
    clearSecondCursorAction_->setEnabled(secondCursorX_.has_value());
    // Before RUN too: the next run then records from its first row.
    recordAction_->setEnabled(!recording_.isOpen());
    clearReferenceAction_->setEnabled(layers_.hasReference());
}

void TrendGraphView::openReference()
{
    auto stored = std::make_unique<TrendData>();
    QString fileName;
    if (TrendFileStore::openInto(ws_.dialogs, *stored, &fileName) != TrendFileStore::OpenOutcome::Opened)
        return;
    layers_.drawReference(*stored);
    compose(cursorsEnabled_);
    emit referenceChanged(kReferenceShown.arg(fileName).arg(stored->rowCount));
}

void TrendGraphView::clearReference()
{
    if (!layers_.hasReference())
        return;
    layers_.clearReference();
    compose(cursorsEnabled_);
    emit referenceChanged(kReferenceCleared);
}

void TrendGraphView::exportCsv()
{
    if (!rowsShown())
        return;
    const QString path = ws_.dialogs.askSaveFile(kCsvFilter, kCsvExtension, suggestedName(kCsvExtension));
    if (path.isEmpty())
        return;
    // Before REDRAW the rows on show are the run's, still in the ring; they are taken as Save does.
    if (!cursorsEnabled_)
        unrollSamples(data_);
    QString error;
    const QByteArray csv = shownRowsCsv_ ? shownRowsCsv_(data_) : readout::shownRowsCsv(data_);
    if (!textfile::writeAtomically(path, csv, &error))
        savefailure::report(ws_.dialogs, kCsvWriteError, path, error);
    else {
        emit saved(kSavedIn.arg(textfile::bareFileName(path), QFileInfo(path).absolutePath()));
        emit rowsExported();
    }
}

QImage TrendGraphView::pictureAtScale(int scale) const
{
    std::vector<graphpicture::KeyEntry> key;
    for (int c : data_.selectedChannels)
        key.push_back({layers_.traceColours[static_cast<std::size_t>(c % 7)],
                       trendcsv::columnName(data_.channels[static_cast<std::size_t>(c)], c)});
    return graphpicture::render(layers_.visible, key, background(), scale);
}

void TrendGraphView::exportPicture()
{
    if (!rowsShown())
        return;
    const QString path = ws_.dialogs.askSaveFile(kPngFilter, kPngExtension, suggestedName(kPngExtension));
    if (path.isEmpty())
        return;
    // Beside the picture at screen scale, one at twice the scale for print and high-density screens.
    const QString doublePath = pngAtDoubleScale(path);
    for (const auto &[scale, file] : {std::pair{1, path}, std::pair{2, doublePath}}) {
        QString error;
        if (!graphpicture::writePng(pictureAtScale(scale), file, &error)) {
            savefailure::report(ws_.dialogs, kPictureWriteError, file, error);
            return;
        }
    }
    emit saved(kSavedIn.arg(kTwoFiles.arg(textfile::bareFileName(path), textfile::bareFileName(doublePath)),
                            QFileInfo(path).absolutePath()));
}

void TrendGraphView::copyPicture()
{
    if (!rowsShown())
        return;
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setImage(pictureAtScale(1));
}

// ---------------------------------------------------------------------------------------------
// Recording

void TrendGraphView::recordToFile()
{
    if (recording_.isOpen())
        return;
    const bool runBefore = runActive_;
    const QString path = ws_.dialogs.askSaveFile(
        kCsvFilter, kCsvExtension,
        timetext::stampedFileName(kRecordingFileStem, kCsvExtension, QDateTime::currentDateTime()));
    // The run may have ended (or begun) while the dialog was open.
    if (path.isEmpty() || runActive_ != runBefore)
        return;
    if (!runActive_) {
        pendingRecordingPath_ = path;
        emit recordingTextChanged(kRecordingFromFirstRow.arg(textfile::bareFileName(path)));
        return;
    }
    startRecording(path, false);
}

void TrendGraphView::beginPendingRecording()
{
    if (pendingRecordingPath_.isEmpty())
        return;
    startRecording(std::exchange(pendingRecordingPath_, QString()), true);
}

void TrendGraphView::startRecording(const QString &path, bool fromFirstRow)
{
    recordingFromFirstRow_ = fromFirstRow;
    if (!recording_.open(path, std::chrono::steady_clock::now())) {
        savefailure::report(ws_.dialogs, kRecordingOpenError, path, recording_.error());
        return;
    }
    // The run's math channels, when it has any, follow the read channels.
    recording_.addHeader(trendcsv::headerLine(trendcsv::selectedColumns(data_) + trendcsv::mathColumns(data_)));
    recordingFlush_->start();
    emit recordingTextChanged(kRecordingTo.arg(textfile::bareFileName(path)));
}

void TrendGraphView::recordPass()
{
    if (!recording_.isOpen())
        return;
    // The row just stored is the one before the ring's write position.
    const auto stored = static_cast<std::size_t>((data_.ringWritePos + kRingRows - 1) % kRingRows);
    const QByteArray line = trendcsv::rowLine(readout::csvRow(data_, data_.sampleRing[stored], data_.rowInfoRing[stored]),
                                              trendcsv::mathCells(data_, data_.mathRing[stored]));
    if (!recording_.addRow(line, std::chrono::steady_clock::now()))
        stopRecordingAfterFailure();
}

void TrendGraphView::flushRecording()
{
    if (recording_.isOpen() && !recording_.flush(std::chrono::steady_clock::now()))
        stopRecordingAfterFailure();
}

void TrendGraphView::stopRecordingAfterFailure()
{
    recordingFlush_->stop();
    savefailure::report(ws_.dialogs, kRecordingWriteError, recording_.path(), recording_.error());
    emit recordingTextChanged(kRecordingStoppedOnWriteFailure);
}

void TrendGraphView::endRecording()
{
    recordingFlush_->stop();
    if (!recording_.isOpen())
        return;
    const std::uint64_t rows = recording_.rows();
    if (!recording_.close()) {
        stopRecordingAfterFailure();
        return;
    }
    emit recordingTextChanged(
        kRecordedRowsTo.arg(rows).arg(textfile::bareFileName(recording_.path())));
}
