#include "base/WindowPrint.h"

#include "base/BaseTexts.h"
#include "base/Dialogs.h"

#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QRect>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace windowprint {

QRect printedRect(int width, int height, int printerDpiX, int printerDpiY, double scale)
{
    const int w = static_cast<int>(std::lround(static_cast<double>(width) * printerDpiX / 96.0 * scale));
    const int h = static_cast<int>(std::lround(static_cast<double>(height) * printerDpiY / 96.0 * scale));
    return QRect(0, 0, w, h);
}

Placement choosePlacement(QSizeF picture, QSizeF printable, QSizeF turnedPrintable, QPageLayout::Orientation chosen)
{
    const QPageLayout::Orientation turned =
        chosen == QPageLayout::Portrait ? QPageLayout::Landscape : QPageLayout::Portrait;
    const auto fits = [&picture](QSizeF area) {
        return picture.width() <= area.width() && picture.height() <= area.height();
    };
    if (fits(printable))
        return {chosen, 1.0};
    if (fits(turnedPrintable))
        return {turned, 1.0};
    const auto scaleIn = [&picture](QSizeF area) {
        return std::min(area.width() / picture.width(), area.height() / picture.height());
    };
    const double asChosen = scaleIn(printable);
    const double asTurned = scaleIn(turnedPrintable);
    return asTurned > asChosen ? Placement{turned, asTurned} : Placement{chosen, asChosen};
}

bool printWindow(QWidget &window, QPrinter &printer)
{
    // On a scaled screen the grab holds more pixels than the window has layout pixels; its size
    // on the screen is the latter.
    const QPixmap picture = window.grab();
    const QSize layoutSize = picture.deviceIndependentSize().toSize();
    // The painter's origin at the corner of what the printer can reach, so that its margins do
    // not cut off the window's title or first column.
    printer.setFullPage(false);
    QPageLayout turnedLayout = printer.pageLayout();
    const QPageLayout::Orientation chosen = turnedLayout.orientation();
    turnedLayout.setOrientation(chosen == QPageLayout::Portrait ? QPageLayout::Landscape : QPageLayout::Portrait);
    const Placement placement = choosePlacement(QSizeF(layoutSize) / 96.0,
                                                printer.pageLayout().paintRect(QPageLayout::Inch).size(),
                                                turnedLayout.paintRect(QPageLayout::Inch).size(), chosen);
    if (placement.orientation != chosen)
        printer.setPageOrientation(placement.orientation);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QRect target = printedRect(layoutSize.width(), layoutSize.height(), printer.logicalDpiX(),
                                     printer.logicalDpiY(), placement.scale);
    painter.drawPixmap(target, picture);
    return painter.end();
}

void printWindowOnChosenPrinter(QWidget &window, Dialogs &dialogs)
{
    const std::unique_ptr<QPrinter> printer = dialogs.askPrinter();
    if (printer && !printWindow(window, *printer))
        dialogs.showMessage(kPrintFailed);
}

} // namespace windowprint
