#include "trend/readout/StepFiguresText.h"

#include "base/NumberText.h"
#include "engineering/EngineeringTexts.h"
#include "engineering/StepResponse.h"
#include "trend/model/TrendCsv.h"
#include "trend/readout/TrendGraphTexts.h"

#include <algorithm>
#include <memory>
#include <span>
#include <chrono>
#include <vector>

using namespace engineeringtexts;

namespace stepfigurestext {

namespace {

QString number(double value) { return numbertext::significantText(value, 7); }

} // namespace

QStringList figuresLines(const Span &span, double bandPercent)
{
    const std::unique_ptr<bool[]> failed(new bool[span.failed.size()]);
    std::transform(span.failed.begin(), span.failed.end(), failed.get(), [](char f) { return f != 0; });
    const stepresponse::StepFigures f = stepresponse::figures(
        span.seconds, span.values, std::span<const bool>(failed.get(), span.failed.size()), bandPercent);

    const QString unit = span.unit.isEmpty() ? QString() : u' ' + span.unit;
    const QString timeUnit = span.timed ? kStepSeconds : kStepRows;
    const long long first = span.firstRow;
    const auto value = [&unit](double v) { return number(v) + unit; };
    const auto duration = [&timeUnit](double d) { return timeUnit.arg(QString::number(d, 'f', 3)); };
    const auto rowOf = [first](const stepresponse::RowAt &at) { return QString::number(first + at.row); };
    const auto rowsOf = [&rowOf](const stepresponse::RowAt &from, const stepresponse::RowAt &to) {
        return from.row == to.row ? rowOf(from) : rowOf(from) + u'-' + rowOf(to);
    };

    QStringList lines;
    lines << kStepHeading.arg(span.name).arg(first).arg(first + static_cast<long long>(span.values.size()) - 1);
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

    // Seconds when every row has its time, else row numbers.
    Span span;
    span.name = trendcsv::columnName(data.channels[c], channel);
    span.firstRow = first;
    span.unit = scale ? scale->unit : QString();
    for (int row = first; row <= last && span.timed; ++row)
        span.timed = data.displayRowInfo[static_cast<std::size_t>(row)].sinceRunStart.has_value();
    for (int row = first; row <= last; ++row) {
        const auto r = static_cast<std::size_t>(row);
        const RowInfo &info = data.displayRowInfo[r];
        span.seconds.push_back(span.timed ? std::chrono::duration<double>(*info.sinceRunStart).count() : double(row));
        const double raw = data.displayRows[r][c];
        span.values.push_back(scale ? scale->apply(raw) : raw);
        span.failed.push_back((info.failedChannels & (1u << channel)) != 0 ? 1 : 0);
    }
    return figuresLines(span, bandPercent);
}

} // namespace stepfigurestext
