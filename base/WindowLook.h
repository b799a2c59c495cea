#pragma once
// The look the windows share.

#include <QFont>
#include <QRect>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace windowlook {

// Courier New at a pixel size, falling back to a monospace face where it is not installed.
QFont courierNew(int pixelSize);

// A label or a button placed at `geometry` in `parent`, named `name` (when given) so that tests and
// the print path find it by its role.
QLabel *placeLabel(QWidget *parent, const char *name, const QString &text, const QRect &geometry);
QPushButton *placeButton(QWidget *parent, const char *name, const QString &text, const QRect &geometry);

} // namespace windowlook
