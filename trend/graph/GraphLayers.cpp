#include "trend/graph/GraphLayers.h"

#include "trend/graph/Raster.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr QRgb kBlack = 0xFF000000u;

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

namespace {

// One channel's segment from (x0, y0) to (x1, y1): a line for an analog channel, a step at x0 for
// a logic one.
void drawChannelSegment(QImage &layer, int channel, int x0, int y0, int x1, int y1, QRgb colour)
{
    if (channel < kAnalogChannels) {
        raster::drawLine(layer, x0, y0, x1, y1, colour);
    } else {
        raster::drawLine(layer, x0, y0, x0, y1, colour);
        raster::drawLine(layer, x0, y1, x1, y1, colour);
    }
}

// The trace pixel where the trace layer has one, else the reference's: the reference lies behind.
inline QRgb traceOverReference(QRgb trace, QRgb reference) { return trace != kBlack ? trace : reference; }

} // namespace

void drawRowTraces(QImage &layer, const TrendData &data, const std::array<QRgb, 7> &colours)
{
    std::array<int, kChannels> previousY{};
    previousY.fill(200);
    const int rows = std::clamp(data.rowCount, 0, kDisplayRowsCapacity);
    for (int i = 0; i < rows; ++i) {
        for (int c : data.selectedChannels) {
            const auto channel = static_cast<std::size_t>(c);
            const int y = verticalPosition(c, data.displayRows[static_cast<std::size_t>(i)][channel],
                                           data.channelScale[channel]);
            if (i > 0)
                drawChannelSegment(layer, c, 2 * i - 2, previousY[channel], 2 * i, y, colours[channel % 7]);
            previousY[channel] = y;
        }
    }
}

