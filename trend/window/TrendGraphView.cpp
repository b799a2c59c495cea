#include "trend/window/TrendGraphView.h"

#include "trend/graph/PictureWidget.h"
#include "trend/graph/TriggerMark.h"
#include "trend/model/Cursor.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/window/TrendFileStore.h"

#include <QAction>
#include <QMenu>
#include <memory>

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
    updateMenu();
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

void TrendGraphView::initLayers() { layers_.initGraphLayers(cursor_); }

void TrendGraphView::redrawRecordedTraces() { layers_.drawRecordedTraces(data_); }

void TrendGraphView::drawCursorLayer()
{
    layers_.drawCursorLayer(cursor_.x);
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
    for (const auto &[channel, text] : cursor::cursorValueTexts(data_, cursor_.x, base, logic))
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
    if (const std::optional<int> position = cursor::stepLeft(cursor_.x, data_.rowCount)) {
        moveCursor(*position);
        showCursorValues(true);
    }
}

void TrendGraphView::stepCursorRight()
{
    if (const std::optional<int> position = cursor::stepRight(cursor_.x, data_.rowCount)) {
        moveCursor(*position);
        showCursorValues();
    }
}

void TrendGraphView::moveCursor(int x)
{
    cursor_.x = x;
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
// Graph menu and reference

void TrendGraphView::updateMenu()
{
    clearSecondCursorAction_->setEnabled(secondCursorX_.has_value());
    clearReferenceAction_->setEnabled(layers_.hasReference());
    emit menuUpdated();
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
