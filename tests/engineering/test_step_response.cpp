// Step-response figures: over rows made here (a falling step with failed rows, spans without a step,
// the settling band), and over first- and second-order responses the simulator plays, read through
// the real link, against the exact figures of those responses within one sample.

#include "engineering/StepResponse.h"
#include "link/Link.h"
#include "sim/ValueSchedule.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"

#include <QtTest>
#include <cmath>
#include <numbers>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kResponseAddress = 0x00600E60;

// A first-order response from 0 to 1, `t` in time constants.
double firstOrder(double t) { return t <= 0 ? 0.0 : 1.0 - std::exp(-t); }

// A damped second-order response from 0 to 1 that overshoots by `overshoot` (a fraction), `t` in
// units of 1 / natural angular frequency.
double secondOrder(double t, double overshoot)
{
    if (t <= 0)
        return 0;
    const double l = std::log(overshoot);
    const double zeta = -l / std::sqrt(std::numbers::pi * std::numbers::pi + l * l);
    const double wd = std::sqrt(1 - zeta * zeta);
    return 1 - std::exp(-zeta * t) * (std::cos(wd * t) + zeta / wd * std::sin(wd * t));
}

// The first t in [low, high] where `f` reaches `level`, `f` rising there.
template <typename F>
double crossing(F f, double level, double low, double high)
{
    for (int i = 0; i < 100; ++i) {
        const double middle = (low + high) / 2;
        (f(middle) >= level ? high : low) = middle;
    }
    return high;
}

struct Rows {
    std::vector<double> seconds; // on the simulator's schedule clock
    std::vector<double> values;
    double longestGap = 0;       // between two rows, and the longest exchange: "one sample"
};

} // namespace

class TestStepResponse : public QObject {
    Q_OBJECT

    SimulatedPort port_;
    Link link_;

    // Reads the word at kResponseAddress every `interval` for `length`, by word reads or by block
    // reads holding it between two other words; each row's time is when its reply came.
    Rows readRows(std::chrono::milliseconds interval, std::chrono::milliseconds length, bool blockReads)
    {
        Rows rows;
        const Clock::time_point start = port_.simulator().scheduleStart();
        const Clock::time_point end = Clock::now() + length;
        double previous = -1;
        ReadBuffer buffer(6);
        while (Clock::now() < end) {
            const Clock::time_point asked = Clock::now();
            int value = -1;
            if (blockReads) {
                if (link_.readBlock('r', 6, kResponseAddress - 2, buffer) == 0)
                    value = (buffer[2] << 8) | buffer[3];
            } else {
                value = link_.readValue('R', 2, kResponseAddress);
            }
            const Clock::time_point answered = Clock::now();
            if (value < 0)
                continue;
            const double at = std::chrono::duration<double>(answered - start).count();
            rows.seconds.push_back(at);
            rows.values.push_back(static_cast<std::int16_t>(static_cast<std::uint16_t>(value)));
            rows.longestGap = std::max(rows.longestGap, std::chrono::duration<double>(answered - asked).count());
            if (previous >= 0)
                rows.longestGap = std::max(rows.longestGap, at - previous);
            previous = at;
            std::this_thread::sleep_until(asked + interval);
        }
        return rows;
    }

    // Schedules `response` to start `delay` from now; returns its start on the schedule clock.
    double playFromNow(ScheduledResponse response, std::chrono::milliseconds delay)
    {
        const auto since = Clock::now() - port_.simulator().scheduleStart();
        response.fromTime = std::chrono::duration_cast<std::chrono::milliseconds>(since + delay);
        port_.simulator().addScheduledResponse(response);
        return std::chrono::duration<double>(*response.fromTime).count();
    }

private slots:
    void initTestCase()
    {
        testenv::prepare();
        QVERIFY2(port_.start(QStringLiteral("COM1")), qPrintable(port_.error()));
        port_.simulator().setLiveDemo(false);
        QCOMPARE(link_.open(PortUser::Tool), 0);
    }
    void cleanupTestCase() { link_.close(); }

