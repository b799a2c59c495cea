// The Recording window as the program opens it: from File > "Open recording..." and from the
// command line, read off the window's thread, titled by the file, its channels listed and hidden
// by their check boxes, zoom and pan by keys, wheel and the overview strip; a bad file told with
// the reader's line and column, a half-written last line said, and the file left as it was.

#include "recording/OverviewStrip.h"
#include "recording/RecordingPlot.h"
#include "recording/RecordingWindow.h"
#include "base/TextFile.h"
#include "engineering/EngineeringControls.h"
#include "trend/model/TrendFile.h"
#include "shell/MainWindow.h"
#include "shell/Program.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestEnvironment.h"

#include <QClipboard>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace recording;

namespace {

QString writeFile(const QTemporaryDir &folder, const QString &name, const QByteArray &bytes)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

// 3000 rows 100 ms apart of a ramp and a bit, the last line still being written.
QByteArray growingRecording()
{
    QByteArray csv = "time,t_s,SpdFbk,InvFlag.07\r\n";
    const QDateTime start(QDate(2026, 3, 2), QTime(8, 0));
    for (int row = 0; row < 3000; ++row) {
        csv += start.addMSecs(row * 100).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toLatin1() + ','
               + QByteArray::number(row / 10.0, 'f', 3) + ',' + QByteArray::number(row % 500) + ','
               + QByteArray::number((row / 100) % 2) + "\r\n";
    }
    return csv + "2026-03-02T08:05:00.000,300.0";
}

bool waitLoaded(RecordingWindow *window)
{
    QSignalSpy ended(window, &RecordingWindow::loadEnded);
    return ended.wait(10000);
}

} // namespace

class RecordingWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void opensFromFileMenuAndBrowses();
    void tellsBadFileAndOpensFromCommandLine();
    void cancelsReading();
    void showsTriggerMarksAndTrendFileRows();
};

