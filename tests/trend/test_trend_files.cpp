// The .trd format and the cursor rules, without the window.

#include "base/TextFile.h"
#include "trend/model/Cursor.h"
#include "trend/model/TrendFile.h"

#include <QTest>

namespace {

using Channels = std::array<ChannelRecord, kChannels>;

Channels defaultChannels()
{
    Channels ch;
    for (int c = 0; c < kChannels; ++c) {
        const bool analog = c < kAnalogChannels;
        ch[c] = {c % 3 == 0, c == 2 ? AddressKind::Address : AddressKind::Name, analog ? "AnTermIn" : "InvFlag",
                 analog ? "20000" : QString::number(c - 7).rightJustified(2, '0')};
    }
    ch[2].addressOrName = "600E00";
    return ch;
}

// A file's lines with the given setting lines and data lines.
QStringList fileLines(const QStringList &settings, const QStringList &data)
{
    QStringList lines{"File Name    = x.trd", "Data Numbers = 7", "------- Setting List -------",
                      "Ch Sel A/L AdrsChar FullScale"};
    lines += settings;
    lines << "Data List" << "Ch0,Ch1,Ch2,Ch3,Ch4,Ch5,Ch6,Ch7,Ch8,Ch9,Ch10,Ch11,Ch12,Ch13";
    lines += data;
    return lines;
}

QStringList spacedSettings(const Channels &ch)
{
    QStringList out;
    for (int c = 0; c < kChannels; ++c)
        out << trendfile::settingLine(c, ch[c]);
    return out;
}

const QString kRow = "     1,     2,     3,     4,     5,     6,     7,  1,  0,  1,  0,  1,  0,  1,";

} // namespace

class TestTrendFiles : public QObject {
    Q_OBJECT
private slots:
    void roundTripKeepsTextsAndValues();
    void settingsRefusedPartway();
    void dataRows_data();
    void dataRows();
    void cursorEdges();
};

void TestTrendFiles::roundTripKeepsTextsAndValues()
{
    Channels ch = defaultChannels();
    ch[4].fullScale = "-300";
    std::array<SampleRow, kDisplayRowsCapacity> rows{};
    for (int k = 0; k < kDisplayRowsCapacity; ++k)
        for (int c = 0; c < kChannels; ++c)
            rows[k][c] = c < kAnalogChannels ? (k * 263 + c * 1000) % 65536 - 32768 : (k >> (c - 7)) & 1;
    const QStringList lines = trendfile::formatLines("rt.trd", ch, rows, kDisplayRowsCapacity);
    const QByteArray bytes = textfile::joinLinesCrLf(lines);

    Channels read{};
    QVERIFY(trendfile::readSettings(textfile::splitLines(bytes), read));
    for (int c = 0; c < kChannels; ++c) {
        QCOMPARE(read[c].selected, ch[c].selected);
        QCOMPARE(read[c].addressKind, ch[c].addressKind);
        QCOMPARE(read[c].addressOrName, ch[c].addressOrName);
        QCOMPARE(read[c].fullScale, ch[c].fullScale);
    }
    const auto readRows = trendfile::readDataRows(textfile::splitLines(bytes));
    QVERIFY(readRows);
    QCOMPARE(int(readRows->size()), kDisplayRowsCapacity);
    std::array<SampleRow, kDisplayRowsCapacity> again{};
    std::copy(readRows->begin(), readRows->end(), again.begin());
    QVERIFY(again == rows);
    QCOMPARE(textfile::joinLinesCrLf(trendfile::formatLines("rt.trd", read, again, kDisplayRowsCapacity)), bytes);
}

void TestTrendFiles::settingsRefusedPartway()
{
    const QStringList settings = spacedSettings(defaultChannels());
    Channels old{};
    for (auto &r : old)
        r = {true, AddressKind::Address, "X", "X"};
    Channels partial;

    // A bad A/L: the channel's Sel before it is already taken, its A/L and later fields are not.
    QStringList badAl = settings;
    badAl[8] = "08, OF,  l,  InvFlag,   01,";
    partial = old;
    QVERIFY(!trendfile::readSettings(fileLines(badAl, {"END"}), partial));
    QCOMPARE(partial[8].selected, false);
    QCOMPARE(partial[8].addressKind, AddressKind::Address);
    QCOMPARE(partial[8].addressOrName, QString("X"));

    QStringList badSel = settings;
    badSel[0] = "00, on,  L,  AnTermIn,20000,";
    partial = old;
    QVERIFY(!trendfile::readSettings(fileLines(badSel, {"END"}), partial));
    QCOMPARE(partial[0].selected, true);

    // A channel number that is no integer, and a file that stops inside the settings.
    QStringList badNumber = settings;
    badNumber[0] = "0x, ON,  L,  AnTermIn,20000,";
    QVERIFY(!trendfile::readSettings(fileLines(badNumber, {"END"}), partial));
    QVERIFY(!trendfile::readSettings(fileLines(settings.mid(0, 9), {}), partial));
}

