#include "trend/graph/Raster.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace raster {
namespace {

std::int64_t sign(std::int64_t v) { return (v > 0) - (v < 0); }

// Steps k of the major axis (0 <= k < count) whose coordinate start + step * k lies in [0, size).
void visibleSteps(std::int64_t start, std::int64_t step, std::int64_t count, std::int64_t size, std::int64_t &first,
                  std::int64_t &last)
{
    first = 0;
    last = count - 1;
    if (step > 0) {
        first = std::max<std::int64_t>(first, -start);
        last = std::min<std::int64_t>(last, size - 1 - start);
    } else if (step < 0) {
        first = std::max<std::int64_t>(first, start - (size - 1));
        last = std::min<std::int64_t>(last, start);
    } else if (start < 0 || start >= size) {
        last = -1;
    }
}

} // namespace

void fillRect(QImage &image, int left, int top, int right, int bottom, QRgb colour)
{
    const int x0 = std::clamp(left, 0, image.width());
    const int y0 = std::max(top, 0);
    const int x1 = std::min(right, image.width());
    const int y1 = std::min(bottom, image.height());
    if (y0 >= y1 || x0 >= x1)
        return;
    // The lines are found from the first one: scanLine() would check the image's sharing each time.
    uchar *first = image.scanLine(y0);
    const qsizetype stride = image.bytesPerLine();
    for (int y = y0; y < y1; ++y) {
        auto *line = reinterpret_cast<QRgb *>(first + (y - y0) * stride);
        std::fill(line + x0, line + x1, colour);
    }
}

// Bresenham's line in closed form: at step k of the major axis the minor axis has moved by
// k * |minor| / |major| rounded half up. Only the steps that fall inside the image are visited, so a
// value far beyond full scale costs no more than one that is drawn.
void drawLine(QImage &image, int x0, int y0, int x1, int y1, QRgb colour, Pen pen)
{
    const std::int64_t dx = std::int64_t{x1} - x0;
    const std::int64_t dy = std::int64_t{y1} - y0;
    const std::int64_t adx = dx < 0 ? -dx : dx;
    const std::int64_t ady = dy < 0 ? -dy : dy;
    const bool xMajor = adx >= ady;
    const std::int64_t count = xMajor ? adx : ady; // the end point itself is not painted
    if (count == 0)
        return;
    const std::int64_t majorStart = xMajor ? x0 : y0;
    const std::int64_t minorStart = xMajor ? y0 : x0;
    const std::int64_t majorStep = sign(xMajor ? dx : dy);
    const std::int64_t minorStep = sign(xMajor ? dy : dx);
    const std::int64_t minorDelta = xMajor ? ady : adx;
    const std::int64_t majorSize = xMajor ? image.width() : image.height();
    const std::int64_t minorSize = xMajor ? image.height() : image.width();
    std::int64_t first = 0;
    std::int64_t last = -1;
    visibleSteps(majorStart, majorStep, count, majorSize, first, last);
    for (std::int64_t k = first; k <= last; ++k) {
        if (pen == Pen::Dotted && (k & 1))
            continue;
        const std::int64_t minor = minorStart + minorStep * ((2 * k * minorDelta + count) / (2 * count));
        if (minor < 0 || minor >= minorSize)
            continue;
        const std::int64_t major = majorStart + majorStep * k;
        const int x = static_cast<int>(xMajor ? major : minor);
        const int y = static_cast<int>(xMajor ? minor : major);
        QRgb &pixel = reinterpret_cast<QRgb *>(image.scanLine(y))[x];
        if (pen != Pen::Behind || pixel == 0xFF000000u)
            pixel = colour;
    }
}

void copy(QImage &target, const QImage &source, int width, int height)
{
    const int w = std::min({width, target.width(), source.width()});
    const int h = std::min({height, target.height(), source.height()});
    for (int y = 0; y < h; ++y)
        std::memcpy(target.scanLine(y), source.constScanLine(y), static_cast<std::size_t>(w) * sizeof(QRgb));
}

void orInto(QImage &target, const QImage &source, int width, int height)
{
    const int w = std::min({width, target.width(), source.width()});
    const int h = std::min({height, target.height(), source.height()});
    for (int y = 0; y < h; ++y) {
        auto *out = reinterpret_cast<QRgb *>(target.scanLine(y));
        const auto *in = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        for (int x = 0; x < w; ++x)
            out[x] |= in[x];
    }
}

} // namespace raster
