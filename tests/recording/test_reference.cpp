// References laid over a recording: aligned on the first events when both have one, else on the
// starts; channels matched by name; the offset moved a sample at a time and typed in seconds in
// the window; the read-out's values of each reference and their differences; drawn dimmed behind
// the recording without changing a pixel of the recording's own traces; at most four.

#include "recording/LoadedRecording.h"
#include "trend/graph/GraphLayers.h"
#include "recording/RecordingPicture.h"
#include "recording/RecordingPlot.h"
#include "recording/RecordingReadout.h"
#include "recording/RecordingWindow.h"
#include "tests/support/ScriptedDialogs.h"

#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace recording;

namespace {

// Rows `stepMs` apart of SpdFbk (row * scale) and Flag.01 (row % 2), an event on `eventRow`.
RecordingData makeRecording(int rows, std::int64_t stepMs, int scale, std::optional<int> eventRow,
                            bool flagFirst = false)
{
    RecordingData data;
    RecordingChannel word{QStringLiteral("SpdFbk"), false, 0, {}, {}};
    RecordingChannel bit{QStringLiteral("Flag.01"), true, 0, {}, {}};
    for (int row = 0; row < rows; ++row) {
        data.timesMs.push_back(row * stepMs);
        word.append(row * scale, true);
        bit.append(row % 2, true);
    }
    data.channels = flagFirst ? std::vector<RecordingChannel>{bit, word} : std::vector<RecordingChannel>{word, bit};
    if (eventRow) {
        data.hasEventColumn = true;
        data.eventRows = {static_cast<std::size_t>(*eventRow)};
    }
    return data;
}

QByteArray csvOf(int rows, int stepMs, int scale, std::optional<int> eventRow)
{
    QByteArray csv = "time,t_s,SpdFbk,Other,event\r\n";
    for (int row = 0; row < rows; ++row) {
        csv += ',' + QByteArray::number(row * stepMs / 1000.0, 'f', 3) + ',' + QByteArray::number(row * scale) + ",0"
               + (eventRow == row ? ",1\r\n" : ",\r\n");
    }
    return csv;
}

} // namespace

class ReferenceTest : public QObject {
    Q_OBJECT
private slots:
    void alignsAndMatches();
    void drawsBehindWithoutTouchingTheTraces();
    void windowLaysReferencesOver();
};

void ReferenceTest::alignsAndMatches()
{
    const RecordingData main = makeRecording(50, 100, 10, 30);
    auto withEvent = std::make_shared<const LoadedRecording>(makeRecording(40, 200, 1, 5, true));
    const Reference byEvent = makeReference(main, withEvent);
    QCOMPARE(byEvent.offsetMs, std::int64_t{3000 - 1000});
    QCOMPARE(byEvent.channelOf, (std::vector<std::optional<std::size_t>>{1, 0}));
    // At the recording's event the reference's event row is read.
    QCOMPARE(byEvent.valueAt(0, 3000), std::optional<std::int32_t>(5));
    QCOMPARE(byEvent.valueAt(1, 3000), std::optional<std::int32_t>(1));
    QVERIFY(!byEvent.valueAt(0, 1999)); // before the reference begins
    QCOMPARE(sampleStepMs(withEvent->data), std::int64_t{200});

    // Without an event on both sides the starts are aligned.
    auto withoutEvent = std::make_shared<const LoadedRecording>(makeRecording(40, 200, 1, std::nullopt));
    const Reference byStart = makeReference(main, withoutEvent);
    QCOMPARE(byStart.offsetMs, std::int64_t{0});
    QCOMPARE(makeReference(makeRecording(5, 100, 1, std::nullopt), withEvent).offsetMs, std::int64_t{0});
    QCOMPARE(byStart.valueAt(0, 400), std::optional<std::int32_t>(2));
    QCOMPARE(byStart.valueAt(0, 499), std::optional<std::int32_t>(2)); // nearest row
    RecordingData renamed = makeRecording(3, 100, 1, std::nullopt);
    renamed.channels[0].name = QStringLiteral("Other");
    QCOMPARE(matchChannels(main, renamed), (std::vector<std::optional<std::size_t>>{std::nullopt, 1}));

    // The read-out: the reference's value at each cursor and the recording's minus it.
    const readoutstatistics::ReadoutTable table = referenceReadout(main, {byEvent}, 30, 40);
    QCOMPARE(table.columns, (QStringList{"Reference", "at A", "A-ref", "at B", "B-ref"}));
    QCOMPARE(table.rows.size(), std::size_t{2});
    QCOMPARE(table.rows[0].cells, (QStringList{": SpdFbk", "5", "+295", "10", "+390"}));

    // A cursor outside the reference's rows: it has none there, which is no failed read; a read of
    // the reference that failed says "failed".
    RecordingData failing = makeRecording(40, 200, 1, 5, true);
    failing.channels[1].goodBits[0] &= ~(std::uint64_t{1} << 5); // SpdFbk's read of row 5 failed
    const Reference withFailure = makeReference(main, std::make_shared<const LoadedRecording>(std::move(failing)));
    const readoutstatistics::ReadoutTable outside = referenceReadout(main, {withFailure}, 5, 31);
    QCOMPARE(outside.rows[0].cells, (QStringList{": SpdFbk", "no rows", "", "failed", "failed"}));
    QCOMPARE(outside.rows[1].cells.mid(1, 2), (QStringList{"no rows", ""}));
}