void RecordingWindowTest::opensFromFileMenuAndBrowses()
{
    QTemporaryDir folder;
    const QByteArray bytes = growingRecording();
    const QString path = writeFile(folder, QStringLiteral("run.csv"), bytes);
    ScriptedDialogs dialogs;
    Program program(dialogs);
    program.start();
    dialogs.openAnswers.push_back(path);
    program.mainWindow->openRecordingAction()->trigger();
    QCOMPARE(dialogs.filtersAsked.constLast(), QStringLiteral("Recording(*.csv *.trd)|*.csv *.trd"));
    RecordingWindow *window = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *found = qobject_cast<RecordingWindow *>(widget))
            window = found;
    }
    QVERIFY(window);
    QVERIFY(waitLoaded(window));
    QCOMPARE(window->windowTitle(), QStringLiteral("run.csv - Recording"));
    QVERIFY(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(!window->isLoading() && !window->cancelButton()->isVisibleTo(window));
    QVERIFY(dialogs.messages.isEmpty());
    QCOMPARE(window->statusText(),
             QStringLiteral("3000 rows, 2 channels, 0:04:59.900; line 3002: a half-written last line, skipped"));
    QCOMPARE(window->channelList()->count(), 2);
    QCOMPARE(window->channelList()->item(1)->text(), QStringLiteral("InvFlag.07"));

    RecordingPlot *plot = window->plot();
    QVERIFY(plot->span()->isWhole());
    plot->setFocus();
    QTest::keyClick(plot, Qt::Key_Plus);
    QVERIFY(qAbs(plot->span()->lengthMs() - 299901 / 2) <= 1);
    QTest::keyClick(plot, Qt::Key_Right);
    QVERIFY(plot->span()->startMs() > 0);
    QTest::keyClick(plot, Qt::Key_Home);
    QVERIFY(plot->span()->isWhole());
    // Shift+drag: the rubber band's stretch, here the second quarter, is shown next.
    const int w = plot->width();
    QTest::mousePress(plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(w / 4, 30));
    QTest::mouseMove(plot, QPoint(w / 3, 30));
    QTest::mouseRelease(plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(w / 2, 30));
    QVERIFY(qAbs(plot->span()->startMs() - 299901 / 4) < 299901 / w + 2);
    QVERIFY(qAbs(plot->span()->endMs() - 299901 / 2) < 299901 / w + 2);
    QVERIFY(!plot->cursorARow()); // a rubber band sets no cursor
    QTest::keyClick(plot, Qt::Key_Home);
    // The wheel zooms about the pointer: at the left edge the start stays.
    QWheelEvent wheel(QPointF(0, 50), plot->mapToGlobal(QPointF(0, 50)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
    QCOMPARE(plot->span()->startMs(), std::int64_t{0});
    QVERIFY(plot->span()->lengthMs() < 299901);
    // The overview strip marks the span and moves it when pressed.
    OverviewStrip *overview = window->overview();
    const QRect before = overview->spanMark();
    QTest::mouseClick(overview, Qt::LeftButton, {}, QPoint(overview->width() - 2, overview->height() / 2));
    QCOMPARE(plot->span()->endMs(), plot->span()->wholeEndMs());
    QVERIFY(overview->spanMark().left() > before.left());

    // Hiding a channel takes its colour off the word area (the logic lane below has the same
    // colour, as channels 0 and 7 have in the Trend Graph).
    QTest::keyClick(plot, Qt::Key_Home);
    const QRgb wordColour = 0xFFFF0000u;
    auto wordAreaHasColour = [plot, wordColour] {
        const QImage &image = plot->picture();
        const QRect words = RecordingPicture::wordArea(image.size(), 1);
        for (int y = words.top(); y <= words.bottom(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == wordColour)
                    return true;
        return false;
    };
    QVERIFY(wordAreaHasColour());
    window->channelList()->item(0)->setCheckState(Qt::Unchecked);
    QVERIFY(!wordAreaHasColour());
    QCOMPARE(plot->shownChannels(), (std::vector<bool>{false, true}));

    // A click puts cursor A on the nearest row, a right click cursor B; the read-out follows and
    // Copy hands it over as text.
    QCOMPARE(window->readoutText(), QStringLiteral("Click the traces for cursor A, right-click for cursor B."));
    const int quarter = plot->width() / 4;
    QTest::mouseClick(plot, Qt::LeftButton, {}, QPoint(quarter, 40));
    QTest::mouseClick(plot, Qt::RightButton, {}, QPoint(3 * quarter, 40));
    QVERIFY(plot->cursorARow() && plot->cursorBRow());
    // Rows are 100 ms apart over the whole 299.9 s.
    auto rowAt = [plot](int x) { return qRound(x * 299901.0 / plot->width() / 100); };
    QVERIFY(qAbs(qint64(*plot->cursorARow()) - rowAt(quarter)) <= 1);
    QVERIFY(qAbs(qint64(*plot->cursorBRow()) - rowAt(3 * quarter)) <= 1);
    QVERIFY(plot->span()->isWhole()); // a click is no drag
    const QString readout = window->readoutText();
    QVERIFY2(readout.startsWith(QStringLiteral("A: row %1 2026-03-02 08:").arg(*plot->cursorARow() + 1)), qPrintable(readout));
    QVERIFY2(readout.contains(QStringLiteral("\nSpdFbk\t")) && readout.contains(QStringLiteral("\nInvFlag.07\t")),
             qPrintable(readout));
    QCOMPARE(readout.count(u'\n'), 4);
    window->copyButton()->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), readout);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
}

void RecordingWindowTest::tellsBadFileAndOpensFromCommandLine()
{
    QTemporaryDir folder;
    const QString bad = writeFile(folder, QStringLiteral("bad.csv"),
                                  "time,t_s,SpdFbk\r\n2026-03-02T08:00:00.000,0.000,1\r\n,0.100,x1\r\n");
    const QString good = writeFile(folder, QStringLiteral("good.csv"), "time,t_s,SpdFbk\r\n,,5\r\n,,6\r\n");
    QCOMPARE(recordingArguments({QStringLiteral("qmx-trend"), good, QStringLiteral("--exit-after-start"), bad}),
             (QStringList{good, bad}));
    ScriptedDialogs dialogs;
    Program program(dialogs);
    program.start();
    for (const QString &path : recordingArguments({QStringLiteral("qmx-trend"), good, bad}))
        program.mainWindow->showRecording(path);
    QList<RecordingWindow *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<RecordingWindow *>(widget); window && window->isVisible())
            windows << window;
    }
    QCOMPARE(windows.size(), 2);
    for (RecordingWindow *window : windows) {
        if (window->isLoading())
            QVERIFY(waitLoaded(window));
    }
    QCOMPARE(dialogs.messages, QStringList{QStringLiteral("The recording could not be read.")});
    QCOMPARE(dialogs.details.constFirst(),
             QStringLiteral("line 3, column 3 (SpdFbk): expected a whole number or an empty cell, found \"x1\""));
    int shown = 0;
    for (RecordingWindow *window : windows)
        shown += window->recording() && window->recording()->data.rowCount() == 2;
    QCOMPARE(shown, 1);
}

void RecordingWindowTest::cancelsReading()
{
    QTemporaryDir folder;
    QByteArray csv = "time,t_s,SpdFbk\r\n";
    for (int row = 0; row < 300000; ++row)
        csv += ',' + QByteArray::number(row) + ".000," + QByteArray::number(row % 1000) + "\r\n";
    const QString path = writeFile(folder, QStringLiteral("long.csv"), csv);
    ScriptedDialogs dialogs;
    auto *window = new RecordingWindow(dialogs, path);
    window->show();
    QVERIFY(window->isLoading());
    QVERIFY(window->cancelButton()->isVisible());
    window->cancelButton()->click();
    QVERIFY(waitLoaded(window));
    QVERIFY(!window->recording() && !window->isLoading());
    QCOMPARE(window->statusText(), QStringLiteral("Reading cancelled: nothing shown."));
    QVERIFY(dialogs.messages.isEmpty());
    delete window;
}

