#include "recording/RecordingPicture.h"

#include "recording/RecordingReadoutTexts.h"
#include "trend/graph/TracePalette.h"

#include <QDateTime>
#include <QPainter>
#include <QTimeZone>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace recording {

namespace {

constexpr int kLogicMargin = 4;
constexpr int kLeastTickSpacing = 110;
constexpr QRgb kAxisColour = 0xFF808080u;
// Half the width of the mark of a trigger row on the time axis.
constexpr int kTriggerMarkSize = 4;

// Columns composed together: the rows of one strip of every trace stay in the cache while each
// trace is laid over the ones before it.
constexpr int kStripColumns = 64;
// Columns of a strip filled at once, a count the compiler turns into vector code.
constexpr int kSelectBlock = 8;
// How far ahead of the column at hand the pyramid is asked to fetch a column's rows.
constexpr int kPrefetchColumns = 4;
constexpr std::size_t kPrefetchLeastRows = 16;

// The pixels of one row of a strip in `colour` where the row lies in the column's run. y lies in
// [top, bottom] when y - top, taken unsigned, is at most bottom - top; a column without a run
// (top the largest int, bottom the smallest) has a length of 1 and no y within reach of its top.
void selectRow(QRgb *__restrict line, const std::uint32_t *__restrict firsts, const std::uint32_t *__restrict lengths,
               int columns, std::uint32_t row, QRgb colour)
{
    int x = 0;
    for (; x + kSelectBlock <= columns; x += kSelectBlock) {
        for (int k = 0; k < kSelectBlock; ++k)
            line[x + k] = row - firsts[x + k] <= lengths[x + k] ? colour : line[x + k];
    }
    for (; x < columns; ++x)
        line[x] = row - firsts[x] <= lengths[x] ? colour : line[x];
}

// A row of a strip all in `colour`, in blocks the compiler turns into vector stores.
void fillRow(QRgb *__restrict line, int columns, QRgb colour)
{
    int x = 0;
    for (; x + kSelectBlock <= columns; x += kSelectBlock) {
        for (int k = 0; k < kSelectBlock; ++k)
            line[x + k] = colour;
    }
    for (; x < columns; ++x)
        line[x] = colour;
}

// Widens column x's run to take in the pixels a line from (x0, y0) to (x1, y1) sets in it (the
// pixels of such a line in one column are one run, and it ends inside the runs of its end
// columns, so the union stays one run).
void addLine(ColumnRuns &runs, int x0, int y0, int x1, int y1)
{
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    const int width = static_cast<int>(runs.tops.size());
    int error = dx + dy;
    for (;;) {
        if (x0 >= 0 && x0 < width) {
            runs.tops[static_cast<std::size_t>(x0)] = std::min(runs.tops[static_cast<std::size_t>(x0)], y0);
            runs.bottoms[static_cast<std::size_t>(x0)] = std::max(runs.bottoms[static_cast<std::size_t>(x0)], y0);
        }
        if (x0 == x1 && y0 == y1)
            return;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x0 += sx;
        }
        if (twice <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

// One strip's rows of one trace: the rows every column of the strip covers as runs of one colour,
// the rows only some columns cover by the compare and select.
void fillStrip(QImage &image, const ColumnRuns &runs, int from, int to, std::vector<std::uint32_t> &firsts,
               std::vector<std::uint32_t> &lengths)
{
    int first = std::numeric_limits<int>::max(), last = std::numeric_limits<int>::min();
    int sharedFirst = std::numeric_limits<int>::min(), sharedLast = std::numeric_limits<int>::max();
    for (int x = from; x < to; ++x) {
        const int top = runs.tops[static_cast<std::size_t>(x)], bottom = runs.bottoms[static_cast<std::size_t>(x)];
        first = std::min(first, top);
        last = std::max(last, bottom);
        sharedFirst = std::max(sharedFirst, top);
        sharedLast = std::min(sharedLast, bottom);
        firsts[static_cast<std::size_t>(x - from)] = static_cast<std::uint32_t>(top);
        lengths[static_cast<std::size_t>(x - from)] = static_cast<std::uint32_t>(bottom) - static_cast<std::uint32_t>(top);
    }
    first = std::max(first, 0);
    last = std::min(last, image.height() - 1);
    uchar *bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const int columns = to - from;
    for (int y = first; y <= last; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(bits + y * stride) + from;
        if (y >= sharedFirst && y <= sharedLast)
            fillRow(line, columns, runs.colour);
        else
            selectRow(line, firsts.data(), lengths.data(), columns, static_cast<std::uint32_t>(y), runs.colour);
    }
}

// Every trace's runs, strip by strip, each trace over the ones before it.
void fillRuns(QImage &image, const std::vector<ColumnRuns> &traces)
{
    std::vector<std::uint32_t> firsts(kStripColumns), lengths(kStripColumns);
    for (int from = 0; from < image.width(); from += kStripColumns) {
        const int to = std::min(image.width(), from + kStripColumns);
        for (const ColumnRuns &runs : traces)
            fillStrip(image, runs, from, to, firsts, lengths);
    }
}

// A tick step of the time axis that leaves at least kLeastTickSpacing pixels between labels.
std::int64_t tickStepMs(std::int64_t spanMs, int width)
{
    static constexpr std::array<std::int64_t, 25> kSteps = {
        10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 15000, 30000, 60000, 120000, 300000, 600000,
        900000, 1800000, 3600000, 7200000, 10800000, 21600000, 43200000, 86400000, 172800000};
    for (std::int64_t step : kSteps) {
        if (step * width >= spanMs * kLeastTickSpacing)
            return step;
    }
    return kSteps.back();
}

// The first row of each of `width` pixel columns over [startMs, endMs), and one past the last.
std::vector<std::size_t> columnRows(const RecordingData &data, int width, std::int64_t startMs, std::int64_t endMs)
{
    std::vector<std::size_t> rows(static_cast<std::size_t>(width) + 1);
    const std::int64_t span = endMs - startMs;
    // Each column's first row is at or after the one before: searched for from there on.
    auto from = data.timesMs.begin();
    for (int x = 0; x <= width; ++x) {
        from = std::lower_bound(from, data.timesMs.end(), startMs + span * x / width);
        rows[static_cast<std::size_t>(x)] = static_cast<std::size_t>(from - data.timesMs.begin());
    }
    return rows;
}

} // namespace

QRgb channelColour(const RecordingChannel &channel)
{
    return kTraceColors[static_cast<std::size_t>(channel.colourIndex) % kTraceColors.size()];
}

RecordingPicture::RecordingPicture(const RecordingData &data, const std::vector<MinMaxPyramid> &pyramids)
    : data_(data), pyramids_(pyramids), gapMs_(gapThresholdMs(data))
{
    for (const MinMaxPyramid &pyramid : pyramids)
        wholeRanges_.push_back(pyramid.range(0, data.rowCount()));
}

QRect RecordingPicture::wordArea(QSize size, int logicLanes, bool withAxis)
{
    const int bottom = size.height() - (withAxis ? kAxisHeight : 0) - logicLanes * kLogicLaneHeight;
    return QRect(0, 0, size.width(), std::max(bottom, 1));
}

QRect RecordingPicture::logicLane(QSize size, int logicLanes, int lane, bool withAxis)
{
    const QRect words = wordArea(size, logicLanes, withAxis);
    return QRect(0, words.bottom() + 1 + lane * kLogicLaneHeight, size.width(), kLogicLaneHeight);
}

QImage RecordingPicture::draw(QSize size, std::int64_t startMs, std::int64_t endMs, const std::vector<bool> &shown,
                              bool withAxis, const std::vector<Reference> &references) const
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kBackground);
    if (size.width() <= 0 || size.height() <= 0 || endMs <= startMs)
        return image;
    const std::vector<std::size_t> rows = columnRows(data_, size.width(), startMs, endMs);
    std::vector<std::vector<std::size_t>> referenceRows;
    std::vector<std::int64_t> referenceGaps;
    for (const Reference &reference : references) {
        const RecordingData &other = reference.recording->data;
        referenceRows.push_back(columnRows(other, size.width(), startMs - reference.offsetMs, endMs - reference.offsetMs));
        referenceGaps.push_back(gapThresholdMs(other));
    }
    int logicLanes = 0;
    for (std::size_t c = 0; c < data_.channels.size(); ++c)
        logicLanes += c < shown.size() && shown[c] && data_.channels[c].logic;
    int lane = 0;
    std::vector<ColumnRuns> traces;
    for (std::size_t c = 0; c < data_.channels.size(); ++c) {
        if (c >= shown.size() || !shown[c])
            continue;
        const RecordingChannel &samples = data_.channels[c];
        const QRect area = samples.logic ? logicLane(size, logicLanes, lane++, withAxis) : wordArea(size, logicLanes, withAxis);
        for (std::size_t r = 0; r < references.size(); ++r) {
            const std::optional<std::size_t> matched = c < references[r].channelOf.size() ? references[r].channelOf[c] : std::nullopt;
            if (!matched)
                continue;
            const LoadedRecording &other = *references[r].recording;
            traces.push_back(traceRuns({other.data, other.data.channels[*matched], other.pyramids[*matched],
                                        referenceRows[r], wholeRanges_[c], ::referenceColour(channelColour(samples)),
                                        referenceGaps[r], references[r].powerFor(c)},
                                       area));
        }
        traces.push_back(traceRuns({data_, samples, pyramids_[c], rows, wholeRanges_[c], channelColour(samples), gapMs_}, area));
    }
    fillRuns(image, traces);
    if (withAxis)
        drawAxis(image, startMs, endMs);
    return image;
}

