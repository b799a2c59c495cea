// Math channels: every function against a table of rows, with failed reads among the inputs; the
// faults of a definition with their positions; the limit of four channels.

#include "engineering/MathChannelSet.h"

#include <QtTest>
#include <cmath>

namespace {

using Cell = std::optional<double>;
constexpr double kFailed = std::numeric_limits<double>::quiet_NaN(); // marks a failed read in a table

// Two read channels: SpdRef at 600E60 and SpdFbk at 600E62.
std::vector<MathInput> inputs()
{
    return {{QStringLiteral("SpdRef"), 0x600E60u}, {QStringLiteral("SpdFbk"), 0x600E62u},
            {QStringLiteral("InvFlag.07"), 0x600F00u}};
}

struct Row {
    double seconds;
    double ref;
    double fbk;
};

// The results of `definition` over `rows`, a NaN value being a failed read.
std::vector<Cell> run(const QString &definition, const std::vector<Row> &rows)
{
    MathChannelSet set(inputs());
    QString error;
    if (!set.add(definition, &error)) {
        qWarning("%s", qPrintable(error));
        return {};
    }
    std::vector<Cell> results;
    for (const Row &row : rows) {
        // The bit is 1 on every row.
        const double values[] = {std::isnan(row.ref) ? 0.0 : row.ref, std::isnan(row.fbk) ? 0.0 : row.fbk, 1.0};
        const bool failed[] = {std::isnan(row.ref), std::isnan(row.fbk), false};
        results.push_back(set.evaluate(row.seconds, values, failed)[0]);
    }
    return results;
}

QString cellsText(const std::vector<Cell> &cells)
{
    QStringList texts;
    for (const Cell &cell : cells)
        texts << (cell ? QString::number(*cell, 'g', 12) : QStringLiteral("-"));
    return texts.join(u' ');
}

} // namespace

class TestMathChannels : public QObject {
    Q_OBJECT

private slots:
    void functionsOverRows_data()
    {
        QTest::addColumn<QString>("definition");
        QTest::addColumn<std::vector<Row>>("rows");
        QTest::addColumn<std::vector<Cell>>("expected");
        const std::vector<Row> rows{
            {0.0, 10, 4}, {0.1, 12, 5}, {0.2, kFailed, 7}, {0.4, 16, kFailed}, {0.5, 13, 9}, {0.7, -3, 9},
        };
        QTest::newRow("difference") << "slip = SpdRef - SpdFbk" << rows
                                    << std::vector<Cell>{6, 7, {}, {}, 4, -12};
        QTest::newRow("precedence and signs") << "x = -SpdRef + SpdFbk * 2 / (1 + 1) - -1" << rows
                                              << std::vector<Cell>{-5, -6, {}, {}, -3, 13};
        QTest::newRow("by address, exponent") << "x = 600E62 * 1e-1 + 2.5E+1" << rows
                                              << std::vector<Cell>{25.4, 25.5, 25.7, {}, 25.9, 25.9};
        QTest::newRow("bit by its column or as NAME:BIT") << "x = InvFlag.07 * 2 + InvFlag:07" << rows
                                                          << std::vector<Cell>{3, 3, 3, 3, 3, 3};
        QTest::newRow("abs") << "x = abs(SpdRef - 11)" << rows << std::vector<Cell>{1, 1, {}, 5, 2, 14};
        QTest::newRow("min and max") << "x = min(SpdRef, SpdFbk) + max(SpdRef, 12)" << rows
                                     << std::vector<Cell>{16, 17, {}, {}, 22, 9};
        QTest::newRow("division by 0 is empty") << "x = SpdRef / (SpdFbk - 9)" << rows
                                                << std::vector<Cell>{-2, -3, {}, {}, {}, {}};
        // deriv: from the previous good value of its argument, whatever rows failed between.
        QTest::newRow("deriv") << "d = deriv(SpdRef)" << rows << std::vector<Cell>{{}, 20, {}, 4 / 0.3, -30, -80};
        // integ: trapezoids from the first good value, across the failed row.
        QTest::newRow("integ") << "i = integ(SpdRef)" << rows
                               << std::vector<Cell>{0, 1.1, {}, 1.1 + 0.3 * 14, 1.1 + 4.2 + 1.45, 6.75 + 1.0};
        // mavg over the last 3 rows, the failed row left out of its window.
        QTest::newRow("mavg") << "m = mavg(SpdRef, 3)" << rows
                              << std::vector<Cell>{10, 11, {}, 14, 14.5, (16 + 13 - 3) / 3.0};
        QTest::newRow("mrms") << "r = mrms(SpdFbk, 2)" << rows
                              << std::vector<Cell>{4, std::sqrt((16 + 25) / 2.0), std::sqrt((25 + 49) / 2.0), {}, 9,
                                                   9};
        // A window of failed rows only is empty; the window moves on regardless.
        QTest::newRow("window of failed rows") << "m = mavg(SpdFbk, 1)" << rows
                                               << std::vector<Cell>{4, 5, 7, {}, 9, 9};
        // Functions inside functions keep their own state.
        QTest::newRow("deriv of mavg") << "d = deriv(mavg(SpdRef, 2))" << rows
                                       << std::vector<Cell>{{}, 10, {}, (16 - 11) / 0.3, (14.5 - 16) / 0.1,
                                                            (5 - 14.5) / 0.2};
        // A failed input elsewhere in the row empties the result but the window still takes its row.
        QTest::newRow("failed input beside a window") << "m = mavg(SpdRef, 2) + SpdFbk * 0" << rows
                                                      << std::vector<Cell>{10, 11, {}, {}, 14.5, 5};
    }
    void functionsOverRows()
    {
        QFETCH(QString, definition);
        QFETCH(std::vector<Row>, rows);
        QFETCH(std::vector<Cell>, expected);
        const std::vector<Cell> results = run(definition, rows);
        QCOMPARE(results.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const bool same = results[i].has_value() == expected[i].has_value()
                              && (!expected[i] || std::abs(*results[i] - *expected[i]) < 1e-9);
            QVERIFY2(same, qPrintable(QStringLiteral("row %1: %2 expected %3").arg(i).arg(cellsText(results),
                                                                                        cellsText(expected))));
        }
    }

