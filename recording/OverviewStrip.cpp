#include "recording/OverviewStrip.h"

#include <QMouseEvent>
#include <QPainter>

namespace recording {

OverviewStrip::OverviewStrip(QWidget *parent) : QWidget(parent)
{
    setFixedHeight(kHeight);
    setMinimumWidth(200);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void OverviewStrip::setRecording(std::shared_ptr<const LoadedRecording> recording)
{
    recording_ = std::move(recording);
    drawing_ = std::make_unique<RecordingPicture>(recording_->data, recording_->pyramids);
    shown_.assign(recording_->data.channels.size(), true);
    const std::vector<std::int64_t> &times = recording_->data.timesMs;
    wholeStartMs_ = times.empty() ? 0 : times.front();
    wholeEndMs_ = times.empty() ? 1 : times.back() + 1;
    picture_ = QImage();
    update();
}

void OverviewStrip::setShownChannels(const std::vector<bool> &shown)
{
    shown_ = shown;
    picture_ = QImage();
    update();
}

void OverviewStrip::setSpan(std::int64_t startMs, std::int64_t endMs)
{
    spanStartMs_ = startMs;
    spanEndMs_ = endMs;
    update();
}

QRect OverviewStrip::spanMark() const
{
    const double whole = double(wholeEndMs_ - wholeStartMs_);
    const int left = static_cast<int>((spanStartMs_ - wholeStartMs_) * width() / whole);
    const int right = static_cast<int>((spanEndMs_ - wholeStartMs_) * width() / whole);
    return QRect(left, 0, std::max(right - left, 2), height());
}

void OverviewStrip::paintEvent(QPaintEvent *)
{
    if (picture_.size() != size()) {
        picture_ = drawing_ ? drawing_->draw(size(), wholeStartMs_, wholeEndMs_, shown_, false)
                            : QImage(size(), QImage::Format_RGB32);
        if (!drawing_)
            picture_.fill(RecordingPicture::kBackground);
    }
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
    if (!drawing_)
        return;
    const QRect mark = spanMark();
    painter.fillRect(mark, QColor(192, 192, 192, 60));
    painter.setPen(QColor::fromRgb(kSpanColour));
    painter.drawRect(mark.adjusted(0, 0, -1, -1));
}

void OverviewStrip::resizeEvent(QResizeEvent *)
{
    picture_ = QImage();
}

std::int64_t OverviewStrip::timeAt(double x) const
{
    return wholeStartMs_ + static_cast<std::int64_t>(x * (wholeEndMs_ - wholeStartMs_) / std::max(width(), 1));
}

void OverviewStrip::follow(double x)
{
    if (drawing_)
        emit spanMoveWanted(timeAt(x) - (spanEndMs_ - spanStartMs_) / 2);
}

void OverviewStrip::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        follow(event->position().x());
}

void OverviewStrip::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        follow(event->position().x());
}

} // namespace recording
