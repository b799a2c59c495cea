// Numbers as the program writes them: seconds from milliseconds, the shortest text of a double (the
// units file's and qmx-record's, and the math channels file's with its whole digits zero-filled),
// and a number to so many significant digits. Each form kept the bytes of the copy it replaced.

#include "base/NumberText.h"

#include <QLocale>
#include <QtTest>
#include <cstring>
#include <limits>
#include <random>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
const double kNan = std::numeric_limits<double>::quiet_NaN();

} // namespace

class TestNumberText : public QObject {
    Q_OBJECT

private slots:
    void secondsText_data()
    {
        QTest::addColumn<qint64>("milliseconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64{0} << QStringLiteral("0.000");
        QTest::newRow("one ms") << qint64{1} << QStringLiteral("0.001");
        QTest::newRow("below a second") << qint64{999} << QStringLiteral("0.999");
        QTest::newRow("a second") << qint64{1000} << QStringLiteral("1.000");
        QTest::newRow("usual") << qint64{12345} << QStringLiteral("12.345");
        QTest::newRow("minus one ms") << qint64{-1} << QStringLiteral("-0.001");
        QTest::newRow("minus a quarter") << qint64{-250} << QStringLiteral("-0.250");
        QTest::newRow("minus usual") << qint64{-12345} << QStringLiteral("-12.345");
        QTest::newRow("past 2^53") << qint64{9007199254740993} << QStringLiteral("9007199254740.993");
        QTest::newRow("largest") << std::numeric_limits<qint64>::max() << QStringLiteral("9223372036854775.807");
        QTest::newRow("smallest") << std::numeric_limits<qint64>::min() << QStringLiteral("-9223372036854775.808");
    }
    void secondsText()
    {
        QFETCH(qint64, milliseconds);
        QFETCH(QString, text);
        QCOMPARE(numbertext::secondsText(milliseconds), text);
        QCOMPARE(numbertext::secondsBytes(milliseconds), text.toLatin1());
    }

    // The Recording window and its export wrote times from a double; a recording's times (12 digits
    // of seconds and three decimals at most, their sums and differences) read the same in whole
    // numbers.
    void secondsTextAsTheRecordingWroteThem()
    {
        constexpr qint64 kLongest = 4'000'000'000'000'000;
        std::mt19937_64 random(43);
        std::uniform_int_distribution<qint64> any(-kLongest, kLongest);
        std::vector<qint64> counts{0, 1, -1, 499, 500, 501, kLongest, -kLongest, kLongest - 1, -kLongest + 1};
        for (int i = 0; i < 200000; ++i)
            counts.push_back(any(random) >> (i % 50));
        for (const qint64 ms : counts) {
            QCOMPARE(numbertext::secondsText(ms), QString::number(ms / 1000.0, 'f', 3));
            QCOMPARE(numbertext::secondsBytes(ms), QByteArray::number(ms / 1000.0, 'f', 3));
        }
    }

    void shortestText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("exact");
        QTest::addColumn<QString>("zeroFilled");
        QTest::newRow("tenth") << 0.1 << QStringLiteral("0.1") << QStringLiteral("0.1");
        QTest::newRow("float noise kept") << 3 * 0.1 << QStringLiteral("0.30000000000000004")
                                          << QStringLiteral("0.30000000000000004");
        QTest::newRow("negative") << -2.5 << QStringLiteral("-2.5") << QStringLiteral("-2.5");
        QTest::newRow("exponent shorter") << 1e5 << QStringLiteral("1e+05") << QStringLiteral("1e+05");
        QTest::newRow("small exponent") << 1e-4 << QStringLiteral("1e-04") << QStringLiteral("1e-04");
        QTest::newRow("plain on a tie") << 1200000.0 << QStringLiteral("1200000") << QStringLiteral("1200000");
        QTest::newRow("plain shorter") << 123456.0 << QStringLiteral("123456") << QStringLiteral("123456");
        QTest::newRow("2^53") << 9007199254740992.0 << QStringLiteral("9007199254740992")
                              << QStringLiteral("9007199254740992");
        QTest::newRow("past 2^53") << 12345678901234567168.0 << QStringLiteral("12345678901234567168")
                                   << QStringLiteral("12345678901234567000");
        QTest::newRow("2^63") << 9223372036854775808.0 << QStringLiteral("9223372036854775808")
                              << QStringLiteral("9223372036854776000");
        QTest::newRow("negative past 2^53") << -30787004858500702208.0 << QStringLiteral("-30787004858500702208")
                                            << QStringLiteral("-30787004858500702000");
        QTest::newRow("largest") << std::numeric_limits<double>::max() << QStringLiteral("1.7976931348623157e+308")
                                 << QStringLiteral("1.7976931348623157e+308");
        QTest::newRow("smallest subnormal") << std::numeric_limits<double>::denorm_min() << QStringLiteral("5e-324")
                                            << QStringLiteral("5e-324");
        QTest::newRow("zero") << 0.0 << QStringLiteral("0") << QStringLiteral("0");
        QTest::newRow("negative zero") << -0.0 << QStringLiteral("-0") << QStringLiteral("-0");
        QTest::newRow("infinity") << kInfinity << QStringLiteral("inf") << QStringLiteral("inf");
        QTest::newRow("negative infinity") << -kInfinity << QStringLiteral("-inf") << QStringLiteral("-inf");
        QTest::newRow("nan") << kNan << QStringLiteral("nan") << QStringLiteral("nan");
    }
    void shortestText()
    {
        QFETCH(double, value);
        QFETCH(QString, exact);
        QFETCH(QString, zeroFilled);
        QCOMPARE(numbertext::shortestText(value), exact);
        QCOMPARE(numbertext::shortestBytes(value), exact.toLatin1());
        QCOMPARE(numbertext::shortestText(value, numbertext::WholeDigits::ZeroFilled), zeroFilled);
        if (std::isfinite(value))
            QCOMPARE(QLocale::c().toDouble(exact), value);
    }