void TestTrendFiles::dataRows_data()
{
    QTest::addColumn<QStringList>("data");
    QTest::addColumn<int>("rows"); // -1: refused

    QTest::newRow("three rows under Data Numbers 7") << QStringList{kRow, kRow, kRow, "END"} << 3;
    QTest::newRow("no row") << QStringList{"END"} << 0;
    QTest::newRow("no spaces, extreme values")
        << QStringList{"-2147483648,2147483647,0,0,0,0,0,5,0,0,0,0,0,0,", "END"} << 1;
    QTest::newRow("spaces after the last comma") << QStringList{kRow + "   ", "END"} << 1;
    QTest::newRow("13 values") << QStringList{kRow.section(',', 0, 12) + ",", "END"} << -1;
    QTest::newRow("15 values") << QStringList{kRow + "  0,", "END"} << -1;
    QTest::newRow("last value without comma") << QStringList{kRow.chopped(1), "END"} << -1;
    QTest::newRow("empty field") << QStringList{",2,3,4,5,6,7,1,0,1,0,1,0,1,", "END"} << -1;
    QTest::newRow("not an integer") << QStringList{QString(kRow).replace("     4,", "   4.5,"), "END"} << -1;
    QTest::newRow("beyond 32 bits") << QStringList{"2147483648,2,3,4,5,6,7,1,0,1,0,1,0,1,", "END"} << -1;
    QTest::newRow("blank line") << QStringList{kRow, "", "END"} << -1;
    QTest::newRow("END in lower case") << QStringList{kRow, "end"} << -1;
    QTest::newRow("file ends before END") << QStringList{kRow, kRow} << -1;
    QStringList full(kDisplayRowsCapacity, kRow);
    QTest::newRow("251 rows") << (full + QStringList{"END"}) << kDisplayRowsCapacity;
    QTest::newRow("252 rows") << (full + QStringList{kRow, "END"}) << -1;
}

void TestTrendFiles::dataRows()
{
    QFETCH(QStringList, data);
    QFETCH(int, rows);
    const auto read = trendfile::readDataRows(fileLines(spacedSettings(defaultChannels()), data));
    if (rows < 0) {
        QVERIFY(!read);
        return;
    }
    QVERIFY(read);
    QCOMPARE(int(read->size()), rows);
    if (rows > 0 && data.first() == kRow) {
        const SampleRow expected{1, 2, 3, 4, 5, 6, 7, 1, 0, 1, 0, 1, 0, 1};
        QVERIFY(read->back() == expected);
    }
}

void TestTrendFiles::cursorEdges()
{
    using namespace cursor;
    // An odd cursor at 1 still wraps back to the last row; one row keeps every move on x = 0.
    QCOMPARE(stepLeft(1, 249), std::optional<int>(496));
    QCOMPARE(stepRight(0, 1), std::optional<int>(0));
    QCOMPARE(stepLeft(0, 1), std::optional<int>(0));
    QCOMPARE(clickPosition(300, 1), std::optional<int>(0));
    // No row: nothing to stand on, nothing to read.
    QVERIFY(!clickPosition(10, 0));
    QVERIFY(!stepRight(-2, 0));
    QVERIFY(!stepLeft(-2, 0));
    QVERIFY(!rowUnderCursor(-2, 0));
    QCOMPARE(positionOnLastRow(0), 0);
    // A cursor left beyond a shorter recording reads nothing; the full display reads row 250.
    QVERIFY(!rowUnderCursor(498, 249));
    QCOMPARE(rowUnderCursor(500, 251), std::optional<int>(250));

    QCOMPARE(valueText(2, 0x12ABCD, Base::Hex, LogicText::Value), QString("ABCD"));
    QCOMPARE(valueText(13, -3, Base::Dec, LogicText::HighLow), QString("1"));
    QCOMPARE(valueText(13, 0, Base::Hex, LogicText::HighLow), QString("0"));
}

QTEST_GUILESS_MAIN(TestTrendFiles)
#include "test_trend_files.moc"
