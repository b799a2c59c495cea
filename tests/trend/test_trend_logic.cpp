// Channel presets, run-start checks, graph pixels and the sampling pass, without a window.

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "tests/support/TestEnvironment.h"
#include "trend/graph/GraphLayers.h"
#include "trend/graph/Raster.h"
#include "trend/model/Presets.h"
#include "trend/model/RunStart.h"
#include "trend/run/Sampling.h"
#include "trend/model/TrendPoll.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>
#include <map>

namespace {
constexpr QRgb kBlack = 0xFF000000u;
constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kRed = 0xFFFF0000u;
constexpr QRgb kLime = 0xFF00FF00u;

QRgb pixel(const QImage &image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

int painted(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += pixel(image, x, y) != kBlack;
    return n;
}

int whiteCount(const QImage &image, int y)
{
    int n = 0;
    for (int x = 0; x < image.width(); ++x)
        n += pixel(image, x, y) == kWhite;
    return n;
}
} // namespace

class TestTrendLogic : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }

    void presetLine_data();
    void presetLine();
    void commaText();
    void closestNames();
    void presetFiles();

    void fullScaleCheck_data();
    void fullScaleCheck();
    void addressResolution();
    void selectionAndScales();

    void gridLayer();
    void rasterRules();
    void verticalRule();
    void recordedTraces();
    void cursorCompositionAndKey();
    void unrollSamples();

    void passStoresAndDraws();
    void failedReadInPass();
    void ringAndPenWrap();
    void composingChangedColumnsOnly();
};

// ---- Presets ----

void TestTrendLogic::presetLine_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("record"); // Sel, A/L, addressOrName, fullScale

    QTest::newRow("selected analog") << 0 << "ON,L,AnTermIn,20000" << QStringList{"ON", "L", "AnTermIn", "20000"};
    QTest::newRow("analog scale normalised") << 0 << "OF,A,600E00,020000" << QStringList{"OF", "A", "600E00", "20000"};
    QTest::newRow("negative scale") << 3 << "ON,A,600E00,-0100" << QStringList{"ON", "A", "600E00", "-100"};
    QTest::newRow("bit text kept") << 7 << "ON,L,InvFlag,05" << QStringList{"ON", "L", "InvFlag", "05"};
    QTest::newRow("lower-case on") << 0 << "on,L,AnTermIn,20000" << QStringList{"OF", "L", "AnTermIn", "20000"};
    QTest::newRow("three fields") << 0 << "ON,A,600E00" << QStringList{"ON", "L", "AnTermIn", "20000"};
    QTest::newRow("scale not a number") << 0 << "ON,A,600E00,abc" << QStringList{"ON", "L", "AnTermIn", "20000"};
    QTest::newRow("logic defaults") << 9 << "ON,A,600E00,1x" << QStringList{"ON", "L", "InvFlag", "00"};
    QTest::newRow("scale too large") << 1 << "ON,A,1,2147483648" << QStringList{"ON", "L", "AnTermIn", "20000"};
    QTest::newRow("spaces separate") << 0 << "ON L AnTermIn 20000" << QStringList{"ON", "L", "AnTermIn", "20000"};
    QTest::newRow("blanks around fields") << 2 << "  ON , A ,\t600F92 , 7 ,extra"
                                          << QStringList{"ON", "A", "600F92", "7"};
    QTest::newRow("quoted name") << 1 << "\"ON\",L,\"Spd \"\"x\"\",y\",+15" << QStringList{"ON", "L", "Spd \"x\",y", "15"};
    // Anything but "L" is an address, and is written back as "A".
    QTest::newRow("empty field") << 4 << "ON,,X,1" << QStringList{"ON", "A", "X", "1"};
    QTest::newRow("odd address kind") << 4 << "ON,x,600E00,1" << QStringList{"ON", "A", "600E00", "1"};
    QTest::newRow("empty line") << 12 << "" << QStringList{"OF", "L", "InvFlag", "00"};
}