    // The math channels file wrote a full scale (finite and above 0) as QString::number's shortest
    // form; the zero-filled form is the same for every such double.
    void zeroFilledAsTheMathChannelsFileWroteIt()
    {
        std::mt19937_64 random(43);
        for (int i = 0; i < 300000; ++i) {
            double value = 0;
            if (i % 2 == 0) {
                const std::uint64_t bits = random() >> 1; // sign bit clear
                std::memcpy(&value, &bits, sizeof value);
                if (!std::isfinite(value) || value == 0)
                    continue;
            } else {
                value = static_cast<double>(random() >> (i % 64)) * std::pow(10.0, static_cast<int>(random() % 40) - 20);
                if (value == 0)
                    continue;
            }
            QCOMPARE(numbertext::shortestText(value, numbertext::WholeDigits::ZeroFilled),
                     QString::number(value, 'g', QLocale::FloatingPointShortest));
        }
    }

    void significantText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("digits");
        QTest::addColumn<QString>("text");
        QTest::newRow("trailing zeros dropped") << 12.5 << 7 << QStringLiteral("12.5");
        QTest::newRow("rounded") << 1234567.8 << 7 << QStringLiteral("1234568");
        QTest::newRow("exponent past the digits") << 12345678.0 << 7 << QStringLiteral("1.234568e+07");
        QTest::newRow("small") << -0.001234567891234 << 10 << QStringLiteral("-0.001234567891");
        QTest::newRow("exponent below 1e-4") << 0.00001234 << 10 << QStringLiteral("1.234e-05");
        QTest::newRow("float noise gone") << 3 * 0.1 << 10 << QStringLiteral("0.3");
        QTest::newRow("negative zero") << -0.0 << 7 << QStringLiteral("0");
        QTest::newRow("infinity") << -kInfinity << 10 << QStringLiteral("-inf");
        QTest::newRow("nan") << kNan << 10 << QStringLiteral("nan");
    }
    // The read-outs' digits, and the engineering form's 10 in text and bytes alike.
    void significantText()
    {
        QFETCH(double, value);
        QFETCH(int, digits);
        QFETCH(QString, text);
        QCOMPARE(numbertext::significantText(value, digits), text);
        if (digits == numbertext::kEngineeringDigits) {
            QCOMPARE(numbertext::engineeringText(value), text);
            QCOMPARE(numbertext::engineeringBytes(value), text.toLatin1());
        }
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "test_number_text.moc"
