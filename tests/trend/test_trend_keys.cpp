// The keyboard and the explanations: the Trend Graph's keys do what their buttons and menu items do
// (and only while those are enabled), the graph menu opens from the keyboard at cursor A without
// moving a cursor, every Read-out header explains its column, and the main window's Help > About
// and its greyed items say what they are.

#include "shell/MainWindow.h"
#include "shell/MainWindowTexts.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trend/TrendWindowProgram.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/GraphExport.h"
#include "trend/tools/ReadoutWindow.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/window/TrendGraphView.h"
#include "trend/window/TrendGraphWindow.h"
#include "link/LinkTexts.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {

// Rows 0..rows-1 of channels 0 and 7 in the ring, drawn by REDRAW.
void showRows(TrendGraphWindow &form, TrendData &data, int rows)
{
    for (int c = 0; c < kChannels; ++c)
        data.channels[c] = {c == 0 || c == 7, AddressKind::Name, c < 7 ? "AnTermIn" : "InvFlag", c < 7 ? "20000" : "00"};
    data.selectedChannels = {0, 7};
    data.channelScale = {20000, 0, 0, 0, 0, 0, 0, 1};
    for (int k = 0; k < rows; ++k)
        data.sampleRing[k] = {100 * k, 0, 0, 0, 0, 0, 0, k % 2};
    data.ringWrapped = false;
    data.ringWritePos = rows;
    form.table().showRecords(data.channels);
    form.redraw();
}

// `form` shown as the active window, where its keys work.
bool showActive(TrendGraphWindow &form)
{
    form.setAttribute(Qt::WA_DeleteOnClose, false);
    form.show();
    form.activateWindow();
    return QTest::qWaitForWindowActive(&form);
}

} // namespace

class TestTrendKeys : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void keysDoWhatTheirButtonsDo();
    void menuKeyOpensTheGraphMenuAtCursorA();
    void readoutHeadersExplainTheirColumns();
    void mainWindowSaysWhatItIsAndWhyItemsAreGreyed();
};

