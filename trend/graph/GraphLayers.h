#pragma once
// The graph of the Trend Graph window, assembled from off-screen layers: a grid drawn once, a
// trace layer the run extends pass by pass, a cursor layer, and the picture the user sees, composed
// from them. Black is transparent in the composition (bitwise OR), so the white grid and cursor
// stay visible where they cross a trace. Also the colour key strip beside the channel
// table. No widgets here: the window paints `visible` and `key`.

#include "trend/graph/TracePalette.h"
#include "trend/graph/TracePen.h"
#include "trend/model/Cursor.h"
#include "trend/model/RingRows.h"
#include "trend/model/TrendData.h"

#include <QImage>
#include <QRect>
#include <QRegion>
#include <array>
#include <cstdint>

inline constexpr int kVisibleWidth = 501;
inline constexpr int kVisibleHeight = 401;
inline constexpr int kKeyWidth = 20;
inline constexpr int kKeyHeight = 320;

// y of an analog value against its full scale: +full scale at 0, 0 at 200, -full scale at 400
// (32-bit product, division toward zero, not clamped). A scale of 0 puts the value on the zero line.
int analogY(std::int32_t value, std::int32_t scale);
// y of a logic channel (7..13) at its high or low level.
int logicY(int channel, bool high);
// y of a stored row value of `channel` (analog or logic).
int verticalPosition(int channel, std::int32_t value, std::int32_t scale);

// y of a math value against its full scale, as analogY places a word: +full scale at 0, 0 at 200.
int mathY(double value, double fullScale);

// The second read-out cursor: orange dashes (6 on, 3 off) down the cursor layer at x. It sets only
// black pixels, so where it meets the first cursor that one's dots stay.
void drawSecondCursor(QImage &cursorLayer, int x);

// Draws rows 0 .. rowCount - 1 of data's displayRows onto `layer` two pixels apart from x = 0, each
// selected channel in colours[channel mod 7] at its scale. No pen is used or moved.
void drawRowTraces(QImage &layer, const TrendData &data, const std::array<QRgb, 7> &colours);

class GraphLayers {
public:
    GraphLayers();

    QImage grid;
    QImage trace;
    QImage cursor;
    QImage visible; // the picture shown: one pixel wider and higher than the layers
    QImage key;     // the colour key strip
    // A stored recording drawn behind the traces: it shows only where the trace layer is black, so
    // the traces' pixels are the same with or without it.
    QImage reference;
    std::array<QRgb, 7> traceColours{};
    // Where the sweep of a run's traces stands on the trace layer.
    TracePen pen;

    // Grid, the cursor put to its resting place and drawn there, empty traces, composed without the
    // cursor.
    void initGraphLayers(cursor::Position &cursor);
    void drawCursorLayer(int cursorX);
    void composeGraph(bool withCursor);
    // Composes, without the cursor, only the columns of the trace layer drawn on since the last
    // composition, and gives them as an area of `visible` (empty when nothing changed). The
    // picture is the one composeGraph(false) would give.
    QRegion composeChangedColumns();
    // Clears the trace layer and draws all of displayRows with the run's selection and scales, and
    // the math channels' rows behind them; the pen stands after the last row.
    void drawRecordedTraces(const TrendData &data);

    // One channel's segment from (pen.previousX, pen.previousY[c]) to (pen.x, pen.y[c]): a line for
    // an analog channel, a step at pen.previousX for a logic one. pen.previousY[c] is not changed.
    void drawSegment(int channel);
    // A segment of a math channel, drawn behind the traces: only black pixels of the trace layer
    // take it, so the read channels' pixels stay as they are. A segment of no length sets its
    // start pixel.
    void drawSegmentBehind(int x0, int y0, int x1, int y1, QRgb colour);
    void clearTraceLayer();
    // Clears the strip where the next segments will go, right of the previous sample.
    void wipeAhead(int prevPenX);
    // A lime vertical line over the whole height at x: a pass with a failed read.
    void drawErrorMark(int x);

    // Draws `stored`'s rows on the reference layer, dimmed, in place of any reference before; the
    // picture shows it from the next composition. clearReference() takes it away.
    void drawReference(const TrendData &stored);
    void clearReference();
    bool hasReference() const { return hasReference_; }

    // Markers of all channels, or of the channels whose Sel is "ON" only (the others erased).
    void drawColourKey(const std::array<ChannelRecord, kChannels> &channels, bool selectedOnly, QRgb background);

private:
    struct ColumnRun {
        int left = 0;
        int right = 0; // exclusive
    };
    // Columns [left, right) of the trace layer have been drawn on.
    void traceChanged(int left, int right);
    // Columns [left, right) of the trace layer are to be composed again.
    void columnsChanged(int left, int right);
    void fillBlack(int left, int right);
    void composeColumns(int left, int right, bool withCursor);

    // The columns drawn on since the last composition, as a few separate runs: a sampling pass
    // leaves two, its segments at the pen and the strip newly wiped ahead of it. Beyond
    // kMaxChangedRuns they are joined into one.
    static constexpr int kMaxChangedRuns = 4;
    std::array<ColumnRun, kMaxChangedRuns> changed_{};
    int changedRuns_ = 0;
    // Columns of the trace layer that a wipe ahead of the pen left black and that nothing has
    // been drawn on since: the next wipe need not fill them again, nor the composition take them.
    ColumnRun knownBlack_{};
    bool hasReference_ = false;
};
