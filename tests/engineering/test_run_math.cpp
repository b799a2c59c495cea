// A run's engineering values as the Trend Graph and qmx-record compute them: which scale each
// channel takes (its trimmed name before its resolved address before its typed one, none for a
// bit), the inputs scaled before the math channels see them, a failed or missing reading giving
// no value and an empty result, and the 10-digit form every output writes.

#include "base/NumberText.h"
#include "engineering/RunMath.h"
#include "trend/model/RunScales.h"

#include <QtTest>
#include <cmath>
#include <limits>

using numbertext::engineeringBytes;
using numbertext::engineeringText;
using numbertext::engineeringValue;

namespace {

// Channel 0 "SpdFbk " by name (a blank typed after it) at 600E60, channel 1 "TrqRef" by name at
// 600E64, channel 2 at 600e62 typed but not resolved, channel 3 "Other" without an entry, channel 8
// a bit of SpdFbk.
TrendData run()
{
    TrendData data;
    data.channels[0] = {true, AddressKind::Name, QStringLiteral("SpdFbk "), QStringLiteral("1000")};
    data.channels[1] = {true, AddressKind::Name, QStringLiteral("TrqRef"), QStringLiteral("1000")};
    data.channels[2] = {true, AddressKind::Address, QStringLiteral("600e62"), QStringLiteral("1000")};
    data.channels[3] = {true, AddressKind::Name, QStringLiteral("Other"), QStringLiteral("1000")};
    data.channels[8] = {true, AddressKind::Name, QStringLiteral("SpdFbk"), QStringLiteral("3")};
    data.selectedChannels = {0, 1, 2, 3, 8};
    data.channelAddress[0] = 0x600E60;
    data.channelAddress[1] = 0x600E64;
    data.channelAddress[8] = 0x600F00;
    return data;
}

UnitsTable units()
{
    return UnitsTable::parse({"SpdFbk\t0.5\t10\trpm", "600E60\t3\t0\tV", "600E64\t2\t0\tNm", "600E62\t-1\t0\tA",
                              "600F00\t9\t9\tbits"},
                             QStringLiteral("Units.txt"));
}

} // namespace

class TestRunMath : public QObject {
    Q_OBJECT
private slots:
    void scaleOfEachChannel();
    void rowsScaledAndComputed();
    void writtenForm();
};

void TestRunMath::scaleOfEachChannel()
{
    const TrendData data = run();
    const UnitsTable table = units();
    const auto unitOf = [&](int c) {
        const UnitScale *scale = runscales::scaleOf(table, data, c);
        return scale ? scale->unit : QStringLiteral("none");
    };
    QCOMPARE(unitOf(0), QStringLiteral("rpm")); // the name, blanks dropped, before its address
    QCOMPARE(unitOf(1), QStringLiteral("Nm"));  // no entry for the name: the resolved address
    QCOMPARE(unitOf(2), QStringLiteral("A"));   // nothing resolved: the address typed
    QCOMPARE(unitOf(3), QStringLiteral("none"));
    QCOMPARE(unitOf(8), QStringLiteral("none")); // a bit, though its name and address have entries

    const std::vector<ScaledInput> inputs = runscales::scaledInputs(&table, data);
    QCOMPARE(inputs.size(), std::size_t{5});
    QCOMPARE(inputs[0].input.name, QStringLiteral("SpdFbk "));
    QCOMPARE(inputs[0].input.address, std::optional<std::uint32_t>(0x600E60));
    QCOMPARE(inputs[4].input.name, QStringLiteral("SpdFbk.3"));
    QCOMPARE(inputs[1].scale, std::optional<UnitScale>(*table.findAddress(0x600E64)));
    QVERIFY(!inputs[4].scale);
    const runscales::ChannelScales scales = runscales::channelScales(table, data);
    for (std::size_t i = 0; i < inputs.size(); ++i)
        QCOMPARE(inputs[i].scale, scales[static_cast<std::size_t>(data.selectedChannels[i])]);
    // Without units every input is raw.
    for (const ScaledInput &input : runscales::scaledInputs(nullptr, data))
        QVERIFY(!input.scale);
}

void TestRunMath::rowsScaledAndComputed()
{
    // A scaled word (x 0.5 + 10), a raw word and a bit.
    RunMath math({{{QStringLiteral("Ref"), 0x600E60u}, UnitScale{0.5, 10, QStringLiteral("rpm")}},
                  {{QStringLiteral("Fbk"), 0x600E62u}, std::nullopt},
                  {{QStringLiteral("Flag.3"), 0x600F00u}, std::nullopt}});
    // No math channels: the inputs are scaled all the same, and there are no results.
    using Readings = std::vector<std::optional<double>>;
    QVERIFY(math.takeRow(0, Readings{100, 30, 1}).empty());
    QCOMPARE(math.value(0), std::optional<double>(60));
    QCOMPARE(math.value(1), std::optional<double>(30));
    QVERIFY(math.scale(0) && !math.scale(1) && !math.scale(2));

    QVERIFY(math.add(QStringLiteral("diff = Ref - Fbk")));
    QVERIFY(math.add(QStringLiteral("gated = Flag.3 * 600E62")));
    QString error;
    QVERIFY(!math.add(QStringLiteral("Fbk = 1"), &error));
    QVERIFY(error.contains(QStringLiteral("Fbk")));
    QCOMPARE(math.channels().size(), 2);

    auto results = math.takeRow(0.1, Readings{100, 30, 1});
    QCOMPARE(results.size(), std::size_t{2});
    QCOMPARE(results[0], std::optional<double>(30)); // 60 - 30: the scaled value, not the raw 100
    QCOMPARE(results[1], std::optional<double>(30));
    // Ref's read failed: no value, and no result over it; the other channel goes on.
    results = math.takeRow(0.2, Readings{std::nullopt, -4, 1});
    QVERIFY(!math.value(0));
    QVERIFY(!results[0]);
    QCOMPARE(results[1], std::optional<double>(-4));
    QCOMPARE(math.results()[1], std::optional<double>(-4));
    // Fewer readings than inputs: the missing ones count as failed.
    results = math.takeRow(0.3, Readings{100});
    QVERIFY(!results[0] && !results[1]);
    QVERIFY(!math.value(2));
    QCOMPARE(math.value(0), std::optional<double>(60));
}

void TestRunMath::writtenForm()
{
    // 3 x 0.1 is 0.30000000000000004 in doubles; written and carried as 0.3.
    const double noisy = 3 * 0.1;
    QVERIFY(noisy != 0.3);
    QCOMPARE(engineeringText(noisy), QStringLiteral("0.3"));
    QCOMPARE(engineeringBytes(noisy), QByteArray("0.3"));
    QVERIFY(engineeringValue(noisy) == 0.3);
    QCOMPARE(engineeringText(10.0 / 3), QStringLiteral("3.333333333"));
    QVERIFY(engineeringValue(10.0 / 3) == 3.333333333);
    QCOMPARE(engineeringText(-0.001234567891234), QStringLiteral("-0.001234567891"));
    QCOMPARE(engineeringText(123456789012.0), QStringLiteral("1.23456789e+11"));
    QCOMPARE(engineeringText(-7), QStringLiteral("-7"));
    QVERIFY(engineeringValue(std::numeric_limits<double>::infinity()) == std::numeric_limits<double>::infinity());
    QVERIFY(std::isnan(engineeringValue(std::numeric_limits<double>::quiet_NaN())));
}

QTEST_APPLESS_MAIN(TestRunMath)
#include "test_run_math.moc"
