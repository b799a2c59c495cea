// Block types, super-block decoding, the variable list and the data-file check.

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "catalogue/BlockTypeTable.h"
#include "catalogue/Decoder.h"
#include "catalogue/CatalogueTexts.h"
#include "catalogue/SuperBlockFile.h"
#include "tests/support/TestEnvironment.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList wordList(std::initializer_list<const char *> words)
{
    QStringList list;
    for (const char *w : words)
        list.append(QLatin1String(w));
    return list;
}

// A header followed by its parameter words.
QStringList block(const char *header, int params)
{
    QStringList list{QLatin1String(header)};
    for (int i = 0; i < params; ++i)
        list.append(QStringLiteral("1234"));
    return list;
}

QStringList names(const std::vector<BlockRecord> &records)
{
    QStringList names;
    for (const BlockRecord &r : records)
        names.append(r.name + QLatin1Char('/') + QString::number(r.instance));
    return names;
}

const QStringList kShippedVarlist2{
    QStringLiteral("00600FA8,SpdCmd"), QStringLiteral("00600FAA,SpdFbk"), QStringLiteral("00600FAC,TrqCmd"),
    QStringLiteral("00600FAE,TrqFbk"), QStringLiteral("00600FB0,CurFbk"), QStringLiteral("00600F00,InvFlag"),
    QStringLiteral("00600F02,CmdFlag")};

