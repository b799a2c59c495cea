#pragma once
// A --trigger that watches a math channel: "slip>50", "slip rises 50", "slip falls -2.5", "slip
// crosses 0", alone or joined by " and " / " or " to another math channel's condition or to a read
// channel's (which keeps its own forms and levels, the raw word). A math channel's level is any
// decimal number, compared with the channel's value as written; an empty result is no sample, as a
// failed read is for a read channel. The conditions fire by the read channels' rule
// (trend/model/TriggerRule.h): the level passed since the previous good sample; AND fires on an
// edge of one while the other holds.

#include "engineering/MathChannelSet.h"
#include "trend/model/TrendData.h"
#include "trend/model/Trigger.h"

#include <QString>
#include <optional>
#include <span>

namespace record {

struct MathTriggerParse;

class MathTrigger {
public:
    static MathTriggerParse parse(const QString &text, const TrendData &channels, const MathChannelSet &math);

    // One row: the stored values and failed reads of the read channels, and the math channels'
    // results. True when the trigger fires on it.
    bool takeRow(const SampleRow &values, std::uint16_t failedChannels, std::span<const std::optional<double>> math);

private:
    struct Watch {
        std::optional<trigger::Condition> read; // a read channel's condition, else a math channel's:
        int math = -1;
        trigger::Edge edge = trigger::Edge::Rises;
        double level = 0;
        std::optional<std::int32_t> lastRead;
        std::optional<double> lastMath;
    };
    static trigger::ConditionState step(Watch &watch, const SampleRow &values, std::uint16_t failedChannels,
                                        std::span<const std::optional<double>> math);

    Watch first_;
    std::optional<Watch> second_;
    trigger::Combine combine_ = trigger::Combine::Or;
};

struct MathTriggerParse {
    std::optional<MathTrigger> trigger;
    QString error;          // names the argument
    bool namesMath = false; // false: no condition watches a math channel (the read channels' way)
};

} // namespace record