void TestTrendLogic::presetLine()
{
    QFETCH(int, channel);
    QFETCH(QString, line);
    QFETCH(QStringList, record);
    QStringList lines(15, QStringLiteral("garbage"));
    lines[channel + 1] = line;
    const presets::ChannelRecords records = presets::parsePresetLines(lines);
    const ChannelRecord &r = records[channel];
    QCOMPARE((QStringList{presets::selectionText(r.selected), presets::addressKindText(r.addressKind), r.addressOrName,
                          r.fullScale}),
             record);
}

void TestTrendLogic::closestNames()
{
    const QStringList list{"00600F92,AnTermIn", "00600FAA,SpdFbk", "00600FAC,SpdCmd", "00600FAE,SpdFbk", "END",
                           "00600FB0,SpdFbx"};
    // The same name in another case first; then a few edits away, nearest first; never twice,
    // never past "END", never the name itself.
    QCOMPARE(runstart::closestNames(list, "spdfbk"), (QStringList{"SpdFbk"}));
    QCOMPARE(runstart::closestNames(list, "SpdFb"), (QStringList{"SpdFbk"}));
    QCOMPARE(runstart::closestNames(list, "SpdCbk"), (QStringList{"SpdFbk", "SpdCmd"}));
    QCOMPARE(runstart::closestNames(list, "Nothing"), QStringList{});
    QCOMPARE(runstart::closestNames(list, "SpdFbk"), QStringList{});
    QCOMPARE(runstart::closestNames(list, "anterm", 1), (QStringList{"AnTermIn"}));
}

void TestTrendLogic::commaText()
{
    QCOMPARE(presets::splitCommaText("a,,b"), (QStringList{"a", "", "b"}));
    QCOMPARE(presets::splitCommaText("Dec,,,,"), (QStringList{"Dec", "", "", ""}));
    QCOMPARE(presets::splitCommaText("  "), QStringList{});
    QCOMPARE(presets::splitCommaText("\"open quote, to the end"), QStringList{"open quote, to the end"});
    QCOMPARE(presets::splitCommaText("\"ab\"cd,e"), (QStringList{"ab", "cd", "e"}));
}

void TestTrendLogic::presetFiles()
{
    const QString path = programfolder::file(presets::kPresetFile);
    const QString copyPath = programfolder::file(presets::kPresetCopyFile);

    // No file: every channel gets its defaults, none selected.
    QFile::remove(path);
    presets::ChannelRecords loaded = presets::loadPresets();
    for (int c = 0; c < kChannels; ++c) {
        QCOMPARE(loaded[c].selected, false);
        QCOMPARE(loaded[c].addressOrName, c < kAnalogChannels ? QStringLiteral("AnTermIn") : QStringLiteral("InvFlag"));
    }

    // Written and read back; the first line is never read.
    presets::ChannelRecords records = loaded;
    records[0] = {true, AddressKind::Name, "AnTermIn", "20000"};
    records[7] = {true, AddressKind::Address, "600F00", "07"};
    QVERIFY(presets::savePresets(QStringLiteral("Hex"), records));
    const QByteArray bytes = testenv::readAll(path);
    QVERIFY(bytes.startsWith("Hex,,,,\r\nON,L,AnTermIn,20000\r\nOF,L,AnTermIn,20000\r\n"));
    QVERIFY(bytes.contains("\r\nON,A,600F00,07\r\nOF,L,InvFlag,00\r\n"));
    QVERIFY(bytes.endsWith("OF,L,InvFlag,00\r\n"));
    QCOMPARE(bytes.count("\r\n"), 15);
    QCOMPARE(testenv::readAll(copyPath), bytes);
    loaded = presets::loadPresets();
    for (int c = 0; c < kChannels; ++c) {
        QCOMPARE(loaded[c].selected, records[c].selected);
        QCOMPARE(loaded[c].addressKind, records[c].addressKind);
        QCOMPARE(loaded[c].addressOrName, records[c].addressOrName);
        QCOMPARE(loaded[c].fullScale, records[c].fullScale);
    }

    // A short file: the channels without a line get the defaults, unselected.
    QVERIFY(textfile::writeAtomically(path, "\nON,L,SpdFbk,100\nON,A,600E00,5\n"));
    loaded = presets::loadPresets();
    QCOMPARE(loaded[0].addressOrName, QStringLiteral("SpdFbk"));
    QCOMPARE(loaded[1].selected, true);
    QCOMPARE(loaded[2].selected, false);
    QCOMPARE(loaded[13].addressOrName, QStringLiteral("InvFlag"));
    testenv::restoreDataFile(presets::kPresetFile);
}

