#include "trend/StepFiguresText.h"

#include "engineering/EngineeringTexts.h"
#include "engineering/StepResponse.h"
#include "trend/TrendCsv.h"
#include "trend/TrendGraphTexts.h"

#include <algorithm>
#include <memory>
#include <span>
#include <chrono>
#include <vector>

namespace stepfigurestext {

namespace {

QString number(double value) { return QString::number(value, 'g', 7); }

} // namespace

QStringList figuresLines(const TrendData &data, int channel, int first, int last, const UnitScale *scale,
                         double bandPercent)
{
    if (first > last)
        std::swap(first, last);
    first = std::max(first, 0);
    last = std::min(last, std::min(data.rowCount, kDisplayRowsCapacity) - 1);
    if (channel < 0 || channel >= kChannels || last < first)
        return {};
    const auto c = static_cast<std::size_t>(channel);

    // Seconds from the span's first row when every row has its time, else row numbers.
    bool timed = true;
    for (int row = first; row <= last && timed; ++row)
        timed = data.displayRowInfo[static_cast<std::size_t>(row)].sinceRunStart.has_value();
    std::vector<double> seconds, values;
    std::vector<bool> failedRows;
    for (int row = first; row <= last; ++row) {
        const auto r = static_cast<std::size_t>(row);
        const RowInfo &info = data.displayRowInfo[r];
        seconds.push_back(timed ? std::chrono::duration<double>(*info.sinceRunStart).count() : double(row));
        const double raw = data.displayRows[r][c];
        values.push_back(scale ? scale->apply(raw) : raw);
        failedRows.push_back((info.failedChannels & (1u << channel)) != 0);
    }
    // std::vector<bool> holds no bools in a row: the figures read a plain array.
    const std::unique_ptr<bool[]> failed(new bool[failedRows.size()]);
    std::copy(failedRows.begin(), failedRows.end(), failed.get());
    const stepresponse::StepFigures f =
        stepresponse::figures(seconds, values, std::span<const bool>(failed.get(), failedRows.size()), bandPercent);

    const QString unit = scale && !scale->unit.isEmpty() ? u' ' + scale->unit : QString();
    const QString timeUnit = timed ? kStepSeconds : kStepRows;
    const auto value = [&unit](double v) { return number(v) + unit; };
    const auto duration = [&timeUnit](double d) { return timeUnit.arg(QString::number(d, 'f', 3)); };
    const auto rowOf = [first](const stepresponse::RowAt &at) { return QString::number(first + at.row); };
    const auto rowsOf = [&rowOf](const stepresponse::RowAt &from, const stepresponse::RowAt &to) {
        return from.row == to.row ? rowOf(from) : rowOf(from) + u'-' + rowOf(to);
    };

    QStringList lines;
    lines << kStepHeading.arg(trendcsv::columnName(data.channels[c], channel)).arg(first).arg(last);
    if (!f.hasStep) {
        lines << engineeringtexts::kNoStep;
        return lines;
    }
    lines << kStepValues.arg(value(f.initialValue), rowsOf(f.initialFirst, f.initialLast), value(f.finalValue),
                             rowsOf(f.finalFirst, f.finalLast), value(f.step));
    lines << kStepDeadTime.arg(duration(f.deadTime), rowOf(f.firstChange)) + QStringLiteral(", ") +
                 (f.riseTime ? kStepRiseTime.arg(duration(*f.riseTime), rowsOf(f.rise10, f.rise90))
                             : kStepNotRisen.arg(rowOf(f.rise10)));
    lines << kStepOvershoot.arg(QString::number(f.overshootPercent, 'f', 1), rowOf(f.peak)) + QStringLiteral(", ") +
                 (f.settlingTime ? kStepSettling.arg(number(f.bandPercent), duration(*f.settlingTime), rowOf(f.settled))
                                 : kStepNotSettled.arg(number(f.bandPercent)));
    return lines;
}

} // namespace stepfigurestext
