// The picture of a recording, offscreen: in the whole-file view of a long recording a one-sample
// spike and a one-sample dip reach the top and bottom pixel rows of the word area; the time between
// two trigger windows and a long run of failed reads leave their columns empty; a logic channel
// keeps to its own lane; a hidden channel leaves no pixel. Every column of a noisy trace is the run
// from its rows' largest to their smallest value, and noisy traces laid over one another in the
// picture are each exactly the trace drawn alone. Also the visible span's zoom and pan.

#include "recording/LoadedRecording.h"
#include "recording/RecordingCsvReader.h"
#include "recording/RecordingPicture.h"
#include "recording/VisibleSpan.h"

#include <QRandomGenerator>
#include <QtTest>
#include "trend/graph/TracePalette.h"

using namespace recording;

namespace {

constexpr std::size_t kRows = 300000;
constexpr std::size_t kSpikeRow = 123457;
constexpr std::size_t kDipRow = 234567;
constexpr QSize kSize(800, 300);

// Word channel 0: a slow wave of +-100 with a spike and a dip; logic channel 1: a bit that toggles
// every 1000 rows. Rows 100 ms apart; from row 200000 on, 600 s later (a second trigger window);
// rows [50000, 60000) failed reads of the word channel.
RecordingData makeRecording()
{
    RecordingData data;
    RecordingChannel word;
    word.name = QStringLiteral("SpdFbk");
    RecordingChannel bit;
    bit.name = QStringLiteral("InvFlag.07");
    bit.logic = true;
    for (std::size_t row = 0; row < kRows; ++row) {
        data.timesMs.push_back(static_cast<std::int64_t>(row) * 100 + (row >= 200000 ? 600000 : 0));
        std::int32_t value = static_cast<std::int32_t>(row % 200) - 100;
        if (row == kSpikeRow)
            value = 20000;
        if (row == kDipRow)
            value = -20000;
        word.append(value, row < 50000 || row >= 60000);
        bit.append((row / 1000) % 2, true);
    }
    data.channels = {word, bit};
    return data;
}

int columnsWithColour(const QImage &image, QRgb colour, int row)
{
    int count = 0;
    for (int x = 0; x < image.width(); ++x)
        count += image.pixel(x, row) == colour;
    return count;
}

bool columnHasColour(const QImage &image, QRgb colour, int x, int top, int bottom)
{
    for (int y = top; y <= bottom; ++y) {
        if (image.pixel(x, y) == colour)
            return true;
    }
    return false;
}

// Three noisy word channels of `rows` rows 100 ms apart, all good but for a run of failed reads
// of channel 1 over [4000, 4300) and a pause of 60 s before row 7000.
RecordingData makeNoisyRecording(std::size_t rows)
{
    RecordingData data;
    QRandomGenerator random(31);
    for (int c = 0; c < 3; ++c) {
        RecordingChannel channel;
        channel.name = QStringLiteral("Word%1").arg(c);
        channel.colourIndex = c;
        data.channels.push_back(channel);
    }
    for (std::size_t row = 0; row < rows; ++row) {
        data.timesMs.push_back(static_cast<std::int64_t>(row) * 100 + (row >= 7000 ? 60000 : 0));
        for (int c = 0; c < 3; ++c) {
            const bool failed = c == 1 && row >= 4000 && row < 4300;
            data.channels[static_cast<std::size_t>(c)].append(failed ? 0 : random.bounded(-500 * (c + 1), 500 * (c + 1)), !failed);
        }
    }
    return data;
}

// The first and last pixel row of `colour` in column x, and whether every pixel between is it.
struct ColumnRun {
    int top = -1;
    int bottom = -1;
    bool whole = false;
};

ColumnRun columnRun(const QImage &image, QRgb colour, int x)
{
    ColumnRun run;
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixel(x, y) == colour) {
            if (run.top < 0)
                run.top = y;
            run.bottom = y;
        }
    }
    run.whole = run.top >= 0;
    for (int y = std::max(run.top, 0); run.whole && y <= run.bottom; ++y)
        run.whole = image.pixel(x, y) == colour;
    return run;
}

} // namespace

class RecordingPictureTest : public QObject {
    Q_OBJECT
private slots:
    void spikeAndDipReachTheirRows();
    void gapsLeaveColumnsEmpty();
    void logicChannelStaysInItsLane();
    void columnsAreTheirRowsRuns();
    void tracesLaidOverOneAnother();
    void visibleSpanZoomsAndPans();
    void triggerWindowsPartedAtEveryView();
};