    void fallingStepWithFailedRows()
    {
        // 100 rows 0.1 s apart: 500 until 2.0 s, then down towards 100 with a time constant of 1 s;
        // every 7th row failed, its value rubbish.
        std::vector<double> seconds;
        std::vector<double> values;
        std::vector<bool> failedRows;
        for (int i = 0; i < 100; ++i) {
            seconds.push_back(10 + i * 0.1);
            const bool failed = i % 7 == 3;
            failedRows.push_back(failed);
            values.push_back(failed ? 1e6 : 500 - 400 * firstOrder(i * 0.1 - 2.0));
        }
        const std::unique_ptr<bool[]> failed(new bool[failedRows.size()]);
        std::copy(failedRows.begin(), failedRows.end(), failed.get());
        const stepresponse::StepFigures f =
            stepresponse::figures(seconds, values, std::span<const bool>(failed.get(), failedRows.size()));
        QVERIFY(f.hasStep);
        QCOMPARE(f.initialValue, 500.0);
        QCOMPARE(f.initialFirst.row, 0);
        QCOMPARE(f.initialLast.row, 20);
        // The last 10 % of the span's time: rows 90..99, row 94 failed.
        QCOMPARE(f.finalFirst.row, 90);
        QCOMPARE(f.finalLast.row, 99);
        double finalSum = 0;
        for (int i = 90; i < 100; ++i)
            finalSum += i == 94 ? 0 : values[i];
        QCOMPARE(f.finalValue, finalSum / 9);
        QCOMPARE(f.step, f.finalValue - 500);
        // First change past 2 % of the step: row 21 (0.1 s in, 9.5 % down); the span began at row 0.
        QCOMPARE(f.firstChange.row, 21);
        QVERIFY(std::abs(f.deadTime - 2.1) < 1e-9);
        // 10 % at row 22 (18 % down), 90 % at row 43 (2.3 time constants: 90.0 % of the way to 100,
        // a little more of the way to the final value).
        QCOMPARE(f.rise10.row, 22);
        QCOMPARE(f.rise90.row, 43);
        QVERIFY(f.riseTime && std::abs(*f.riseTime - 2.1) < 1e-9);
        // A first-order response never passes its end, but its last row lies past the mean of the
        // final rows: that is the overshoot.
        QCOMPARE(f.peak.row, 99);
        QCOMPARE(f.overshootPercent, (f.finalValue - values[99]) / std::abs(f.step) * 100);
        // Within 2 % of the step about the final value from row 60 on: row 58 is the last outside
        // (3.8 time constants), row 59 failed.
        QVERIFY(f.settlingTime);
        QCOMPARE(f.settled.row, 60);
        QCOMPARE(f.settled.seconds, seconds[60]);
        // A wider band settles sooner; a band that is no band takes the default.
        const stepresponse::StepFigures wide = stepresponse::figures(
            seconds, values, std::span<const bool>(failed.get(), failedRows.size()), 10.0);
        QCOMPARE(wide.settled.row, 43);
        QCOMPARE(stepresponse::figures(seconds, values, std::span<const bool>(failed.get(), failedRows.size()), -1)
                     .settled.row,
                 60);
        // Unflagged, the rubbish of the failed rows is a step of its own.
        QVERIFY(stepresponse::figures(seconds, values).firstChange.row != 21);
    }

