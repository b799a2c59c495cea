// Opening .trd files through the Trend Graph window's Open with real files. A file it shows: saved,
// opened and saved again to the same bytes; the form without spaces; a cancelled dialog. Files it
// refuses: a file refused by the format's own checks (channel number, Sel, A/L) keeps the setting
// fields read before the refused one; a file refused by the program's further checks (data lines,
// row count, END, scales) changes nothing at all.

#include "base/TextFile.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trend/RecordedRing.h"
#include "trend/graph/GraphLayers.h"
#include "trend/model/TrendFile.h"
#include "trend/window/TrendGraphWindow.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/ReadoutBand.h"
#include "trend/window/TrendGraphView.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <functional>

namespace {

using Channels = std::array<ChannelRecord, kChannels>;
using Edit = std::function<void(QStringList &lines)>;

// Settings as the window shows them before each refused Open.
Channels recordsBefore()
{
    Channels channels;
    for (int c = 0; c < kChannels; ++c)
        channels[c] = {c % 3 == 0, c % 2 ? AddressKind::Address : AddressKind::Name, QStringLiteral("Old%1").arg(c),
                       c < kAnalogChannels ? QStringLiteral("%1").arg(1000 * (c + 1)) : QStringLiteral("%1").arg(c)};
    return channels;
}

// Settings of the file that each refused file is made from: every text differs from recordsBefore().
Channels inFile()
{
    Channels channels;
    for (int c = 0; c < kChannels; ++c)
        channels[c] = {c % 3 == 1, c % 2 ? AddressKind::Name : AddressKind::Address, QStringLiteral("New%1").arg(c),
                       c < kAnalogChannels ? QStringLiteral("%1").arg(500 + c) : QStringLiteral("0%1").arg(c - 7)};
    return channels;
}

std::array<SampleRow, kDisplayRowsCapacity> rows(int count, int base)
{
    std::array<SampleRow, kDisplayRowsCapacity> rows{};
    for (int k = 0; k < count; ++k)
        for (int c = 0; c < kChannels; ++c)
            rows[k][c] = c < kAnalogChannels ? base + 10 * k + c : (k + c) % 2;
    return rows;
}

// `expected` with the fields of channels 0 .. `channel` - 1 and the first `fields` setting fields
// of `channel` (Sel, A/L) taken from `file`.
Channels replaced(Channels expected, const Channels &file, int channel, int fields)
{
    for (int c = 0; c < channel; ++c)
        expected[c] = file[c];
    if (fields >= 1)
        expected[channel].selected = file[channel].selected;
    if (fields >= 2)
        expected[channel].addressKind = file[channel].addressKind;
    return expected;
}

} // namespace

Q_DECLARE_METATYPE(Channels)
Q_DECLARE_METATYPE(Edit)

class TestTrendOpen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void openShowsAFile();
    void openRefusesBadFiles();
    void refusedFileLeavesWhatItShould_data();
    void refusedFileLeavesWhatItShould();
    void referenceLiesBehindTheTraces();

private:
    QString path(const QString &name) const { return dir_.filePath(name); }
    void write(const QString &name, const QStringList &lines);

    Link link_;
    ScriptedDialogs dialogs_;
    Workspace ws_{link_, dialogs_};
    TrendData data_;
    QTemporaryDir dir_;
};

void TestTrendOpen::initTestCase()
{
    testenv::prepare();
    QVERIFY(dir_.isValid());
    ws_.session.setVariablesListOpen(true);

    write("before.trd", trendfile::formatLines("before.trd", recordsBefore(), rows(12, 100), 12));
    write("file.trd", trendfile::formatLines("file.trd", inFile(), rows(30, -300), 30));
}

void TestTrendOpen::write(const QString &name, const QStringList &lines)
{
    QFile::remove(path(name));
    QVERIFY(textfile::writeAtomically(path(name), textfile::joinLinesCrLf(lines)));
}

