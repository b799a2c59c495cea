#include "base/WindowPrint.h"

#include "base/Dialogs.h"

#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QRect>
#include <QWidget>
#include <cmath>

namespace windowprint {

QRect PrintedRect(int width, int height, int printerDpiX, int printerDpiY)
{
    const int w = static_cast<int>(std::lround(static_cast<double>(width) * printerDpiX / 96.0));
    const int h = static_cast<int>(std::lround(static_cast<double>(height) * printerDpiY / 96.0));
    return QRect(0, 0, w, h);
}

bool PrintWindow(QWidget &window, QPrinter &printer)
{
    // On a scaled screen the grab holds more pixels than the window has layout pixels; its size
    // on the screen is the latter.
    const QPixmap picture = window.grab();
    const QSize layoutSize = picture.deviceIndependentSize().toSize();
    // The painter's origin at the corner of what the printer can reach, so that its margins do
    // not cut off the window's title or first column.
    printer.setFullPage(false);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QRect target = PrintedRect(layoutSize.width(), layoutSize.height(), printer.logicalDpiX(),
                                     printer.logicalDpiY());
    painter.drawPixmap(target, picture);
    return painter.end();
}

void PrintWindowOnChosenPrinter(QWidget &window, Dialogs &dialogs)
{
    const std::unique_ptr<QPrinter> printer = dialogs.AskPrinter();
    if (printer && !PrintWindow(window, *printer))
        dialogs.ShowMessage(kPrintFailed);
}

} // namespace windowprint