    void spansWithoutAStep()
    {
        const auto figuresOf = [](std::vector<double> values) {
            std::vector<double> seconds;
            for (std::size_t i = 0; i < values.size(); ++i)
                seconds.push_back(i * 0.5);
            return stepresponse::figures(seconds, values);
        };
        QVERIFY(!figuresOf({}).hasStep);
        QVERIFY(!figuresOf({1, 5}).hasStep);
        QVERIFY(!figuresOf(std::vector<double>(50, 7)).hasStep);
        // Noise about a level: the "step" is no larger than the final rows' own spread.
        std::vector<double> noise;
        for (int i = 0; i < 50; ++i)
            noise.push_back(100 + (i % 2 ? 3 : -3) + (i % 5));
        QVERIFY(!figuresOf(noise).hasStep);
        // A change in the final 10 % only: not yet a response.
        std::vector<double> late(50, 0);
        late.back() = 100;
        QVERIFY(!figuresOf(late).hasStep);
        // Times and values of different lengths: the shorter counts; infinite values are left out.
        std::vector<double> seconds{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
        std::vector<double> values{0, 0, std::numeric_limits<double>::infinity(), 0, 10, 10, 10, 10, 10, 10};
        const stepresponse::StepFigures f = stepresponse::figures(seconds, values);
        QVERIFY(f.hasStep);
        QCOMPARE(f.firstChange.row, 4);
        QCOMPARE(f.finalLast.row, 9);
        QVERIFY(f.riseTime && *f.riseTime == 0.0);
        // A ramp never settles: its last row lies beyond the band about the mean of the final rows.
        std::vector<double> ramp;
        for (int i = 0; i < 100; ++i)
            ramp.push_back(i < 10 ? 0 : i);
        const stepresponse::StepFigures rising = figuresOf(ramp);
        QVERIFY(rising.hasStep);
        QVERIFY(!rising.settlingTime);
        QCOMPARE(rising.settled.row, -1);
    }

    void responsesPlayedBySimulator_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<bool>("blockReads");
        QTest::addColumn<int>("lengthMs");
        QTest::newRow("first order, word reads") << "600E60:-2000:8000:250ms@1s" << false << 2600;
        QTest::newRow("second order, block reads") << "600E60:1000:-9000:0.1:20%@1s" << true << 3000;
    }
    void responsesPlayedBySimulator()
    {
        QFETCH(QString, form);
        QFETCH(bool, blockReads);
        QFETCH(int, lengthMs);
        const std::optional<ScheduledResponse> response = ValueSchedule::parseResponse(form);
        QVERIFY(response);
        const double from = response->from;
        const double to = response->to;
        const double tau = response->timeConstant;
        const std::optional<double> overshoot = response->overshootPercent;
        // The response begins 300 ms into the rows.
        const Clock::time_point first = Clock::now();
        const double start = playFromNow(*response, 300ms);
        const Rows rows = readRows(10ms, std::chrono::milliseconds(lengthMs), blockReads);
        QVERIFY(rows.seconds.size() > 100);
        const double sample = rows.longestGap + 0.002;
        const double spanStart = rows.seconds.front();
        QVERIFY(std::chrono::duration<double>(first - port_.simulator().scheduleStart()).count() < spanStart);

        const stepresponse::StepFigures f = stepresponse::figures(rows.seconds, rows.values);
        QVERIFY(f.hasStep);
        // The rows before the first change may have begun to move, by less than 2 % of the step.
        QVERIFY2(std::abs(f.initialValue - from) <= stepresponse::kChangeFraction * std::abs(to - from),
                 qPrintable(QString::number(f.initialValue)));
        QCOMPARE(f.initialFirst.row, 0);
        QVERIFY2(std::abs(f.finalValue - to) < 0.001 * std::abs(to - from), qPrintable(QString::number(f.finalValue)));

        // The exact figures of the response, from 0 to 1 in units of tau.
        const auto along = [&](double t) { return overshoot ? secondOrder(t, *overshoot / 100) : firstOrder(t); };
        const double peakTime = overshoot ? std::numbers::pi / std::sqrt(1 - std::pow(-std::log(*overshoot / 100), 2)
                                                                                / (std::pow(std::numbers::pi, 2)
                                                                                   + std::pow(std::log(*overshoot / 100), 2)))
                                          : 0;
        const double rising = overshoot ? peakTime : 50.0; // where the response rises throughout
        const double t02 = crossing(along, 0.02, 0, rising);
        const double t10 = crossing(along, 0.1, 0, rising);
        const double t90 = crossing(along, 0.9, 0, rising);
        double settled = 0; // the last moment outside the band, scanning back from far out
        for (double t = 40; t > 0; t -= 1e-4) {
            if (std::abs(along(t) - 1) > 0.02) {
                settled = t;
                break;
            }
        }
        const QString figuresText = QStringLiteral("dead %1 rise %2 settle %3 overshoot %4 (one sample %5 s)")
                                        .arg(f.deadTime)
                                        .arg(f.riseTime.value_or(-1))
                                        .arg(f.settlingTime.value_or(-1))
                                        .arg(f.overshootPercent)
                                        .arg(sample);
        const auto within = [&](double measured, double exact) {
            return std::abs(measured - exact) <= sample;
        };
        QVERIFY2(within(f.deadTime, start + t02 * tau - spanStart), qPrintable(figuresText));
        QVERIFY2(f.riseTime && within(*f.riseTime, (t90 - t10) * tau), qPrintable(figuresText));
        QVERIFY2(f.settlingTime && within(*f.settlingTime, start + settled * tau - spanStart), qPrintable(figuresText));
        if (overshoot) {
            // The peak row within a sample of the peak, its overshoot no further from the exact one
            // than the response moves in a sample there.
            QVERIFY2(within(f.peak.seconds, start + peakTime * tau), qPrintable(figuresText));
            const double lowest = std::min(along(peakTime - sample / tau), along(peakTime + sample / tau));
            QVERIFY2(f.overshootPercent <= *overshoot + 0.05 && f.overshootPercent >= (lowest - 1) * 100 - 0.05,
                     qPrintable(figuresText));
        } else {
            // No overshoot but the last row's lead over the mean of the final rows.
            QCOMPARE(rows.values[f.peak.row], rows.values.back());
            QVERIFY2(f.overshootPercent < 0.1, qPrintable(figuresText));
        }
    }

