#include "base/WindowLook.h"

namespace windowlook {

QFont courierNew(int pixelSize)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace windowlook
