#include "trend/graph/PictureWidget.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>

PictureWidget::PictureWidget(const QImage &image, QWidget *parent) : QWidget(parent), image_(image)
{
    // The image covers the widget: what lies behind it need not be painted first, which spares
    // every sampling pass the window's background under the columns it repaints.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureWidget::paintEvent(QPaintEvent *event)
{
    // Only what needs painting: a sampling pass repaints the few columns it drew.
    QPainter painter(this);
    const QRect area = event->rect() & image_.rect();
    painter.drawImage(area.topLeft(), image_, area);
}

void PictureWidget::mousePressEvent(QMouseEvent *event)
{
    const int x = event->position().toPoint().x();
    // Any button moves the read-out cursor, the right one too; Shift+click sets the second.
    if ((event->modifiers() & Qt::ShiftModifier) && onShiftPress)
        onShiftPress(x);
    else if (onPress)
        onPress(x);
}

void PictureWidget::contextMenuEvent(QContextMenuEvent *event)
{
    if (onContextMenu)
        onContextMenu(event->globalPos());
}