void TestTrendOpen::openShowsAFile()
{
    data_ = TrendData{};
    TrendGraphWindow form(ws_, data_);
    form.show();
    dialogs_.messages.clear();

    // Saved, opened and saved again: the same bytes.
    fillRecordedRing(form, 40, false, 40);
    data_.channels[9] = {true, AddressKind::Address, "600F00", "15"};
    dialogs_.saveAnswers = {path("a.trd"), path("b.trd")};
    form.saveTrendFile();
    data_.channels[9] = {false, AddressKind::Name, "x", "0"};
    dialogs_.openAnswers = {path("a.trd")};
    form.openTrendFile();
    form.saveTrendFile();
    QCOMPARE(testenv::readAll(path("b.trd")).mid(20), testenv::readAll(path("a.trd")).mid(20));
    QCOMPARE(data_.channelScale[9], 32768);

    // The form without spaces, "Data Numbers = 7" over 3 rows, read in Hex.
    QStringList lines = *textfile::readLines(path("a.trd"));
    lines[1] = "Data Numbers = 7";
    lines[7] = "03,ON,A,Speed,1000,";
    lines = lines.mid(0, 20) + QStringList{"1,2,3,-1,5,6,7,0,0,0,0,0,0,0,", lines[21], lines[22], "END"};
    QFile::remove(path("c.trd"));
    QVERIFY(textfile::writeAtomically(path("c.trd"), textfile::joinLinesCrLf(lines)));
    form.toggleNumberBase();
    QVERIFY(form.hexShown());
    form.stepRightButton()->setEnabled(false);
    dialogs_.openAnswers = {path("c.trd")};
    form.openTrendFile();
    QVERIFY(dialogs_.messages.isEmpty());
    QCOMPARE(data_.rowCount, 3);
    QCOMPARE(form.view().cursorX(), 4);
    QCOMPARE(data_.selectedChannels, (std::vector<int>{0, 1, 3, 7, 9}));
    QCOMPARE(form.table().row(3).name->text(), QString("Speed"));
    QCOMPARE(form.table().row(3).addressKind->text(), QString("A"));
    QVERIFY(form.table().row(3).selected->isChecked());
    QVERIFY(form.table().row(3).name->isVisible());
    QVERIFY(!form.table().row(2).name->isVisible());
    QCOMPARE(form.table().row(3).value->text(), QString("0000"));
    QCOMPARE(form.table().row(1).value->text(), QString("FFFE"));
    form.stepCursorLeft();
    form.stepCursorLeft();
    QCOMPARE(form.table().row(3).value->text(), QString("FFFF")); // the file's first row
    QVERIFY(form.stepRightButton()->isEnabled());

    // A cancelled dialog still enables the cursor buttons and keys the selected channels only.
    form.stepLeftButton()->setEnabled(false);
    dialogs_.openAnswers.clear();
    data_.channels[1].selected = false;
    form.openTrendFile();
    QVERIFY(form.stepLeftButton()->isEnabled());
    QCOMPARE(form.layers().key.pixel(5, 19), kTraceColors[0]);
    QCOMPARE(form.layers().key.pixel(5, 39), form.view().background());
    QCOMPARE(data_.rowCount, 3);
}

void TestTrendOpen::openRefusesBadFiles()
{
    data_ = TrendData{};
    TrendGraphWindow form(ws_, data_);
    form.show();
    dialogs_.messages.clear();
    fillRecordedRing(form, 5, false, 5);
    dialogs_.saveAnswers = {path("good.trd")};
    form.saveTrendFile();
    const QStringList good = *textfile::readLines(path("good.trd"));
    form.redraw();

    // Channel 06 on line 10: channels 0..4 are taken, nothing else changes.
    QStringList wrongChannel = good;
    wrongChannel[9] = "06, ON,  A,  Wrong,  300,";
    wrongChannel[4] = "00, OF,  A,  Taken,  123,";
    write("wrong.trd", wrongChannel);
    QStringList badRow = good;
    badRow[22] = "1,2,3,";
    write("row.trd", badRow);
    QStringList badScale = good;
    badScale[5] = "01, ON,  L,  AnTermIn,  2.5,";
    write("scale.trd", badScale);
    write("short.trd", good.mid(0, 23));

    form.stepLeftButton()->setEnabled(false);
    dialogs_.openAnswers = {path("wrong.trd"), path("row.trd"), path("short.trd"), path("scale.trd"),
                            path("missing.trd")};
    for (int i = 0; i < 5; ++i)
        form.openTrendFile();
    QCOMPARE(dialogs_.messages, (QStringList{"Incorrect File Data", "Incorrect File Data", "Incorrect File Data",
                                             "Incorrect File Data", "Can not read the file."}));
    QCOMPARE(data_.channels[0].addressOrName, QString("Taken")); // only the wrong channel number replaced settings
    QCOMPARE(data_.channels[1].fullScale, QString("20000"));
    QCOMPARE(form.table().row(0).name->text(), QString("AnTermIn"));
    QCOMPARE(form.table().row(1).scale->text(), QString("20000"));
    QCOMPARE(data_.rowCount, 5);
    QVERIFY(!form.stepLeftButton()->isEnabled());

    dialogs_.messages.clear();
    data_.channels[5].addressKind = AddressKind::Address;
    dialogs_.openAnswers = {path("wrong.trd")};
    form.openTrendFile();
    QCOMPARE(data_.channels[0].addressOrName, QString("Taken"));
    QCOMPARE(data_.channels[0].selected, false);
    QCOMPARE(data_.channels[5].addressKind, AddressKind::Address);
    QVERIFY(form.table().row(0).selected->isChecked());
}

