// The graph's pixels without a window: the grid, the raster rules, where a value lies, recorded
// traces, the cursor, the composition and the colour key, and the ring's rows unrolled for drawing.

#include "tests/support/TestEnvironment.h"
#include "tests/trend/TracePixels.h"
#include "trend/graph/GraphLayers.h"
#include "trend/graph/Raster.h"

#include <QtTest>

using namespace tracepixels;

class TestGraphPixels : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }

    void gridLayer();
    void rasterRules();
    void verticalRule();
    void recordedTraces();
    void cursorCompositionAndKey();
    void unrollSamples();
};

void TestGraphPixels::gridLayer()
{
    GraphLayers layers;
    cursor::Position cursorA;
    cursorA.x = 10;
    layers.initGraphLayers(cursorA);
    QCOMPARE(cursorA.x, 498);

    for (int y : {100, 200, 300})
        QCOMPARE(whiteCount(layers.grid, y), 500);
    for (int y : {279, 319, 339, 359, 379}) {
        QCOMPARE(whiteCount(layers.grid, y), 250);
        QCOMPARE(pixel(layers.grid, 0, y), kWhite);
        QCOMPARE(pixel(layers.grid, 1, y), kBlack);
        QCOMPARE(pixel(layers.grid, 498, y), kWhite);
    }
    for (int y : {299, 289, 278, 280, 399})
        QCOMPARE(whiteCount(layers.grid, y), 0);
    // Ticks on the zero line from 197 to 202: 49 of them, at x = 10 .. 490.
    QCOMPARE(whiteCount(layers.grid, 197), 49);
    QCOMPARE(whiteCount(layers.grid, 202), 49);
    QCOMPARE(whiteCount(layers.grid, 196), 0);
    QCOMPARE(whiteCount(layers.grid, 203), 0);
    QCOMPARE(pixel(layers.grid, 10, 198), kWhite);
    QCOMPARE(pixel(layers.grid, 490, 198), kWhite);
    QCOMPARE(pixel(layers.grid, 500 - 5, 198), kBlack);

    // The first picture: the grid, no cursor, nothing in the extra column and row.
    QCOMPARE(pixel(layers.visible, 498, 50), kBlack);
    QCOMPARE(pixel(layers.visible, 3, 100), kWhite);
    QCOMPARE(pixel(layers.visible, 500, 100), kBlack);
    QCOMPARE(pixel(layers.visible, 3, 400), kBlack);
}

void TestGraphPixels::rasterRules()
{
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(kBlack);
    raster::fillRect(image, 2, 3, 5, 6, kRed);
    QCOMPARE(pixel(image, 2, 3), kRed);
    QCOMPARE(pixel(image, 4, 5), kRed);
    QCOMPARE(pixel(image, 5, 5), kBlack);
    QCOMPARE(pixel(image, 4, 6), kBlack);

    image.fill(kBlack);
    raster::drawLine(image, 1, 1, 5, 5, kRed);
    for (int i = 1; i < 5; ++i)
        QCOMPARE(pixel(image, i, i), kRed);
    QCOMPARE(pixel(image, 5, 5), kBlack); // the end point is not painted
    raster::drawLine(image, 7, 7, 7, 7, kRed);
    QCOMPARE(pixel(image, 7, 7), kBlack);
    // Right to left and clipped: starts outside, paints only what lies inside.
    raster::drawLine(image, 20, 8, -5, 8, kLime);
    QCOMPARE(pixel(image, 9, 8), kLime);
    QCOMPARE(pixel(image, 0, 8), kLime);
    // A line billions of pixels long costs no more than the visible part.
    raster::drawLine(image, 3, 2000000000, 3, -2000000000, kWhite);
    QCOMPARE(pixel(image, 3, 0), kWhite);
    QCOMPARE(pixel(image, 3, 9), kWhite);
}

void TestGraphPixels::verticalRule()
{
    QCOMPARE(analogY(20000, 20000), 0);
    QCOMPARE(analogY(-20000, 20000), 400);
    QCOMPARE(analogY(10000, 20000), 100);
    QCOMPARE(analogY(0, 20000), 200);
    QCOMPARE(analogY(32767, 20000), -127);
    QCOMPARE(analogY(-99, 20000), 200);       // -0.99 truncates toward zero
    QCOMPARE(analogY(10000, -20000), 300);    // a negative scale turns the trace upside down
    QCOMPARE(analogY(12345, 0), 200);         // no division by zero
    QCOMPARE(analogY(20000000, 1), 200 - static_cast<std::int32_t>(4000000000LL - 4294967296LL)); // 32-bit product
    QCOMPARE(logicY(7, true), 269);
    QCOMPARE(logicY(7, false), 279);
    QCOMPARE(logicY(13, true), 389);
    QCOMPARE(verticalPosition(8, 5, 0), 289);
}

