#include "engineering/MathExpression.h"

#include <algorithm>
#include <cmath>

void MathExpression::reset()
{
    for (State &state : states_) {
        const int passes = state.passes;
        state = State{};
        state.passes = passes;
        state.values.assign(passes, 0.0);
        state.good.assign(passes, 0);
    }
}

std::vector<int> MathExpression::inputsUsed() const
{
    std::vector<int> used;
    for (const Node &node : nodes_) {
        if (node.kind == Kind::Input && std::find(used.begin(), used.end(), node.input) == used.end())
            used.push_back(node.input);
    }
    std::sort(used.begin(), used.end());
    return used;
}

std::optional<double> MathExpression::evaluate(double seconds, std::span<const double> values,
                                               std::span<const bool> failed)
{
    if (root_ < 0)
        return std::nullopt;
    const Result result = evaluateNode(root_, seconds, values, failed);
    if (!result.good)
        return std::nullopt;
    return result.value;
}

MathExpression::Result MathExpression::takeDeriv(State &state, Result x, double seconds)
{
    if (!x.good)
        return {0, false};
    Result result{0, false};
    if (state.hasPrevious && seconds > state.previousSeconds)
        result = {(x.value - state.previousValue) / (seconds - state.previousSeconds), true};
    state.hasPrevious = true;
    state.previousValue = x.value;
    state.previousSeconds = seconds;
    return result;
}

MathExpression::Result MathExpression::takeInteg(State &state, Result x, double seconds)
{
    if (!x.good)
        return {0, false};
    if (state.hasPrevious && seconds > state.previousSeconds)
        state.integral += (x.value + state.previousValue) / 2 * (seconds - state.previousSeconds);
    state.hasPrevious = true;
    state.previousValue = x.value;
    state.previousSeconds = seconds;
    return {state.integral, true};
}

MathExpression::Result MathExpression::takeWindow(State &state, Result x, bool rms)
{
    // The row leaving the window, when it is full.
    if (state.filled == state.passes && state.good[state.next]) {
        const double leaving = state.values[state.next];
        state.sum -= leaving;
        state.sumOfSquares -= leaving * leaving;
        --state.goodCount;
    }
    state.values[state.next] = x.good ? x.value : 0.0;
    state.good[state.next] = x.good ? 1 : 0;
    if (x.good) {
        state.sum += x.value;
        state.sumOfSquares += x.value * x.value;
        ++state.goodCount;
    }
    state.filled = std::min(state.filled + 1, state.passes);
    if (++state.next == state.passes) {
        state.next = 0;
        // Once a window the sums are taken afresh, so that what adding and taking away loses in
        // rounding does not pile up over a long run.
        state.sum = 0;
        state.sumOfSquares = 0;
        for (int i = 0; i < state.passes; ++i) {
            if (state.good[i]) {
                state.sum += state.values[i];
                state.sumOfSquares += state.values[i] * state.values[i];
            }
        }
    }
    if (!x.good || state.goodCount == 0)
        return {0, false};
    if (rms)
        return {std::sqrt(std::max(0.0, state.sumOfSquares / state.goodCount)), true};
    return {state.sum / state.goodCount, true};
}

MathExpression::Result MathExpression::evaluateNode(int index, double seconds, std::span<const double> values,
                                                    std::span<const bool> failed)
{
    const Node &node = nodes_[index];
    const auto finite = [](double value, bool good) { return Result{value, good && std::isfinite(value)}; };
    const auto finiteResult = [](Result result) { return Result{result.value, result.good && std::isfinite(result.value)}; };
    switch (node.kind) {
    case Kind::Number:
        return {node.number, true};
    case Kind::Input: {
        const auto input = static_cast<std::size_t>(node.input);
        const bool good = input < values.size() && !(input < failed.size() && failed[input]);
        return finite(good ? values[input] : 0.0, good);
    }
    default:
        break;
    }
    // Every operand is evaluated whatever the others give, so each function takes every row.
    const Result a = evaluateNode(node.left, seconds, values, failed);
    const Result b = node.right >= 0 ? evaluateNode(node.right, seconds, values, failed) : Result{0, true};
    const bool both = a.good && b.good;
    switch (node.kind) {
    case Kind::Negate:
        return {-a.value, a.good};
    case Kind::Add:
        return finite(a.value + b.value, both);
    case Kind::Subtract:
        return finite(a.value - b.value, both);
    case Kind::Multiply:
        return finite(a.value * b.value, both);
    case Kind::Divide:
        return finite(b.value != 0.0 ? a.value / b.value : 0.0, both && b.value != 0.0);
    case Kind::Abs:
        return {std::abs(a.value), a.good};
    case Kind::Min:
        return {std::min(a.value, b.value), both};
    case Kind::Max:
        return {std::max(a.value, b.value), both};
    case Kind::Deriv:
        return finiteResult(takeDeriv(states_[node.state], a, seconds));
    case Kind::Integ:
        return finiteResult(takeInteg(states_[node.state], a, seconds));
    case Kind::Mavg:
        return finiteResult(takeWindow(states_[node.state], a, false));
    case Kind::Mrms:
        return finiteResult(takeWindow(states_[node.state], a, true));
    case Kind::Number:
    case Kind::Input:
        break;
    }
    return {0, false};
}