void TestTrendOpen::refusedFileLeavesWhatItShould_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<Channels>("expected"); // the channel records after the refusal

    const Channels before = recordsBefore();
    const Channels file = inFile();
    const auto line = [](int fileLine, const QString &text) {
        return Edit([=](QStringList &lines) { lines[fileLine - 1] = text; });
    };

    // The format's own checks: what was read before the refused field stays.
    QTest::newRow("channel 06 in the place of 05")
        << line(10, "06, ON,  A,  Wrong,  300,") << replaced(before, file, 5, 0);
    QTest::newRow("channel number not a number")
        << line(12, "x7, ON,  A,  Wrong,  300,") << replaced(before, file, 7, 0);
    QTest::newRow("Sel neither ON nor OF")
        << line(8, "03, on,  A,  Wrong,  300,") << replaced(before, file, 3, 0);
    QTest::newRow("A/L neither A nor L")
        << line(14, "09, OF,  B,  Wrong,   03,") << replaced(before, file, 9, 1);

    // The program's own checks: nothing changes.
    QTest::newRow("a data value that is not a number") << line(25, " 1, 2, 3, 4, 5, 6, x,  0,  0,  0,  0,  0,  0,  0,")
                                                       << before;
    QTest::newRow("a data line of 13 values") << line(30, "1,2,3,4,5,6,7,0,0,0,0,0,0,") << before;
    QTest::newRow("text after the last comma") << line(21, "1,2,3,4,5,6,7,0,0,0,0,0,0,0,8") << before;
    QTest::newRow("no END") << Edit([](QStringList &lines) { lines.removeLast(); }) << before;
    QTest::newRow("252 rows") << Edit([](QStringList &lines) {
        const QString row = lines.at(20);
        lines.removeLast();
        while (lines.size() < 20 + 252)
            lines.append(row);
        lines.append("END");
    }) << before;
    QTest::newRow("a selected full scale that is not a number")
        << line(6, "01, ON,  L,  New1,  2.5,") << before;
    QTest::newRow("a selected bit number that is not a number")
        << line(13, "08, ON,  L,  New8,   b3,") << before;
    QTest::newRow("a zero full scale before one that is not a number") << Edit([](QStringList &lines) {
        lines[5] = "01, ON,  L,  New1,    0,";
        lines[9] = "05, ON,  L,  New5,  1e3,";
    }) << before;
}

void TestTrendOpen::refusedFileLeavesWhatItShould()
{
    QFETCH(Edit, edit);
    QFETCH(Channels, expected);

    // Each case starts from a window that has shown another recording.
    data_ = TrendData{};
    TrendGraphWindow form(ws_, data_);
    form.show();
    dialogs_.messages.clear();
    dialogs_.openAnswers = {path("before.trd")};
    form.openTrendFile();
    QCOMPARE(dialogs_.messages, QStringList{});
    QCOMPARE(data_.rowCount, 12);

    const auto tableOf = [&form] {
        QStringList table;
        for (int c = 0; c < kChannels; ++c)
            table << form.table().row(c).name->text() + (form.table().row(c).name->isVisible() ? "" : " hidden");
        for (int c = 0; c < kChannels; ++c)
            table << form.table().row(c).scale->text() + (form.table().row(c).scale->isVisible() ? "" : " hidden");
        for (int c = 0; c < kChannels; ++c)
            table << (form.table().row(c).selected->isChecked() ? "ticked" : "clear")
                  << form.table().row(c).addressKind->text();
        for (int c = 0; c < kChannels; ++c)
            table << form.table().row(c).value->text();
        return table;
    };
    const QStringList tableBefore = tableOf();
    QCOMPARE(tableBefore.at(0), QString("Old0"));
    QCOMPARE(tableBefore.at(14), QString("1000")); // channel 0's full scale
    const TrendData dataBefore = data_;
    const int cursorXBefore = form.view().cursorX();
    const QImage traceBefore = form.layers().trace;

    QStringList lines = *textfile::readLines(path("file.trd"));
    edit(lines);
    write("refused.trd", lines);
    dialogs_.openAnswers = {path("refused.trd")};
    form.openTrendFile();

    QCOMPARE(dialogs_.messages, QStringList{"Incorrect File Data"});
    for (int c = 0; c < kChannels; ++c) {
        QCOMPARE(data_.channels[c].selected, expected[c].selected);
        QCOMPARE(data_.channels[c].addressKind, expected[c].addressKind);
        QCOMPARE(data_.channels[c].addressOrName, expected[c].addressOrName);
        QCOMPARE(data_.channels[c].fullScale, expected[c].fullScale);
    }
    // Either way the table, the rows on show, the selection, the cursor and the graph keep their
    // previous look: the file was refused.
    QCOMPARE(tableOf(), tableBefore);
    QCOMPARE(data_.rowCount, 12);
    QVERIFY(data_.displayRows == dataBefore.displayRows);
    QCOMPARE(data_.selectedChannels, dataBefore.selectedChannels);
    QVERIFY(data_.channelScale == dataBefore.channelScale);
    QCOMPARE(form.view().cursorX(), cursorXBefore);
    QCOMPARE(form.layers().trace, traceBefore);

    // The unchanged file itself opens: the refusal was the edit's doing.
    dialogs_.messages.clear();
    dialogs_.openAnswers = {path("file.trd")};
    form.openTrendFile();
    QCOMPARE(dialogs_.messages, QStringList{});
    QCOMPARE(data_.rowCount, 30);
    QCOMPARE(data_.channels[13].addressOrName, QString("New13"));
    QCOMPARE(form.table().row(0).name->text(), QString("New0"));
}

