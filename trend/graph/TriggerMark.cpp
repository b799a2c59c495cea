#include "trend/graph/TriggerMark.h"

#include "trend/graph/TracePalette.h"

namespace {

constexpr QRgb kBlack = 0xFF000000u;

void setIfBlack(QImage &image, int x, int y)
{
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
        return;
    QRgb &pixel = reinterpret_cast<QRgb *>(image.scanLine(y))[x];
    if (pixel == kBlack)
        pixel = kTriggerMarkColour;
}

} // namespace

namespace triggermark {

int letterLeft(int x, int layerWidth)
{
    const int right = x + kLetterGap + 1;
    return right + kLetterWidth <= layerWidth ? right : x - kLetterGap - kLetterWidth;
}

void draw(QImage &cursorLayer, int x)
{
    if (x < 0 || x >= cursorLayer.width())
        return;
    for (int y = 0; y < cursorLayer.height(); ++y)
        setIfBlack(cursorLayer, x, y);
    // "T": its bar across the top of the box, its stem down the middle.
    const int left = letterLeft(x, cursorLayer.width());
    for (int i = 0; i < kLetterWidth; ++i)
        setIfBlack(cursorLayer, left + i, kLetterTop);
    for (int j = 1; j < kLetterHeight; ++j)
        setIfBlack(cursorLayer, left + kLetterWidth / 2, kLetterTop + j);
}

} // namespace triggermark