    void responseForms_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<bool>("taken");
        QTest::newRow("first order") << "600E60:0:1000:0.5s@5s" << true;
        QTest::newRow("bare seconds, read count") << "600E60:0:1000:2@20" << true;
        QTest::newRow("second order, hex words") << "600E60:0x0000:0xC000:200ms:20%@500ms" << true;
        QTest::newRow("no overshoot sign") << "600E60:0:1000:0.5:20@5s" << false;
        QTest::newRow("overshoot 100") << "600E60:0:1000:0.5:100%@5s" << false;
        QTest::newRow("overshoot 0") << "600E60:0:1000:0.5:0%@5s" << false;
        QTest::newRow("time constant 0") << "600E60:0:1000:0s@5s" << false;
        QTest::newRow("time constant nan") << "600E60:0:1000:nan@5s" << false;
        QTest::newRow("word too large") << "600E60:0:32768:1@5s" << false;
        QTest::newRow("no moment") << "600E60:0:1000:1" << false;
        QTest::newRow("too few fields") << "600E60:0:1@5s" << false;
        QTest::newRow("read 0") << "600E60:0:1000:1@0" << false;
    }
    void responseForms()
    {
        QFETCH(QString, form);
        QFETCH(bool, taken);
        const std::optional<ScheduledResponse> response = ValueSchedule::parseResponse(form);
        QCOMPARE(response.has_value(), taken);
        if (form.contains(QStringLiteral("0xC000"))) {
            QCOMPARE(response->to, -16384.0);
            QCOMPARE(response->timeConstant, 0.2);
            QCOMPARE(*response->fromTime, 500ms);
            // Well before the start the word is FROM; long after, TO; at the peak 20 % beyond.
            QCOMPARE(response->valueAt(-1), 0.0);
            QVERIFY(std::abs(response->valueAt(100) + 16384) < 1e-6);
            const double peak = 0.2 * std::numbers::pi / std::sqrt(1 - std::pow(response->dampingRatio(), 2));
            QVERIFY(std::abs(response->valueAt(peak) + 16384 * 1.2) < 1e-6);
        }
    }
};

QTEST_GUILESS_MAIN(TestStepResponse)
#include "test_step_response.moc"