// ---- Run start ----

void TestTrendLogic::fullScaleCheck_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("passes");
    QTest::newRow("digits") << "20000" << true;
    QTest::newRow("zero") << "0" << true;
    QTest::newRow("eleven digits") << "12345678901" << true;
    QTest::newRow("ten digits then letters") << "1234567890x" << true;
    QTest::newRow("letter in first ten") << "123456789x0" << false;
    QTest::newRow("sign") << "-100" << false;
    QTest::newRow("decimal point") << "1.5" << false;
    QTest::newRow("leading space") << " 100" << false;
    QTest::newRow("empty") << "" << false;
}

void TestTrendLogic::fullScaleCheck()
{
    QFETCH(QString, text);
    QFETCH(bool, passes);
    QCOMPARE(runstart::fullScaleTextPasses(text), passes);
}

void TestTrendLogic::addressResolution()
{
    const QStringList list{"00600F92,AnTermIn", "00600F94,AnTermIn2", "00000001,AnTermIn", "00600F00,Inv Flag",
                           "END",               "00000002,Late"};
    std::array<ChannelRecord, kChannels> ch;
    for (auto &r : ch)
        r = {false, AddressKind::Name, "Unknown", "20000"};
    ch[0] = {true, AddressKind::Name, "AnTermIn", "20000"};  // first of two entries of that name
    ch[1] = {true, AddressKind::Address, "600E00123", "20000"}; // long address: first eight digits
    ch[2] = {true, AddressKind::Address, "600F92", "20000"};    // anything but "L" is an address
    const runstart::Resolution good = runstart::resolveAddresses(ch, list);
    QCOMPARE(good.errorCount, 0);
    QCOMPARE(good.addressText[0], QStringLiteral("00600F92"));
    QCOMPARE(runstart::addressFromText(good.addressText[1]), 0x600E0012u);
    QCOMPARE(runstart::addressFromText(good.addressText[2]), 0x600F92u);
    QCOMPARE(good.addressText[3], QString()); // unselected: not resolved, though unknown
    QCOMPARE(runstart::addressFromText(good.addressText[3]), 0u);

    ch[3] = {true, AddressKind::Address, "600e00", "20000"}; // lower case
    ch[4] = {true, AddressKind::Name, "Late", "20000"};   // only after "END"
    ch[5] = {true, AddressKind::Address, "", "20000"};       // empty address
    ch[6] = {true, AddressKind::Name, "AnTermin", "20000"}; // names compare case-sensitively
    QCOMPARE(runstart::resolveAddresses(ch, list).errorCount, 4);

    QCOMPARE(runstart::removeSpaces(" An Term In "), QStringLiteral("AnTermIn"));
    QCOMPARE(runstart::lookUpName(list, runstart::removeSpaces("Inv Flag")), QString()); // stored name has a space
    QCOMPARE(runstart::addressFromText("  12G4"), 0x12u);
    QCOMPARE(runstart::addressFromText("FFFFFFFF"), 0xFFFFFFFFu);
}