// The twelve lines of a data file that passes every test, with `superBlock` in line 6.
QStringList goodLines(const QStringList &superBlock)
{
    QString superBlockLine = QStringLiteral("@600620,%1,").arg(superBlock.size(), 0, 16).toUpper();
    for (const QString &w : superBlock)
        superBlockLine += w + QLatin1Char(',');
    return {QStringLiteral("@600608,1,0000,"),
            QStringLiteral("@600600,4,4304,4310,4760,47C6,"),
            QStringLiteral("@60060A,3,0001,0002,0003,"),
            QStringLiteral("@600614,1,0019,"),
            QStringLiteral("@600616,4,0010,0020,0030,0040,"),
            superBlockLine,
            QStringLiteral("@600E60,10,") + QStringLiteral("0000,").repeated(16),
            QStringLiteral("@600F88,4,0000,0000,0000,4E20,"),
            QStringLiteral("@600FA0,4,0001,0002,0003,0004,"),
            QStringLiteral("@202400,64,") + QStringLiteral("0000,").repeated(100),
            QStringLiteral("@202500,64,") + QStringLiteral("1000,").repeated(100),
            QStringLiteral("@600608,1,8000,")};
}

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }

    void blockTypeTable()
    {
        QCOMPARE(kBlockTypeTable.size(), 64u);
        const BlockType &pi4a = blockTypeRow(21);
        QVERIFY(pi4a.name == "PI4A" && pi4a.paramWords == 32 && pi4a.outputs == 3);
        const BlockType &dmcn = blockTypeRow(29);
        QVERIFY(dmcn.name == "DMCN" && dmcn.paramWords == 11 && dmcn.outputs == 4 && dmcn.width == 2);
        QVERIFY(blockTypeRow(33).name == "DTOS" && blockTypeRow(33).width == 1 && blockTypeRow(33).outputs == 1);
        QVERIFY(blockTypeRow(37).name == "DMC2" && blockTypeRow(37).width == 1 && blockTypeRow(37).outputs == 0);
        for (int code = 38; code <= kMaxTypeCode; ++code) {
            const BlockType &row = blockTypeRow(code);
            QVERIFY2(row.name == "    " && row.paramWords == 0 && row.outputs == 0, qPrintable(QString::number(code)));
        }
        QCOMPARE(blockWordCounts().size(), 65u);
        QCOMPARE(blockWordCounts()[9], 30);
        QCOMPARE(blockWordCounts()[64], 0);

        // Parameter words the reader steps over: CONS from its header's top digit.
        QCOMPARE(headerParameterWords(0x3007), 3);
        QCOMPARE(headerParameterWords(0xF007), 15);
        QCOMPARE(headerParameterWords(0x3001), 8);
        QCOMPARE(headerParameterWords(0x0050), 0);
    }

    void decodeChain_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QStringList>("expected"); // name/instance of every record, closing one included
        QTest::addColumn<QStringList>("messages");
        const QStringList none;
        const QStringList bad{kIncorrectLoadData};

        QTest::newRow("PI3A and PI2A") << block("0001", 8) + block("0002", 18) + wordList({"0000"})
                                       << QStringList{"PI3A/1", "PI2A/1", "BEND/0"} << none;
        QTest::newRow("CONS count from header")
            << block("3007", 3) + block("0001", 8) + wordList({"0000"}) << QStringList{"CONS/1", "PI3A/1", "BEND/0"}
            << none;
        // Its parameter words may look like anything, headers included.
        QTest::newRow("parameter words not decoded")
            << wordList({"0008", "0000", "ZZZZ", "00FF", "0000"}) << QStringList{"LAG1/1", "BEND/0"} << none;
        QTest::newRow("1200 ends the chain") << block("0001", 8) + wordList({"1200", "0002"})
                                             << QStringList{"PI3A/1", "BEND/0"} << none;
        QTest::newRow("blank row type") << wordList({"0026", "002A", "0000"})
                                        << QStringList{"    /1", "    /1", "BEND/0"} << none;
        QTest::newRow("code 64 to 124 as blank rows")
            << wordList({"0040", "007C", "0040", "0000"}) << QStringList{"    /1", "    /1", "    /2", "BEND/0"} << none;
        QTest::newRow("type above 124") << block("0001", 8) + wordList({"007D", "0001"})
                                        << QStringList{"PI3A/1", "BEND/0"} << bad;
        QTest::newRow("no closing word") << block("0001", 8) << QStringList{"PI3A/1", "BEND/0"} << bad;
        QTest::newRow("parameters past the loaded words")
            << block("0001", 8) + block("0002", 5) << QStringList{"PI3A/1", "BEND/0"} << bad;
        QTest::newRow("nothing loaded") << QStringList() << QStringList{"BEND/0"} << none;
        QTest::newRow("zero word only") << wordList({"0000"}) << QStringList{"BEND/0"} << none;
    }

    void decodeChain()
    {
        QFETCH(QStringList, words);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, messages);
        CatalogueData data;
        data.blockRecords = {BlockRecord{QStringLiteral("OLD"), 5, 9, 7, 2, 1}, BlockRecord{}};
        data.superBlockWords = words;
        const CatalogueOutcome outcome = decodeSuperBlock(data);
        QVERIFY(outcome.proceed);
        QCOMPARE(outcome.messages, messages);
        QCOMPARE(names(data.blockRecords), expected);
        QCOMPARE(data.blockRecords.back().typeCode, 0);
    }

    void decodeRecordsAndLimits()
    {
        CatalogueData data;
        // Ten PI3A blocks and a CONS: instances count per type, CONS takes its count from the header.
        for (int i = 0; i < 10; ++i)
            data.superBlockWords += block("0001", 8);
        data.superBlockWords += block("F007", 15) + block("0018", 8) + wordList({"0000"});
        QVERIFY(decodeSuperBlock(data).messages.isEmpty());
        QCOMPARE(data.blockRecords.size(), 13u);
        QCOMPARE(data.blockRecords[9].instance, 10);
        const BlockRecord &cons = data.blockRecords[10];
        QVERIFY(cons.typeCode == 7 && cons.paramWords == 15 && cons.outputs == 0);
        const BlockRecord &dpi3 = data.blockRecords[11];
        QVERIFY(dpi3.name == "DPI3" && dpi3.paramWords == 8 && dpi3.outputs == 2 && dpi3.width == 2);
        QCOMPARE(data.blockRecords[12].name, QStringLiteral("BEND"));

        // 127 blocks fill the table; a 128th is refused with the blocks before it kept.
        data.superBlockWords = QStringList(127, QStringLiteral("0026")) + wordList({"0000"});
        QVERIFY(decodeSuperBlock(data).messages.isEmpty());
        QCOMPARE(data.blockRecords.size(), 128u);
        data.superBlockWords = QStringList(200, QStringLiteral("0026")) + wordList({"0000"});
        QCOMPARE(decodeSuperBlock(data).messages, QStringList{kIncorrectLoadData});
        QCOMPARE(data.blockRecords.size(), 128u);
        QCOMPARE(data.blockRecords[126].instance, 127);

        // Non-hexadecimal type digits, or a CONS count digit, end the Data Read with the table as it was.
        const std::vector<BlockRecord> before = data.blockRecords;
        for (const QStringList &words : {block("0001", 8) + wordList({"00G1", "0000"}), wordList({"X007", "0000"})}) {
            data.superBlockWords = words;
            const CatalogueOutcome outcome = decodeSuperBlock(data);
            QVERIFY(!outcome.proceed);
            QCOMPARE(outcome.messages.size(), 1);
            QVERIFY(outcome.messages[0].contains(QLatin1String("is not a valid hexadecimal value")));
            QCOMPARE(names(data.blockRecords), names(before));
        }
    }

    void offsetEntries()
    {
        CatalogueData data;
        // The second PI2A, the tenth PI3A, a width-2 block and a CONS between them.
        data.superBlockWords = block("0002", 18) + block("0002", 18);
        for (int i = 0; i < 10; ++i)
            data.superBlockWords += block("0001", 8);
        data.superBlockWords += block("2007", 2) + block("0018", 8) + block("001D", 11) + block("0026", 0) +
                                wordList({"0000"});
        decodeSuperBlock(data);
        const QStringList entries = blockOffsetEntries(data.blockRecords);
        QCOMPARE(entries.mid(0, 6), (QStringList{"010,1,PI2A1", "460,1,PI2A11", "461,1,PI2A12", "023,1,PI2A2",
                                                  "462,1,PI2A21", "463,1,PI2A22"}));
        // Ten PI3A from 036 on, 9 words apart: the tenth is PI3AA at 036 + 81.
        QCOMPARE(entries.mid(24, 2), (QStringList{"087,1,PI3AA", "46D,1,PI3AA1"}));
        // CONS 2007 holds three words, so DPI3 follows at 090 + 3; its outputs alternate widths 2, 1.
        QCOMPARE(entries.mid(26, 4), (QStringList{"090,1,CONS1", "093,1,DPI31", "46E,2,DPI311", "46F,1,DPI312"}));
        QCOMPARE(entries.mid(30, 5),
                 (QStringList{"09C,1,DMCN1", "470,2,DMCN11", "471,1,DMCN12", "472,2,DMCN13", "473,1,DMCN14"}));
        QCOMPARE(entries.mid(35), QStringList{"0A8,1,    1"});
    }

    void buildList()
    {
        CatalogueData data;
        data.superBlockWords = block("0001", 8) + block("0002", 18) + wordList({"0000"});
        decodeSuperBlock(data);
        const QStringList varlist{QString(), "4C9,1,AnTermIn", "", "4E7,2,FLG5", "END", "4CA,1,After"};
        QVERIFY(buildVariableList(data, varlist, kShippedVarlist2 + QStringList{"END"}).proceed);
        QVERIFY(data.variableListBuilt);
        const QStringList &list = data.variableList;
        QCOMPARE(list.size(), 7 + 5 + 4 + 22 + 32 + 1);
        QCOMPARE(list.mid(0, 7), kShippedVarlist2);
        QCOMPARE(list.mid(7, 5), (QStringList{"00600620,PI3A1", "00600EC0,PI3A11", "00600632,PI2A1",
                                               "00600EC2,PI2A11", "00600EC4,PI2A12"}));
        // Empty lines of "Varlist.txt" keep their place, empty.
        QCOMPARE(list.mid(12, 4), (QStringList{"", "00600F92,AnTermIn", "", "00600FCE,FLG5"}));
        QCOMPARE(list[16], QStringLiteral("00600E00,DIO00"));
        QCOMPARE(list[37], QStringLiteral("00600E2A,DIO21"));
        QCOMPARE(list[38], QStringLiteral("00600E80,M01"));
        QCOMPARE(list[69], QStringLiteral("00600EBE,M32"));
        QCOMPARE(list.last(), QStringLiteral("END"));
        QCOMPARE(variableNames(list).mid(6, 4), (QStringList{"CmdFlag", "PI3A1", "PI3A11", "PI2A1"}));
        QCOMPARE(variableAddress(list, QStringLiteral("PI2A12")), QStringLiteral("00600EC4"));
        QCOMPARE(variableAddress(list, QStringLiteral("After")), QString());
        QCOMPARE(variableAddress(list, QStringLiteral("PI2A")), QString());

        // A name in "Varlist2.txt" and among the blocks resolves to the first.
        QVERIFY(buildVariableList(data, varlist, QStringList{"00601234,PI3A11", "END"}).proceed);
        QCOMPARE(variableAddress(data.variableList, QStringLiteral("PI3A11")), QStringLiteral("00601234"));

        // A shorter rebuild leaves nothing of the longer list behind.
        data.superBlockWords = wordList({"0000"});
        decodeSuperBlock(data);
        QVERIFY(buildVariableList(data, QStringList{"END"}, QStringList{"END"}).proceed);
        QCOMPARE(data.variableList.size(), 22 + 32 + 1);
        QCOMPARE(data.variableList.first(), QStringLiteral("00600E00,DIO00"));
        QCOMPARE(variableAddress(data.variableList, QStringLiteral("PI3A1")), QString());

        // The shipped files from the program folder.
        QVERIFY(buildVariableList(data).proceed);
        QCOMPARE(variableNames(data.variableList).mid(6, 3), (QStringList{"CmdFlag", "", "AnTermIn"}));
        QCOMPARE(variableAddress(data.variableList, QStringLiteral("MotorTemp")), QStringLiteral("00600F98"));
    }

    void buildRefused_data()
    {
        QTest::addColumn<QStringList>("varlist");
        QTest::addColumn<QStringList>("varlist2");
        QTest::addColumn<bool>("missingVarlist");
        QTest::addColumn<QString>("message");
        const QStringList end{"END"};
        const QString varlistPath = programfolder::file(QStringLiteral("Varlist.txt"));
        QTest::newRow("Varlist.txt missing") << end << end << true << kCannotOpenFile.arg(varlistPath);
        QTest::newRow("no END") << QStringList{"4C9,1,A"} << end << false << kNoEndLine.arg(varlistPath);
        QTest::newRow("Varlist2.txt without END")
            << end << QStringList{"00600000,X"} << false
            << kNoEndLine.arg(programfolder::file(QStringLiteral("Varlist2.txt")));
        QTest::newRow("offset not hex") << QStringList{"4G9,1,A", "END"} << end << false << kNotHexadecimal.arg("4G9");
        QTest::newRow("short offset") << QStringList{"4C", "END"} << end << false << kNotHexadecimal.arg("4C");
        QTest::newRow("256 lines") << QStringList(256, "4C9,1,A") + end << end << false
                                   << kTooManyLines.arg(varlistPath);
        // 54 fixed entries and 255 file lines leave room for 690 address lines, not 691.
        QTest::newRow("1000 entries") << QStringList(255, "4C9,1,A") + end
                                      << QStringList(691, "00600000,X") + end << false << kVariableListFull;
    }

    void buildRefused()
    {
        QFETCH(QStringList, varlist);
        QFETCH(QStringList, varlist2);
        QFETCH(bool, missingVarlist);
        QFETCH(QString, message);
        CatalogueData data;
        QVERIFY(buildVariableList(data, QStringList{"END"}, QStringList{"00600000,Keep", "END"}).proceed);
        const QStringList before = data.variableList;
        data.variableListBuilt = false;
        const CatalogueOutcome outcome =
            buildVariableList(data, missingVarlist ? std::nullopt : std::optional(varlist), varlist2);
        QVERIFY(!outcome.proceed);
        QCOMPARE(outcome.messages, QStringList{message});
        QCOMPARE(data.variableList, before);
        QVERIFY(!data.variableListBuilt);

        if (message == kVariableListFull) { // one entry fewer fits exactly
            varlist2.removeAt(0);
            QVERIFY(buildVariableList(data, varlist, varlist2).proceed);
            QCOMPARE(data.variableList.size(), 1000);
        }
    }

    void checkFile()
    {
        const QStringList superBlock = block("0001", 8) + wordList({"0000"});
        CatalogueData data;
        CheckOutcome outcome = checkSuperBlockLines(goodLines(superBlock), data, "f");
        QVERIFY(outcome.proceed);
        QCOMPARE(outcome.errorCount, 0);
        QVERIFY(outcome.messages.isEmpty());
        QCOMPARE(data.superBlockWords, superBlock);
        QCOMPARE(data.pointerAddresses,
                 (std::array<QString, 4>{"005F8020", "005F8040", "005F8060", "005F8080"}));

        // Line 2 ending in 47C7: one message, the super block still loaded.
        QStringList lines = goodLines(wordList({"0008", "1", "2", "3", "0000"}));
        lines[5] = QStringLiteral("@600620,5,0008,0001,0002,0003,0000,");
        lines[1].replace(QLatin1String("47C6"), QLatin1String("47C7"));
        outcome = checkSuperBlockLines(lines, data, "f");
        QVERIFY(outcome.proceed);
        QCOMPARE(outcome.errorCount, 1);
        QCOMPARE(outcome.messages, QStringList{kQmxFileDataError});
        QCOMPARE(data.superBlockWords, wordList({"0008", "0001", "0002", "0003", "0000"}));

        // Every fixed test failing still gives one message; a super block line with N = 3 and four
        // words, or N above 992, is an error that keeps the words loaded before.
        const QStringList kept = data.superBlockWords;
        for (const QString &superBlockLine : {QStringLiteral("@600620,3,0001,0002,0003,0004,"),
                                     QStringLiteral("@600620,3E1,") + QStringLiteral("0026,").repeated(993),
                                     QStringLiteral("@600621,1,0000,")}) {
            lines = QStringList(12, QStringLiteral("@999999,1,0000,"));
            lines[5] = superBlockLine;
            outcome = checkSuperBlockLines(lines, data, "f");
            QVERIFY(outcome.proceed);
            QCOMPARE(outcome.errorCount, 12);
            QCOMPARE(outcome.messages, QStringList{kQmxFileDataError});
            QCOMPARE(data.superBlockWords, kept);
        }
        // 992 words is the most a file may carry.
        lines = goodLines(QStringList(991, QStringLiteral("0026")) + wordList({"0000"}));
        QCOMPARE(checkSuperBlockLines(lines, data, "f").errorCount, 0);
        QCOMPARE(data.superBlockWords.size(), 992);

        // Non-hex pointer word or count, too few lines: the Data Read ends with nothing changed.
        const CatalogueData before = data;
        const QStringList good = goodLines(wordList({"0000"}));
        QStringList badPointer = good, badCount = good;
        badPointer[4] = QStringLiteral("@600616,4,0010,00X0,0030,0040,");
        badCount[5] = QStringLiteral("@600620,G,0000,");
        for (const QStringList &bad : {badPointer, badCount, good.mid(0, 11)}) {
            outcome = checkSuperBlockLines(bad, data, "f");
            QVERIFY(!outcome.proceed);
            QCOMPARE(outcome.messages.size(), 1);
            QCOMPARE(data.superBlockWords, before.superBlockWords);
            QCOMPARE(data.pointerAddresses, before.pointerAddresses);
        }
        QCOMPARE(checkSuperBlockLines(badCount, data, "f").messages, QStringList{kNotHexadecimal.arg("G")});

        // Through a file, CR LF or not; a missing file ends the Data Read.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sbdata.qmx"));
        QVERIFY(textfile::writeAtomically(path, textfile::joinLinesCrLf(goodLines(wordList({"0000"})))));
        outcome = checkSuperBlockFile(path, data);
        QVERIFY(outcome.proceed && outcome.errorCount == 0);
        QCOMPARE(data.superBlockWords, wordList({"0000"}));
        outcome = checkSuperBlockFile(dir.filePath(QStringLiteral("none.qmx")), data);
        QVERIFY(!outcome.proceed);
        QCOMPARE(outcome.messages, QStringList{kCannotOpenFile.arg(dir.filePath(QStringLiteral("none.qmx")))});
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "test_catalogue.moc"
