// Printing the Trend Graph and the Monitor windows to PDF through their Print buttons. CTest runs
// this program at screen scale factor 1 and 2 (QT_SCALE_FACTOR, which must be set before the
// application starts): either way the printed picture must have the window's size on the screen,
// 96 layout pixels to the inch, and sit at the corner of the printable area. The PDF is rendered
// by poppler's pdftoppm and the picture found in the rendered page, so the check sees what a
// reader of the file sees.

#include "base/WindowPrint.h"
#include "monitor/MonitorWindow.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestEnvironment.h"
#include "trend/window/TrendGraphWindow.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/ReadoutBand.h"
#include "trend/window/TrendGraphView.h"

#include <QImage>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The margins of the chosen printer, in points: what it cannot reach of the paper.
const QMarginsF kMargins(18, 27, 21, 30);

// The print dialog's answer: a PDF printer on the paper and with the margins above, turned as the
// user chose.
class PrinterDialogs : public ScriptedDialogs {
public:
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QPageSize::PageSizeId paper = QPageSize::A4;
    std::unique_ptr<QPrinter> askPrinter() override
    {
        std::unique_ptr<QPrinter> printer = ScriptedDialogs::askPrinter();
        if (printer) {
            printer->setPageSize(QPageSize(paper));
            printer->setPageOrientation(orientation);
            printer->setPageMargins(kMargins, QPageLayout::Point);
        }
        return printer;
    }
};