void TestTrendKeys::keysDoWhatTheirButtonsDo()
{
    TrendWindowProgram p;
    TrendGraphWindow form(p.ws, p.data);
    QVERIFY(showActive(form));

    // Before any rows the cursor keys and Ctrl+S change nothing; Save is greyed.
    QVERIFY(!form.stepRightButton()->isEnabled());
    const int restingX = form.view().cursorX();
    QTest::keyClick(&form, Qt::Key_Right);
    QCOMPARE(form.view().cursorX(), restingX);

    showRows(form, p.data, 10);
    QCOMPARE(form.view().cursorX(), 18);
    // Left and Right step cursor A as "<<" and ">>" do, round the ends.
    QTest::keyClick(&form, Qt::Key_Left);
    QCOMPARE(form.view().cursorX(), 16);
    QTest::keyClick(&form, Qt::Key_Right);
    QTest::keyClick(&form, Qt::Key_Right);
    QCOMPARE(form.view().cursorX(), 0);
    // Shift moves B, which starts from A; A stays.
    QTest::keyClick(&form, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(form.secondCursorX(), std::optional<int>(2));
    QTest::keyClick(&form, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&form, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(&form, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(form.secondCursorX(), std::optional<int>(4));
    QCOMPARE(form.view().cursorX(), 0);

    // Ctrl+S and Ctrl+O ask for a file as Save and Open do; Ctrl+E exports as the menu item,
    // which shows its key.
    QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(p.dialogs.filtersAsked, QStringList{kTrendFileFilter});
    QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(p.dialogs.filtersAsked.size(), 2);
    QCOMPARE(form.graphExport().exportCsvAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    const QString csv = testenv::programDir() + QStringLiteral("keys.csv");
    p.dialogs.saveAnswers = {csv};
    QTest::keyClick(&form, Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(p.dialogs.filtersAsked.value(2), kCsvFilter);
    QCOMPARE(testenv::readAll(csv).count('\n'), 11); // the header and the ten rows

    // F5 and Ctrl+R press RUN: here the port does not open, and says so once for each press.
    testenv::usePort(QStringLiteral("COM1"), QStringLiteral("/nonexistent/qmx-tty"));
    QTest::keyClick(&form, Qt::Key_F5);
    QTRY_COMPARE(p.dialogs.messages, QStringList{kCreateFileError});
    QTRY_VERIFY(!form.runStarting());
    QTest::keyClick(&form, Qt::Key_R, Qt::ControlModifier);
    QTRY_COMPARE(p.dialogs.messages, (QStringList{kCreateFileError, kCreateFileError}));
    QTRY_VERIFY(!form.runStarting());
    // Greyed RUN: the key does nothing either.
    form.runButton()->setEnabled(false);
    QTest::keyClick(&form, Qt::Key_F5);
    QVERIFY(!form.runStarting());
    QCOMPARE(p.dialogs.messages.size(), 2);
    // The buttons' tooltips name their keys.
    QVERIFY(form.runButton()->toolTip().contains(kRunKeys));
    QVERIFY(form.stepLeftButton()->toolTip().startsWith(kStepLeftTip));
}

void TestTrendKeys::menuKeyOpensTheGraphMenuAtCursorA()
{
    TrendWindowProgram p;
    TrendGraphWindow form(p.ws, p.data);
    QVERIFY(showActive(form));
    showRows(form, p.data, 20);
    form.setSecondCursor(10);
    form.graphClicked(30);
    QCOMPARE(form.view().cursorX(), 30);

    for (const auto &[key, modifiers] : {std::pair{Qt::Key_Menu, Qt::KeyboardModifiers{}},
                                         std::pair{Qt::Key_F10, Qt::KeyboardModifiers{Qt::ShiftModifier}}}) {
        QTest::keyClick(&form, key, modifiers);
        QMenu *menu = form.graphMenu();
        QTRY_VERIFY(menu->isVisible());
        // At cursor A, inside the graph; neither cursor moved.
        const QPoint corner = form.graphPicture()->mapToGlobal(QPoint(0, 0));
        QCOMPARE(menu->pos().x() - corner.x(), 30);
        QCOMPARE(form.view().cursorX(), 30);
        QCOMPARE(form.secondCursorX(), std::optional<int>(10));
        QVERIFY(form.graphExport().exportCsvAction()->isEnabled());
        menu->close();
        QTRY_VERIFY(!menu->isVisible());
    }
}

void TestTrendKeys::readoutHeadersExplainTheirColumns()
{
    TrendWindowProgram p;
    TrendGraphWindow form(p.ws, p.data);
    form.setAttribute(Qt::WA_DeleteOnClose, false);
    form.show();
    showRows(form, p.data, 20);
    form.setSecondCursor(10);
    form.openReadoutWindow();
    QTableWidget *grid = form.readoutWindow()->grid();
    QCOMPARE(grid->columnCount(), 2 + int(kReadoutSpanColumns.size()));
    for (int column = 0; column < grid->columnCount(); ++column) {
        const QString name = grid->horizontalHeaderItem(column)->text();
        const QString tip = grid->horizontalHeaderItem(column)->toolTip();
        // Each tip begins with the name it explains and says more.
        QVERIFY2(tip.startsWith(name + u':') && tip.size() > name.size() + 10, qPrintable(name + u' ' + tip));
    }
}

void TestTrendKeys::mainWindowSaysWhatItIsAndWhyItemsAreGreyed()
{
    TrendWindowProgram p;
    MainWindow main(p.ws, p.data);
    main.show();
    main.aboutAction()->trigger();
    QCOMPARE(p.dialogs.messages, QStringList{QStringLiteral("QMX Series Trend Monitor Version 2.50")});
    const QStringList lines = p.dialogs.details.value(0).split(u'\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[0].startsWith(QStringLiteral("Program folder: ")) && lines[0].size() > 16, qPrintable(lines[0]));
    QVERIFY2(lines[1].startsWith(QStringLiteral("Data folder: ")) && lines[1].size() > 13, qPrintable(lines[1]));
    QVERIFY2(lines[2].startsWith(QStringLiteral("Settings file: ")) && lines[2].endsWith(QStringLiteral("Quillster/CON.conf")),
             qPrintable(lines[2]));
    QVERIFY(QFileInfo(lines[2].mid(15)).absolutePath().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));

    // "Moniter" greyed while the Trend Graph is open, with why; the reason goes with it.
    QVERIFY(main.monitorAction()->isEnabled());
    QCOMPARE(main.monitorAction()->toolTip(), QStringLiteral("Moniter"));
    main.openTrendGraph();
    QVERIFY(!main.monitorAction()->isEnabled());
    QCOMPARE(main.monitorAction()->toolTip(), kTrendGraphOpenTip);
    QVERIFY(main.trendGraphWindow()->close());
    QTRY_VERIFY(main.monitorAction()->isEnabled());
    QCOMPARE(main.monitorAction()->toolTip(), QStringLiteral("Moniter"));
}

QTEST_MAIN(TestTrendKeys)
#include "test_trend_keys.moc"
