#pragma once
// Printing a picture of a window: the client area with every visible control, on the first page
// at the top left corner of the printable area, at the size the window has on the screen: its
// size in layout pixels times the printer's resolution over the 96 dots per inch the windows are
// laid out for. A scaled screen (200 %) gives a sharper picture of the same size, not a larger one.

class QWidget;
class QPrinter;
class QImage;
class QRect;

class Dialogs;

#include <QPageLayout>
#include <QSizeF>
#include <QString>

namespace windowprint {

// The rectangle (in printer device pixels, from the corner of the printable area) that a picture
// of `width` x `height` layout pixels takes on the page: (0, 0) and each side times the printer's
// dots per inch / 96 and `scale`, rounded.
QRect printedRect(int width, int height, int printerDpiX, int printerDpiY, double scale = 1.0);

// How a picture goes on the page: in the orientation the user chose when it fits there at its
// physical size, else turned when it fits that way; only when it fits neither way is it scaled
// down (in the orientation that keeps it larger), never cut.
struct Placement {
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    double scale = 1.0;
    bool operator==(const Placement &) const = default;
};
// `picture`, `printable` (in the chosen orientation) and `turnedPrintable` (in the other) in the
// same unit, e.g. inches.
Placement choosePlacement(QSizeF picture, QSizeF printable, QSizeF turnedPrintable, QPageLayout::Orientation chosen);

// Grabs `window` and prints it as one page. False when the printer could not start the job.
bool printWindow(QWidget &window, QPrinter &printer);

// The print command of a window: the print dialog, then the picture on the chosen printer. A
// cancelled dialog prints nothing; a printer that cannot take the job is reported.
void printWindowOnChosenPrinter(QWidget &window, Dialogs &dialogs);

} // namespace windowprint
