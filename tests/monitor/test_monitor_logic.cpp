// The Monitor's logic without a window: name layout, section table, value placing over a whole
// pass against a memory held in the test, the values on the grids as sections come in, and the
// .mon file format.

#include "link/ControllerWord.h"
#include "monitor/MonitorFile.h"
#include "monitor/MonitorLayout.h"
#include "monitor/MonitorPass.h"
#include "monitor/MonitorValues.h"

#include <QHash>
#include <QTest>

using namespace monitor;

namespace {

QString entry(quint32 address, const QString &name)
{
    return QStringLiteral("%1,%2").arg(address, 8, 16, QLatin1Char('0')).toUpper().left(9) + name;
}

// A list shaped as the catalogue builds it: "Varlist2.txt" lines ending in CmdFlag, block header
// and output entries, the "Varlist.txt" lines (beginning with an empty one), DIO and M entries.
QStringList sampleList(int dioNames, const QStringList &blockNames)
{
    QStringList list{entry(0x600FA8, "SpdCmd"), entry(0x600F00, "InvFlag"), entry(0x600F02, "CmdFlag")};
    for (const QString &name : blockNames)
        list << entry(0x600EC0, name);
    list << QString() << entry(0x600F92, "AnTermIn") << entry(0x600FCE, "Speed9");
    for (int n = 0; n < dioNames; ++n)
        list << entry(0x600E00 + 2 * n, QStringLiteral("DIO%1").arg(n, 2, 10, QLatin1Char('0')));
    for (int n = 1; n <= 32; ++n)
        list << entry(0x600E80 + 2 * (n - 1), QStringLiteral("M%1").arg(n, 2, 10, QLatin1Char('0')));
    list << QStringLiteral("END");
    return list;
}

const QStringList kDemoBlocks{"PI3A1",  "PI3A11", "PI2A1",  "PI2A11", "PI2A12", "CONS1",  "LAG11",  "LAG111",
                              "DMCN1",  "DMCN11", "DMCN12", "DMCN13", "DMCN14", "WIDE1",  "WIDE11", "WIDE12",
                              "WIDE13", "WIDE14", "WIDE15", "PI3A2",  "PI3A21", "XY"};

QStringList namesOfRow(const MonitorGrid &grid, int row)
{
    QStringList names;
    for (int c = 0; c < kGridColumns; c += 2) {
        if (!grid.cell(row, c).isEmpty())
            names << grid.cell(row, c);
    }
    return names;
}

// What a section of `table` reads as: word k of section s is -(100 s + k + 1).
SectionResult sectionRead(const SectionTable &table, int section, PassOutcome outcome = PassOutcome::Complete)
{
    SectionResult result;
    result.section = section;
    result.outcome = outcome;
    if (outcome == PassOutcome::Complete) {
        for (int k = 0; k < table[static_cast<std::size_t>(section)].words; ++k)
            result.values.push_back(-(100 * section + k + 1));
    }
    return result;
}

QStringList seq(const QString &stem, int from, int to, int width = 0)
{
    QStringList out;
    for (int n = from; n <= to; ++n)
        out << stem + QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0'));
    return out;
}

} // namespace

class TestMonitorLogic : public QObject {
    Q_OBJECT
private slots:
    void layOutFixedGrids_data();
    void layOutFixedGrids();
    void layOutBlockOutputsOneBlockPerRow();
    void valueTexts();
    void passReadsSectionsInOrderAndStopsWhereTold();
    void valuesGreyUntilRefreshedAndFollowTheBase();
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
    const MonitorLayout layout = layOutNames(sampleList(dioNames, kDemoBlocks));
    QCOMPARE(layout.dioCount, dioNames);
    for (int r = 0; r * 4 < dioNames; ++r)
        QCOMPARE(namesOfRow(layout.grids.commands, r), seq("DIO", 4 * r, std::min(4 * r + 3, dioNames - 1), 2));
    QCOMPARE(namesOfRow(layout.grids.commands, allRow), seq("ALL", 0, 3));
    QCOMPARE(namesOfRow(layout.grids.commands, allRow + 1), QStringList{"ALL4"});
    QCOMPARE(layout.grids.commands.cell(allRow + 2, 0), QString());