    void longWindowKeepsItsSumExact()
    {
        // Over a long run, wrapping round its window thousands of times with failed rows among the
        // ones leaving it, the window's sums stay those of the rows it holds.
        MathChannelSet set(inputs());
        QVERIFY(set.add(QStringLiteral("m = mavg(SpdRef, 7)")));
        QVERIFY(set.add(QStringLiteral("r = mrms(SpdRef, 7)")));
        const auto valueOf = [](int i) { return (i % 2 ? 1000.5 : 0.25) + i % 13; };
        const auto failedAt = [](int i) { return i % 11 == 0; };
        std::span<const std::optional<double>> results;
        constexpr int kRows = 200005;
        for (int i = 0; i < kRows; ++i) {
            const double values[] = {valueOf(i), 0};
            const bool failed[] = {failedAt(i), false};
            results = set.evaluate(i * 0.01, values, failed);
        }
        double sum = 0;
        double squares = 0;
        int good = 0;
        for (int i = kRows - 7; i < kRows; ++i) {
            if (failedAt(i))
                continue;
            sum += valueOf(i);
            squares += valueOf(i) * valueOf(i);
            ++good;
        }
        QVERIFY(good > 0 && good < 7); // a failed row is inside the last window
        QVERIFY(results[0] && results[1]);
        QVERIFY(std::abs(*results[0] - sum / good) < 1e-9);
        QVERIFY(std::abs(*results[1] - std::sqrt(squares / good)) < 1e-9);
        // A new run forgets the old rows.
        set.reset();
        const double values[] = {5, 0};
        const bool failed[] = {false, false};
        QCOMPARE(*set.evaluate(0, values, failed)[0], 5.0);
    }

