// The time stamp of an "ErrTrace.txt" line. CTest runs this program once per system locale (C,
// en_US, de_DE, ja_JP, set through LC_ALL before the process starts, as a user's session sets
// it) and in a time zone with a name of its own, so the stamp is checked as the sampling pass
// writes it; the format rules themselves are checked against further locales directly.

#include "base/TimeText.h"
#include "trend/run/Sampling.h"

#include <QTest>
#include <clocale>

namespace {

const QDateTime kWhen(QDate(2024, 3, 5), QTime(14, 7, 9));

} // namespace

class TestTraceTime : public QObject {
    Q_OBJECT
private slots:
    void stampUnderTheSystemLocale();
    void zoneFieldRemoved_data();
    void zoneFieldRemoved();
    void stampInOtherLocales_data();
    void stampInOtherLocales();
};

void TestTraceTime::stampUnderTheSystemLocale()
{
    const QString session = qEnvironmentVariable("LC_ALL");
    if (session.isEmpty())
        QSKIP("run through CTest, which sets LC_ALL");
    // The C library took the locale too: it is installed, as on a user's machine.
    QCOMPARE(QString::fromLatin1(std::setlocale(LC_ALL, nullptr)), session);

    const QString name = session.section(u'.', 0, 0);
    QCOMPARE(QLocale::system().name(), name);
    // The locale's long time names the zone (CTest runs in Central European time), the stamp not.
    QVERIFY(QLocale::system().toString(kWhen.time(), QLocale::LongFormat).contains("CE"));
    const QString stamp = sampling::traceTimestamp(kWhen);
    if (name == "C")
        QCOMPARE(stamp, QString("5 Mar 2024 14:07:09"));
    else if (name == "en_US")
        QCOMPARE(stamp, QString("3/5/24 2:07:09 PM"));
    else if (name == "de_DE")
        QCOMPARE(stamp, QString("05.03.24 14:07:09"));
    else if (name == "ja_JP")
        QCOMPARE(stamp, QString("2024/03/05 14:07:09"));
    else
        QFAIL(qPrintable("no expected stamp for " + name));

    // On disk the stamp is the line's first bytes, unchanged by the single-byte encoding.
    const QByteArray line = sampling::errorTraceLine(stamp, -1, {});
    QCOMPARE(line, stamp.toLatin1() + " Code=-1 Data=\r\n");
    QCOMPARE(QString::fromLatin1(line).left(stamp.size()), stamp);
}

void TestTraceTime::zoneFieldRemoved_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("last, after a space") << "HH:mm:ss t" << "HH:mm:ss";
    QTest::newRow("long zone name") << "HH:mm:ss tttt" << "HH:mm:ss";
    QTest::newRow("first, before a space") << "t HH:mm:ss" << "HH:mm:ss";
    QTest::newRow("in brackets") << "H:mm:ss (t)" << "H:mm:ss";
    QTest::newRow("after AM/PM") << "h:mm:ss AP t" << "h:mm:ss AP";
    QTest::newRow("no zone") << "HH:mm:ss" << "HH:mm:ss";
    QTest::newRow("quoted t stays") << "HH:mm:ss 'at' t" << "HH:mm:ss 'at'";
    QTest::newRow("escaped quote before the zone") << "HH:mm:ss'''' t" << "HH:mm:ss''''";
    QTest::newRow("non-breaking space") << QString("h:mm:ss\u202FAP\u00A0t") << QString("h:mm:ss\u202FAP");
}

void TestTraceTime::zoneFieldRemoved()
{
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(timetext::withoutTimeZone(format), expected);
}

void TestTraceTime::stampInOtherLocales_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zone first (zh_CN)") << "zh_CN" << "2024/3/5 14:07:09";
    QTest::newRow("zone in brackets (fa_IR), Persian digits") << "fa_IR" << "2024/03/05 14:07:09";
    QTest::newRow("Korean (ko_KR)") << "ko_KR" << "2024/03/05 14:07:09";
    QTest::newRow("French (fr_FR)") << "fr_FR" << "05/03/2024 14:07:09";
    QTest::newRow("British (en_GB)") << "en_GB" << "05/03/2024 14:07:09";
}

void TestTraceTime::stampInOtherLocales()
{
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    QCOMPARE(timetext::shortDateLongTime(kWhen, QLocale(locale)), expected);
}

QTEST_GUILESS_MAIN(TestTraceTime)
#include "test_trace_time.moc"