// A .trd laid behind the traces shows only where the trace layer is black, dimmed; the traces'
// own pixels, the grid and the cursor are as they were, and clearing it gives the same picture back.
void TestTrendOpen::referenceLiesBehindTheTraces()
{
    data_ = TrendData{};
    TrendGraphWindow form(ws_, data_);
    form.show();
    dialogs_.messages.clear();
    dialogs_.openAnswers = {path("before.trd")};
    form.openTrendFile();
    QCOMPARE(data_.rowCount, 12);
    const QImage pictureBefore = form.layers().visible.copy();
    const int cursorBefore = form.view().cursorX();
    const QImage traceBefore = form.layers().trace.copy();
    QAction *clear = form.view().clearReferenceAction();
    form.view().updateMenu();
    QVERIFY(!clear->isEnabled());

    // A file that cannot be a reference is refused with the Open's own message and draws nothing.
    write("bad.trd", {"not a trend file"});
    dialogs_.openAnswers = {path("bad.trd")};
    form.view().referenceAction()->trigger();
    QCOMPARE(dialogs_.messages, QStringList{"Incorrect File Data"});
    QCOMPARE(form.layers().visible, pictureBefore);
    dialogs_.messages.clear();

    dialogs_.openAnswers = {path("file.trd")};
    form.view().referenceAction()->trigger();
    QCOMPARE(dialogs_.messages, QStringList{});
    QVERIFY(form.band().line(3)->text().contains("reference file.trd (30 rows) behind the traces"));
    const QImage withReference = form.layers().visible;
    QCOMPARE(form.layers().trace, traceBefore);

    // The reference as it would be drawn alone, in the dimmed colours.
    TrendData stored;
    QVERIFY(trendfile::openLines(*textfile::readLines(path("file.trd")), stored) == trendfile::OpenOutcome::Opened);
    std::array<QRgb, 7> dimmed{};
    for (std::size_t k = 0; k < dimmed.size(); ++k)
        dimmed[k] = referenceColour(kTraceColors[k]);
    QImage alone(kGraphWidth, kGraphHeight, QImage::Format_RGB32);
    alone.fill(Qt::black);
    drawRowTraces(alone, stored, dimmed);

    int referencePixels = 0;
    for (int y = 0; y < kGraphHeight; ++y) {
        for (int x = 0; x < kGraphWidth; ++x) {
            const QRgb trace = traceBefore.pixel(x, y);
            const QRgb before = pictureBefore.pixel(x, y);
            const QRgb now = withReference.pixel(x, y);
            if (trace != qRgb(0, 0, 0)) {
                QCOMPARE(now, before); // a trace pixel is never mixed with the reference
            } else if (alone.pixel(x, y) != qRgb(0, 0, 0)) {
                QCOMPARE(now, before | alone.pixel(x, y)); // behind: under the grid and cursor
                ++referencePixels;
            } else {
                QCOMPARE(now, before);
            }
        }
    }
    QVERIFY(referencePixels > 100);

    // The reference stays through a cursor move and goes with "Clear reference".
    form.view().moveCursor(10);
    form.view().moveCursor(cursorBefore);
    QCOMPARE(form.layers().visible, withReference);
    form.view().updateMenu();
    QVERIFY(clear->isEnabled());
    clear->trigger();
    QCOMPARE(form.layers().visible, pictureBefore);
    QVERIFY(form.band().line(3)->text().contains("reference cleared"));
}

QTEST_MAIN(TestTrendOpen)
#include "test_trend_open.moc"
