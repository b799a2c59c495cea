// The Monitor's logic without a window: name layout, section table, value placing over a whole
// pass against a memory held in the test, and the .mon file format.

#include "monitor/MonitorFile.h"
#include "monitor/MonitorLayout.h"
#include "monitor/MonitorPass.h"

#include <QHash>
#include <QTest>

using namespace monitor;

namespace {

QString Entry(quint32 address, const QString &name)
{
    return QStringLiteral("%1,%2").arg(address, 8, 16, QLatin1Char('0')).toUpper().left(9) + name;
}

// A list shaped as the catalogue builds it: "Varlist2.txt" lines ending in CmdFlag, block header
// and output entries, the "Varlist.txt" lines (beginning with an empty one), DIO and M entries.
QStringList SampleList(int dioNames, const QStringList &blockNames)
{
    QStringList list{Entry(0x600FA8, "SpdCmd"), Entry(0x600F00, "InvFlag"), Entry(0x600F02, "CmdFlag")};
    for (const QString &name : blockNames)
        list << Entry(0x600EC0, name);
    list << QString() << Entry(0x600F92, "AnTermIn") << Entry(0x600FCE, "Speed9");
    for (int n = 0; n < dioNames; ++n)
        list << Entry(0x600E00 + 2 * n, QStringLiteral("DIO%1").arg(n, 2, 10, QLatin1Char('0')));
    for (int n = 1; n <= 32; ++n)
        list << Entry(0x600E80 + 2 * (n - 1), QStringLiteral("M%1").arg(n, 2, 10, QLatin1Char('0')));
    list << QStringLiteral("END");
    return list;
}

const QStringList kDemoBlocks{"PI3A1",  "PI3A11", "PI2A1",  "PI2A11", "PI2A12", "CONS1",  "LAG11",  "LAG111",
                              "DMCN1",  "DMCN11", "DMCN12", "DMCN13", "DMCN14", "WIDE1",  "WIDE11", "WIDE12",
                              "WIDE13", "WIDE14", "WIDE15", "PI3A2",  "PI3A21", "XY"};

QStringList NamesOfRow(const MonitorGrid &grid, int row)
{
    QStringList names;
    for (int c = 0; c < kGridColumns; c += 2) {
        if (!grid.cell(row, c).isEmpty())
            names << grid.cell(row, c);
    }
    return names;
}

QStringList Seq(const QString &stem, int from, int to, int width = 0)
{
    QStringList out;
    for (int n = from; n <= to; ++n)
        out << stem + QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0'));
    return out;
}

// Controller memory of the test: every word distinct, a few negative.
quint16 WordAt(quint32 address) { return static_cast<quint16>((address - 0x600000) * 37 + 0x7F00); }

} // namespace

class TestMonitorLogic : public QObject {
    Q_OBJECT
private slots:
    void layOutFixedGrids_data();
    void layOutFixedGrids();
    void layOutBlockOutputsOneBlockPerRow();
    void valueTexts();
    void wholePassPlacesEveryValueBesideItsName();
    void passEndsOnFailedReadOrMissingPointers();
    void saveFormatByteForByte();
    void openSplitsFieldsAndKeepsUnreachedCells();
    void openRefusesFileEndingEarly_data();
    void openRefusesFileEndingEarly();
};

void TestMonitorLogic::layOutFixedGrids_data()
{
    QTest::addColumn<int>("dioNames");
    QTest::addColumn<int>("allRow");
    QTest::newRow("22 DIO names") << 22 << 6;
    QTest::newRow("16 DIO names") << 16 << 4;
    QTest::newRow("no DIO00") << 0 << 0;
}