void TestTrendLogic::selectionAndScales()
{
    QCOMPARE(runstart::bitMask(0), 1);
    QCOMPARE(runstart::bitMask(3), 8);
    QCOMPARE(runstart::bitMask(15), 32768);
    QCOMPARE(runstart::bitMask(-2), 1);
    QCOMPARE(runstart::bitMask(31), INT32_MIN);
    QCOMPARE(runstart::bitMask(32), 0);
    QCOMPARE(runstart::bitMask(1000000), 0);

    TrendData data;
    for (auto &r : data.channels)
        r = {false, AddressKind::Name, "x", "bad"};
    data.channelScale.fill(77);
    data.channels[1] = {true, AddressKind::Name, "x", "-20000"};
    data.channels[7] = {true, AddressKind::Name, "x", "15"};
    data.channels[13] = {true, AddressKind::Name, "x", "00"};
    QVERIFY(runstart::buildSelection(data));
    QCOMPARE(data.selectedChannels, (std::vector<int>{1, 7, 13}));
    QCOMPARE(data.channelScale[1], -20000);
    QCOMPARE(data.channelScale[7], 32768);
    QCOMPARE(data.channelScale[13], 1);
    QCOMPARE(data.channelScale[0], 77); // unselected entries keep what they held
    QCOMPARE(runstart::checkScales(data.channels), runstart::ScaleProblem::None);

    data.channels[2] = {true, AddressKind::Name, "x", "0"};
    QCOMPARE(runstart::checkScales(data.channels), runstart::ScaleProblem::FullScaleZero);
    data.channels[2] = {true, AddressKind::Name, "x", "99999999999"};
    QCOMPARE(runstart::checkScales(data.channels), runstart::ScaleProblem::BadFullScale);
    QVERIFY(!runstart::buildSelection(data));
    QCOMPARE(data.channelScale[2], 0);
    data.channels[2].selected = false;
    data.channels[9] = {true, AddressKind::Name, "x", "3a"};
    QCOMPARE(runstart::checkScales(data.channels), runstart::ScaleProblem::BadBitNumber);

    data.sampleRing[17][3] = 5;
    data.ringWritePos = 40;
    data.ringWrapped = true;
    data.penX = data.previousPenX = 88;
    runstart::resetRecording(data);
    QCOMPARE(data.sampleRing[17][3], 0);
    QCOMPARE(data.ringWritePos, 0);
    QVERIFY(!data.ringWrapped);
    QCOMPARE(data.penX + data.previousPenX, 0);
    QCOMPARE(data.previousPenY[6], 200);
    QCOMPARE(data.previousPenY[7], 280);
    QCOMPARE(data.previousPenY[13], 400);
}

// ---- Graph ----

