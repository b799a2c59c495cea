// A sampling pass without a window: what it stores and draws, a failed read and its error trace
// line, the ring and the pen wrapping, and composing only the columns a pass changed.

#include "tests/support/TestEnvironment.h"
#include "tests/trend/TracePixels.h"
#include "trend/graph/GraphLayers.h"
#include "trend/graph/Raster.h"
#include "trend/model/RunStart.h"
#include "trend/model/TrendPoll.h"
#include "trend/run/Sampling.h"

#include <QRandomGenerator>
#include <QtTest>
#include <map>

using namespace tracepixels;

class TestSamplingPass : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }

    void passStoresAndDraws();
    void failedReadInPass();
    void ringAndPenWrap();
    void composingChangedColumnsOnly();
};

void TestSamplingPass::passStoresAndDraws()
{
    QCOMPARE(signedWord(0x8000), -32768);
    QCOMPARE(signedWord(0x7FFF), 32767);
    QCOMPARE(signedWord(0xFFFF), -1);

    GraphLayers layers;
    TrendData data;
    cursor::Position cursorA;
    layers.initGraphLayers(cursorA);
    data.selectedChannels = {0, 1, 7, 8, 9};
    data.channelScale = {};
    data.channelScale[0] = 20000;
    data.channelScale[1] = 32767;
    data.channelScale[7] = 8;      // bit 3
    data.channelScale[8] = 8;      // bit 3
    data.channelScale[9] = 65536;  // bit 16 tests a copy of bit 15
    data.channelAddress = {0x10, 0x12, 0, 0, 0, 0, 0, 0x20, 0x22, 0x24};
    runstart::resetRecording(data);
    layers.pen.restart();
    const std::map<std::uint32_t, int> words{{0x10, 0x4E20}, {0x12, 0x8000}, {0x20, 0x0008}, {0x22, 0xFFF7}, {0x24, 0x8000}};
    std::vector<std::uint32_t> asked;
    const auto reader = [&](std::uint32_t a) {
        asked.push_back(a);
        return words.at(a);
    };
    const sampling::PassReadout readout = sampling::runPass(data, layers, reader, nullptr);
    QCOMPARE(asked, (std::vector<std::uint32_t>{0x10, 0x12, 0x20, 0x22, 0x24}));
    QCOMPARE(readout.errorCount, 0);
    const SampleRow &row = data.sampleRing[0];
    QCOMPARE(row[0], 20000);
    QCOMPARE(row[1], -32768);
    QCOMPARE(row[7], 1);
    QCOMPARE(row[8], 0);
    QCOMPARE(row[9], 1);
    QCOMPARE(row[2], 0);
    QCOMPARE(layers.pen.y[0], 0);
    QCOMPARE(layers.pen.y[1], 400);
    QCOMPARE(layers.pen.y[7], 269);
    QCOMPARE(layers.pen.y[8], 299);
    QCOMPARE(layers.pen.previousY[8], 299);
    // The first pass draws from the start levels to the first values, all at x = 0.
    QCOMPARE(pixel(layers.trace, 0, 150), kRed);  // channel 0: from 200 up to 0
    QCOMPARE(pixel(layers.trace, 0, 0), kBlack);  // end point not painted
    QCOMPARE(pixel(layers.trace, 0, 350), kLime); // channel 1: from 200 down to 400
    QCOMPARE(pixel(layers.trace, 0, 279), kRed);  // channel 7: from 280 up to 269
    QCOMPARE(pixel(layers.trace, 0, 270), kRed);
    QCOMPARE(pixel(layers.trace, 0, 269), kLime); // channel 1's line, not channel 7's end
    QCOMPARE(pixel(layers.trace, 1, 150), kBlack);
    QCOMPARE(layers.pen.x, 2);
    QCOMPARE(data.ringWritePos, 1);

    sampling::runPass(data, layers, reader, nullptr);
    QCOMPARE(pixel(layers.trace, 1, 0), kRed);      // channel 0 along the top edge
    QCOMPARE(pixel(layers.visible, 1, 0), kRed);    // composed into the picture
    QCOMPARE(pixel(layers.trace, 1, 269), kRed);
}