void TestMonitorLogic::layOutFixedGrids()
{
    QFETCH(int, dioNames);
    QFETCH(int, allRow);
    const MonitorLayout layout = LayOutNames(SampleList(dioNames, kDemoBlocks));
    QCOMPARE(layout.DioCount, dioNames);
    for (int r = 0; r * 4 < dioNames; ++r)
        QCOMPARE(NamesOfRow(layout.grids.grid1, r), Seq("DIO", 4 * r, std::min(4 * r + 3, dioNames - 1), 2));
    QCOMPARE(NamesOfRow(layout.grids.grid1, allRow), Seq("ALL", 0, 3));
    QCOMPARE(NamesOfRow(layout.grids.grid1, allRow + 1), QStringList{"ALL4"});
    QCOMPARE(layout.grids.grid1.cell(allRow + 2, 0), QString());

    const MonitorGrid &g2 = layout.grids.grid2;
    QCOMPARE(NamesOfRow(g2, 0), (QStringList{"AI1", "AI2"}));
    QCOMPARE(NamesOfRow(g2, 1), (QStringList{"DPTF1", "DPTF2", "DPGF1", "DPGF2"}));
    QCOMPARE(NamesOfRow(g2, 2), (QStringList{"PTO", "AO1", "AO2", "DSPO"}));
    QCOMPARE(NamesOfRow(g2, 3), QStringList{"FLG5"});
    QCOMPARE(NamesOfRow(g2, 4), Seq("UDAT", 0, 3));
    QCOMPARE(NamesOfRow(g2, 5), Seq("UDAT", 4, 7));
    for (int r = 6; r < kGrid2Rows; ++r)
        QCOMPARE(NamesOfRow(g2, r), Seq("M", 4 * (r - 6), 4 * (r - 6) + 3, 2));
    for (int r = 0; r < kGrid2Rows; ++r) {
        for (int c = 1; c < kGridColumns; c += 2)
            QVERIFY(g2.cell(r, c).isEmpty());
    }

    const SectionTable table = MakeSectionTable(layout.DioCount, layout.SuperBlockOutputCount);
    QCOMPARE(table[0].words, dioNames);
    QCOMPARE(table[0].start, 0x600E00u);
    QCOMPARE(table[3].source, SectionSource::Pointers);
    QCOMPARE(table[6].start, 0x600EC0u);
    QCOMPARE(table[6].words, layout.SuperBlockOutputCount);
}

void TestMonitorLogic::layOutBlockOutputsOneBlockPerRow()
{
    const MonitorLayout layout = LayOutNames(SampleList(22, kDemoBlocks));
    const MonitorGrid &g3 = layout.grids.grid3;
    // WIDE1 has five outputs: all counted, the fifth beyond the last column and not shown. The
    // scan ends at the empty entry, so "Speed9" after it is no block output.
    QCOMPARE(layout.SuperBlockOutputCount, 1 + 2 + 1 + 4 + 5 + 1);
    QCOMPARE(NamesOfRow(g3, 0), QStringList{"PI3A11"});
    QCOMPARE(NamesOfRow(g3, 1), (QStringList{"PI2A11", "PI2A12"}));
    QCOMPARE(NamesOfRow(g3, 2), QStringList{"LAG111"});
    QCOMPARE(NamesOfRow(g3, 3), Seq("DMCN1", 1, 4));
    QCOMPARE(NamesOfRow(g3, 4), Seq("WIDE1", 1, 4));
    QCOMPARE(NamesOfRow(g3, 5), QStringList{"PI3A21"});
    QCOMPARE(g3.cell(6, 0), QString());

    // Without "CmdFlag" (or "DIO00") the scans stop at "END".
    QStringList noFlag = SampleList(0, kDemoBlocks);
    noFlag.removeAt(2);
    const MonitorLayout bare = LayOutNames(noFlag);
    QCOMPARE(bare.SuperBlockOutputCount, 0);
    QCOMPARE(bare.grids.grid3, MonitorGrid(kGrid3Rows));
    QCOMPARE(LayOutNames(QStringList{"END"}).DioCount, 0);
}

void TestMonitorLogic::valueTexts()
{
    QCOMPARE(SignedWord(0xFF, 0xFF), -1);
    QCOMPARE(SignedWord(0x80, 0x00), -32768);
    QCOMPARE(SignedWord(0x7F, 0xFF), 32767);
    QCOMPARE(ValueText(-1, true), QStringLiteral("-1"));
    QCOMPARE(ValueText(-1, false), QStringLiteral("FFFFFFFF"));
    QCOMPARE(ValueText(-2, false), QStringLiteral("FFFFFFFE"));
    QCOMPARE(ValueText(5, false), QStringLiteral("00000005"));
    QCOMPARE(ValueText(0x7ABC, false), QStringLiteral("00007ABC"));
}