void RecordingWindowTest::showsTriggerMarksAndTrendFileRows()
{
    // A triggered recording (--pre 1s --post 2s --repeat 2, windows 1.04 s apart) and a .trd with a
    // step, each in its window as a user sees it. With QMX_SHOTS_DIR set, the two windows are saved
    // there as PNG pictures.
    QTemporaryDir folder;
    QByteArray csv = "time,t_s,SpdFbk,InvFlag.07,event\r\n";
    const QDateTime start(QDate(2026, 3, 2), QTime(8, 0));
    std::int64_t ms = 112;
    for (int row = 0; row < 60; ++row) {
        if (row == 30)
            ms += 940;
        const int phase = row % 30;
        csv += start.addMSecs(ms).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toLatin1() + ',' +
               QByteArray::number(ms / 1000.0, 'f', 3) + ',' + QByteArray::number(phase < 10 ? 100 : 900 - phase * 10) +
               ',' + QByteArray::number(phase >= 10 ? 1 : 0) + (phase == 10 ? ",1\r\n" : ",\r\n");
        ms += 100;
    }
    const QString triggered = writeFile(folder, QStringLiteral("triggered.csv"), csv);
    ScriptedDialogs dialogs;
    const QString shots = qEnvironmentVariable("QMX_SHOTS_DIR");
    {
        RecordingWindow window(dialogs, triggered);
        window.resize(900, 640);
        window.show();
        QVERIFY(waitLoaded(&window));
        window.plot()->setCursorA(window.recording()->data.timesMs[10]);
        window.plot()->setCursorB(window.recording()->data.timesMs[40]);
        QCoreApplication::processEvents();
        const QImage plot = window.plot()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int marked = 0;
        for (int y = 0; y < plot.height(); ++y)
            for (int x = 0; x < plot.width(); ++x)
                marked += plot.pixel(x, y) == 0xFFA070FFu;
        QVERIFY2(marked >= 2, qPrintable(QString::number(marked)));
        if (!shots.isEmpty())
            QVERIFY(window.grab().save(shots + QStringLiteral("/recording-triggered.png")));
    }
    {
        // The channel list names a column by its name; its tooltip gives the header whole: its
        // brackets, and the inputs a math channel was computed on.
        const QString math = writeFile(folder, QStringLiteral("math.csv"),
                                       "time,t_s,600E64 [],copy (scaled inputs)\r\n,0.000,2305,512\r\n");
        RecordingWindow window(dialogs, math);
        QVERIFY(waitLoaded(&window));
        QCOMPARE(window.channelList()->item(0)->text(), QStringLiteral("600E64"));
        QCOMPARE(window.channelList()->item(0)->toolTip(), QStringLiteral("600E64 []"));
        QCOMPARE(window.channelList()->item(1)->text(), QStringLiteral("copy"));
        QCOMPARE(window.channelList()->item(1)->toolTip(), QStringLiteral("copy (scaled inputs)"));
    }
    std::array<ChannelRecord, kChannels> channels{};
    channels[0] = {true, AddressKind::Address, QStringLiteral("600E60"), QStringLiteral("1000")};
    std::array<SampleRow, kDisplayRowsCapacity> rows{};
    for (int r = 0; r < 60; ++r)
        rows[r][0] = std::clamp((r - 4) * 100 / 8, 0, 100);
    const QString trd = folder.filePath(QStringLiteral("step.trd"));
    QVERIFY(textfile::writeAtomically(
        trd, textfile::joinLinesCrLf(trendfile::formatLines(QStringLiteral("step.trd"), channels, rows, 60))));
    RecordingWindow window(dialogs, trd);
    window.resize(900, 640);
    window.show();
    QVERIFY(waitLoaded(&window));
    window.plot()->setCursorA(0);
    window.plot()->setCursorB(53000);
    QComboBox *stepChannel = window.engineering()->stepChannel();
    stepChannel->setCurrentIndex(stepChannel->count() - 1);
    emit stepChannel->activated(stepChannel->currentIndex()); // as a choice of the user's
    QCoreApplication::processEvents();
    const QString readout = window.readoutText();
    QVERIFY2(readout.contains(QStringLiteral("B-A: 53 rows")) && !readout.contains(QStringLiteral("53.000 s")),
             qPrintable(readout));
    QVERIFY2(readout.contains(QRegularExpression(QStringLiteral("rise time 10-90 % [0-9.]+ rows"))) &&
                 !readout.contains(QStringLiteral(".000 s")),
             qPrintable(readout));
    QVERIFY2(window.statusText().contains(QStringLiteral("60 rows, 1 channels, no times")), qPrintable(window.statusText()));
    if (!shots.isEmpty())
        QVERIFY(window.grab().save(shots + QStringLiteral("/recording-trd-rows.png")));
}

QTEST_MAIN(RecordingWindowTest)
#include "test_recording_window.moc"
