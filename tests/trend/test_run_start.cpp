// What RUN checks and works out before a run: names close to a mistyped one, full-scale texts,
// addresses from names, the selection and its scales, and the recording reset.

#include "tests/support/TestEnvironment.h"
#include "trend/graph/TracePen.h"
#include "trend/model/RunStart.h"

#include <QtTest>

class TestRunStart : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }

    void closestNames();

    void fullScaleCheck_data();
    void fullScaleCheck();
    void addressResolution();
    void selectionAndScales();
};

void TestRunStart::closestNames()
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

void TestRunStart::fullScaleCheck_data()
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

void TestRunStart::fullScaleCheck()
{
    QFETCH(QString, text);
    QFETCH(bool, passes);
    QCOMPARE(runstart::fullScaleTextPasses(text), passes);
}

void TestRunStart::addressResolution()
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

void TestRunStart::selectionAndScales()
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
    // The ring is the run's, the pen the graph's: a run's start clears the one and restarts the other.
    TracePen pen;
    pen.x = pen.previousX = 88;
    runstart::resetRecording(data);
    pen.restart();
    QCOMPARE(data.sampleRing[17][3], 0);
    QCOMPARE(data.ringWritePos, 0);
    QVERIFY(!data.ringWrapped);
    QCOMPARE(pen.x + pen.previousX, 0);
    QCOMPARE(pen.previousY[6], 200);
    QCOMPARE(pen.previousY[7], 280);
    QCOMPARE(pen.previousY[13], 400);
}

QTEST_GUILESS_MAIN(TestRunStart)
#include "test_run_start.moc"
