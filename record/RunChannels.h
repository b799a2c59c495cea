#pragma once
// The channels of a qmx-record run, named through the variable list, with what reads their
// values: the engineering columns (--units, --scaled, --math) and the --trigger capture. All of it
// is settled before the first pass, so a mistake ends the start with its message.

#include "record/EngineeringColumns.h"
#include "record/RecordVariables.h"
#include "record/Recording.h"
#include "record/TriggerCapture.h"

#include <QString>
#include <memory>

namespace record {

struct RecordOptions;

class RunChannels {
public:
    // The channels of `options` from `variables` (on a fresh install, a note per channel saying
    // which shipped list names it), then the engineering columns and the trigger, then the names
    // InfluxDB lines would give them; the first mistake, or nothing. Warnings go to stderr.
    QString resolve(const RecordOptions &options, const Variables &variables);

    const TrendData &data() const { return setup_.data; }
    TriggerCapture *capture() const { return capture_.get(); }
    EngineeringColumns *engineering() const { return engineering_.get(); }

private:
    // Scaled values and math channels before the trigger: a trigger may watch a math channel.
    QString resolveEngineering(const RecordOptions &options);
    QString resolveTrigger(const RecordOptions &options);
    // A column's name that an InfluxDB line could not carry as its field.
    QString influxColumnProblem(const RecordOptions &options) const;

    ChannelSetup setup_;
    std::unique_ptr<TriggerCapture> capture_;
    std::unique_ptr<EngineeringColumns> engineering_;
};

} // namespace record