    const MonitorGrid &inputsAndOutputs = layout.grids.inputsAndOutputs;
    QCOMPARE(namesOfRow(inputsAndOutputs, 0), (QStringList{"AI1", "AI2"}));
    QCOMPARE(namesOfRow(inputsAndOutputs, 1), (QStringList{"DPTF1", "DPTF2", "DPGF1", "DPGF2"}));
    QCOMPARE(namesOfRow(inputsAndOutputs, 2), (QStringList{"PTO", "AO1", "AO2", "DSPO"}));
    QCOMPARE(namesOfRow(inputsAndOutputs, 3), QStringList{"FLG5"});
    QCOMPARE(namesOfRow(inputsAndOutputs, 4), seq("UDAT", 0, 3));
    QCOMPARE(namesOfRow(inputsAndOutputs, 5), seq("UDAT", 4, 7));
    for (int r = 6; r < kInputOutputRows; ++r)
        QCOMPARE(namesOfRow(inputsAndOutputs, r), seq("M", 4 * (r - 6), 4 * (r - 6) + 3, 2));
    QCOMPARE(makeSectionTable(layout.dioCount, 0)[0].words, dioNames);
}

void TestMonitorLogic::layOutBlockOutputsOneBlockPerRow()
{
    const MonitorLayout layout = layOutNames(sampleList(22, kDemoBlocks));
    const MonitorGrid &blockOutputs = layout.grids.blockOutputs;
    // WIDE1 has five outputs: all counted, the fifth beyond the last column and not shown. The
    // scan ends at the empty entry, so "Speed9" after it is no block output.
    QCOMPARE(layout.superBlockOutputCount, 1 + 2 + 1 + 4 + 5 + 1);
    QCOMPARE(namesOfRow(blockOutputs, 0), QStringList{"PI3A11"});
    QCOMPARE(namesOfRow(blockOutputs, 1), (QStringList{"PI2A11", "PI2A12"}));
    QCOMPARE(namesOfRow(blockOutputs, 2), QStringList{"LAG111"});
    QCOMPARE(namesOfRow(blockOutputs, 3), seq("DMCN1", 1, 4));
    QCOMPARE(namesOfRow(blockOutputs, 4), seq("WIDE1", 1, 4));
    QCOMPARE(namesOfRow(blockOutputs, 5), QStringList{"PI3A21"});
    QCOMPARE(blockOutputs.cell(6, 0), QString());

    // Without "CmdFlag" (or "DIO00") the scans stop at "END".
    QStringList noFlag = sampleList(0, kDemoBlocks);
    noFlag.removeAt(2);
    const MonitorLayout bare = layOutNames(noFlag);
    QCOMPARE(bare.superBlockOutputCount, 0);
    QCOMPARE(bare.grids.blockOutputs, MonitorGrid(kBlockOutputRows));
    QCOMPARE(layOutNames(QStringList{"END"}).dioCount, 0);
}

void TestMonitorLogic::valueTexts()
{
    QCOMPARE(signedWord(0xFF, 0xFF), -1);
    QCOMPARE(signedWord(0x80, 0x00), -32768);
    QCOMPARE(signedWord(0x7F, 0xFF), 32767);
    QCOMPARE(valueText(-2, false), QStringLiteral("FFFFFFFE"));
    QCOMPARE(valueText(0x7ABC, false), QStringLiteral("00007ABC"));
}

