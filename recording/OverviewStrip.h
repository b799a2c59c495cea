#pragma once
// The whole recording in a strip under the traces, the visible span marked on it. Pressing or
// dragging in the strip moves the span so that its middle follows the pointer.

#include "recording/LoadedRecording.h"
#include "recording/RecordingPicture.h"

#include <QImage>
#include <QWidget>
#include <memory>

namespace recording {

class OverviewStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 60;
    static constexpr QRgb kSpanColour = 0xFFC0C0C0u;

    explicit OverviewStrip(QWidget *parent = nullptr);

    void setRecording(std::shared_ptr<const LoadedRecording> recording);
    void setShownChannels(const std::vector<bool> &shown);
    void setSpan(std::int64_t startMs, std::int64_t endMs);
    // Where the span is marked, in the strip's pixels.
    QRect spanMark() const;

signals:
    // The span is to begin at `startMs`.
    void spanMoveWanted(std::int64_t startMs);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    std::int64_t timeAt(double x) const;
    void follow(double x);

    std::shared_ptr<const LoadedRecording> recording_;
    std::unique_ptr<RecordingPicture> drawing_;
    std::vector<bool> shown_;
    QImage picture_;
    std::int64_t wholeStartMs_ = 0;
    std::int64_t wholeEndMs_ = 1;
    std::int64_t spanStartMs_ = 0;
    std::int64_t spanEndMs_ = 1;
};

} // namespace recording
