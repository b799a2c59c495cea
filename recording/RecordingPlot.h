#pragma once
// The traces of the Recording window over its visible span, with zoom and pan as people expect:
// the wheel zooms about the pointer, Ctrl+wheel (or a sideways wheel) pans, + and - zoom, the
// arrow keys pan, dragging moves the span with the pointer, Shift+drag draws a rubber band whose
// stretch is shown next, Home shows the whole recording. A click
// puts cursor A on the row nearest the pointer, a right click cursor B. Ctrl+Left and Ctrl+Right
// ask for the latest reference to move by a sample. The
// picture is drawn again only when the span, the size or the channels shown change.

#include "recording/LoadedRecording.h"
#include "recording/RecordingPicture.h"
#include "recording/VisibleSpan.h"

#include <QImage>
#include <QPointer>
#include <QRubberBand>
#include <QPainter>
#include <QWidget>
#include <memory>
#include <optional>

namespace recording {

class RecordingPlot : public QWidget {
    Q_OBJECT
public:
    explicit RecordingPlot(QWidget *parent = nullptr);

    void setRecording(std::shared_ptr<const LoadedRecording> recording);
    void setShownChannels(const std::vector<bool> &shown);
    // Drawn behind the recording's traces.
    void setReferences(const std::vector<Reference> &references);
    const std::vector<bool> &shownChannels() const { return shown_; }
    // Null before a recording is set.
    const VisibleSpan *span() const { return span_ ? &*span_ : nullptr; }

    void showWhole();
    void zoom(double factor, double anchor = 0.5);
    void pan(double fraction);
    void moveSpanTo(std::int64_t startMs);
    // The cursors on the rows nearest `timeMs`; none before a recording is set.
    void setCursorA(std::int64_t timeMs);
    void setCursorB(std::int64_t timeMs);
    std::optional<std::size_t> cursorARow() const { return cursorARow_; }
    std::optional<std::size_t> cursorBRow() const { return cursorBRow_; }
    // The time at x in the widget.
    std::int64_t timeAt(double x) const;

    // The picture as shown now, drawn first when it is out of date.
    const QImage &picture();

    // The share of the span one step of +/- zooms by, and one arrow key pans by.
    static constexpr double kZoomStep = 0.5;
    static constexpr double kPanStep = 0.1;

signals:
    void spanChanged();
    void cursorsChanged();
    // Ctrl+Left (-1) or Ctrl+Right (+1).
    void referenceStepWanted(int samples);
    // The time under the pointer, in milliseconds from the first row.
    void hovered(std::int64_t timeMs);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void spanMoved();
    void drawCursor(QPainter &painter, std::optional<std::size_t> row, QRgb colour) const;

    std::shared_ptr<const LoadedRecording> recording_;
    std::unique_ptr<RecordingPicture> drawing_;
    std::optional<VisibleSpan> span_;
    std::vector<bool> shown_;
    std::vector<Reference> references_;
    QImage picture_;
    bool pictureStale_ = true;
    std::optional<std::size_t> cursorARow_;
    std::optional<std::size_t> cursorBRow_;
    std::optional<int> dragFromX_;
    bool dragged_ = false;
    QPointer<QRubberBand> rubberBand_;
    std::int64_t dragFromStartMs_ = 0;
};

} // namespace recording