void TestMonitorLogic::passReadsSectionsInOrderAndStopsWhereTold()
{
    MonitorLayout layout = layOutNames(sampleList(16, kDemoBlocks));
    const SectionTable table = makeSectionTable(layout.dioCount, layout.superBlockOutputCount);
    std::array<QString, 4> pointers{"00600EC0", "00600EC2", "00600FA8", "00600FAA"};
    std::vector<std::pair<quint32, int>> reads;
    quint32 failAt = 0;
    // Each word reads as its own address's offset from 600000, in decimal.
    const WordReader read = [&](std::uint32_t address, int words, std::vector<int> &values) {
        reads.emplace_back(address, words);
        values.clear();
        for (int k = 0; k < words; ++k)
            values.push_back(static_cast<int>(address - 0x600000) + 2 * k);
        return address != failAt;
    };
    QCOMPARE(runPollingPass(layout.grids, table, pointers, true, read), PassOutcome::Complete);
    const std::vector<std::pair<quint32, int>> expectedReads{
        {0x600E00, 16}, {0x600FA8, 5}, {0x600F92, 6},  {0x600EC0, 1}, {0x600EC2, 1},
        {0x600FA8, 1},  {0x600FAA, 1}, {0x600FCE, 32}, {0x600E80, 16}, {0x600EC0, 14}};
    QCOMPARE(reads, expectedReads);
    const MonitorGrids &g = layout.grids;
    QCOMPARE(g.commands.cell(4, 1), QString::number(0xFA8)); // ALL0 right below DIO15's row
    QCOMPARE(g.inputsAndOutputs.cell(2, 5), QString::number(0xFA8)); // AO2 through its pointer
    // WIDE1's fifth value has no column of its own and runs into the next block's row.
    QCOMPARE(g.blockOutputs.cell(4, 7), QString::number(0xEC0 + 2 * 11));
    QCOMPARE(g.blockOutputs.cell(5, 1), QString::number(0xEC0 + 2 * 12));
    QCOMPARE(g.blockOutputs.cell(6, 1), QString::number(0xEC0 + 2 * 13));

    // A failed read keeps the values of the sections after it; a pointer that is not hexadecimal
    // ends the pass before its section is placed.
    layout.grids.inputsAndOutputs.setCell(3, 1, QStringLiteral("old"));
    layout.grids.inputsAndOutputs.setCell(2, 1, QStringLiteral("old"));
    failAt = 0x600FCE;
    QCOMPARE(runPollingPass(layout.grids, table, pointers, true, read), PassOutcome::ReadFailed);
    QCOMPARE(g.inputsAndOutputs.cell(2, 1), QString::number(0xEC0));
    QCOMPARE(g.inputsAndOutputs.cell(3, 1), QStringLiteral("old"));
    pointers[2].clear();
    layout.grids.inputsAndOutputs.setCell(2, 1, QStringLiteral("old"));
    QCOMPARE(runPollingPass(layout.grids, table, pointers, true, read), PassOutcome::PointersMissing);
    QCOMPARE(g.inputsAndOutputs.cell(2, 1), QStringLiteral("old"));
}

void TestMonitorLogic::valuesGreyUntilRefreshedAndFollowTheBase()
{
    MonitorValues values(sampleList(16, kDemoBlocks));
    const SectionTable &table = values.sections();
    struct Greyed {
        Grid grid;
        int fromRow, fromColumn, toRow, toColumn;
        bool stale;
        bool operator==(const Greyed &) const = default;
    };
    std::vector<Greyed> greyed;
    QObject::connect(&values, &MonitorValues::staleChanged,
                     [&](Grid grid, GridCursor from, GridCursor to, bool stale) {
                         greyed.push_back({grid, from.row, from.column, to.row, to.column, stale});
                     });
    QStringList formats;
    QObject::connect(&values, &MonitorValues::valueFormatChanged, [&](const QString &f) { formats << f; });
    const MonitorGrids &g = values.grids();

    for (int s = 0; s < static_cast<int>(table.size()); ++s)
        values.takeSection(sectionRead(table, s));
    QCOMPARE(g.commands.cell(0, 1), QStringLiteral("-1"));
    QCOMPARE(g.inputsAndOutputs.cell(0, 3), QStringLiteral("-202")); // AI2
    QCOMPARE(g.blockOutputs.cell(0, 1), QStringLiteral("-601"));
    QVERIFY(!values.anyStale());
    QVERIFY(greyed.empty());

    // A read fails at the first input/output section: it and every section after it turn grey,
    // each over the cells it wrote, and keep their values.
    values.takeSection(sectionRead(table, 0));
    values.takeSection(sectionRead(table, 1));
    values.takeSection(sectionRead(table, 2, PassOutcome::ReadFailed));
    const std::vector<Greyed> failed{{Grid::InputsAndOutputs, 0, 0, 2, 0, true}, // AI1 to DPGF2
                                     {Grid::InputsAndOutputs, 2, 0, 3, 0, true}, // PTO to DSPO
                                     {Grid::InputsAndOutputs, 3, 0, 12, 0, true}, // FLG5 to M22
                                     // M24 to M31, the rest of its words past the last row
                                     {Grid::InputsAndOutputs, 12, 0, 22, 0, true},
                                     {Grid::BlockOutputs, 0, 0, 7, 0, true}};
    QCOMPARE(greyed, failed);
    QVERIFY(values.anyStale());
    QCOMPARE(g.inputsAndOutputs.cell(0, 3), QStringLiteral("-202"));
    // The next whole pass makes them live again, once each.
    greyed.clear();
    for (int s = 0; s < static_cast<int>(table.size()); ++s)
        values.takeSection(sectionRead(table, s));
    QCOMPARE(greyed.size(), failed.size());
    QVERIFY(std::all_of(greyed.begin(), greyed.end(), [](const Greyed &e) { return !e.stale; }));
    QVERIFY(!values.anyStale());

    // The other base shows the values last read again at once.
    values.toggleNumberBase();
    QCOMPARE(values.valueFormat(), QStringLiteral("Hex"));
    QCOMPARE(g.commands.cell(0, 1), QStringLiteral("FFFFFFFF"));
    QCOMPARE(g.blockOutputs.cell(0, 1), QStringLiteral("FFFFFDA7"));

    // An opened file's cells are no values read: a change of base leaves them, and the rest of a
    // pass takes the base chosen meanwhile.
    MonitorSnapshot snapshot;
    snapshot.rows[gridIndex(Grid::Commands)] = {QStringList{"DIO00", "file"}};
    values.showSnapshot(snapshot);
    QCOMPARE(values.valueFormat(), QString());
    values.toggleNumberBase();
    QCOMPARE(formats, (QStringList{"Hex", QString(), "Dec"}));
    QCOMPARE(g.commands.cell(0, 1), QStringLiteral("file"));
    values.takeSection(sectionRead(table, 0));
    QCOMPARE(g.commands.cell(0, 1), QStringLiteral("-1"));
    values.toggleNumberBase();
    QCOMPARE(g.commands.cell(0, 1), QStringLiteral("-1"));
    values.takeSection(sectionRead(table, 1));
    QCOMPARE(g.commands.cell(4, 1), QStringLiteral("FFFFFF9B")); // ALL0: -101
}