int mathY(double value, double fullScale)
{
    if (!(fullScale > 0) || !std::isfinite(value))
        return 200;
    const double y = 200.0 - std::trunc(value * 200.0 / fullScale);
    return static_cast<int>(std::clamp(y, static_cast<double>(INT_MIN / 4), static_cast<double>(INT_MAX / 4)));
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
      cursor(blackImage(kGraphWidth, kGraphHeight)),
      visible(blackImage(kVisibleWidth, kVisibleHeight)), key(blackImage(kKeyWidth, kKeyHeight)),
      reference(blackImage(kGraphWidth, kGraphHeight)), traceColours(kTraceColors)
{
}

void GraphLayers::initGraphLayers(cursor::Position &cursor)
{
    traceColours = kTraceColors;

    grid.fill(kBlack);
    for (int y : {100, 200, 300})
        raster::drawLine(grid, 0, y, kGraphWidth, y, kGridColour);
    // The logic rows' low levels; none at 299, where channel 8's row would cross it.
    for (int y : {279, 319, 339, 359, 379})
        raster::drawLine(grid, 0, y, kGraphWidth, y, kGridColour, raster::Pen::Dotted);
    for (int x = 10; x <= 490; x += 10)
        raster::drawLine(grid, x, 197, x, 203, kGridColour);

    cursor.x = cursor::Position::kRestX;
    drawCursorLayer(cursor.x);
    trace.fill(kBlack);
    composeGraph(false);
}

void GraphLayers::drawCursorLayer(int cursorX)
{
    raster::fillRect(cursor, 0, 0, kGraphWidth, kGraphHeight, kBlack);
    raster::drawLine(cursor, cursorX, 0, cursorX, kGraphHeight - 1, kCursorColour, raster::Pen::Dotted);
}

void GraphLayers::composeGraph(bool withCursor)
{
    if (hasReference_) {
        composeColumns(0, kGraphWidth, withCursor);
    } else {
        raster::copy(visible, trace, kGraphWidth, kGraphHeight);
        raster::orInto(visible, grid, kGraphWidth, kGraphHeight);
        if (withCursor)
            raster::orInto(visible, cursor, kGraphWidth, kGraphHeight);
    }
    changedRuns_ = 0;
}

void GraphLayers::composeColumns(int left, int right, bool withCursor)
{
    // Column by column the layers are read across all their lines, a cache line each: only the
    // layers that take part are touched, and each line is found from the layer's first one
    // (scanLine() would check the image's sharing each time).
    const uchar *traceBits = trace.constBits();
    const uchar *gridBits = grid.constBits();
    const uchar *cursorBits = cursor.constBits();
    const uchar *referenceBits = reference.constBits();
    uchar *visibleBits = visible.bits();
    const qsizetype layerStride = trace.bytesPerLine();
    const qsizetype visibleStride = visible.bytesPerLine();
    for (int y = 0; y < kGraphHeight; ++y) {
        const auto *t = reinterpret_cast<const QRgb *>(traceBits + y * layerStride);
        const auto *g = reinterpret_cast<const QRgb *>(gridBits + y * layerStride);
        auto *shown = reinterpret_cast<QRgb *>(visibleBits + y * visibleStride);
        if (hasReference_) {
            const auto *r = reinterpret_cast<const QRgb *>(referenceBits + y * layerStride);
            const auto *c = reinterpret_cast<const QRgb *>(cursorBits + y * layerStride);
            for (int x = left; x < right; ++x)
                shown[x] = traceOverReference(t[x], r[x]) | g[x] | (withCursor ? c[x] : kBlack);
        } else if (withCursor) {
            const auto *c = reinterpret_cast<const QRgb *>(cursorBits + y * layerStride);
            for (int x = left; x < right; ++x)
                shown[x] = t[x] | g[x] | c[x];
        } else {
            for (int x = left; x < right; ++x)
                shown[x] = t[x] | g[x];
        }
    }
}

QRegion GraphLayers::composeChangedColumns()
{
    QRegion changed;
    for (int k = 0; k < changedRuns_; ++k) {
        const ColumnRun &run = changed_[static_cast<std::size_t>(k)];
        composeColumns(run.left, run.right, false);
        changed += QRect(run.left, 0, run.right - run.left, kGraphHeight);
    }
    changedRuns_ = 0;
    return changed;
}

void GraphLayers::columnsChanged(int left, int right)
{
    left = std::clamp(left, 0, kGraphWidth);
    right = std::clamp(right, 0, kGraphWidth);
    if (right <= left)
        return;
    // Runs that overlap or touch the new one are taken into it.
    for (int k = 0; k < changedRuns_;) {
        const ColumnRun run = changed_[static_cast<std::size_t>(k)];
        if (run.left <= right && left <= run.right) {
            left = std::min(left, run.left);
            right = std::max(right, run.right);
            changed_[static_cast<std::size_t>(k)] = changed_[static_cast<std::size_t>(--changedRuns_)];
        } else {
            ++k;
        }
    }
    if (changedRuns_ == kMaxChangedRuns) {
        for (const ColumnRun &run : changed_) {
            left = std::min(left, run.left);
            right = std::max(right, run.right);
        }
        changedRuns_ = 0;
    }
    changed_[static_cast<std::size_t>(changedRuns_++)] = {left, right};
}

void GraphLayers::traceChanged(int left, int right)
{
    columnsChanged(left, right);
    // What is left of the wiped strip lies right of the pen: the columns up to what was drawn are
    // no longer known black.
    if (left < knownBlack_.right && knownBlack_.left < right)
        knownBlack_.left = std::min(std::max(knownBlack_.left, right), knownBlack_.right);
}

void GraphLayers::fillBlack(int left, int right)
{
    raster::fillRect(trace, left, 0, right, kGraphHeight, kBlack);
    columnsChanged(left, right);
}

void GraphLayers::drawSegment(int channel)
{
    const auto c = static_cast<std::size_t>(channel);
    traceChanged(std::min(pen.previousX, pen.x), std::max(pen.previousX, pen.x) + 1);
    drawChannelSegment(trace, channel, pen.previousX, pen.previousY[c], pen.x, pen.y[c], traceColours[c % 7]);
}

namespace {

// The math channels' display rows two pixels apart from x = 0 behind the traces on `layers`' trace
// layer; a row without a result breaks the line.
void drawMathRows(GraphLayers &layers, const TrendData &data)
{
    const int rows = std::clamp(data.rowCount, 0, kDisplayRowsCapacity);
    const int channels = std::min(static_cast<int>(data.mathChannels.size()), kMathChannels);
    for (int m = 0; m < channels; ++m) {
        const auto channel = static_cast<std::size_t>(m);
        const double fullScale = data.mathChannels[channel].fullScale;
        std::optional<int> previousY;
        for (int i = 0; i < rows; ++i) {
            const std::optional<double> &value = data.displayMathRows[static_cast<std::size_t>(i)][channel];
            if (!value) {
                previousY.reset();
                continue;
            }
            const int y = mathY(*value, fullScale);
            if (previousY)
                layers.drawSegmentBehind(2 * i - 2, *previousY, 2 * i, y, kMathTraceColors[channel]);
            else
                layers.drawSegmentBehind(2 * i, y, 2 * i, y, kMathTraceColors[channel]);
            previousY = y;
        }
    }
}

} // namespace

void GraphLayers::drawRecordedTraces(const TrendData &data)
{
    clearTraceLayer();
    drawRowTraces(trace, data, traceColours);
    drawMathRows(*this, data);
    // The pen stands after the last row, as drawing the rows one pass at a time leaves it.
    const int rows = std::clamp(data.rowCount, 0, kDisplayRowsCapacity);
    pen.x = 2 * rows;
    pen.previousX = rows > 0 ? 2 * rows - 2 : 0;
    pen.previousY.fill(200);
    if (rows > 0) {
        const SampleRow &last = data.displayRows[static_cast<std::size_t>(rows - 1)];
        for (int c : data.selectedChannels) {
            const auto channel = static_cast<std::size_t>(c);
            pen.y[channel] = verticalPosition(c, last[channel], data.channelScale[channel]);
            pen.previousY[channel] = pen.y[channel];
        }
    }
}

void GraphLayers::drawReference(const TrendData &stored)
{
    std::array<QRgb, 7> dimmed{};
    std::transform(traceColours.begin(), traceColours.end(), dimmed.begin(), referenceColour);
    reference.fill(kBlack);
    drawRowTraces(reference, stored, dimmed);
    hasReference_ = true;
}

void GraphLayers::clearReference()
{
    reference.fill(kBlack);
    hasReference_ = false;
}

void GraphLayers::drawSegmentBehind(int x0, int y0, int x1, int y1, QRgb colour)
{
    traceChanged(std::min(x0, x1), std::max(x0, x1) + 1);
    if (x0 == x1 && y0 == y1) {
        if (x0 >= 0 && x0 < trace.width() && y0 >= 0 && y0 < trace.height()) {
            QRgb &pixel = reinterpret_cast<QRgb *>(trace.scanLine(y0))[x0];
            if (pixel == kBlack)
                pixel = colour;
        }
        return;
    }
    raster::drawLine(trace, x0, y0, x1, y1, colour, raster::Pen::Behind);
}

void GraphLayers::clearTraceLayer()
{
    raster::fillRect(trace, 0, 0, kGraphWidth, kGraphHeight, kBlack);
    traceChanged(0, kGraphWidth);
}

void GraphLayers::wipeAhead(int prevPenX)
{
    const int left = prevPenX == 0 ? 0 : prevPenX + 1;
    const int right = std::min(prevPenX + 11, kGraphWidth);
    // Most of the strip is still black from the pass before: only the rest is filled.
    const ColumnRun black = knownBlack_;
    fillBlack(left, std::min(right, black.left));
    fillBlack(std::max(left, black.right), right);
    const bool joined = black.left < black.right && black.left <= right && left <= black.right;
    knownBlack_ = joined ? ColumnRun{std::min(left, black.left), std::max(right, black.right)} : ColumnRun{left, right};
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
