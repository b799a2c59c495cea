// Lengths of time as qmx-record (--duration, --pre, --post, --rotate, --spool-max) and qmx-sim
// (--drop-every, --drop-for) take them through the one parser, each with its own rules: what each
// takes and what it refuses, and what a fraction of a millisecond comes to.

#include "record/RecordOptions.h"
#include "sim/SimOptions.h"

#include <QtTest>

using std::chrono::milliseconds;

class TestDurationText : public QObject {
    Q_OBJECT

private slots:
    void bothPrograms_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("record");     // --duration; -1: refused
        QTest::addColumn<qint64>("recordPre");  // --pre, where none is a choice; -1: refused
        QTest::addColumn<qint64>("sim");        // --drop-for; -1: refused
        const auto row = [](const char *text, qint64 record, qint64 recordPre, qint64 sim) {
            QTest::newRow(text) << QString::fromUtf8(text) << record << recordPre << sim;
        };
        row("90", 90000, 90000, 90000);
        row("90s", 90000, 90000, 90000);
        row("250ms", 250, 250, 250);
        row("15m", 900000, 900000, 900000);
        row("1e3ms", 1000, 1000, 1000);
        row("2h", 7200000, 7200000, -1);           // qmx-sim knows no hours
        row("+5s", -1, -1, 5000);                  // a sign only qmx-sim takes
        row(" +5s", -1, -1, 5000);
        row(" 5s", 5000, 5000, 5000);
        row("5 s", 5000, 5000, 5000);
        row("5s ", 5000, 5000, -1);                // qmx-record trims the whole text, qmx-sim the number
        row("1.7ms", 2, 2, 1);                     // nearest, or cut off
        row("0.4ms", -1, 0, 0);                    // none for qmx-record, 0 ms for qmx-sim
        row("0.0001s", -1, 0, 0);
        row("0", -1, 0, -1);
        row("0ms", -1, 0, -1);
        row("0.0", -1, 0, -1);
        row("-0", -1, -1, -1);
        row("-1s", -1, -1, -1);
        row("- 1s", -1, -1, -1);
        row("", -1, -1, -1);
        row("ms", -1, -1, -1);
        row("2d", -1, -1, -1);
        row("5MS", -1, -1, -1);
        row("nan", -1, -1, -1);
        row("inf", -1, -1, -1);
        row("1e15ms", 1000000000000000, 1000000000000000, 1000000000000000);
        row("1e16ms", -1, -1, -1);                 // beyond some 30,000 years
    }
    void bothPrograms()
    {
        QFETCH(QString, text);
        QFETCH(qint64, record);
        QFETCH(qint64, recordPre);
        QFETCH(qint64, sim);
        const auto expected = [](qint64 ms) { return ms < 0 ? std::nullopt : std::optional<milliseconds>(ms); };
        QCOMPARE(record::parseDuration(text), expected(record));
        QCOMPARE(record::parseDuration(text, record::ZeroLength::Allowed), expected(recordPre));
        QCOMPARE(durationtext::parseDuration(text, sim::kDropDurationRules), expected(sim));
    }
};

QTEST_GUILESS_MAIN(TestDurationText)
#include "test_duration_text.moc"
