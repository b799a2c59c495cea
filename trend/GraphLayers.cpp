#include "trend/GraphLayers.h"

#include <algorithm>
#include <climits>
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
        reinterpret_cast<QRgb *>(image.scanLine(y))[x] = colour;
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

namespace {

constexpr QRgb kBlack = 0xFF000000u;
constexpr QRgb kWhite = 0xFFFFFFFFu;

QImage blackImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kBlack);
    return image;
}

} // namespace

int analogY(std::int32_t value, std::int32_t scale)
{
    if (scale == 0)
        return 200;
    // The product wraps in 32 bits as the controller-side arithmetic did; the division cannot
    // overflow in 64 bits, and the result is kept well inside int so the line code stays exact.
    const auto product = static_cast<std::int32_t>(static_cast<std::int64_t>(value) * 200);
    const std::int64_t y = 200 - std::int64_t{product} / scale;
    return static_cast<int>(std::clamp<std::int64_t>(y, INT_MIN / 4, INT_MAX / 4));
}

int logicY(int channel, bool high) { return 20 * channel + (high ? 129 : 139); }

int verticalPosition(int channel, std::int32_t value, std::int32_t scale)
{
    return channel < kAnalogChannels ? analogY(value, scale) : logicY(channel, value != 0);
}

void unrollSamples(TrendData &data)
{
    int first = 0;
    if (data.ringWrapped) {
        first = (data.ringWritePos + 1) % kRingRows;
        data.rowCount = kRingRows - 1;
    } else {
        data.rowCount = std::clamp(data.ringWritePos, 0, kRingRows - 1);
    }
    for (int k = 0; k < data.rowCount; ++k) {
        data.displayRows[k] = data.sampleRing[(first + k) % kRingRows];
        data.displayRowInfo[k] = data.rowInfoRing[(first + k) % kRingRows];
    }
}

void drawSecondCursor(QImage &cursorLayer, int x)
{
    if (x < 0 || x >= cursorLayer.width())
        return;
    for (int y = 0; y < cursorLayer.height(); ++y) {
        if (y % 9 >= 6)
            continue;
        QRgb &pixel = reinterpret_cast<QRgb *>(cursorLayer.scanLine(y))[x];
        if (pixel == kBlack)
            pixel = kSecondCursorColour;
    }
}

GraphLayers::GraphLayers()
    : grid(blackImage(kGraphWidth, kGraphHeight)), trace(blackImage(kGraphWidth, kGraphHeight)),
      cursor(blackImage(kGraphWidth, kGraphHeight)), compose(blackImage(kGraphWidth, kGraphHeight)),
      visible(blackImage(kVisibleWidth, kVisibleHeight)), key(blackImage(kKeyWidth, kKeyHeight)),
      traceColours(kTraceColors)
{
}

void GraphLayers::initGraphLayers(TrendData &data)
{
    traceColours = kTraceColors;

    grid.fill(kBlack);
    for (int y : {100, 200, 300})
        raster::drawLine(grid, 0, y, kGraphWidth, y, kWhite);
    // The logic rows' low levels; none at 299, where channel 8's row would cross it.
    for (int y : {279, 319, 339, 359, 379})
        raster::drawLine(grid, 0, y, kGraphWidth, y, kWhite, raster::Pen::Dotted);
    for (int x = 10; x <= 490; x += 10)
        raster::drawLine(grid, x, 197, x, 203, kWhite);

    data.cursorX = 498;
    drawCursorLayer(data.cursorX);
    trace.fill(kBlack);
    composeGraph(false);
}

void GraphLayers::drawCursorLayer(int cursorX)
{
    raster::fillRect(cursor, 0, 0, kGraphWidth, kGraphHeight, kBlack);
    raster::drawLine(cursor, cursorX, 0, cursorX, kGraphHeight - 1, kWhite, raster::Pen::Dotted);
}

void GraphLayers::composeGraph(bool withCursor)
{
    raster::copy(compose, trace, kGraphWidth, kGraphHeight);
    raster::orInto(compose, grid, kGraphWidth, kGraphHeight);
    if (withCursor)
        raster::orInto(compose, cursor, kGraphWidth, kGraphHeight);
    raster::copy(visible, compose, kGraphWidth, kGraphHeight);
    changedLeft_ = changedRight_ = 0;
}

