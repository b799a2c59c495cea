#include "recording/RecordingPlot.h"

#include "trend/graph/TracePalette.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace recording {

namespace {

// The shortest span shows about this many rows.
constexpr std::int64_t kShortestSpanRows = 20;
// One notch of a mouse wheel, in its eighths of a degree.
constexpr double kWheelNotch = 120.0;
// A press that moves no further than this is a click, not a drag.
constexpr int kClickSlack = 2;

} // namespace

RecordingPlot::RecordingPlot(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(200, 120);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void RecordingPlot::setRecording(std::shared_ptr<const LoadedRecording> recording)
{
    recording_ = std::move(recording);
    drawing_ = std::make_unique<RecordingPicture>(recording_->data, recording_->pyramids);
    shown_.assign(recording_->data.channels.size(), true);
    const std::vector<std::int64_t> &times = recording_->data.timesMs;
    const std::int64_t whole = times.empty() ? 1 : std::max<std::int64_t>(times.back() - times.front(), 1);
    const std::int64_t rows = std::max<std::int64_t>(static_cast<std::int64_t>(times.size()), 1);
    span_.emplace(times.empty() ? 0 : times.front(), times.empty() ? 1 : times.back() + 1,
                  std::max<std::int64_t>(whole * kShortestSpanRows / rows, 1));
    spanMoved();
}

void RecordingPlot::setShownChannels(const std::vector<bool> &shown)
{
    shown_ = shown;
    pictureStale_ = true;
    update();
}

void RecordingPlot::setReferences(const std::vector<Reference> &references)
{
    references_ = references;
    pictureStale_ = true;
    update();
}

void RecordingPlot::spanMoved()
{
    pictureStale_ = true;
    update();
    emit spanChanged();
}

void RecordingPlot::showWhole()
{
    if (!span_)
        return;
    span_->showWhole();
    spanMoved();
}

void RecordingPlot::zoom(double factor, double anchor)
{
    if (!span_)
        return;
    span_->zoom(factor, anchor);
    spanMoved();
}

void RecordingPlot::pan(double fraction)
{
    if (!span_)
        return;
    span_->pan(fraction);
    spanMoved();
}

void RecordingPlot::moveSpanTo(std::int64_t startMs)
{
    if (!span_)
        return;
    span_->moveTo(startMs);
    spanMoved();
}

std::int64_t RecordingPlot::timeAt(double x) const
{
    if (!span_ || width() <= 0)
        return 0;
    return span_->startMs() + static_cast<std::int64_t>(x * span_->lengthMs() / width());
}

void RecordingPlot::setCursorA(std::int64_t timeMs)
{
    if (!recording_)
        return;
    cursorARow_ = rowNearest(recording_->data, timeMs);
    update();
    emit cursorsChanged();
}

void RecordingPlot::setCursorB(std::int64_t timeMs)
{
    if (!recording_)
        return;
    cursorBRow_ = rowNearest(recording_->data, timeMs);
    update();
    emit cursorsChanged();
}

void RecordingPlot::drawCursor(QPainter &painter, std::optional<std::size_t> row, QRgb colour) const
{
    if (!row || !span_)
        return;
    const std::int64_t ms = recording_->data.timesMs[*row];
    if (ms < span_->startMs() || ms >= span_->endMs())
        return;
    const int x = static_cast<int>((ms - span_->startMs()) * width() / span_->lengthMs());
    painter.setPen(QPen(QColor::fromRgb(colour), 1, Qt::DashLine));
    painter.drawLine(x, 0, x, height() - RecordingPicture::kAxisHeight);
}

const QImage &RecordingPlot::picture()
{
    if (pictureStale_ || picture_.size() != size()) {
        if (drawing_ && span_) {
            picture_ = drawing_->draw(size(), span_->startMs(), span_->endMs(), shown_, true, references_);
        } else {
            picture_ = QImage(size(), QImage::Format_RGB32);
            picture_.fill(RecordingPicture::kBackground);
        }
        pictureStale_ = false;
    }
    return picture_;
}

void RecordingPlot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, picture());
    drawCursor(painter, cursorARow_, kCursorColour);
    drawCursor(painter, cursorBRow_, kSecondCursorColour);
}

void RecordingPlot::resizeEvent(QResizeEvent *)
{
    pictureStale_ = true;
}

void RecordingPlot::wheelEvent(QWheelEvent *event)
{
    const QPoint angle = event->angleDelta();
    const double anchor = width() > 0 ? event->position().x() / width() : 0.5;
    if (angle.x() != 0 || event->modifiers() & Qt::ControlModifier) {
        const int steps = angle.x() != 0 ? -angle.x() : -angle.y();
        pan(kPanStep * steps / kWheelNotch);
    } else if (angle.y() != 0) {
        zoom(std::pow(1.0 - kZoomStep, angle.y() / kWheelNotch), anchor);
    }
    event->accept();
}

void RecordingPlot::keyPressEvent(QKeyEvent *event)
{
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (control && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
        emit referenceStepWanted(event->key() == Qt::Key_Left ? -1 : 1);
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoom(1.0 - kZoomStep);
        break;
    case Qt::Key_Minus:
        zoom(1.0 / (1.0 - kZoomStep));
        break;
    case Qt::Key_Left:
        pan(-kPanStep);
        break;
    case Qt::Key_Right:
        pan(kPanStep);
        break;
    case Qt::Key_Home:
        showWhole();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void RecordingPlot::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && span_) {
        dragFromX_ = qRound(event->position().x());
        dragFromStartMs_ = span_->startMs();
        dragged_ = false;
        if (event->modifiers() & Qt::ShiftModifier) {
            rubberBand_ = new QRubberBand(QRubberBand::Rectangle, this);
            rubberBand_->setGeometry(*dragFromX_, 0, 1, height());
            rubberBand_->show();
        }
    } else if (event->button() == Qt::RightButton) {
        setCursorB(timeAt(event->position().x()));
    }
}

void RecordingPlot::mouseMoveEvent(QMouseEvent *event)
{
    if (!span_ || width() <= 0)
        return;
    const double x = event->position().x();
    if (dragFromX_ && std::abs(x - *dragFromX_) > kClickSlack)
        dragged_ = true;
    if (dragFromX_ && rubberBand_) {
        const int from = std::min(*dragFromX_, qRound(x)), to = std::max(*dragFromX_, qRound(x));
        rubberBand_->setGeometry(from, 0, to - from + 1, height());
    } else if (dragFromX_ && dragged_) {
        const double movedMs = (x - *dragFromX_) * span_->lengthMs() / width();
        moveSpanTo(dragFromStartMs_ - static_cast<std::int64_t>(movedMs));
    }
    emit hovered(timeAt(x));
}

void RecordingPlot::mouseReleaseEvent(QMouseEvent *event)
{
    const double x = event->position().x();
    if (event->button() == Qt::LeftButton && dragFromX_ && rubberBand_) {
        // The rubber band's stretch becomes the span.
        delete rubberBand_.data();
        if (dragged_ && span_) {
            span_->show(timeAt(std::min<double>(*dragFromX_, x)), timeAt(std::max<double>(*dragFromX_, x)));
            spanMoved();
        }
    } else if (event->button() == Qt::LeftButton && dragFromX_ && !dragged_) {
        setCursorA(timeAt(x));
    }
    dragFromX_.reset();
}

} // namespace recording