void TestGraphPixels::recordedTraces()
{
    GraphLayers layers;
    TrendData data;
    cursor::Position cursorA;
    layers.initGraphLayers(cursorA);
    data.selectedChannels = {0, 8};
    data.channelScale[0] = 20000;
    data.channelScale[8] = 1;
    // Channel 0: 0, +FS, -FS; channel 8 (lime): low, high, high.
    data.displayRows[0][0] = 0;
    data.displayRows[1][0] = 20000;
    data.displayRows[2][0] = -20000;
    data.displayRows[0][8] = 0;
    data.displayRows[1][8] = 1;
    data.displayRows[2][8] = 1;

    data.rowCount = 1; // one row only sets the starting points
    layers.drawRecordedTraces(data);
    QCOMPARE(painted(layers.trace), 0);

    data.rowCount = 3;
    layers.drawRecordedTraces(data);
    QCOMPARE(pixel(layers.trace, 0, 200), kRed); // from (0, 200) up to (2, 0)
    QCOMPARE(pixel(layers.trace, 2, 0), kRed);   // and down to (4, 400)
    QCOMPARE(pixel(layers.trace, 3, 250), kRed);
    QCOMPARE(pixel(layers.trace, 4, 399), kRed);
    QCOMPARE(pixel(layers.trace, 5, 399), kBlack);
    QCOMPARE(pixel(layers.trace, 0, 295), kLime); // step up at the previous sample's x
    QCOMPARE(pixel(layers.trace, 1, 289), kLime);
    QCOMPARE(pixel(layers.trace, 3, 289), kLime);
    QCOMPARE(pixel(layers.trace, 1, 299), kBlack);
    QCOMPARE(pixel(layers.trace, 4, 289), kBlack);
    QCOMPARE(layers.pen.x, 6);
    QCOMPARE(layers.pen.previousX, 4);
    QCOMPARE(layers.pen.previousY[0], 400);
}

void TestGraphPixels::cursorCompositionAndKey()
{
    GraphLayers layers;
    cursor::Position cursorA;
    layers.initGraphLayers(cursorA);
    layers.drawCursorLayer(7);
    QCOMPARE(pixel(layers.cursor, 7, 0), kWhite);
    QCOMPARE(pixel(layers.cursor, 7, 1), kBlack);
    QCOMPARE(pixel(layers.cursor, 7, 398), kWhite);
    QCOMPARE(pixel(layers.cursor, 7, 399), kBlack);
    QCOMPARE(whiteCount(layers.cursor, 50), 1);

    raster::drawLine(layers.trace, 0, 150, 500, 150, kRed);
    raster::drawLine(layers.trace, 0, 100, 500, 100, kRed);
    layers.composeGraph(true);
    QCOMPARE(pixel(layers.visible, 20, 150), kRed);
    QCOMPARE(pixel(layers.visible, 20, 100), kWhite); // the grid stays white over a trace
    QCOMPARE(pixel(layers.visible, 7, 150), kWhite);  // so does the cursor
    layers.composeGraph(false);
    QCOMPARE(pixel(layers.visible, 7, 150), kRed);

    const QRgb background = qRgb(64, 64, 64);
    std::array<ChannelRecord, kChannels> channels;
    for (auto &r : channels)
        r.selected = false;
    channels[0].selected = true;
    channels[8].selected = true;
    layers.drawColourKey(channels, false, background);
    QCOMPARE(pixel(layers.key, 0, 19), background);
    QCOMPARE(pixel(layers.key, 1, 19), kRed);
    QCOMPARE(pixel(layers.key, 19, 19), kRed);
    QCOMPARE(pixel(layers.key, 5, 39), kLime);  // channel 1
    QCOMPARE(pixel(layers.key, 5, 189), kRed);  // channel 7, after the gap
    QCOMPARE(pixel(layers.key, 5, 309), kWhite); // channel 13
    QCOMPARE(pixel(layers.key, 5, 20), background);
    layers.drawColourKey(channels, true, background);
    QCOMPARE(pixel(layers.key, 5, 19), kRed);
    QCOMPARE(pixel(layers.key, 5, 39), background);
    QCOMPARE(pixel(layers.key, 5, 209), kLime); // channel 8
    QCOMPARE(pixel(layers.key, 5, 309), background);
}

void TestGraphPixels::unrollSamples()
{
    TrendData data;
    for (int r = 0; r < kRingRows; ++r)
        data.sampleRing[r][0] = r;

    data.ringWritePos = 5;
    ::unrollSamples(data);
    QCOMPARE(data.rowCount, 5);
    QCOMPARE(data.displayRows[4][0], 4);

    data.ringWrapped = true;
    data.ringWritePos = 249;
    ::unrollSamples(data);
    QCOMPARE(data.rowCount, 249);
    for (int k = 0; k < 249; ++k)
        QCOMPARE(data.displayRows[k][0], k);

    data.ringWritePos = 10;
    ::unrollSamples(data);
    QCOMPARE(data.rowCount, 249);
    QCOMPARE(data.displayRows[0][0], 11);
    QCOMPARE(data.displayRows[238][0], 249);
    QCOMPARE(data.displayRows[239][0], 0);
    QCOMPARE(data.displayRows[248][0], 9);
}

QTEST_GUILESS_MAIN(TestGraphPixels)
#include "test_graph_pixels.moc"
