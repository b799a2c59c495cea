#include "record/RunChannels.h"

#include "record/InfluxFormat.h"
#include "record/MathTrigger.h"
#include "record/RecordOptions.h"
#include "record/RecordTexts.h"
#include "record/TerminalOutput.h"
#include "trend/model/TrendCsv.h"

namespace record {

QString RunChannels::resolve(const RecordOptions &options, const Variables &variables)
{
    setup_ = resolveChannels(options, variables.list);
    if (variables.shippedListsOnly) {
        for (const QString &message : noteShippedNames(setup_))
            printMessage(message);
    }
    if (!setup_.error.isEmpty())
        return setup_.error;
    if (const QString error = resolveEngineering(options); !error.isEmpty())
        return error;
    if (const QString error = resolveTrigger(options); !error.isEmpty())
        return error;
    if (const QString error = influxColumnProblem(options); !error.isEmpty())
        return error;
    for (const QString &warning : setup_.warnings)
        print(stderr, kProgramWarning.arg(warning));
    return {};
}

QString RunChannels::resolveEngineering(const RecordOptions &options)
{
    if (!options.engineering.changesRows())
        return {};
    QString error;
    QStringList warnings;
    engineering_ = EngineeringColumns::make(options.engineering, setup_.data, &warnings, &error);
    for (const QString &warning : warnings)
        print(stderr, kProgramWarning.arg(warning));
    return engineering_ ? QString() : error;
}

QString RunChannels::resolveTrigger(const RecordOptions &options)
{
    if (options.trigger.isEmpty())
        return {};
    if (engineering_ && !engineering_->math().isEmpty()) {
        MathTriggerParse math = MathTrigger::parse(options.trigger, setup_.data, engineering_->math());
        if (math.namesMath) {
            if (!math.trigger)
                return math.error;
            capture_ = std::make_unique<TriggerCapture>(
                [watch = *math.trigger, columns = engineering_.get()](const SampleRow &values,
                                                                      std::uint16_t failedChannels) mutable {
                    return watch.takeRow(values, failedChannels, columns->mathValues());
                },
                options.pre, options.post, options.repeat);
            return {};
        }
    }
    const TriggerParse parsed = parseTrigger(options.trigger, setup_.data);
    if (parsed.setup)
        capture_ = std::make_unique<TriggerCapture>(*parsed.setup, options.pre, options.post, options.repeat);
    return parsed.error;
}

QString RunChannels::influxColumnProblem(const RecordOptions &options) const
{
    if (!options.writesInfluxLines())
        return {};
    for (const QString &column :
         engineering_ ? engineering_->valueNames() : trendcsv::selectedColumns(setup_.data)) {
        if (const QString problem = influxTextProblem(column); !problem.isEmpty())
            return kInfluxColumn.arg(column, problem);
    }
    return {};
}

} // namespace record
