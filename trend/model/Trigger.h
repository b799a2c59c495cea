#pragma once
// Triggered capture without widgets: a condition on one recorded channel (an analog value passing
// a level, a logic bit changing), optionally a second one on another channel joined by AND or OR,
// evaluated row by row against the previous good sample of each channel. The Trend Graph and
// qmx-record both watch their stored rows with it.

#include "trend/model/SamplingRead.h"
#include "trend/model/TrendData.h"
#include "trend/model/TriggerRule.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

namespace trigger {

struct Condition {
    int channel = 0;        // 0..13; logic channels are 7..13
    Edge edge = Edge::Rises;
    std::int32_t level = 0; // analog only

    bool isLogic() const { return channel >= kAnalogChannels; }
    friend bool operator==(const Condition &, const Condition &) = default;
};

inline constexpr int kDefaultPreRows = 62;

struct TriggerSetup {
    Condition first;
    std::optional<Condition> second;
    Combine combine = Combine::Or;
    int preRows = kDefaultPreRows; // rows kept before the trigger row: 0..kRingRows - 1
    // The trigger fires only once preRows rows of the run are stored before the row it fires on,
    // as an oscilloscope's does, so the graph always has them; otherwise it may fire on the first
    // rows of a run, with fewer before it.
    bool waitForPreRows = true;
    friend bool operator==(const TriggerSetup &, const TriggerSetup &) = default;
};

// Compares `current` with `previous` (both good samples) for one condition.
ConditionState evaluate(const Condition &condition, std::optional<std::int32_t> previous, std::int32_t current);
// One stored row for one condition whose last good sample is `last`. A failed read of its channel
// is no sample: nothing is seen and `last` stays; a good one is evaluated and becomes `last`.
ConditionState takeSample(const Condition &condition, std::optional<std::int32_t> &last, const SampleRow &row,
                          std::uint16_t failedChannels);

// Watches stored rows for a setup. A failed read of a condition's channel never fires and is not
// a sample: the comparison goes on from the last good one.
class TriggerDetector {
public:
    explicit TriggerDetector(const TriggerSetup &setup) : setup_(setup) {}
    // One stored row (values as the ring holds them: analog signed, logic 0/1); true when the
    // trigger fires on it. OR: either condition's edge. AND: an edge of one while the other holds.
    bool takeRow(const SampleRow &row, std::uint16_t failedChannels);
    const TriggerSetup &setup() const { return setup_; }

private:
    TriggerSetup setup_;
    std::optional<std::int32_t> lastFirst_, lastSecond_;
};

// The row of a pass as the ring stores it: analog values signed, logic bits 0/1 through their mask.
SampleRow storedValues(const TrendData &data, const sampling::PassReadout &readout);

// How many rows the Trend Graph stores from the trigger row on (that row included). REDRAW shows
// the newest kRingRows - 1 rows of a full ring, so these and the pre-trigger rows fill what it
// shows; at least the trigger row itself.
int rowsFromTrigger(int preRows);

// A level as typed in the channel's number base: signed decimal, or up to four hex digits taken
// as the signed 16-bit word the controller holds; nothing for other text.
std::optional<std::int32_t> parseLevelText(const QString &text, bool hex);

// Stored rows of a run watched for the trigger: armed until it fires, then counting the rows
// from the trigger row until the ring is full with rowsFromTrigger of them.
class RingCapture {
public:
    // `rowsBefore`: rows of the run stored before the capture began (armed during a run); they
    // are on the graph before the trigger as well.
    explicit RingCapture(const TriggerSetup &setup, int rowsBefore = 0) : detector_(setup), rowsBefore_(rowsBefore) {}
    enum class State { Armed, Filling, Complete };
    // One stored row; the state after it.
    State takeRow(const SampleRow &row, std::uint16_t failedChannels);
    State state() const { return state_; }
    // Stored rows since the run began, up to and including the trigger row (1 for the first).
    std::optional<int> triggerRowNumber() const { return triggerRow_; }
    const TriggerSetup &setup() const { return detector_.setup(); }
    // Rows of the run stored so far, those before the capture began included.
    int rowsStoredOfRun() const { return rowsBefore_ + rowsTaken_; }
    // Armed, and waiting until the rows before the trigger are stored: no row can fire yet.
    bool fillingPreRows() const
    {
        return state_ == State::Armed && setup().waitForPreRows && rowsStoredOfRun() < setup().preRows;
    }

private:
    TriggerDetector detector_;
    int rowsBefore_ = 0;
    State state_ = State::Armed;
    int rowsTaken_ = 0;
    int rowsFromTrigger_ = 0;
    std::optional<int> triggerRow_;
};

// The index of the trigger row among the shown rows, given how many rows were stored in all
// (`rowsStored`, counting from 1) and the number shown (the newest of them, at most kRingRows).
std::optional<int> shownRowIndex(int triggerRowNumber, int rowsStored, int shownRows);

// "SpdFbk rises through 1000", "InvFlag.07 becomes 1", "... AND GateFlag.12 changes".
// `channelName(c)` names a channel as the table shows it, `levelText(c, level)` writes a level in
// the channel's number base.
using ChannelNamer = std::function<QString(int channel)>;
using LevelWriter = std::function<QString(int channel, std::int32_t level)>;
QString conditionText(const Condition &condition, const ChannelNamer &channelName, const LevelWriter &levelText);
QString setupText(const TriggerSetup &setup, const ChannelNamer &channelName, const LevelWriter &levelText);

// The trigger set-up as the lines of its own file beside the presets; nothing for lines that are
// not one.
QStringList setupLines(const TriggerSetup &setup);
std::optional<TriggerSetup> parseSetupLines(const QStringList &lines);

} // namespace trigger
