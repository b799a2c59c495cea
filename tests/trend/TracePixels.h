#pragma once
// The trace colours as a test reads them back from a graph layer, and counts over a layer's pixels.

#include <QImage>
#include <QRgb>

namespace tracepixels {

inline constexpr QRgb kBlack = 0xFF000000u;
inline constexpr QRgb kWhite = 0xFFFFFFFFu;
inline constexpr QRgb kRed = 0xFFFF0000u;
inline constexpr QRgb kLime = 0xFF00FF00u;

inline QRgb pixel(const QImage &image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

inline int painted(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += pixel(image, x, y) != kBlack;
    return n;
}

inline int whiteCount(const QImage &image, int y)
{
    int n = 0;
    for (int x = 0; x < image.width(); ++x)
        n += pixel(image, x, y) == kWhite;
    return n;
}

} // namespace tracepixels
