// The Trend Graph's read-out with 14 channels: the band's lines within their width, the Read-out
// window opened from the graph menu (a row per channel, following the cursors and the number
// base, copied as tab-separated text, its place kept), the band's differences following its
// "Engineering values", and the band after a .trd is opened.

#include "base/TextFile.h"
#include "engineering/UnitsDialog.h"
#include "engineering/UnitsTable.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trend/TrendWindowProgram.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/ReadoutBand.h"
#include "trend/tools/ReadoutWindow.h"
#include "trend/model/TrendFile.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/window/TrendGraphView.h"
#include "trend/window/TrendGraphWindow.h"
#include "trend/readout/TrendReadout.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {

using namespace std::chrono_literals;

enum BandLine { ReadoutTime, ReadoutDifference, ReadoutStatistics, ReadoutLine };

// 14 channels with names as long as a variable's name gets, 40 rows read 10 ms apart; analog
// channel c reads k x (c + 1) at row k, the logic channels toggle.
void fillFourteenChannels(TrendData &data)
{
    data.selectedChannels.clear();
    for (int c = 0; c < kChannels; ++c) {
        data.channels[c] = {true, AddressKind::Name, QStringLiteral("MotorCurrentLimit%1").arg(c),
                            c < kAnalogChannels ? QStringLiteral("20000") : QStringLiteral("15")};
        data.selectedChannels.push_back(c);
        data.channelScale[c] = c < kAnalogChannels ? 20000 : 0x8000;
    }
    for (int k = 0; k < 40; ++k) {
        for (int c = 0; c < kChannels; ++c)
            data.sampleRing[k][c] = c < kAnalogChannels ? -1000 * k * (c + 1) : k % 2;
        data.rowInfoRing[k] = {std::chrono::milliseconds(10 * k), 0};
    }
    data.ringWritePos = 40;
}

} // namespace

class TestReadoutWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void bandLinesFitTheirWidth();
    void readoutWindowOfFourteenChannels();
    void bandFollowsEngineeringValues();
    void openNamesTheFile();

private:
    QTemporaryDir dir_;
};

void TestReadoutWindow::bandLinesFitTheirWidth()
{
    TrendWindowProgram p;
    TrendGraphWindow form(p.ws, p.data);
    form.show();
    fillFourteenChannels(p.data);
    form.redraw();
    form.setSecondCursor(0);

    QLabel *difference = form.band().line(ReadoutDifference);
    const QFontMetrics metrics = difference->fontMetrics();
    const QStringList lines = difference->text().split(u'\n');
    QVERIFY(!difference->wordWrap());
    QVERIFY2(lines.size() * metrics.lineSpacing() <= difference->height(), qPrintable(difference->text()));
    for (const QString &line : lines)
        QVERIFY2(metrics.horizontalAdvance(line) <= difference->contentsRect().width(), qPrintable(line));
    // The differences that do not fit are said to be in the Read-out, and none is cut in two.
    QVERIFY2(difference->text().endsWith(kReadoutMoreMark), qPrintable(difference->text()));
    const QStringList items =
        readout::differenceItems(p.data, *readout::cursorDifference(p.data, form.view().cursorX(), 0), false);
    QCOMPARE(items.size(), 2 + kChannels);
    QCOMPARE(items.at(2), QStringLiteral("MotorCurrentLimit0 +39000"));
    int shown = 0;
    for (const QString &line : lines) {
        for (const QString &item : line.split(QStringLiteral("  "))) {
            if (item == kReadoutMoreMark)
                continue;
            QVERIFY2(items.contains(item), qPrintable(item));
            ++shown;
        }
    }
    QVERIFY2(shown >= 4 && shown < items.size(), qPrintable(difference->text()));

    // The time line too, and two cursors near each other need no mark.
    QLabel *time = form.band().line(ReadoutTime);
    QVERIFY(time->fontMetrics().horizontalAdvance(time->text()) <= time->contentsRect().width());
    p.data.selectedChannels = {0, 7};
    form.setSecondCursor(70);
    QCOMPARE(difference->text(),
             QStringLiteral("B-A: -4 rows  -0.040 s  MotorCurrentLimit0 +4000  MotorCurrentLimit7.15 0"));
}