void TestTrendLogic::gridLayer()
{
    GraphLayers layers;
    TrendData data;
    data.cursorX = 10;
    layers.initGraphLayers(data);
    QCOMPARE(data.cursorX, 498);

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

void TestTrendLogic::rasterRules()
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

void TestTrendLogic::verticalRule()
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

void TestTrendLogic::recordedTraces()
{
    GraphLayers layers;
    TrendData data;
    layers.initGraphLayers(data);
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
    QCOMPARE(data.penX, 6);
    QCOMPARE(data.previousPenX, 4);
    QCOMPARE(data.previousPenY[0], 400);
}

void TestTrendLogic::cursorCompositionAndKey()
{
    GraphLayers layers;
    TrendData data;
    layers.initGraphLayers(data);
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

void TestTrendLogic::unrollSamples()
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

// ---- Sampling ----

void TestTrendLogic::passStoresAndDraws()
{
    QCOMPARE(signedWord(0x8000), -32768);
    QCOMPARE(signedWord(0x7FFF), 32767);
    QCOMPARE(signedWord(0xFFFF), -1);

    GraphLayers layers;
    TrendData data;
    layers.initGraphLayers(data);
    data.selectedChannels = {0, 1, 7, 8, 9};
    data.channelScale = {};
    data.channelScale[0] = 20000;
    data.channelScale[1] = 32767;
    data.channelScale[7] = 8;      // bit 3
    data.channelScale[8] = 8;      // bit 3
    data.channelScale[9] = 65536;  // bit 16 tests a copy of bit 15
    data.channelAddress = {0x10, 0x12, 0, 0, 0, 0, 0, 0x20, 0x22, 0x24};
    runstart::resetRecording(data);
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
    QCOMPARE(data.penY[0], 0);
    QCOMPARE(data.penY[1], 400);
    QCOMPARE(data.penY[7], 269);
    QCOMPARE(data.penY[8], 299);
    QCOMPARE(data.previousPenY[8], 299);
    // The first pass draws from the start levels to the first values, all at x = 0.
    QCOMPARE(pixel(layers.trace, 0, 150), kRed);  // channel 0: from 200 up to 0
    QCOMPARE(pixel(layers.trace, 0, 0), kBlack);  // end point not painted
    QCOMPARE(pixel(layers.trace, 0, 350), kLime); // channel 1: from 200 down to 400
    QCOMPARE(pixel(layers.trace, 0, 279), kRed);  // channel 7: from 280 up to 269
    QCOMPARE(pixel(layers.trace, 0, 270), kRed);
    QCOMPARE(pixel(layers.trace, 0, 269), kLime); // channel 1's line, not channel 7's end
    QCOMPARE(pixel(layers.trace, 1, 150), kBlack);
    QCOMPARE(data.penX, 2);
    QCOMPARE(data.ringWritePos, 1);

    sampling::runPass(data, layers, reader, nullptr);
    QCOMPARE(pixel(layers.trace, 1, 0), kRed);      // channel 0 along the top edge
    QCOMPARE(pixel(layers.visible, 1, 0), kRed);    // composed into the picture
    QCOMPARE(pixel(layers.trace, 1, 269), kRed);
}

void TestTrendLogic::failedReadInPass()
{
    GraphLayers layers;
    TrendData data;
    layers.initGraphLayers(data);
    data.selectedChannels = {0, 2};
    data.channelScale[0] = data.channelScale[2] = 20000;
    data.channelAddress[0] = 1;
    data.channelAddress[2] = 2;
    runstart::resetRecording(data);
    // Something left of an earlier sweep right of the pen survives beyond the wiped strip.
    raster::drawLine(layers.trace, 0, 150, 500, 150, kWhite);
    data.penX = 20;
    data.previousPenX = 18;
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

void TestTrendLogic::ringAndPenWrap()
{
    GraphLayers layers;
    TrendData data;
    layers.initGraphLayers(data);
    data.selectedChannels = {7};
    data.channelScale[7] = 1;
    runstart::resetRecording(data);
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
    QCOMPARE(data.penX, 500);
    sampling::runPass(data, layers, reader, nullptr);
    QCOMPARE(data.penX, 0);
    QCOMPARE(data.previousPenX, 0);
    QCOMPARE(data.ringWritePos, 1);
    // The 251st pass wrote ring row 0 again.
    QCOMPARE(data.sampleRing[0][7], 1);
    QCOMPARE(data.sampleRing[1][7], 1);
    QCOMPARE(data.sampleRing[249][7], 1);
}

// A pass composes only the columns it drew on; over a whole run (ring and pen wrapping, error
// marks, values beyond full scale, a REDRAW with its cursor in between) the picture must stay the
// one a full composition gives, pixel for pixel.
void TestTrendLogic::composingChangedColumnsOnly()
{
    GraphLayers partial;
    GraphLayers full;
    TrendData a;
    TrendData b;
    for (auto *layers : {&partial, &full}) {
        TrendData &data = layers == &partial ? a : b;
        layers->initGraphLayers(data);
        data.selectedChannels = {0, 3, 6, 7, 13};
        data.channelScale = {};
        data.channelScale[0] = 20000;
        data.channelScale[3] = 100; // far beyond full scale most of the time
        data.channelScale[6] = -32767;
        data.channelScale[7] = 1;
        data.channelScale[13] = 0x8000;
        runstart::resetRecording(data);
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
                layers->clearTraceLayer();
            }
        }
        // A pass composes the columns of its segments and the two columns newly wiped ahead of
        // the pen; at the left edge the whole wiped strip.
        // The area given back is what the window repaints: every pixel that changed lies in it.
        const bool penAtLeftEdge = a.previousPenX == 0;
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

QTEST_GUILESS_MAIN(TestTrendLogic)
#include "test_trend_logic.moc"