ColumnRuns RecordingPicture::traceRuns(const Trace &trace, QRect area)
{
    const RecordingChannel &samples = trace.samples;
    const MinMax whole = trace.scale;
    const std::vector<std::size_t> &rows = trace.rows;
    const int width = static_cast<int>(rows.size()) - 1;
    // A column without a run has its top below its bottom.
    ColumnRuns runs{trace.colour, std::vector<int>(static_cast<std::size_t>(width), std::numeric_limits<int>::max()),
                    std::vector<int>(static_cast<std::size_t>(width), std::numeric_limits<int>::min())};
    if (whole.isEmpty())
        return runs;
    const std::int64_t range = std::int64_t{whole.maximum} - whole.minimum;
    auto yOf = [&](std::int32_t value) {
        if (samples.logic)
            return value != 0 ? area.top() + kLogicMargin : area.bottom() - kLogicMargin;
        if (range == 0)
            return area.center().y();
        if (trace.power != 0) {
            const double at = value * powerOfTen(trace.power);
            const double y = area.top() + (whole.maximum - at) * (area.height() - 1) / double(range);
            return static_cast<int>(std::clamp(std::floor(y), double(area.top()), double(area.bottom())));
        }
        const std::int64_t y = area.top() + (std::int64_t{whole.maximum} - value) * (area.height() - 1) / range;
        return static_cast<int>(std::clamp<std::int64_t>(y, area.top(), area.bottom()));
    };
    int previousX = -1;
    std::size_t previousRow = 0;
    int previousY = 0;
    for (int x = 0; x < width; ++x) {
        // Columns of fewer rows walk the memory in steps the cache follows by itself.
        const std::size_t ahead = static_cast<std::size_t>(x + kPrefetchColumns);
        if (ahead <= rows.size() - 1 && rows[ahead] - rows[ahead - 1] >= kPrefetchLeastRows)
            trace.pyramid.prefetch(rows[ahead]);
        const std::size_t first = rows[static_cast<std::size_t>(x)], end = rows[static_cast<std::size_t>(x) + 1];
        if (first >= end)
            continue;
        const MinMax column = trace.pyramid.range(first, end);
        if (column.isEmpty()) {
            previousX = -1;
            continue;
        }
        std::size_t firstGood = first;
        while (!samples.isGood(firstGood))
            ++firstGood;
        std::size_t lastGood = end - 1;
        while (!samples.isGood(lastGood))
            --lastGood;
        int top = yOf(column.maximum), bottom = yOf(column.minimum);
        // The same rows are joined at every zoom: the gap rows found at load part them wherever the
        // columns fall.
        const bool joined = previousX >= 0 && firstGood == previousRow + 1
                            && trace.data.timesMs[firstGood] - trace.data.timesMs[previousRow] <= trace.gapMs
                            && !isGapRow(trace.data, firstGood);
        if (joined && previousX < x - 1) {
            // Columns without a row between: a line to this row, a step for a logic channel.
            const int toY = samples.logic ? previousY : yOf(samples.values[firstGood]);
            addLine(runs, previousX, previousY, x, toY);
        }
        if (joined && (samples.logic || previousX == x - 1)) {
            top = std::min(top, previousY);
            bottom = std::max(bottom, previousY);
        }
        int &runTop = runs.tops[static_cast<std::size_t>(x)];
        int &runBottom = runs.bottoms[static_cast<std::size_t>(x)];
        runTop = std::min(runTop, top);
        runBottom = std::max(runBottom, bottom);
        previousX = x;
        previousRow = lastGood;
        previousY = yOf(samples.values[lastGood]);
    }
    return runs;
}