void TestReadoutWindow::readoutWindowOfFourteenChannels()
{
    TrendWindowProgram p;
    auto *form = new TrendGraphWindow(p.ws, p.data);
    form->show();
    fillFourteenChannels(p.data);
    form->redraw();
    QVERIFY(!form->readoutWindow());

    // "Read-out..." in the graph menu opens a tool window beside the Trend Graph, not modal.
    QAction *entry = form->view().readoutAction();
    QCOMPARE(entry->text(), QStringLiteral("Read-out\u2026"));
    QVERIFY(form->graphMenu()->actions().contains(entry));
    entry->trigger();
    ReadoutWindow *readout = form->readoutWindow();
    QVERIFY(readout && readout->isVisible());
    QVERIFY(!readout->isModal());
    QCOMPARE(readout->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    QCOMPARE(readout->parentWidget(), form);

    // One cursor: A's values only, a row per selected channel with its name as the table shows it.
    QTableWidget *grid = readout->grid();
    QCOMPARE(grid->rowCount(), 14);
    QCOMPARE(grid->columnCount(), 2);
    QCOMPARE(readout->header()->text(), QStringLiteral("A: row 39  t = 0.390 s"));
    QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("-39000"));
    QCOMPARE(grid->item(13, 0)->text(), QStringLiteral("MotorCurrentLimit13.15"));
    QVERIFY(!grid->item(3, 0)->icon().isNull());

    // A second cursor: the figures between them, following the cursor and the number base.
    form->setSecondCursor(20);
    QCOMPARE(grid->rowCount(), 14);
    QCOMPARE(grid->columnCount(), 12);
    QCOMPARE(readout->header()->text(),
             QStringLiteral("A: row 39  t = 0.390 s    B: row 10  t = 0.100 s    B-A: -29 rows  -0.290 s"));
    QCOMPARE(grid->item(0, 3)->text(), QStringLiteral("+29000"));
    QCOMPARE(grid->item(0, 4)->text(), QStringLiteral("-39000")); // Min
    QCOMPARE(grid->item(7, 9)->text(), QStringLiteral("15"));     // 1s over rows 10..39
    QCOMPARE(grid->item(7, 10)->text(), QStringLiteral("29"));    // Edges
    form->stepCursorLeft();
    QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("-38000"));
    form->toggleNumberBase();
    QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("6B90"));
    QCOMPARE(grid->item(0, 3)->text(), QStringLiteral("+6D60"));

    // Ctrl+C and the context menu's Copy: the whole table as tab-separated text.
    QGuiApplication::clipboard()->clear();
    readout->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(readout));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    const QString copied = readoutstatistics::tabSeparatedText(readout->table());
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    QCOMPARE(copied.count(u'\n'), 2 + 14);
    QVERIFY(copied.contains(QStringLiteral("\nMotorCurrentLimit0\t6B90\tD8F0\t+6D60\t")));
    QCOMPARE(grid->contextMenuPolicy(), Qt::ActionsContextMenu);
    QVERIFY(grid->actions().contains(readout->copyAction()));
    QCOMPARE(readout->copyAction()->text(), QStringLiteral("Copy"));

    // Closed and opened again, also from a new Trend Graph: where it was last put.
    const QRect place(readout->geometry().topLeft() + QPoint(30, 40), QSize(700, 330));
    readout->setGeometry(place);
    readout->close();
    QVERIFY(!readout->isVisible());
    entry->trigger();
    QCOMPARE(readout->geometry(), place);
    delete form;
    TrendGraphWindow again(p.ws, p.data);
    again.show();
    again.redraw();
    again.view().readoutAction()->trigger();
    QCOMPARE(again.readoutWindow()->geometry(), place);
    QCOMPARE(again.readoutWindow()->grid()->rowCount(), 14);
}