void TestSamplingPass::failedReadInPass()
{
    GraphLayers layers;
    TrendData data;
    cursor::Position cursorA;
    layers.initGraphLayers(cursorA);
    data.selectedChannels = {0, 2};
    data.channelScale[0] = data.channelScale[2] = 20000;
    data.channelAddress[0] = 1;
    data.channelAddress[2] = 2;
    runstart::resetRecording(data);
    layers.pen.restart();
    // Something left of an earlier sweep right of the pen survives beyond the wiped strip.
    raster::drawLine(layers.trace, 0, 150, 500, 150, kWhite);
    layers.pen.x = 20;
    layers.pen.previousX = 18;
    data.ringWritePos = 7;
    std::vector<int> codes;
    const auto readout = sampling::runPass(
        data, layers, [](std::uint32_t a) { return a == 2 ? -1 : 100; }, [&](int code) { codes.push_back(code); });
    QCOMPARE(readout.errorCount, 1);
    QCOMPARE(codes, std::vector<int>{-1});
    QCOMPARE(data.sampleRing[7][0], 100);
    QCOMPARE(data.sampleRing[7][2], 0);
    QCOMPARE(pixel(layers.trace, 20, 150), kLime); // the mark over the whole height
    QCOMPARE(pixel(layers.trace, 20, 399), kLime);
    QCOMPARE(pixel(layers.trace, 25, 150), kBlack); // wiped x = 19 .. 28
    QCOMPARE(pixel(layers.trace, 18, 150), kWhite);
    QCOMPARE(pixel(layers.trace, 29, 150), kWhite);

    QCOMPARE(sampling::errorTraceLine("27/02/2000 10:11:12", -1, QByteArray()),
             QByteArray("27/02/2000 10:11:12 Code=-1 Data=\r\n"));
    QCOMPARE(sampling::errorTraceLine("t", -5, QByteArray("\x15" "0E\r\n")),
             QByteArray("t Code=-5 Data=\x15" "0E\r\r\n\r\n"));
    // What failed follows the fields, on the entry's last line; a block read names its bytes.
    trendpoll::ReadFailure failure{-3, QByteArray("\x15" "D"), 9, 0x600E64, 'r', 0x600E60, 28};
    QCOMPARE(sampling::errorTraceLine("t", -3, failure.lastErrorReply, trendpoll::failureWhereText(failure, "SpdFbk.03")),
             QByteArray("t Code=-3 Data=\x15" "D Channel=10:SpdFbk.03 Address=00600E64 Request=r 00600E60+28\r\n"));
    failure = {-1, {}, 0, 0xA, 'R', 0xA, 2};
    QCOMPARE(sampling::errorTraceLine("t", -1, {}, trendpoll::failureWhereText(failure, "0A")),
             QByteArray("t Code=-1 Data= Channel=1:0A Address=0000000A Request=R 0000000A\r\n"));
}

void TestSamplingPass::ringAndPenWrap()
{
    GraphLayers layers;
    TrendData data;
    cursor::Position cursorA;
    layers.initGraphLayers(cursorA);
    data.selectedChannels = {7};
    data.channelScale[7] = 1;
    runstart::resetRecording(data);
    layers.pen.restart();
    int passes = 0;
    // Odd passes read 1; so does the 251st, which lands on ring row 0 where the first pass left 0.
    const auto reader = [&](std::uint32_t) { return passes == 250 ? 1 : passes % 2; };
    for (; passes < 249; ++passes)
        sampling::runPass(data, layers, reader, nullptr);
    QCOMPARE(data.ringWritePos, 249);
    QVERIFY(!data.ringWrapped);
    sampling::runPass(data, layers, reader, nullptr);
    ++passes;
    QCOMPARE(data.ringWritePos, 0);
    QVERIFY(data.ringWrapped);
    QCOMPARE(layers.pen.x, 500);
    sampling::runPass(data, layers, reader, nullptr);
    QCOMPARE(layers.pen.x, 0);
    QCOMPARE(layers.pen.previousX, 0);
    QCOMPARE(data.ringWritePos, 1);
    // The 251st pass wrote ring row 0 again.
    QCOMPARE(data.sampleRing[0][7], 1);
    QCOMPARE(data.sampleRing[1][7], 1);
    QCOMPARE(data.sampleRing[249][7], 1);
}

