#pragma once
// A picture of the Trend Graph (the graph, the colour key): paints its image at its top left
// corner, only the part asked for, and reports a mouse press with its x: a Shift press to
// onShiftPress when that is set, any other (whichever button) to onPress.

#include <QImage>
#include <QWidget>
#include <functional>

class PictureWidget : public QWidget {
    Q_OBJECT
public:
    PictureWidget(const QImage &image, QWidget *parent);

    std::function<void(int x)> onPress;
    std::function<void(int x)> onShiftPress;
    std::function<void(const QPoint &globalPos)> onContextMenu;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    const QImage &image_;
};