void TestReadoutWindow::bandFollowsEngineeringValues()
{
    QVERIFY(textfile::writeAtomically(UnitsTable::defaultPath(), "MotorCurrentLimit0\t0.5\t10\trpm\r\n"));
    TrendWindowProgram p;
    TrendGraphWindow form(p.ws, p.data);
    form.show();
    fillFourteenChannels(p.data);
    form.table().showRecords(p.data.channels);
    form.redraw();
    p.data.selectedChannels = {0, 1, 7};
    form.setSecondCursor(70);
    QLabel *difference = form.band().line(ReadoutDifference);
    // The line breaks between items where they do not fit on one row.
    const auto shown = [difference] { return difference->text().replace(u'\n', QStringLiteral("  ")); };
    const QString raw = QStringLiteral(
        "B-A: -4 rows  -0.040 s  MotorCurrentLimit0 +4000  MotorCurrentLimit1 +8000  MotorCurrentLimit7.15 0");
    QCOMPARE(shown(), raw);
    const QImage rawBand = form.band().grab().toImage();

    // The Read-out opened with its check off changes nothing in the band.
    form.openReadoutWindow();
    ReadoutWindow *readout = form.readoutWindow();
    QCOMPARE(shown(), raw);

    // Checked: the scaled channel's difference in rpm, as the table's B-A column has it; the one
    // without a scale and the bit as before.
    readout->engineeringValues()->setChecked(true);
    QCOMPARE(readout->grid()->item(0, 3)->text(), QStringLiteral("2000 rpm"));
    QCOMPARE(shown(), QStringLiteral("B-A: -4 rows  -0.040 s  MotorCurrentLimit0 2000 rpm  "
                                                "MotorCurrentLimit1 +8000  MotorCurrentLimit7.15 0"));
    // Hex: the engineering value stays decimal, as in the table.
    form.toggleNumberBase();
    QCOMPARE(readout->grid()->item(0, 3)->text(), QStringLiteral("2000 rpm"));
    QCOMPARE(shown(), QStringLiteral("B-A: -4 rows  -0.040 s  MotorCurrentLimit0 2000 rpm  "
                                                "MotorCurrentLimit1 +1F40  MotorCurrentLimit7.15 0000"));
    form.toggleNumberBase();

    // A new scale saved from the name field's "Units..." is in the band at once.
    UnitsDialog *dialog = form.table().openUnitsDialog(1);
    QVERIFY(dialog);
    dialog->gain()->setText(QStringLiteral("0.25"));
    dialog->unit()->setText(QStringLiteral("A"));
    dialog->saveButton()->click();
    QVERIFY(p.dialogs.messages.isEmpty());
    QCOMPARE(shown(), QStringLiteral("B-A: -4 rows  -0.040 s  MotorCurrentLimit0 2000 rpm  "
                                                "MotorCurrentLimit1 2000 A  MotorCurrentLimit7.15 0"));
    QCOMPARE(readout->grid()->item(1, 3)->text(), QStringLiteral("2000 A"));

    // Unchecked: the band as it was, to the pixel.
    readout->engineeringValues()->setChecked(false);
    QCOMPARE(shown(), raw);
    QCOMPARE(form.band().grab().toImage(), rawBand);
}

void TestReadoutWindow::openNamesTheFile()
{
    TrendWindowProgram p;
    TrendGraphWindow form(p.ws, p.data);
    form.show();
    fillFourteenChannels(p.data);
    // The figures of a run that has ended.
    p.data.runStartedSteady = std::chrono::steady_clock::time_point{};
    form.band().beginRun();
    trendpoll::TrendPass pass;
    pass.ended = p.data.runStartedSteady + 1s;
    pass.stats.add(0, 27ms);
    pass.lineEvent = trendpoll::LineEvent::Lost;
    form.band().takePass(pass);
    form.band().setRecordingText(QStringLiteral("recorded 1 rows to run.csv"));
    form.redraw();
    QVERIFY(form.band().line(ReadoutStatistics)->text().startsWith(QStringLiteral("Line: 1 exchanges, 0 failed\n")));
    QVERIFY(!form.band().line(ReadoutLine)->text().isEmpty());

    unrollSamples(p.data);
    const QString trd = dir_.filePath(QStringLiteral("bench_test.trd"));
    QVERIFY(textfile::writeAtomically(
        trd, textfile::joinLinesCrLf(trendfile::formatLines(QStringLiteral("bench_test.trd"), p.data.channels,
                                                            p.data.displayRows, p.data.rowCount))));
    p.dialogs.openAnswers = {trd};
    form.openTrendFile();
    QVERIFY(p.dialogs.messages.isEmpty());
    QCOMPARE(form.band().line(ReadoutStatistics)->text(), QStringLiteral("File: bench_test.trd"));
    QVERIFY(form.band().line(ReadoutLine)->text().isEmpty());
    QCOMPARE(form.runPasses(), quint64{0});
    QCOMPARE(form.runStats().exchanges, quint64{0});
    // REDRAW shows the last run's rows again: the file is no longer named.
    form.redraw();
    QVERIFY(form.band().line(ReadoutStatistics)->text().isEmpty());
}

QTEST_MAIN(TestReadoutWindow)
#include "test_readout_window.moc"
