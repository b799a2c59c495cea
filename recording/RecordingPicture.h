#pragma once
// The picture of a recording over a span of its time, without widgets: word channels as lines in
// one area at the top, each scaled from its own smallest to its largest value in the recording,
// logic channels as steps in lanes of their own below, and a time axis at the bottom. Every pixel
// column shows the minimum and maximum of its rows from the channel's pyramid, so a single-sample
// spike stays visible however much is shown. Rows are joined only when they follow one another,
// both good and not further apart than a gap: a failed read or a pause in the recording is drawn
// as the gap it is, and so are the rows between two windows of a triggered recording, at every
// zoom. The trigger rows are marked on the time axis.

#include "recording/MinMaxPyramid.h"
#include "recording/RecordingData.h"
#include "recording/ReferenceAlignment.h"

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QSize>
#include <vector>

namespace recording {

// One trace as it is filled in: the run [tops[x], bottoms[x]] of each pixel column in one colour
// (the column's minimum to maximum, and the line that joins it to the column before); a column
// without a run has its top below its bottom.
struct ColumnRuns {
    QRgb colour;
    std::vector<int> tops;
    std::vector<int> bottoms;
};

class RecordingPicture {
public:
    static constexpr int kAxisHeight = 20;
    static constexpr int kLogicLaneHeight = 24;
    static constexpr QRgb kBackground = 0xFF000000u;

    // Both are kept by reference and must outlive the picture; one pyramid per channel.
    RecordingPicture(const RecordingData &data, const std::vector<MinMaxPyramid> &pyramids);

    // The picture of [startMs, endMs) at `size`, channels whose entry in `shown` is true; with
    // `withAxis` false the whole height is for the traces (the overview strip). The references'
    // matching channels are drawn behind, dimmed, on the same scale.
    QImage draw(QSize size, std::int64_t startMs, std::int64_t endMs, const std::vector<bool> &shown,
                bool withAxis = true, const std::vector<Reference> &references = {}) const;

    // Where the word channels go, and the lane of the n-th shown logic channel, in a picture of
    // `size` with `logicLanes` logic channels shown.
    static QRect wordArea(QSize size, int logicLanes, bool withAxis = true);
    static QRect logicLane(QSize size, int logicLanes, int lane, bool withAxis = true);

private:
    // One channel's reads as drawn: their rows per pixel column, the scale and the colour.
    struct Trace {
        const RecordingData &data;
        const RecordingChannel &samples;
        const MinMaxPyramid &pyramid;
        const std::vector<std::size_t> &rows; // the first row of each column, and one past the last
        MinMax scale;
        QRgb colour;
        std::int64_t gapMs;
        int power = 0; // brings the values to the scale's power of ten (a reference's column)
    };
    static ColumnRuns traceRuns(const Trace &trace, QRect area);
    void drawAxis(QImage &image, std::int64_t startMs, std::int64_t endMs) const;
    // A triangle in the Trend Graph's trigger colour on the time axis at every trigger row shown.
    void drawTriggerMarks(QPainter &painter, int axisTop, std::int64_t startMs, std::int64_t endMs) const;

    const RecordingData &data_;
    const std::vector<MinMaxPyramid> &pyramids_;
    std::vector<MinMax> wholeRanges_; // per channel, over every row
    std::int64_t gapMs_;
};

// The Trend Graph's colour of a channel of the recording.
QRgb channelColour(const RecordingChannel &channel);

} // namespace recording