// A pass composes only the columns it drew on; over a whole run (ring and pen wrapping, error
// marks, values beyond full scale, a REDRAW with its cursor in between) the picture must stay the
// one a full composition gives, pixel for pixel.
void TestSamplingPass::composingChangedColumnsOnly()
{
    GraphLayers partial;
    GraphLayers full;
    TrendData a;
    TrendData b;
    for (auto *layers : {&partial, &full}) {
        TrendData &data = layers == &partial ? a : b;
        cursor::Position cursorA;
        layers->initGraphLayers(cursorA);
        data.selectedChannels = {0, 3, 6, 7, 13};
        data.channelScale = {};
        data.channelScale[0] = 20000;
        data.channelScale[3] = 100; // far beyond full scale most of the time
        data.channelScale[6] = -32767;
        data.channelScale[7] = 1;
        data.channelScale[13] = 0x8000;
        runstart::resetRecording(data);
        layers->pen.restart();
        layers->clearTraceLayer();
    }
    QRandomGenerator random(7);
    for (int pass = 0; pass < 600; ++pass) {
        sampling::PassReadout readout;
        for (int c : a.selectedChannels)
            readout.latestValue[c] = signedWord(static_cast<int>(random.bounded(65536)));
        readout.errorCount = random.bounded(7) == 0 ? 1 : 0;
        if (pass == 300) {
            // A REDRAW between two runs: the cursor is composed in, then a new run clears the traces.
            for (auto *layers : {&partial, &full}) {
                TrendData &data = layers == &partial ? a : b;
                ::unrollSamples(data);
                layers->drawRecordedTraces(data);
                layers->drawCursorLayer(2 * data.rowCount - 2);
                layers->composeGraph(true);
                runstart::resetRecording(data);
                layers->pen.restart();
                layers->clearTraceLayer();
            }
        }
        // A pass composes the columns of its segments and the two columns newly wiped ahead of
        // the pen; at the left edge the whole wiped strip.
        // The area given back is what the window repaints: every pixel that changed lies in it.
        const bool penAtLeftEdge = partial.pen.previousX == 0;
        const QImage before = partial.visible.copy();
        sampling::storePass(a, partial, readout);
        const QRegion changed = partial.composeChangedColumns();
        std::array<bool, kVisibleWidth> touched{};
        for (const QRect &rect : changed)
            std::fill(touched.begin() + rect.left(), touched.begin() + rect.right() + 1, true);
        const auto columns = std::count(touched.begin(), touched.end(), true);
        const int mostColumns = pass == 0 || pass == 300 ? 500 : penAtLeftEdge ? 11 : 5;
        QVERIFY2(columns <= mostColumns, qPrintable(QStringLiteral("pass %1: %2 columns").arg(pass).arg(columns)));
        for (int y = 0; y < kVisibleHeight; ++y) {
            for (int x = 0; x < kVisibleWidth; ++x) {
                if (before.pixel(x, y) != partial.visible.pixel(x, y) && !changed.contains(QPoint(x, y)))
                    QFAIL(qPrintable(QStringLiteral("pass %1: (%2, %3) changed outside the area").arg(pass).arg(x).arg(y)));
            }
        }
        sampling::storePass(b, full, readout);
        full.composeGraph(false);
        QVERIFY2(partial.visible == full.visible, qPrintable(QStringLiteral("pass %1").arg(pass)));
    }
    QVERIFY(a.ringWrapped);
    QVERIFY(partial.composeChangedColumns().isEmpty()); // nothing left to do
}

QTEST_GUILESS_MAIN(TestSamplingPass)
#include "test_sampling_pass.moc"