void TestMonitorLogic::wholePassPlacesEveryValueBesideItsName()
{
    for (const bool decimal : {true, false}) {
        MonitorLayout layout = LayOutNames(SampleList(22, kDemoBlocks));
        const SectionTable table = MakeSectionTable(layout.DioCount, layout.SuperBlockOutputCount);
        const std::array<QString, 4> pointers{"00600EC0", "00600EC2", "00600FA8", "00600FAA"};
        std::vector<std::pair<quint32, int>> reads;
        const WordReader read = [&](std::uint32_t address, int words, std::vector<int> &values) {
            reads.emplace_back(address, words);
            values.clear();
            for (int k = 0; k < words; ++k) {
                const quint16 w = WordAt(address + 2 * k);
                values.push_back(SignedWord(w >> 8, w & 0xFF));
            }
            return true;
        };
        QCOMPARE(RunPollingPass(layout.grids, table, pointers, decimal, read), PassOutcome::Complete);
        const std::vector<std::pair<quint32, int>> expectedReads{
            {0x600E00, 22}, {0x600FA8, 5}, {0x600F92, 6}, {0x600EC0, 1}, {0x600EC2, 1}, {0x600FA8, 1},
            {0x600FAA, 1},  {0x600FCE, 32}, {0x600E80, 16}, {0x600EC0, 14}};
        QCOMPARE(reads, expectedReads);

        auto text = [decimal](quint32 address) {
            const quint16 w = WordAt(address);
            return ValueText(SignedWord(w >> 8, w & 0xFF), decimal);
        };
        const MonitorGrids &g = layout.grids;
        QCOMPARE(g.grid1.cell(5, 3), text(0x600E00 + 2 * 21)); // DIO21
        QCOMPARE(g.grid1.cell(6, 1), text(0x600FA8));          // ALL0
        QCOMPARE(g.grid1.cell(7, 1), text(0x600FA8 + 8));      // ALL4
        QCOMPARE(g.grid1.cell(7, 3), QString());
        QCOMPARE(g.grid2.cell(1, 7), text(0x600F92 + 10)); // DPGF2
        QCOMPARE(g.grid2.cell(2, 5), text(0x600FA8));      // AO2 through a pointer
        QCOMPARE(g.grid2.cell(3, 1), text(0x600FCE));      // FLG5
        QCOMPARE(g.grid2.cell(3, 3), QString());
        QCOMPARE(g.grid2.cell(5, 7), text(0x600FCE + 2 * 8));  // UDAT7
        QCOMPARE(g.grid2.cell(11, 5), text(0x600FCE + 2 * 31)); // M22, the last word of section 5
        QCOMPARE(g.grid2.cell(11, 7), QString());               // M23 gets nothing
        QCOMPARE(g.grid2.cell(12, 1), text(0x600E80));          // M24
        QCOMPARE(g.grid2.cell(13, 7), text(0x600E80 + 2 * 7));  // M31; the last eight fall below
        QCOMPARE(g.grid3.cell(3, 7), text(0x600EC0 + 2 * 7));   // DMCN14
        // The fifth WIDE1 value has no column of its own and runs into the next row.
        QCOMPARE(g.grid3.cell(4, 7), text(0x600EC0 + 2 * 11));
        QCOMPARE(g.grid3.cell(5, 1), text(0x600EC0 + 2 * 12));
        QCOMPARE(g.grid3.cell(1, 5), QString());
        if (!decimal)
            QVERIFY(g.grid2.cell(12, 1).size() == 8);
    }
}

void TestMonitorLogic::passEndsOnFailedReadOrMissingPointers()
{
    MonitorLayout layout = LayOutNames(SampleList(16, kDemoBlocks));
    layout.grids.grid2.setCell(3, 1, QStringLiteral("old"));
    const SectionTable table = MakeSectionTable(layout.DioCount, layout.SuperBlockOutputCount);
    const WordReader failAtFlags = [](std::uint32_t address, int words, std::vector<int> &values) {
        values.assign(static_cast<std::size_t>(words), 7);
        return address != 0x600FCE;
    };
    std::array<QString, 4> pointers{"00600EC0", "00600EC2", "00600FA8", "00600FAA"};
    QCOMPARE(RunPollingPass(layout.grids, table, pointers, true, failAtFlags), PassOutcome::ReadFailed);
    QCOMPARE(layout.grids.grid1.cell(4, 1), QStringLiteral("7")); // ALL0 right after DIO15's row
    QCOMPARE(layout.grids.grid2.cell(2, 7), QStringLiteral("7")); // DSPO, section 4
    QCOMPARE(layout.grids.grid2.cell(3, 1), QStringLiteral("old"));

    pointers[2].clear();
    layout.grids.grid2.setCell(2, 1, QStringLiteral("old"));
    QCOMPARE(RunPollingPass(layout.grids, table, pointers, true, failAtFlags), PassOutcome::PointersMissing);
    QCOMPARE(layout.grids.grid2.cell(2, 1), QStringLiteral("old"));
}