void ReferenceTest::drawsBehindWithoutTouchingTheTraces()
{
    const LoadedRecording main(makeRecording(2000, 100, 5, 1000));
    auto other = std::make_shared<const LoadedRecording>(makeRecording(2000, 100, 3, 1000));
    const RecordingPicture picture(main.data, main.pyramids);
    const QSize size(400, 200);
    const std::vector<bool> shown{true, false};
    const QImage alone = picture.draw(size, 0, 200000, shown);
    const QImage layered = picture.draw(size, 0, 200000, shown, true, {makeReference(main.data, other)});
    const QRgb own = channelColour(main.data.channels[0]);
    const QRgb dimmed = referenceColour(own);
    int ownPixels = 0, dimmedPixels = 0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            if (alone.pixel(x, y) == own) {
                QCOMPARE(layered.pixel(x, y), own);
                ++ownPixels;
            }
            dimmedPixels += layered.pixel(x, y) == dimmed;
        }
    }
    QVERIFY(ownPixels > 300);
    QVERIFY(dimmedPixels > 300);
    QCOMPARE(dimmed, qRgb(114, 0, 0));
}

void ReferenceTest::windowLaysReferencesOver()
{
    QTemporaryDir folder;
    auto write = [&folder](const QString &name, const QByteArray &bytes) {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName() : QString();
    };
    const QString mainPath = write(QStringLiteral("main.csv"), csvOf(100, 100, 10, 50));
    const QString refPath = write(QStringLiteral("ref.csv"), csvOf(100, 100, 7, 20));
    ScriptedDialogs dialogs;
    auto *window = new RecordingWindow(dialogs, mainPath);
    window->show();
    QSignalSpy loaded(window, &RecordingWindow::loadEnded);
    QVERIFY(loaded.wait(10000));
    QVERIFY(window->addReferenceButton()->isEnabled());
    QVERIFY(!window->referenceOffset()->isEnabled());

    QSignalSpy laid(window, &RecordingWindow::referencesChanged);
    dialogs.openAnswers.push_back(refPath);
    window->addReferenceButton()->click();
    QVERIFY(laid.wait(10000));
    QCOMPARE(window->references().size(), std::size_t{1});
    QCOMPARE(window->references()[0].offsetMs, std::int64_t{3000});
    QCOMPARE(window->referenceOffset()->value(), 3.0);
    RecordingPlot *plot = window->plot();
    plot->setFocus();
    QTest::keyClick(plot, Qt::Key_Right, Qt::ControlModifier);
    QTest::keyClick(plot, Qt::Key_Right, Qt::ControlModifier);
    QTest::keyClick(plot, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(window->references()[0].offsetMs, std::int64_t{3100});
    QVERIFY(plot->span()->isWhole()); // Ctrl+arrows do not pan
    window->referenceOffset()->setValue(-1.5);
    QCOMPARE(window->references()[0].offsetMs, std::int64_t{-1500});

    // The read-out at A on the main event row: the reference 1.5 s later.
    plot->setCursorA(5000);
    QVERIFY2(window->readoutText().contains(QStringLiteral("\nref.csv: SpdFbk\t455\t+45\n")), qPrintable(window->readoutText()));

    for (int added = 1; added < RecordingWindow::kMaxReferences; ++added) {
        window->addReferenceFile(refPath);
        QVERIFY(laid.wait(10000));
    }
    QCOMPARE(window->references().size(), std::size_t{4});
    window->addReferenceButton()->click();
    QCOMPARE(dialogs.messages, QStringList{QStringLiteral("Up to 4 references can be laid over a recording.")});
    delete window;
}

QTEST_MAIN(ReferenceTest)
#include "test_reference.moc"