// The smallest rectangle holding every pixel of `page` that is not paper white.
QRect inkBox(const QImage &page)
{
    QRect box;
    for (int y = 0; y < page.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            if (qRed(line[x]) < 250 || qGreen(line[x]) < 250 || qBlue(line[x]) < 250)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

// The mean difference per colour channel (0 to 255) between two pictures of the same size, taken
// over blocks of `block` x `block` pixels: the PDF holds the picture JPEG-compressed and the
// renderer resamples it, which blurs edges by a pixel but moves no part of the picture.
double blockDifference(const QImage &a, const QImage &b, int block)
{
    const QSize blocks = a.size() / block;
    const QImage x = a.scaled(blocks, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage y = b.scaled(blocks, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double sum = 0;
    for (int r = 0; r < blocks.height(); ++r)
        for (int c = 0; c < blocks.width(); ++c) {
            const QRgb p = x.pixel(c, r);
            const QRgb q = y.pixel(c, r);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * blocks.width() * blocks.height());
}

} // namespace

class TestWindowPrint : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void trendGraphPrintsAtScreenSize();
    void monitorPrintsAtScreenSize();
    void placementOnThePage();

private:
    // Prints through `print` to a PDF and checks the rendered page against `window`.
    // `chosen` is the orientation the user picks, `printed` the one the picture must end up in.
    void printAndCheck(QWidget &window, const std::function<void()> &print, QPageLayout::Orientation chosen,
                       QPageLayout::Orientation printed, QPageSize::PageSizeId paper = QPageSize::A4);

    Link link_;
    PrinterDialogs dialogs_;
    Workspace ws_{link_, dialogs_};
    TrendData data_;
    QTemporaryDir dir_;
    double scale_ = 1;
};

void TestWindowPrint::initTestCase()
{
    testenv::prepare();
    QVERIFY(dir_.isValid());
    scale_ = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
    ws_.session.setVariablesListOpen(true);
}

void TestWindowPrint::printAndCheck(QWidget &window, const std::function<void()> &print,
                                    QPageLayout::Orientation chosen, QPageLayout::Orientation printed,
                                    QPageSize::PageSizeId paper)
{
    const QPixmap screen = window.grab();
    // The run really is at the scale it was started for.
    QCOMPARE(screen.devicePixelRatio(), scale_);
    const QSize layout = window.size();
    QCOMPARE(screen.size(), layout * scale_);

    const QString pdf = dir_.filePath(window.objectName() + ".pdf");
    dialogs_.orientation = chosen;
    dialogs_.paper = paper;
    dialogs_.pdfAnswers = {pdf};
    dialogs_.messages.clear();
    print();
    QCOMPARE(dialogs_.messages, QStringList{});
    QVERIFY(dialogs_.pdfAnswers.empty());

    // Every pixel the screen shows goes to the printer: a scaled screen gives a finer picture.
    const QByteArray file = testenv::readAll(pdf);
    QVERIFY(file.contains("/Width " + QByteArray::number(screen.width())));
    QVERIFY(file.contains("/Height " + QByteArray::number(screen.height())));

    // Rendered at 96 dots per inch times the scale, one rendered pixel is one pixel of the grab.
    const double renderDpi = 96 * scale_;
    QProcess render;
    const QString prefix = dir_.filePath(window.objectName());
    render.start("pdftoppm", {"-r", QString::number(renderDpi), "-png", "-singlefile", pdf, prefix});
    QVERIFY2(render.waitForFinished(60000) && render.exitCode() == 0,
             qPrintable("pdftoppm (poppler-utils) failed: " + render.errorString() + render.readAllStandardError()));
    const QImage page = QImage(prefix + ".png").convertToFormat(QImage::Format_RGB32);
    QVERIFY(!page.isNull());

    // The paper as the printer was told it, in rendered pixels.
    const QPageLayout printedLayout(QPageSize(paper), printed, kMargins, QPageLayout::Point);
    const QRectF paperPoints = printedLayout.fullRect(QPageLayout::Point);
    const QRectF printablePoints = printedLayout.paintRect(QPageLayout::Point);
    const double pixelsPerPoint = renderDpi / 72.0;
    QVERIFY(std::abs(page.width() - paperPoints.width() * pixelsPerPoint) <= 1);
    const QRect printable(qRound(printablePoints.left() * pixelsPerPoint), qRound(printablePoints.top() * pixelsPerPoint),
                          qRound(printablePoints.width() * pixelsPerPoint),
                          qRound(printablePoints.height() * pixelsPerPoint));

    const QRect ink = inkBox(page);
    const QString where = QStringLiteral("picture at %1,%2 size %3x%4 px of %5 dpi (%6 x %7 pt), printable area from %8,%9")
                              .arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height()).arg(renderDpi)
                              .arg(ink.width() / pixelsPerPoint).arg(ink.height() / pixelsPerPoint)
                              .arg(printable.x()).arg(printable.y());
    qInfo("%s", qPrintable(where));
    // At the printable area's corner, the window's layout size at 96 to the inch (one rendered
    // pixel of slack for the edges of the scaled image), wholly inside the printable area.
    QVERIFY2(std::abs(ink.left() - printable.left()) <= 1 && std::abs(ink.top() - printable.top()) <= 1,
             qPrintable(where));
    QVERIFY2(std::abs(ink.width() - screen.width()) <= 1 && std::abs(ink.height() - screen.height()) <= 1,
             qPrintable(where));
    QVERIFY2(printable.adjusted(-1, -1, 1, 1).contains(ink), qPrintable(where));

    // And it is the window.
    const QImage shown = screen.toImage().convertToFormat(QImage::Format_RGB32);
    const int block = qRound(4 * scale_);
    const double different = blockDifference(page.copy(QRect(printable.topLeft(), screen.size())), shown, block);
    const double control = blockDifference(page.copy(QRect(printable.topLeft() + QPoint(block, block), screen.size())), shown, block);
    qInfo("difference to the screen %.2f, to the screen moved by 4 pixels %.2f", different, control);
    // Measured: 0.8 to 2.0 for the picture in place, about 10 for it moved by one block.
    QVERIFY2(different < 4, qPrintable(QString::number(different)));
}

void TestWindowPrint::trendGraphPrintsAtScreenSize()
{
    // A recording on show, so the picture has traces, a cursor and values.
    for (int c = 0; c < kChannels; ++c)
        data_.channels[c] = {c < 2 || c == 7, AddressKind::Name, c < 7 ? "AnTermIn" : "InvFlag", c < 7 ? "20000" : "00"};
    for (int k = 0; k < 120; ++k)
        data_.sampleRing[k] = {k * 150, -k * 100, 0, 0, 0, 0, 0, (k / 10) % 2};
    data_.ringWritePos = 120;
    data_.selectedChannels = {0, 1, 7};
    data_.channelScale = {20000, 20000, 0, 0, 0, 0, 0, 1};
    TrendGraphWindow form(ws_, data_);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.table().showRecords(form.data().channels);
    form.redraw(); // REDRAW
    // The window is 8.5 inches wide: across a landscape page it is whole at its size, and so it is
    // printed when the printer is left on portrait, on A4 and on Letter alike.
    printAndCheck(form, [&form] { form.printWindow(); }, QPageLayout::Landscape, QPageLayout::Landscape);
    printAndCheck(form, [&form] { form.printWindow(); }, QPageLayout::Portrait, QPageLayout::Landscape);
    printAndCheck(form, [&form] { form.printWindow(); }, QPageLayout::Portrait, QPageLayout::Landscape,
                  QPageSize::Letter);
}

void TestWindowPrint::monitorPrintsAtScreenSize()
{
    auto *form = new MonitorWindow(ws_);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    printAndCheck(*form, [form] { form->printWindow(); }, QPageLayout::Portrait, QPageLayout::Portrait);
    delete form;
}

void TestWindowPrint::placementOnThePage()
{
    using windowprint::choosePlacement;
    using windowprint::Placement;
    const QSizeF a4Portrait(7.73, 11.02);
    const QSizeF a4Landscape(11.15, 7.6);
    // The Monitor fits as chosen; the Trend Graph is turned rather than cut.
    QCOMPARE(choosePlacement({7.125, 5.95}, a4Portrait, a4Landscape, QPageLayout::Portrait),
             (Placement{QPageLayout::Portrait, 1.0}));
    QCOMPARE(choosePlacement({8.5, 5.55}, a4Portrait, a4Landscape, QPageLayout::Portrait),
             (Placement{QPageLayout::Landscape, 1.0}));
    QCOMPARE(choosePlacement({8.5, 5.55}, a4Landscape, a4Portrait, QPageLayout::Landscape),
             (Placement{QPageLayout::Landscape, 1.0}));
    // Too large either way: scaled down where it stays largest, whole.
    const Placement huge = choosePlacement({22.3, 7.6}, a4Portrait, a4Landscape, QPageLayout::Portrait);
    QCOMPARE(huge.orientation, QPageLayout::Landscape);
    QVERIFY(qFuzzyCompare(huge.scale, 0.5));
    const Placement tall = choosePlacement({7.73, 22.04}, a4Landscape, a4Portrait, QPageLayout::Landscape);
    QCOMPARE(tall.orientation, QPageLayout::Portrait);
    QVERIFY(qFuzzyCompare(tall.scale, 0.5));
}

QTEST_MAIN(TestWindowPrint)
#include "test_window_print.moc"
