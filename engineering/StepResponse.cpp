#include "engineering/StepResponse.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace stepresponse {

namespace {

struct Good {
    std::vector<int> rows; // indices of the good rows, in order
    std::span<const double> seconds;
    std::span<const double> values;
    double time(int k) const { return seconds[rows[k]]; }
    double value(int k) const { return values[rows[k]]; }
    RowAt at(int k) const { return RowAt{rows[k], time(k)}; }
};

Good goodRows(std::span<const double> seconds, std::span<const double> values, std::span<const bool> failed)
{
    Good good{{}, seconds, values};
    const std::size_t count = std::min(seconds.size(), values.size());
    for (std::size_t i = 0; i < count; ++i) {
        const bool flagged = i < failed.size() && failed[i];
        if (!flagged && std::isfinite(seconds[i]) && std::isfinite(values[i]))
            good.rows.push_back(static_cast<int>(i));
    }
    return good;
}

// The first good row (index into good.rows) of the final part of the span.
int finalStart(const Good &good)
{
    const double end = good.time(static_cast<int>(good.rows.size()) - 1);
    const double from = end - kFinalSpanFraction * (end - good.time(0));
    int k = static_cast<int>(good.rows.size()) - 1;
    while (k > 0 && good.time(k - 1) >= from)
        --k;
    return k;
}

} // namespace

StepFigures figures(std::span<const double> seconds, std::span<const double> values, std::span<const bool> failed,
                    double bandPercent)
{
    StepFigures figures;
    figures.bandPercent = (std::isfinite(bandPercent) && bandPercent > 0) ? bandPercent : kDefaultBandPercent;
    const Good good = goodRows(seconds, values, failed);
    const int count = static_cast<int>(good.rows.size());
    if (count < 3)
        return figures;

    const int finalFirst = finalStart(good);
    double finalSum = 0;
    double finalLow = good.value(finalFirst);
    double finalHigh = finalLow;
    for (int k = finalFirst; k < count; ++k) {
        finalSum += good.value(k);
        finalLow = std::min(finalLow, good.value(k));
        finalHigh = std::max(finalHigh, good.value(k));
    }
    const double finalValue = finalSum / (count - finalFirst);

    // The first row that departs from the mean of the rows before it by more than 2 % of the step
    // measured from that mean.
    double sum = good.value(0);
    int change = -1;
    for (int k = 1; k < finalFirst; ++k) {
        const double mean = sum / k;
        const double step = finalValue - mean;
        if (step != 0 && std::abs(good.value(k) - mean) > kChangeFraction * std::abs(step)) {
            change = k;
            break;
        }
        sum += good.value(k);
    }
    if (change < 0)
        return figures;
    const double initialValue = sum / change;
    const double step = finalValue - initialValue;
    if (step == 0 || !std::isfinite(step) || std::abs(step) <= finalHigh - finalLow)
        return figures;
    const double direction = step > 0 ? 1.0 : -1.0;

    figures.hasStep = true;
    figures.initialValue = initialValue;
    figures.initialFirst = good.at(0);
    figures.initialLast = good.at(change - 1);
    figures.finalValue = finalValue;
    figures.finalFirst = good.at(finalFirst);
    figures.finalLast = good.at(count - 1);
    figures.step = step;
    figures.firstChange = good.at(change);
    figures.deadTime = good.time(change) - good.time(0);

    // How far along the step a value is: 0 at the initial value, 1 at the final one.
    const auto along = [&](int k) { return (good.value(k) - initialValue) / step; };
    int rise10 = -1;
    int rise90 = -1;
    for (int k = change; k < count && rise90 < 0; ++k) {
        if (rise10 < 0 && along(k) >= 0.1)
            rise10 = k;
        if (rise10 >= 0 && along(k) >= 0.9)
            rise90 = k;
    }
    if (rise10 >= 0)
        figures.rise10 = good.at(rise10);
    if (rise90 >= 0) {
        figures.rise90 = good.at(rise90);
        figures.riseTime = good.time(rise90) - good.time(rise10);
    }

    int peak = change;
    for (int k = change; k < count; ++k) {
        if (direction * good.value(k) > direction * good.value(peak))
            peak = k;
    }
    figures.peak = good.at(peak);
    figures.overshootPercent = std::max(0.0, direction * (good.value(peak) - finalValue) / std::abs(step) * 100.0);

    const double band = figures.bandPercent / 100.0 * std::abs(step);
    int lastOutside = -1;
    for (int k = count - 1; k >= 0; --k) {
        if (std::abs(good.value(k) - finalValue) > band) {
            lastOutside = k;
            break;
        }
    }
    if (lastOutside < count - 1) {
        const int settled = lastOutside + 1;
        figures.settled = good.at(settled);
        figures.settlingTime = good.time(settled) - good.time(0);
    }
    return figures;
}

} // namespace stepresponse