void TestMonitorLogic::saveFormatByteForByte()
{
    MonitorGrids grids;
    const QStringList firstRow{"DIO00", "12", "DIO01", "-3"};
    for (int c = 0; c < firstRow.size(); ++c)
        grids.commands.setCell(0, c, firstRow[c]);
    grids.commands.setCell(2, 0, QStringLiteral("DIO08")); // after the empty row 1: not written
    grids.inputsAndOutputs.setCell(0, 0, QStringLiteral("AI1"));
    grids.inputsAndOutputs.setCell(0, 1, QStringLiteral("FFFFFFFE"));
    grids.inputsAndOutputs.setCell(0, 4, QStringLiteral("LONGNAME9"));
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
    QCOMPARE(formatMonitorFile(QStringLiteral("run1.mon"), QStringLiteral("Hex"), grids), expected);
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
    const std::optional<MonitorSnapshot> snapshot = parseMonitorFile(lines);
    QVERIFY(snapshot);
    QCOMPARE(snapshot->fileLabel, QStringLiteral("run1.mon "));
    QCOMPARE(snapshot->formatCaption, QStringLiteral("Dec"));
    // The empty value cell is skipped: DIO01 and its value move one column to the left.
    QCOMPARE(snapshot->rows[0].at(0), (QStringList{"DIO00", "DIO01", "-3"}));
    QCOMPARE(snapshot->rows[0].at(1), (QStringList{"DIO04", "FFFFFFFE"}));
    QCOMPARE(snapshot->rows[1].size(), std::size_t(0));

    MonitorGrids grids;
    for (int c = 0; c < kGridColumns; ++c) {
        grids.commands.setCell(0, c, QStringLiteral("x"));
        grids.commands.setCell(2, c, QStringLiteral("y"));
    }
    applySnapshotCells(grids, *snapshot);
    QCOMPARE(grids.commands.row(0), (GridRow{"DIO00", "DIO01", "-3", "x", "x", "x", "x", "x"}));
    QCOMPARE(grids.commands.cell(2, 7), QStringLiteral("y"));
    QCOMPARE(grids.blockOutputs.cell(0, 1), QStringLiteral("1234"));
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
    QVERIFY(parseMonitorFile(whole));
    QVERIFY(!parseMonitorFile(whole.mid(0, keptLines)));
}

QTEST_GUILESS_MAIN(TestMonitorLogic)
#include "test_monitor_logic.moc"
