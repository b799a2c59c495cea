#include "base/WindowLook.h"

#include <QLabel>
#include <QPushButton>

namespace windowlook {

QFont courierNew(int pixelSize)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(pixelSize);
    return font;
}

QLabel *placeLabel(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    if (name)
        label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    return label;
}

QPushButton *placeButton(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *button = new QPushButton(text, parent);
    if (name)
        button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    return button;
}

} // namespace windowlook