void TestMonitorLogic::saveFormatByteForByte()
{
    MonitorGrids grids;
    const QStringList row0{"DIO00", "12", "DIO01", "-3"};
    for (int c = 0; c < row0.size(); ++c)
        grids.grid1.setCell(0, c, row0[c]);
    grids.grid1.setCell(2, 0, QStringLiteral("DIO08")); // after the empty row 1: not written
    grids.grid2.setCell(0, 0, QStringLiteral("AI1"));
    grids.grid2.setCell(0, 1, QStringLiteral("FFFFFFFE"));
    grids.grid2.setCell(0, 4, QStringLiteral("LONGNAME9"));
    const QByteArray expected = "----- Qmx Moniter List --- File Name:run1.mon ----\r\n"
                                "\r\n"
                                "                                  dec/hex : Hex\r\n"
                                "--- Command, Value & FeedBack ---\r\n"
                                "   DIO00      12   DIO01      -3                                \r\n"
                                "\r\n"
                                "--- Input & Output & Variables M ---\r\n"
                                "     AI1FFFFFFFE                LONGNAME9                        \r\n"
                                "\r\n"
                                "SuperBlock Output\r\n"
                                "END\r\n";
    QCOMPARE(FormatMonitorFile(QStringLiteral("run1.mon"), QStringLiteral("Hex"), grids), expected);
}

void TestMonitorLogic::openSplitsFieldsAndKeepsUnreachedCells()
{
    const QStringList lines{"----- Qmx Moniter List --- File Name:run1.mon ----",
                            "",
                            "                                  dec/hex : Dec",
                            "--- Command, Value & FeedBack ---",
                            "   DIO00           DIO01      -3",
                            "   DIO04FFFFFFFE",
                            "",
                            "--- Input & Output & Variables M ---",
                            "",
                            "SuperBlock Output",
                            "  PI3A11    1234",
                            "END"};
    const std::optional<MonitorSnapshot> snapshot = ParseMonitorFile(lines);
    QVERIFY(snapshot);
    QCOMPARE(snapshot->fileLabel, QStringLiteral("run1.mon "));
    QCOMPARE(snapshot->formatCaption, QStringLiteral("Dec"));
    // The empty value cell is skipped: DIO01 and its value move one column to the left.
    QCOMPARE(snapshot->rows[0].at(0), (QStringList{"DIO00", "DIO01", "-3"}));
    QCOMPARE(snapshot->rows[0].at(1), (QStringList{"DIO04", "FFFFFFFE"}));
    QCOMPARE(snapshot->rows[1].size(), std::size_t(0));

    MonitorGrids grids;
    for (int c = 0; c < kGridColumns; ++c) {
        grids.grid1.setCell(0, c, QStringLiteral("x"));
        grids.grid1.setCell(2, c, QStringLiteral("y"));
    }
    ApplySnapshotCells(grids, *snapshot);
    QCOMPARE(grids.grid1.row(0), (GridRow{"DIO00", "DIO01", "-3", "x", "x", "x", "x", "x"}));
    QCOMPARE(grids.grid1.cell(2, 7), QStringLiteral("y"));
    QCOMPARE(grids.grid3.cell(0, 1), QStringLiteral("1234"));

    QStringList unknownFormat = lines;
    unknownFormat[2] = QStringLiteral("                                  dec/hex : ");
    const std::optional<MonitorSnapshot> unknown = ParseMonitorFile(unknownFormat);
    QVERIFY(unknown);
    QVERIFY(!unknown->formatKnown);
    QCOMPARE(unknown->formatCaption, QString());
    QCOMPARE(unknown->rows[2].size(), std::size_t(1)); // loaded all the same
}

void TestMonitorLogic::openRefusesFileEndingEarly_data()
{
    QTest::addColumn<int>("keptLines");
    QTest::newRow("empty file") << 0;
    QTest::newRow("headers only") << 4;
    QTest::newRow("inside the first grid") << 5;
    QTest::newRow("empty line without heading") << 6;
    QTest::newRow("inside the second grid") << 8;
    QTest::newRow("before END") << 10;
}

void TestMonitorLogic::openRefusesFileEndingEarly()
{
    QFETCH(int, keptLines);
    const QStringList whole{"----- Qmx Moniter List --- File Name:a.mon ----",
                            "",
                            "                                  dec/hex : Dec",
                            "--- Command, Value & FeedBack ---",
                            "   DIO00       1",
                            "",
                            "--- Input & Output & Variables M ---",
                            "     AI1       2",
                            "",
                            "SuperBlock Output",
                            "END"};
    QVERIFY(ParseMonitorFile(whole));
    QVERIFY(!ParseMonitorFile(whole.mid(0, keptLines)));
}

QTEST_GUILESS_MAIN(TestMonitorLogic)
#include "test_monitor_logic.moc"
