#pragma once
// The rule a trigger fires by, written once for a read channel's whole numbers (trigger::evaluate)
// and a math channel's doubles (qmx-record's MathTrigger): when a condition on a level passes it,
// whether the newest sample lies on the asked side, and how two conditions' states join.

#include <optional>

namespace trigger {

// Analog: rises through, falls through, crosses a level. Logic: becomes 1, becomes 0, changes.
enum class Edge { Rises, Falls, Crosses };
enum class Combine { And, Or };

// What one condition saw in one row.
struct ConditionState {
    bool edge = false;  // the level was passed (or the bit changed as asked) since the last good sample
    bool holds = false; // the channel's newest good sample is on the asked side (for an edge kind
                        // without a side, crosses and changes, only on the row of an edge)
};

// A condition on `level` between the previous good sample (none before the first) and `current`.
template <typename Value>
constexpr ConditionState levelState(Edge edge, Value level, std::optional<Value> previous, Value current)
{
    // The level may lie between two samples: the row at or past it is the one that counts.
    const bool rose = previous && *previous < level && current >= level;
    const bool fell = previous && *previous > level && current <= level;
    ConditionState state;
    switch (edge) {
    case Edge::Rises:
        state.edge = rose;
        state.holds = current >= level;
        break;
    case Edge::Falls:
        state.edge = fell;
        state.holds = current <= level;
        break;
    case Edge::Crosses:
        state.edge = state.holds = rose || fell;
        break;
    }
    return state;
}

// Whether a row fires: one condition on its edge; OR either condition's edge; AND an edge of one
// while the other holds.
constexpr bool fires(ConditionState first, std::optional<ConditionState> second, Combine combine)
{
    if (!second)
        return first.edge;
    if (combine == Combine::Or)
        return first.edge || second->edge;
    return (first.edge && second->holds) || (second->edge && first.holds);
}

} // namespace trigger
