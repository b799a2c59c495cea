// The trigger core as tables: each condition over pairs of samples, failed reads that must not
// fire, AND and OR of two conditions, the rows the ring keeps after the trigger, the wait until the
// rows before it are full, and the set-up's file lines.

#include "trend/model/Trigger.h"

#include <QtTest>

using trigger::Combine;
using trigger::Condition;
using trigger::Edge;
using trigger::TriggerSetup;

namespace {

constexpr int kWord = 0;
constexpr int kOtherWord = 1;
constexpr int kBit = 7;

struct Sample {
    std::int32_t value;
    bool failed = false;
};

// The rows (1-based) on which `setup` fires for samples of one channel.
QList<int> firingRows(const TriggerSetup &setup, const QList<Sample> &samples)
{
    trigger::TriggerDetector detector(setup);
    QList<int> rows;
    for (qsizetype i = 0; i < samples.size(); ++i) {
        SampleRow row{};
        row[static_cast<std::size_t>(setup.first.channel)] = samples[i].value;
        const std::uint16_t failed = samples[i].failed ? static_cast<std::uint16_t>(1u << setup.first.channel) : 0;
        if (detector.takeRow(row, failed))
            rows.append(static_cast<int>(i + 1));
    }
    return rows;
}

} // namespace

class TestTrigger : public QObject {
    Q_OBJECT
private slots:
    void singleCondition_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("edge");
        QTest::addColumn<int>("level");
        QTest::addColumn<QList<Sample>>("samples");
        QTest::addColumn<QList<int>>("firing");
        const auto rises = static_cast<int>(Edge::Rises), falls = static_cast<int>(Edge::Falls),
                   crosses = static_cast<int>(Edge::Crosses);
        // No sample equals the level: the crossing lies between two samples, the later one fires.
        QTest::newRow("rises between samples") << kWord << rises << 100 << QList<Sample>{{90}, {95}, {120}, {130}} << QList<int>{3};
        QTest::newRow("rises onto the level") << kWord << rises << 100 << QList<Sample>{{90}, {100}, {120}} << QList<int>{2};
        QTest::newRow("from the level up is no new crossing")
            << kWord << rises << 100 << QList<Sample>{{100}, {120}, {90}, {100}} << QList<int>{4};
        QTest::newRow("first sample above does not fire") << kWord << rises << 100 << QList<Sample>{{150}, {160}} << QList<int>{};
        QTest::newRow("rises ignores a fall") << kWord << rises << 100 << QList<Sample>{{150}, {50}, {150}} << QList<int>{3};
        QTest::newRow("falls") << kWord << falls << 100 << QList<Sample>{{150}, {50}, {150}, {99}} << QList<int>{2, 4};
        QTest::newRow("negative levels") << kWord << falls << -10 << QList<Sample>{{0}, {-9}, {-11}} << QList<int>{3};
        QTest::newRow("crosses both ways") << kWord << crosses << 0 << QList<Sample>{{-5}, {5}, {6}, {-1}} << QList<int>{2, 4};
        // A failed read holds 0, below the level: neither its fall nor the rise after it counts.
        QTest::newRow("failed read is no sample")
            << kWord << crosses << 500 << QList<Sample>{{1000}, {0, true}, {1000}, {1000}} << QList<int>{};
        QTest::newRow("crossing over a failed read fires at the next good sample")
            << kWord << rises << 500 << QList<Sample>{{0}, {0}, {1000, true}, {1000}} << QList<int>{4};
        QTest::newRow("failed first read") << kWord << rises << 500 << QList<Sample>{{0, true}, {1000}, {0}, {1000}} << QList<int>{4};
        QTest::newRow("becomes 1") << kBit << rises << 0 << QList<Sample>{{0}, {1}, {1}, {0}, {1}} << QList<int>{2, 5};
        QTest::newRow("becomes 0") << kBit << falls << 0 << QList<Sample>{{0}, {1}, {1}, {0}, {1}} << QList<int>{4};
        QTest::newRow("changes") << kBit << crosses << 0 << QList<Sample>{{0}, {1}, {1}, {0}, {1}} << QList<int>{2, 4, 5};
        QTest::newRow("bit read failing as 0") << kBit << crosses << 0 << QList<Sample>{{1}, {0, true}, {1}} << QList<int>{};
    }
    void singleCondition()
    {
        QFETCH(int, channel);
        QFETCH(int, edge);
        QFETCH(int, level);
        QFETCH(QList<Sample>, samples);
        QFETCH(QList<int>, firing);
        TriggerSetup setup;
        setup.first = {channel, static_cast<Edge>(edge), level};
        QCOMPARE(firingRows(setup, samples), firing);
    }

    void twoConditions_data()
    {
        QTest::addColumn<int>("combine");
        QTest::addColumn<QList<int>>("first");  // word channel, rises through 100
        QTest::addColumn<QList<int>>("second"); // logic channel, becomes 1
        QTest::addColumn<QList<int>>("firing");
        const int orCombine = static_cast<int>(Combine::Or), andCombine = static_cast<int>(Combine::And);
        QTest::newRow("or: either edge") << orCombine << QList<int>{0, 200, 200, 200} << QList<int>{0, 0, 1, 1} << QList<int>{2, 3};
        QTest::newRow("and: second edge while first holds")
            << andCombine << QList<int>{0, 200, 200, 200} << QList<int>{0, 0, 1, 1} << QList<int>{3};
        QTest::newRow("and: first edge while second holds")
            << andCombine << QList<int>{0, 0, 200, 200} << QList<int>{0, 1, 1, 1} << QList<int>{3};
        QTest::newRow("and: both on one row") << andCombine << QList<int>{0, 200} << QList<int>{0, 1} << QList<int>{2};
        QTest::newRow("and: first no longer holds")
            << andCombine << QList<int>{0, 200, 50, 50} << QList<int>{0, 0, 0, 1} << QList<int>{};
    }
    void twoConditions()
    {
        QFETCH(int, combine);
        QFETCH(QList<int>, first);
        QFETCH(QList<int>, second);
        QFETCH(QList<int>, firing);
        TriggerSetup setup;
        setup.first = {kWord, Edge::Rises, 100};
        setup.second = Condition{kBit, Edge::Rises, 0};
        setup.combine = static_cast<Combine>(combine);
        trigger::TriggerDetector detector(setup);
        QList<int> rows;
        for (qsizetype i = 0; i < first.size(); ++i) {
            SampleRow row{};
            row[kWord] = first[i];
            row[kBit] = second[i];
            if (detector.takeRow(row, 0))
                rows.append(static_cast<int>(i + 1));
        }
        QCOMPARE(rows, firing);
    }

    void failedSecondChannelKeepsItsLastGoodSample()
    {
        TriggerSetup setup;
        setup.first = {kWord, Edge::Rises, 100};
        setup.second = Condition{kOtherWord, Edge::Falls, 100};
        setup.combine = Combine::Or;
        trigger::TriggerDetector detector(setup);
        const auto take = [&](std::int32_t a, std::int32_t b, std::uint16_t failed) {
            SampleRow row{};
            row[kWord] = a;
            row[kOtherWord] = b;
            return detector.takeRow(row, failed);
        };
        QVERIFY(!take(0, 200, 0));
        QVERIFY(!take(0, 0, 1u << kOtherWord)); // the second channel's failed read, not a fall
        QVERIFY(!take(0, 200, 0));
        QVERIFY(take(0, 50, 0));
    }

    void ringCaptureFillsTheRowsAfterTheTrigger_data()
    {
        QTest::addColumn<int>("preRows");
        QTest::addColumn<int>("stepRow");
        QTest::addColumn<int>("rowsFromTrigger");
        QTest::addColumn<int>("shownIndex");
        QTest::addColumn<bool>("waits");
        // REDRAW shows the newest 249 rows of a full ring: the pre rows and those from the trigger on.
        QTest::newRow("default pre, step late") << trigger::kDefaultPreRows << 400 << 187 << 62 << true;
        QTest::newRow("no pre") << 0 << 30 << 249 << 0 << true;
        QTest::newRow("most pre: the trigger row alone") << kRingRows - 1 << 300 << 1 << 248 << true;
        QTest::newRow("step before pre rows were stored, not waiting") << 100 << 20 << 149 << 19 << false;
    }
    void ringCaptureFillsTheRowsAfterTheTrigger()
    {
        QFETCH(int, preRows);
        QFETCH(int, stepRow);
        QFETCH(int, rowsFromTrigger);
        QFETCH(int, shownIndex);
        QFETCH(bool, waits);
        TriggerSetup setup;
        setup.first = {kWord, Edge::Rises, 1};
        setup.preRows = preRows;
        setup.waitForPreRows = waits;
        trigger::RingCapture capture(setup);
        int stored = 0;
        while (capture.state() != trigger::RingCapture::State::Complete && stored < 5000) {
            ++stored;
            SampleRow row{};
            row[kWord] = stored >= stepRow ? 5 : 0;
            capture.takeRow(row, 0);
        }
        QCOMPARE(capture.triggerRowNumber(), std::optional<int>(stepRow));
        QCOMPARE(stored - stepRow + 1, rowsFromTrigger);
        const int shown = std::min(stored, kRingRows - 1);
        QCOMPARE(trigger::shownRowIndex(stepRow, stored, shown), std::optional<int>(shownIndex));
    }

    // Waiting until the rows before the trigger are full (the default, as an oscilloscope does):
    // an edge with fewer rows of the run stored before it passes, the next one after them fires,
    // and the trigger row then has its pre rows on the graph. A square wave rising on rows 25, 75,
    // 125, ... of the capture; `rowsBefore` rows of the run were stored before it was armed.
    void ringCaptureWaitsForThePreRows_data()
    {
        QTest::addColumn<int>("preRows");
        QTest::addColumn<int>("rowsBefore");
        QTest::addColumn<bool>("waits");
        QTest::addColumn<int>("triggerRow"); // of the capture, 1 for its first
        QTest::newRow("100 rows: the rises with 24 and 74 before it pass") << 100 << 0 << true << 125;
        QTest::newRow("100 rows, not waiting: the first rise") << 100 << 0 << false << 25;
        QTest::newRow("default 62: the second rise") << trigger::kDefaultPreRows << 0 << true << 75;
        QTest::newRow("none asked: the first rise") << 0 << 0 << true << 25;
        QTest::newRow("armed after 60 rows of the run") << 100 << 60 << true << 75;
        QTest::newRow("armed after 200 rows of the run") << 100 << 200 << true << 25;
        QTest::newRow("most rows before the trigger") << kRingRows - 1 << 0 << true << 275;
    }
    void ringCaptureWaitsForThePreRows()
    {
        QFETCH(int, preRows);
        QFETCH(int, rowsBefore);
        QFETCH(bool, waits);
        QFETCH(int, triggerRow);
        TriggerSetup setup;
        setup.first = {kWord, Edge::Rises, 1};
        setup.preRows = preRows;
        setup.waitForPreRows = waits;
        trigger::RingCapture capture(setup, rowsBefore);
        int stored = 0;
        int rowsWhileFilling = 0; // the band counts the rows before the trigger while these come
        while (capture.state() != trigger::RingCapture::State::Complete && stored < 5000) {
            ++stored;
            rowsWhileFilling += capture.fillingPreRows() ? 1 : 0;
            SampleRow row{};
            row[kWord] = (stored / 25) % 2 ? 5 : 0;
            capture.takeRow(row, 0);
        }
        QCOMPARE(rowsWhileFilling, waits ? std::max(0, preRows - rowsBefore) : 0);
        QVERIFY(!capture.fillingPreRows());
        QCOMPARE(capture.triggerRowNumber(), std::optional<int>(triggerRow));
        const int runRows = rowsBefore + stored;
        const std::optional<int> shown = trigger::shownRowIndex(rowsBefore + triggerRow, runRows, std::min(runRows, kRingRows - 1));
        // The graph shows kRingRows - 1 rows: at most kRingRows - 2 of them before the trigger row.
        if (waits)
            QCOMPARE(shown, std::optional<int>(std::min(preRows, kRingRows - 2)));
        else
            QVERIFY(shown && *shown < preRows);
    }

    void levelTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<int>("level"); // INT_MIN: refused
        QTest::newRow("dec") << "1000" << false << 1000;
        QTest::newRow("dec negative") << "-32768" << false << -32768;
        QTest::newRow("dec too big") << "32768" << false << INT_MIN;
        QTest::newRow("dec is not hex") << "03E8" << false << INT_MIN;
        QTest::newRow("hex") << "03e8" << true << 1000;
        QTest::newRow("hex as signed word") << "FFFF" << true << -1;
        QTest::newRow("hex five digits") << "10000" << true << INT_MIN;
        QTest::newRow("hex signed") << "-1" << true << INT_MIN;
        QTest::newRow("empty") << "" << false << INT_MIN;
    }
    void levelTexts()
    {
        QFETCH(QString, text);
        QFETCH(bool, hex);
        QFETCH(int, level);
        QCOMPARE(trigger::parseLevelText(text, hex), level == INT_MIN ? std::nullopt : std::optional<std::int32_t>(level));
    }

    void setupText()
    {
        TriggerSetup setup;
        setup.first = {kWord, Edge::Crosses, 255};
        setup.second = Condition{kBit, Edge::Falls, 0};
        setup.combine = Combine::And;
        const auto name = [](int c) { return c == kWord ? QStringLiteral("SpdFbk") : QStringLiteral("InvFlag.07"); };
        const auto hex = [](int, std::int32_t v) { return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0')).toUpper(); };
        QCOMPARE(trigger::setupText(setup, name, hex), QStringLiteral("SpdFbk crosses 00FF AND InvFlag.07 becomes 0"));
        setup.first.edge = Edge::Rises;
        setup.second->edge = Edge::Crosses;
        setup.combine = Combine::Or;
        QCOMPARE(trigger::setupText(setup, name, hex), QStringLiteral("SpdFbk rises through 00FF OR InvFlag.07 changes"));
    }

    void setupLines()
    {
        TriggerSetup setup;
        setup.first = {3, Edge::Falls, -1200};
        QCOMPARE(trigger::setupLines(setup),
                 (QStringList{"QMX Trigger", "First,3,FALLS,-1200", "Pre,62"}));
        QCOMPARE(trigger::parseSetupLines(trigger::setupLines(setup)), std::optional<TriggerSetup>(setup));
        setup.second = Condition{12, Edge::Crosses, 0};
        setup.combine = Combine::And;
        setup.preRows = 0;
        QCOMPARE(trigger::parseSetupLines(trigger::setupLines(setup)), std::optional<TriggerSetup>(setup));

        // Not waiting for the rows before the trigger: a line of its own. A file without it (as
        // every older one is) waits, as the default does; the default's lines are as they were.
        setup.waitForPreRows = false;
        QCOMPARE(trigger::setupLines(setup).last(), QStringLiteral("WaitPre,0"));
        QCOMPARE(trigger::parseSetupLines(trigger::setupLines(setup)), std::optional<TriggerSetup>(setup));
        const std::optional<TriggerSetup> older = trigger::parseSetupLines({"QMX Trigger", "First,3,FALLS,-1200", "Pre,20"});
        QVERIFY(older && older->waitForPreRows && older->preRows == 20);
        QVERIFY(trigger::parseSetupLines({"QMX Trigger", "First,3,FALLS,-1200", "WaitPre,1"})->waitForPreRows);
        QVERIFY(!trigger::parseSetupLines({"QMX Trigger", "First,3,FALLS,-1200", "WaitPre,yes"}));

        QVERIFY(!trigger::parseSetupLines({}));
        QVERIFY(!trigger::parseSetupLines({"QMX Trigger", "Pre,62"}));                         // no condition
        QVERIFY(!trigger::parseSetupLines({"QMX Trigger", "First,14,RISES,0"}));               // no such channel
        QVERIFY(!trigger::parseSetupLines({"QMX Trigger", "First,1,UP,0"}));
        QVERIFY(!trigger::parseSetupLines({"QMX Trigger", "First,1,RISES,0", "Pre,250"}));      // more than the ring
        QVERIFY(!trigger::parseSetupLines({"ON,A,600E60,1", "First,1,RISES,0"}));              // a preset file
    }
};

QTEST_GUILESS_MAIN(TestTrigger)
#include "test_trigger.moc"