void RecordingPictureTest::spikeAndDipReachTheirRows()
{
    const LoadedRecording recording(makeRecording());
    const RecordingPicture picture(recording.data, recording.pyramids);
    const QImage image = picture.draw(kSize, 0, recording.data.timesMs.back() + 1, {true, false});
    const QRgb colour = channelColour(recording.data.channels[0]);
    const QRect words = RecordingPicture::wordArea(kSize, 0);
    // 300,000 rows in 800 columns: the spike is one row in 375, yet its column reaches the top.
    QCOMPARE(columnsWithColour(image, colour, words.top()), 1);
    QCOMPARE(columnsWithColour(image, colour, words.bottom()), 1);
    const int spikeX = static_cast<int>(recording.data.timesMs[kSpikeRow] * kSize.width() / (recording.data.timesMs.back() + 1));
    QCOMPARE(image.pixel(spikeX, words.top()), colour);
    // Zoomed to a few rows about the spike, the spike still reaches the top.
    const std::int64_t at = recording.data.timesMs[kSpikeRow];
    const QImage zoomed = picture.draw(kSize, at - 500, at + 500, {true, false});
    QCOMPARE(columnsWithColour(zoomed, colour, words.top()) >= 1, true);
    QCOMPARE(zoomed.pixel(kSize.width() / 2, words.top()), colour);
}

void RecordingPictureTest::gapsLeaveColumnsEmpty()
{
    const LoadedRecording recording(makeRecording());
    const RecordingPicture picture(recording.data, recording.pyramids);
    const std::int64_t end = recording.data.timesMs.back() + 1;
    const QImage image = picture.draw(kSize, 0, end, {true, false});
    const QRgb colour = channelColour(recording.data.channels[0]);
    const QRect words = RecordingPicture::wordArea(kSize, 0);
    int drawn = 0, empty = 0;
    for (int x = 0; x < kSize.width(); ++x) {
        const std::int64_t from = std::int64_t{x} * end / kSize.width(), to = std::int64_t{x + 1} * end / kSize.width();
        const bool inPause = from >= 20000000 && to <= 20600000;
        const bool inFailedReads = from >= 5000000 && to <= 6000000;
        const bool has = columnHasColour(image, colour, x, words.top(), words.bottom());
        if (inPause || inFailedReads) {
            QVERIFY2(!has, qPrintable(QStringLiteral("column %1").arg(x)));
            ++empty;
        } else if (from >= 0 && to <= 5000000) {
            QVERIFY2(has, qPrintable(QStringLiteral("column %1").arg(x)));
            ++drawn;
        }
    }
    QVERIFY(empty > 30 && drawn > 100);
    // No line across the pause: zoomed onto it, only the columns up to its start and from its end
    // hold the trace.
    const QImage pause = picture.draw(kSize, 19990000, 20610000, {true, false});
    QVERIFY(!columnHasColour(pause, colour, kSize.width() / 2, words.top(), words.bottom()));
    QVERIFY(columnHasColour(pause, colour, 2, words.top(), words.bottom()));
    QVERIFY(columnHasColour(pause, colour, kSize.width() - 3, words.top(), words.bottom()));
}

void RecordingPictureTest::logicChannelStaysInItsLane()
{
    const LoadedRecording recording(makeRecording());
    const RecordingPicture picture(recording.data, recording.pyramids);
    const std::int64_t start = 0, end = 400000; // 4000 rows: two high and two low stretches
    const QImage image = picture.draw(kSize, start, end, {false, true});
    const QRgb colour = channelColour(recording.data.channels[1]);
    const QRect lane = RecordingPicture::logicLane(kSize, 1, 0);
    int inLane = 0;
    for (int y = 0; y < kSize.height(); ++y) {
        const int count = columnsWithColour(image, colour, y);
        if (y < lane.top() || y > lane.bottom())
            QCOMPARE(count, 0);
        inLane += count;
    }
    // High from 100 s to 200 s and from 300 s on: a quarter of the picture each; low between.
    const int high = lane.top() + 4, low = lane.bottom() - 4;
    QCOMPARE(image.pixel(kSize.width() / 8, low), colour);
    QCOMPARE(image.pixel(3 * kSize.width() / 8, high), colour);
    QVERIFY(image.pixel(3 * kSize.width() / 8, low) != colour);
    QVERIFY(inLane >= kSize.width());
    // Hidden, the channel leaves the picture black.
    const QImage hidden = picture.draw(kSize, start, end, {false, false}, false);
    for (int y = 0; y < kSize.height(); ++y)
        QCOMPARE(columnsWithColour(hidden, RecordingPicture::kBackground, y), kSize.width());
}

