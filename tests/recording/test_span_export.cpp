// The visible span exported: a qmx-record file read and written back whole is the same bytes
// (clock, seconds, failed reads, events), a span is its rows under the same header; from the
// window, the span as CSV, the traces as PNG and the window printed, and a file that cannot be written told as every
// save failure is.

#include "recording/RecordingCsvReader.h"
#include "recording/RecordingPlot.h"
#include "recording/RecordingWindow.h"
#include "recording/SpanExport.h"
#include "tests/support/ScriptedDialogs.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace recording;

namespace {

const QByteArray kRecorded = "time,t_s,SpdFbk,InvFlag.07,event\r\n"
                             "2026-03-02T08:00:00.000,0.000,120,1,\r\n"
                             "2026-03-02T08:00:00.094,0.094,,0,1\r\n"
                             "2026-03-02T08:00:00.188,0.188,-7,,\r\n"
                             "2026-03-02T08:00:10.000,10.000,5,1,\r\n";

} // namespace

class SpanExportTest : public QObject {
    Q_OBJECT
private slots:
    void writesRowsAsRead();
    void windowExportsSpanAndPicture();
};

void SpanExportTest::writesRowsAsRead()
{
    const ReadResult result = readCsvBytes(kRecorded);
    QVERIFY(result.data);
    QCOMPARE(spanCsv(*result.data, 0, 4), kRecorded);
    const QList<QByteArray> lines = kRecorded.split('\n');
    QCOMPARE(spanCsv(*result.data, 1, 3), lines[0] + '\n' + lines[2] + '\n' + lines[3] + '\n');
    QCOMPARE(spanCsv(*result.data, 3, 99), lines[0] + '\n' + lines[4] + '\n');
    const ReadResult untimed = readCsvBytes("time,t_s,A\r\n,,1\r\n,,2\r\n");
    // Rows without times are given back without them, as the file held them.
    QCOMPARE(spanCsv(*untimed.data, 0, 2), QByteArray("time,t_s,A\r\n,,1\r\n,,2\r\n"));
}

void SpanExportTest::windowExportsSpanAndPicture()
{
    // 100 rows 100 ms apart, as qmx-record writes them.
    QList<QByteArray> lines{"time,t_s,SpdFbk\r"};
    const QDateTime start(QDate(2026, 3, 2), QTime(8, 0));
    for (int row = 0; row < 100; ++row) {
        lines << start.addMSecs(row * 100).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toLatin1() + ','
                     + QByteArray::number(row / 10.0, 'f', 3) + ',' + QByteArray::number(row * row) + '\r';
    }
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("run.csv"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(lines.join('\n') + '\n');
    }
    ScriptedDialogs dialogs;
    auto *window = new RecordingWindow(dialogs, path);
    window->show();
    QSignalSpy loaded(window, &RecordingWindow::loadEnded);
    QVERIFY(loaded.wait(10000));

    // The first half of the recording, 0 to 4.95 s: its first 50 rows.
    window->plot()->zoom(0.5, 0.0);
    const QString csvPath = folder.filePath(QStringLiteral("span.csv"));
    dialogs.saveAnswers.push_back(csvPath);
    window->exportSpanButton()->click();
    QFile csv(csvPath);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll(), lines.mid(0, 51).join('\n') + '\n');

    const QString pngPath = folder.filePath(QStringLiteral("span.png"));
    dialogs.saveAnswers.push_back(pngPath);
    window->savePictureButton()->click();
    QImage saved(pngPath);
    QCOMPARE(saved.size(), window->plot()->size());
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), window->plot()->picture());
    QVERIFY(dialogs.messages.isEmpty());

    // Printed as every window is: its picture on the chosen printer.
    const QString pdfPath = folder.filePath(QStringLiteral("window.pdf"));
    dialogs.pdfAnswers.push_back(pdfPath);
    window->printButton()->click();
    QFile pdf(pdfPath);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-" && pdf.size() > 1000);

    const QString nowhere = folder.filePath(QStringLiteral("missing/span.csv"));
    dialogs.saveAnswers.push_back(nowhere);
    window->exportSpanButton()->click();
    QCOMPARE(dialogs.messages, QStringList{QStringLiteral("The visible span could not be saved.")});
    QVERIFY(dialogs.details.constLast().startsWith(nowhere + QStringLiteral(": ")));
    delete window;
}

QTEST_MAIN(SpanExportTest)
#include "test_span_export.moc"