void GraphLayers::composeColumns(int left, int right, bool withCursor)
{
    // Each layer's lines are found from its first: scanLine() would check the image's sharing each
    // time.
    const uchar *traceBits = trace.constBits();
    const uchar *gridBits = grid.constBits();
    const uchar *cursorBits = cursor.constBits();
    uchar *composeBits = compose.bits();
    uchar *visibleBits = visible.bits();
    for (int y = 0; y < kGraphHeight; ++y) {
        const auto *t = reinterpret_cast<const QRgb *>(traceBits + y * trace.bytesPerLine());
        const auto *g = reinterpret_cast<const QRgb *>(gridBits + y * grid.bytesPerLine());
        const auto *c = reinterpret_cast<const QRgb *>(cursorBits + y * cursor.bytesPerLine());
        auto *out = reinterpret_cast<QRgb *>(composeBits + y * compose.bytesPerLine());
        auto *shown = reinterpret_cast<QRgb *>(visibleBits + y * visible.bytesPerLine());
        const QRgb cursorMask = withCursor ? 0xFFFFFFFFu : 0u;
        for (int x = left; x < right; ++x) {
            out[x] = t[x] | g[x] | (c[x] & cursorMask);
            shown[x] = out[x];
        }
    }
}

QRect GraphLayers::composeChangedColumns()
{
    const QRect changed(changedLeft_, 0, changedRight_ - changedLeft_, kGraphHeight);
    if (changedRight_ > changedLeft_)
        composeColumns(changedLeft_, changedRight_, false);
    changedLeft_ = changedRight_ = 0;
    return changed;
}

void GraphLayers::traceChanged(int left, int right)
{
    left = std::clamp(left, 0, kGraphWidth);
    right = std::clamp(right, 0, kGraphWidth);
    if (right <= left)
        return;
    if (changedRight_ <= changedLeft_) {
        changedLeft_ = left;
        changedRight_ = right;
    } else {
        changedLeft_ = std::min(changedLeft_, left);
        changedRight_ = std::max(changedRight_, right);
    }
}

void GraphLayers::drawSegment(int channel, const TrendData &data)
{
    traceChanged(std::min(data.previousPenX, data.penX), std::max(data.previousPenX, data.penX) + 1);
    const QRgb colour = traceColours[channel % 7];
    if (channel < kAnalogChannels) {
        raster::drawLine(trace, data.previousPenX, data.previousPenY[channel], data.penX, data.penY[channel], colour);
    } else {
        raster::drawLine(trace, data.previousPenX, data.previousPenY[channel], data.previousPenX, data.penY[channel], colour);
        raster::drawLine(trace, data.previousPenX, data.penY[channel], data.penX, data.penY[channel], colour);
    }
}

void GraphLayers::drawRecordedTraces(TrendData &data)
{
    clearTraceLayer();
    data.previousPenX = 0;
    data.penX = 0;
    data.previousPenY.fill(200);
    const int rows = std::clamp(data.rowCount, 0, kDisplayRowsCapacity);
    for (int i = 0; i < rows; ++i) {
        for (int c : data.selectedChannels) {
            data.penY[c] = verticalPosition(c, data.displayRows[i][c], data.channelScale[c]);
            if (i > 0)
                drawSegment(c, data);
            data.previousPenY[c] = data.penY[c];
        }
        data.previousPenX = data.penX;
        data.penX += 2;
    }
}

void GraphLayers::clearTraceLayer()
{
    raster::fillRect(trace, 0, 0, kGraphWidth, kGraphHeight, kBlack);
    traceChanged(0, kGraphWidth);
}

void GraphLayers::wipeAhead(int prevPenX)
{
    const int left = prevPenX == 0 ? 0 : prevPenX + 1;
    raster::fillRect(trace, left, 0, prevPenX + 11, kGraphHeight, kBlack);
    traceChanged(left, prevPenX + 11);
}

void GraphLayers::drawErrorMark(int x)
{
    raster::drawLine(trace, x, 0, x, kGraphHeight, traceColours[1]);
    traceChanged(x, x + 1);
}

void GraphLayers::drawColourKey(const std::array<ChannelRecord, kChannels> &channels, bool selectedOnly,
                                QRgb background)
{
    raster::fillRect(key, 0, 0, kKeyWidth, kKeyHeight, background);
    for (int c = 0; c < kChannels; ++c) {
        const int y = c < kAnalogChannels ? 20 * c + 19 : 20 * c + 49;
        const bool erase = selectedOnly && !channels[c].selected;
        raster::drawLine(key, 1, y, kKeyWidth, y, erase ? background : traceColours[c % 7]);
    }
}