void RecordingPictureTest::columnsAreTheirRowsRuns()
{
    // 801 columns over 6000 rows: columns of 7 or 8 rows, each joined to the last row before it.
    const LoadedRecording recording(makeNoisyRecording(6000));
    const RecordingPicture picture(recording.data, recording.pyramids);
    const QSize size(801, 300);
    const std::int64_t end = 600000;
    const QRect words = RecordingPicture::wordArea(size, 0);
    for (std::size_t c : {std::size_t{0}, std::size_t{2}}) {
        std::vector<bool> shown(3, false);
        shown[c] = true;
        const QImage image = picture.draw(size, 0, end, shown);
        const RecordingChannel &channel = recording.data.channels[c];
        const QRgb colour = channelColour(channel);
        const auto [smallest, largest] = std::minmax_element(channel.values.begin(), channel.values.end());
        auto yOf = [&](std::int32_t value) {
            return words.top() + static_cast<int>(std::int64_t{*largest - value} * (words.height() - 1) / (*largest - *smallest));
        };
        std::size_t row = 0;
        for (int x = 0; x < size.width(); ++x) {
            const std::size_t first = row;
            while (row < channel.values.size() && recording.data.timesMs[row] < (x + 1) * end / size.width())
                ++row;
            std::int32_t low = channel.values[first], high = low;
            for (std::size_t r = first == 0 ? 0 : first - 1; r < row; ++r) {
                low = std::min(low, channel.values[r]);
                high = std::max(high, channel.values[r]);
            }
            const ColumnRun run = columnRun(image, colour, x);
            QVERIFY2(run.whole && run.top == yOf(high) && run.bottom == yOf(low),
                     qPrintable(QStringLiteral("channel %1 column %2: %3 to %4, expected %5 to %6")
                                    .arg(c).arg(x).arg(run.top).arg(run.bottom).arg(yOf(high)).arg(yOf(low))));
        }
    }
}

void RecordingPictureTest::tracesLaidOverOneAnother()
{
    // Three noisy traces in one area, at spans where columns hold hundreds of rows, a few rows and
    // less than a row (lines across empty columns), a pause and failed reads among them: in the
    // picture of all three, each pixel is that of the last trace drawn alone that sets it.
    const LoadedRecording recording(makeNoisyRecording(12000));
    const RecordingPicture picture(recording.data, recording.pyramids);
    const QSize size(801, 260);
    const std::int64_t end = recording.data.timesMs.back() + 1;
    const std::vector<std::pair<std::int64_t, std::int64_t>> spans = {
        {0, end}, {350000, 470000}, {380000, 420000}, {695000, 765000}, {396000, 401000}};
    for (const auto &[start, stop] : spans) {
        QImage expected(size, QImage::Format_RGB32);
        expected.fill(RecordingPicture::kBackground);
        for (std::size_t c = 0; c < 3; ++c) {
            std::vector<bool> shown(3, false);
            shown[c] = true;
            const QImage alone = picture.draw(size, start, stop, shown, false);
            for (int y = 0; y < size.height(); ++y) {
                for (int x = 0; x < size.width(); ++x) {
                    if (alone.pixel(x, y) != RecordingPicture::kBackground)
                        expected.setPixel(x, y, alone.pixel(x, y));
                }
            }
        }
        const QImage all = picture.draw(size, start, stop, {true, true, true}, false);
        QVERIFY2(all == expected, qPrintable(QStringLiteral("span %1 to %2").arg(start).arg(stop)));
        QVERIFY(columnsWithColour(all, channelColour(recording.data.channels[2]), size.height() / 2) > 0
                || columnsWithColour(all, channelColour(recording.data.channels[2]), size.height() / 3) > 0);
    }
}