void RecordingPicture::drawAxis(QImage &image, std::int64_t startMs, std::int64_t endMs) const
{
    QPainter painter(&image);
    const int top = image.height() - kAxisHeight;
    painter.setPen(QColor::fromRgb(kAxisColour));
    painter.drawLine(0, top, image.width() - 1, top);
    const std::int64_t span = endMs - startMs;
    // A .trd's ticks fall on whole rows.
    const std::int64_t step = data_.hasTimes ? tickStepMs(span, image.width())
                                             : std::max<std::int64_t>(tickStepMs(span, image.width()), 1000);
    const std::int64_t origin = data_.hasClockTime ? data_.clockStartMs : 0;
    std::int64_t tick = (origin + startMs + step - 1) / step * step;
    for (; tick < origin + endMs; tick += step) {
        const int x = static_cast<int>((tick - origin - startMs) * image.width() / span);
        painter.drawLine(x, top, x, top + 4);
        QString label;
        if (data_.hasClockTime) {
            const QDateTime at = QDateTime::fromMSecsSinceEpoch(tick, QTimeZone::utc());
            label = at.toString(step < 1000 ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
        } else if (!data_.hasTimes) {
            // A .trd's rows a second apart stand for rows, not seconds; rows are numbered from 1.
            label = kAxisRowText.arg(tick / 1000 + 1);
        } else {
            label = QStringLiteral("%1 s").arg(tick / 1000.0);
        }
        painter.drawText(x + 3, image.height() - 4, label);
    }
    drawTriggerMarks(painter, top, startMs, endMs);
}

void RecordingPicture::drawTriggerMarks(QPainter &painter, int axisTop, std::int64_t startMs, std::int64_t endMs) const
{
    const std::int64_t span = endMs - startMs;
    const int width = painter.device()->width();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgb(kTriggerMarkColour));
    for (const std::size_t row : data_.eventRows) {
        const std::int64_t at = data_.timesMs[row];
        if (at < startMs || at >= endMs)
            continue;
        const int x = static_cast<int>((at - startMs) * width / span);
        // A small triangle hanging from the axis line, its point under the trigger row.
        const QPoint corners[] = {QPoint(x - kTriggerMarkSize, axisTop + 1), QPoint(x + kTriggerMarkSize, axisTop + 1),
                                  QPoint(x, axisTop + 1 + kTriggerMarkSize + 2)};
        painter.drawPolygon(corners, 3);
    }
}

} // namespace recording
