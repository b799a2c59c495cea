// Channel presets: a preset line read into a channel's settings, comma text, and the presets file
// written and read back.

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "tests/support/TestEnvironment.h"
#include "trend/model/Presets.h"

#include <QFile>
#include <QtTest>

class TestChannelPresets : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }

    void presetLine_data();
    void presetLine();
    void commaText();
    void presetFiles();
};

void TestChannelPresets::presetLine_data()
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

void TestChannelPresets::presetLine()
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

void TestChannelPresets::commaText()
{
    QCOMPARE(presets::splitCommaText("a,,b"), (QStringList{"a", "", "b"}));
    QCOMPARE(presets::splitCommaText("Dec,,,,"), (QStringList{"Dec", "", "", ""}));
    QCOMPARE(presets::splitCommaText("  "), QStringList{});
    QCOMPARE(presets::splitCommaText("\"open quote, to the end"), QStringList{"open quote, to the end"});
    QCOMPARE(presets::splitCommaText("\"ab\"cd,e"), (QStringList{"ab", "cd", "e"}));
}

void TestChannelPresets::presetFiles()
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

QTEST_GUILESS_MAIN(TestChannelPresets)
#include "test_channel_presets.moc"