void RecordingPictureTest::visibleSpanZoomsAndPans()
{
    VisibleSpan span(1000, 101000, 50);
    QVERIFY(span.isWhole());
    span.zoom(0.5, 0.0);
    QCOMPARE(span.startMs(), std::int64_t{1000});
    QCOMPARE(span.endMs(), std::int64_t{51000});
    span.zoom(0.5, 1.0);
    QCOMPARE(span.startMs(), std::int64_t{26000});
    QCOMPARE(span.endMs(), std::int64_t{51000});
    span.pan(-2.0); // stops at the start
    QCOMPARE(span.startMs(), std::int64_t{1000});
    QCOMPARE(span.lengthMs(), std::int64_t{25000});
    span.moveTo(1000000); // stops at the end
    QCOMPARE(span.endMs(), std::int64_t{101000});
    span.zoom(1e-9);
    QCOMPARE(span.lengthMs(), std::int64_t{50});
    span.zoom(1e9);
    QVERIFY(span.isWhole());
    span.show(50000, 50010);
    QCOMPARE(span.lengthMs(), std::int64_t{50});
    QCOMPARE(span.startMs(), std::int64_t{49980});
    span.showWhole();
    QVERIFY(span.isWhole());
}

void RecordingPictureTest::triggerWindowsPartedAtEveryView()
{
    // qmx-record --trigger ... --pre 1s --post 2s --repeat 2: two windows of rows 100 ms apart, the
    // second beginning 1.04 s after the first ends (shorter than a gap by time alone), a trigger row
    // in each. No view joins the last row of the first window to the first of the second.
    QByteArray csv = "time,t_s,SpdFbk,event\r\n";
    std::int64_t ms = 0;
    for (int row = 0; row < 60; ++row) {
        if (row == 30)
            ms += 1040 - 100;
        csv += ',' + QByteArray::number(ms / 1000.0, 'f', 3) + ',' + QByteArray::number(row < 30 ? 100 : -100) +
               (row == 10 || row == 40 ? ",1\r\n" : ",\r\n");
        ms += 100;
    }
    ReadResult result = readCsvBytes(csv);
    QVERIFY2(result.data, qPrintable(result.error));
    const LoadedRecording loaded(std::move(*result.data));
    const RecordingData &data = loaded.data;
    const std::int64_t lastOfFirst = data.timesMs[29], firstOfSecond = data.timesMs[30];
    QCOMPARE(firstOfSecond - lastOfFirst, std::int64_t{1040});
    const RecordingPicture picture(data, loaded.pyramids);
    const QRgb colour = channelColour(data.channels[0]);
    const QSize size(400, 200);
    const QRect area = RecordingPicture::wordArea(size, 0);
    int viewsWithGapColumns = 0;
    // Zooms from the whole file to about 3 s, each panned in 50 ms steps.
    for (const std::int64_t spanMs : {7000, 5000, 3500, 3000}) {
        for (std::int64_t start = -500; start + spanMs <= data.timesMs.back() + 500; start += 50) {
            const QImage image = picture.draw(size, start, start + spanMs, {true});
            bool sawGap = false;
            for (int x = 0; x < size.width(); ++x) {
                const std::int64_t from = start + spanMs * x / size.width();
                const std::int64_t to = start + spanMs * (x + 1) / size.width();
                if (from <= lastOfFirst || to > firstOfSecond)
                    continue;
                sawGap = true;
                QVERIFY2(!columnHasColour(image, colour, x, area.top(), area.bottom()),
                         qPrintable(QStringLiteral("span %1 ms from %2 ms, column %3").arg(spanMs).arg(start).arg(x)));
            }
            viewsWithGapColumns += sawGap;
        }
    }
    QVERIFY(viewsWithGapColumns > 100);
    // Each trigger row is marked on the time axis in the trigger colour, below the axis line.
    const QImage whole = picture.draw(size, 0, data.timesMs.back() + 1, {true});
    const int axisTop = size.height() - RecordingPicture::kAxisHeight;
    for (const std::size_t row : {std::size_t{10}, std::size_t{40}}) {
        const int x = static_cast<int>(data.timesMs[row] * size.width() / (data.timesMs.back() + 1));
        QVERIFY2(columnHasColour(whole, kTriggerMarkColour, x, axisTop + 1, size.height() - 1), qPrintable(QString::number(x)));
    }
    QCOMPARE(columnsWithColour(whole, kTriggerMarkColour, axisTop + 2) > 0, true);
}

QTEST_MAIN(RecordingPictureTest)
#include "test_recording_picture.moc"
