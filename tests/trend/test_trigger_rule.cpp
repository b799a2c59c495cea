// The trigger rule as one template for a read channel's whole numbers and a math channel's
// doubles: the same samples give the same edges and holds in both, at the extremes of a word and
// at a level between two whole numbers; and the joining of two conditions' states.

#include "trend/model/TriggerRule.h"

#include <QtTest>
#include <algorithm>
#include <cmath>
#include <limits>

using trigger::Combine;
using trigger::ConditionState;
using trigger::Edge;

Q_DECLARE_METATYPE(ConditionState)
Q_DECLARE_METATYPE(std::optional<ConditionState>)

namespace {

// Per sample: 'e' an edge (which holds), 'h' holds without an edge, '-' neither.
template <typename Value>
QString statesOf(Edge edge, Value level, const QList<double> &samples)
{
    QString states;
    std::optional<Value> previous;
    for (const double sample : samples) {
        const auto current = static_cast<Value>(sample);
        const ConditionState state = trigger::levelState(edge, level, previous, current);
        states += state.edge ? (state.holds ? u'e' : u'!') : (state.holds ? u'h' : u'-');
        previous = current;
    }
    return states;
}

bool isWhole(double value)
{
    return value == std::trunc(value) && value >= std::numeric_limits<std::int32_t>::min() &&
           value <= std::numeric_limits<std::int32_t>::max();
}

} // namespace

class TestTriggerRule : public QObject {
    Q_OBJECT
private slots:
    void sameDecisionsForWholeNumbersAndDoubles_data()
    {
        QTest::addColumn<int>("edge");
        QTest::addColumn<double>("level");
        QTest::addColumn<QList<double>>("samples");
        QTest::addColumn<QString>("states");
        const int rises = static_cast<int>(Edge::Rises), falls = static_cast<int>(Edge::Falls),
                  crosses = static_cast<int>(Edge::Crosses);
        constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
        constexpr double kHighest = std::numeric_limits<std::int32_t>::max();
        QTest::newRow("rises onto the level") << rises << 100.0 << QList<double>{90, 100, 120, 100} << "-ehh";
        QTest::newRow("rises: the first sample is no edge") << rises << 100.0 << QList<double>{150, 50, 150} << "h-e";
        QTest::newRow("falls onto the level") << falls << 100.0 << QList<double>{150, 100, 50, 100} << "-ehh";
        QTest::newRow("falls through a negative level") << falls << -10.0 << QList<double>{0, -9, -11} << "--e";
        QTest::newRow("crosses holds on its edge only") << crosses << 0.0 << QList<double>{-5, 5, 6, -1} << "-e-e";
        QTest::newRow("crosses onto the level, back is no crossing") << crosses << 0.0 << QList<double>{-5, 0, -5, 0}
                                                                    << "-e-e";
        QTest::newRow("rises to the highest word") << rises << kHighest << QList<double>{kLowest, kHighest} << "-e";
        QTest::newRow("falls to the lowest word") << falls << kLowest << QList<double>{kHighest, kLowest, kLowest}
                                                  << "-eh";
        // Only doubles hold these: the row past the level counts.
        QTest::newRow("rises through a level between samples") << rises << 2.5 << QList<double>{2, 3, 2.5, 2.4, 2.6}
                                                               << "-eh-e";
        QTest::newRow("falls through a fraction") << falls << -0.25 << QList<double>{0, -0.2, -0.3} << "--e";
    }
    void sameDecisionsForWholeNumbersAndDoubles()
    {
        QFETCH(int, edge);
        QFETCH(double, level);
        QFETCH(QList<double>, samples);
        QFETCH(QString, states);
        QCOMPARE(statesOf<double>(static_cast<Edge>(edge), level, samples), states);
        if (isWhole(level) && std::all_of(samples.begin(), samples.end(), isWhole))
            QCOMPARE(statesOf<std::int32_t>(static_cast<Edge>(edge), static_cast<std::int32_t>(level), samples),
                     states);
    }

    // Beyond what the detectors' tests show: a state that only holds never fires, and a crossing
    // condition under AND fires only on the row both cross.
    void fires_data()
    {
        QTest::addColumn<int>("combine");
        QTest::addColumn<ConditionState>("first");
        QTest::addColumn<std::optional<ConditionState>>("second");
        QTest::addColumn<bool>("fired");
        const int orCombine = static_cast<int>(Combine::Or), andCombine = static_cast<int>(Combine::And);
        const ConditionState edge{true, true}, holds{false, true}, neither{false, false};
        QTest::newRow("one: its edge") << andCombine << edge << std::optional<ConditionState>() << true;
        QTest::newRow("one: holding alone") << orCombine << holds << std::optional<ConditionState>() << false;
        QTest::newRow("or: both holding") << orCombine << holds << std::optional(holds) << false;
        QTest::newRow("or: the second's edge") << orCombine << neither << std::optional(edge) << true;
        QTest::newRow("and: both holding") << andCombine << holds << std::optional(holds) << false;
        QTest::newRow("and: one crosses, the other not") << andCombine << edge << std::optional(neither) << false;
        QTest::newRow("and: both cross") << andCombine << edge << std::optional(edge) << true;
    }
    void fires()
    {
        QFETCH(int, combine);
        QFETCH(ConditionState, first);
        QFETCH(std::optional<ConditionState>, second);
        QFETCH(bool, fired);
        QCOMPARE(trigger::fires(first, second, static_cast<Combine>(combine)), fired);
    }
};

QTEST_GUILESS_MAIN(TestTriggerRule)
#include "test_trigger_rule.moc"
