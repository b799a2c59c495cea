// The line's red "no reply since" label in the Monitor and the Trend Graph: whole letters at any
// font and scale (this program runs once at scale 1 and once at scale 2), the device giving way in
// its middle; and the one rule that keeps "line back" from standing beside it.

#include "monitor/MonitorWindow.h"
#include "program/LineStateLabel.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trend/TrendWindowProgram.h"
#include "trend/window/ReadoutBand.h"
#include "trend/window/TrendGraphWindow.h"

#include <QDateTime>
#include <QLabel>
#include <QtTest>

namespace {

const QString kLongDevice = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");

// The label's text is drawn whole within it: no letter cut at either edge.
bool fitsWidth(const QLabel *label)
{
    return label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width();
}

} // namespace

class TestLineMessages : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void noReplyLabelKeepsEveryLetter();
    void lineBackNeverBesideNoReply();
};

void TestLineMessages::noReplyLabelKeepsEveryLetter()
{
    // The scale this run was started at, as the screen reports it.
    const qreal scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() : 1.0;
    TrendWindowProgram p;
    MonitorWindow monitor(p.ws);
    monitor.show();
    TrendGraphWindow trend(p.ws, p.data);
    trend.show();
    QCOMPARE(monitor.devicePixelRatioF(), scale);
    const QDateTime since = QDateTime::currentDateTime();
    const QString time = since.toString(QStringLiteral("HH:mm:ss"));

    for (LineStateLabel *label : {monitor.lineState(), trend.band().lineState()}) {
        // A short device: the text whole, as it always was.
        testenv::usePort(QStringLiteral("COM1"), QStringLiteral("/dev/ttyS0"));
        label->showNoReply(QStringLiteral("COM1"), since);
        QCOMPARE(label->text(), QStringLiteral("no reply from COM1 (/dev/ttyS0) since ") + time);
        QVERIFY(fitsWidth(label));

        // A long by-id name: the beginning and the time stay, the device gives way in its middle,
        // the whole text is the tooltip.
        testenv::usePort(QStringLiteral("COM1"), kLongDevice);
        label->showNoReply(QStringLiteral("COM1"), since);
        const QString whole = QStringLiteral("no reply from COM1 (%1) since %2").arg(kLongDevice, time);
        QCOMPARE(label->toolTip(), whole);
        QCOMPARE(label->fullText(), whole);
        QVERIFY2(label->text().startsWith(QStringLiteral("no reply from COM1 (/dev/")), qPrintable(label->text()));
        QVERIFY2(label->text().endsWith(QStringLiteral("port0) since ") + time), qPrintable(label->text()));
        QVERIFY2(fitsWidth(label), qPrintable(label->text()));

        // Larger letters: laid out again at once, still whole.
        const QFont normal = label->font();
        for (int pixels : {18, 40}) {
            QFont larger = normal;
            larger.setPixelSize(pixels);
            label->setFont(larger);
            QVERIFY2(fitsWidth(label), qPrintable(QStringLiteral("%1 px: %2").arg(pixels).arg(label->text())));
            QVERIFY2(label->text().startsWith(QStringLiteral("no ")), qPrintable(label->text()));
        }
        label->setFont(normal);
        QVERIFY(fitsWidth(label));
        label->clearState();
        QVERIFY(label->text().isEmpty() && label->toolTip().isEmpty() && !label->saysNoReply());
    }
}

void TestLineMessages::lineBackNeverBesideNoReply()
{
    TrendWindowProgram p;
    TrendGraphWindow trend(p.ws, p.data);
    trend.show();
    testenv::usePort(QStringLiteral("COM1"), QStringLiteral("/dev/ttyS0"));
    LineStateLabel *state = trend.band().lineState();
    QSignalSpy changes(state, &LineStateLabel::stateChanged);
    state->showNoReply(QStringLiteral("COM1"), QDateTime::currentDateTime());
    // The device is back, but the controller has not answered yet: only "no reply since" stands.
    trendpoll::TrendPass back;
    back.lineEvent = trendpoll::LineEvent::Back;
    back.ended = std::chrono::steady_clock::now();
    trend.band().takePass(back);
    state->showNoReply(QStringLiteral("COM1"), QDateTime::currentDateTime());
    QCOMPARE(changes.size(), 1); // said once, however often a pass repeats it
    trend.toggleNumberBase(); // any redisplay of the band
    QVERIFY2(!trend.band().line(3)->text().contains(QStringLiteral("line back")), qPrintable(trend.band().line(3)->text()));
    QVERIFY(!trend.band().line(3)->toolTip().contains(QStringLiteral("line back")));
    // It answers: the label goes and "line back" shows in its place, without another pass.
    state->clearState();
    QCOMPARE(changes.size(), 2);
    QVERIFY2(trend.band().line(3)->text().startsWith(QStringLiteral("line back ")), qPrintable(trend.band().line(3)->text()));
    // Silent again: "line back" goes with the label's return.
    state->showNoReply(QStringLiteral("COM1"), QDateTime::currentDateTime());
    QVERIFY(!trend.band().line(3)->text().contains(QStringLiteral("line back")));
    // A lost line is no "line back": it stands beside the label.
    trendpoll::TrendPass lost = back;
    lost.lineEvent = trendpoll::LineEvent::Lost;
    trend.band().takePass(lost);
    trend.toggleNumberBase(); // any redisplay of the band
    QVERIFY2(trend.band().line(3)->text().startsWith(QStringLiteral("line lost ")), qPrintable(trend.band().line(3)->text()));
}

QTEST_MAIN(TestLineMessages)
#include "test_line_messages.moc"