    void faultsWithTheirPositions_data()
    {
        QTest::addColumn<QString>("definition");
        QTest::addColumn<int>("position"); // from 1, as the message gives it
        QTest::addColumn<QString>("message");
        QTest::newRow("operand missing") << "slip = SpdRef -" << 16
                                         << "expected a channel, a number, a function or \"(\"";
        QTest::newRow("no equals") << "slip SpdRef" << 12 << "expected NAME = EXPRESSION";
        QTest::newRow("no name") << " = SpdRef" << 2 << "expected NAME = EXPRESSION";
        QTest::newRow("unknown channel") << "x = SpdRef + Foo" << 14 << "no channel \"Foo\" in this run";
        QTest::newRow("address of no channel") << "x = 600E64" << 5
                                               << "no channel \"600E64\" in this run (a number with an exponent "
                                                  "needs a \".\" or a sign: 1.0e5, 1e+5)";
        QTest::newRow("window of 0") << "x = mavg(SpdRef, 0)" << 18
                                     << "the number of passes must be a whole number from 1 to 10000";
        QTest::newRow("window not whole") << "x = mrms(SpdRef,2.5)" << 17
                                          << "the number of passes must be a whole number from 1 to 10000";
        QTest::newRow("window too long") << "x = mrms(SpdRef, 10001)" << 18
                                         << "the number of passes must be a whole number from 1 to 10000";
        QTest::newRow("argument missing") << "x = mavg(SpdRef)" << 16 << "expected \",\"";
        QTest::newRow("bracket not closed") << "x = (SpdRef" << 12 << "expected \")\"";
        QTest::newRow("call not closed") << "x = min(SpdRef, SpdFbk" << 23 << "expected \")\"";
        QTest::newRow("bracket too many") << "x = SpdRef)" << 11 << "unexpected \")\"";
        QTest::newRow("two operands") << "x = SpdRef SpdFbk" << 12 << "unexpected \"S\"";
        QTest::newRow("bad character") << "x = SpdRef % 2" << 12 << "unexpected \"%\"";
        QTest::newRow("bad name") << "1x = SpdRef" << 1
                                  << "a math channel's name begins with a letter or _ and holds letters, digits, _ or .";
        QTest::newRow("name of a channel") << "SpdFbk = SpdRef" << 1 << "the name \"SpdFbk\" is already a channel's";
        QTest::newRow("bad number") << "x = 1.2.3" << 5 << "\"1.2.3\" is not a number";
        QTest::newRow("empty") << "x = " << 5 << "the expression is empty";
        QTest::newRow("function without call") << "x = abs" << 5 << "no channel \"abs\" in this run";
        QTest::newRow("nested too deep") << "x = " + QString(40, u'(') + "1" + QString(40, u')') << 37
                                         << "nested more than 32 deep";
        QTest::newRow("too long") << "x = " + QString(1000, u'1') << 1001 << "longer than 1000 characters";
    }
    void faultsWithTheirPositions()
    {
        QFETCH(QString, definition);
        QFETCH(int, position);
        QFETCH(QString, message);
        MathChannelSet set(inputs());
        MathFault fault;
        QVERIFY(!set.add(definition, &fault));
        QCOMPARE(fault.message, message);
        QCOMPARE(fault.position + 1, position);
        QCOMPARE(set.size(), 0);
        QString error;
        QVERIFY(!set.add(definition, &error));
        QCOMPARE(error, QStringLiteral("%1: %2 at position %3").arg(definition, message).arg(position));
    }

    void atMostFourChannels()
    {
        MathChannelSet set(inputs());
        QVERIFY(set.add(QStringLiteral("a = SpdRef")));
        QVERIFY(set.add(QStringLiteral("b=SpdFbk*2")));
        QString error;
        QVERIFY(!set.add(QStringLiteral("a = 1"), &error)); // a name is taken once
        QCOMPARE(error, QStringLiteral("a = 1: the name \"a\" is already a channel's at position 1"));
        QVERIFY(set.add(QStringLiteral("c = 1")));
        QVERIFY(set.add(QStringLiteral("d = abs(SpdFbk)")));
        QVERIFY(!set.add(QStringLiteral("e = 2"), &error));
        QCOMPARE(error, QStringLiteral("e = 2: at most 4 math channels at position 1"));
        QCOMPARE(set.size(), 4);
        QCOMPARE(set.indexOf(QStringLiteral("d")), 3);
        QCOMPARE(set.name(1), QStringLiteral("b"));
        QCOMPARE(set.inputsUsed(), (std::vector<int>{0, 1}));
        // Fewer values than inputs: the missing ones count as failed.
        const double values[] = {3};
        const auto results = set.evaluate(0, values, {});
        QCOMPARE(results.size(), std::size_t(4));
        QCOMPARE(*results[0], 3.0);
        QVERIFY(!results[1] && !results[3]);
        QCOMPARE(*results[2], 1.0);
    }
};

QTEST_GUILESS_MAIN(TestMathChannels)
#include "test_math_channels.moc"
