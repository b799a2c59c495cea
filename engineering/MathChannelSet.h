#pragma once
// The math channels of a run: up to four, each "NAME = EXPRESSION" over the run's channels (see
// MathExpression for the language), computed after each pass from that pass's row, in the order
// they were given. The Trend Graph and qmx-record hand it the run's channels once and every row
// after; the values they hand in are the ones the expression should see (scaled where the channel
// has a scale), so the set knows nothing of units.

#include "engineering/MathExpression.h"

#include <QString>
#include <optional>
#include <span>
#include <vector>

class MathChannelSet {
public:
    static constexpr int kMaxChannels = 4;

    explicit MathChannelSet(std::vector<MathInput> inputs = {});

    // Takes "NAME = EXPRESSION". False, with `error` saying what is wrong and where ("slip =
    // SpdRef - : expected a channel, a number, a function or \"(\" at position 17", the position
    // counting from 1), when it cannot be taken: a fault in it, a name already a channel's or a
    // math channel's, or a fifth channel.
    bool add(const QString &definition, QString *error = nullptr);
    // The same, with the fault's position (from 0) in the definition.
    bool add(const QString &definition, MathFault *fault);

    int size() const { return static_cast<int>(channels_.size()); }
    bool isEmpty() const { return channels_.empty(); }
    const QString &name(int channel) const { return channels_[channel].name; }
    const QString &definition(int channel) const { return channels_[channel].definition; }
    const std::vector<MathInput> &inputs() const { return inputs_; }
    // The index of the math channel called `name`; -1 when there is none.
    int indexOf(const QString &name) const;
    // The inputs any channel uses, each once, in order.
    std::vector<int> inputsUsed() const;
    // The inputs channel `channel` uses, each once, in order.
    std::vector<int> inputsUsedBy(int channel) const { return channels_[channel].expression.inputsUsed(); }

    // One row: its time in seconds, every input's value and which inputs failed (as many as
    // inputs(); missing ones count as failed). Returns each channel's result, empty where it is; the
    // span stays valid until the next call.
    std::span<const std::optional<double>> evaluate(double seconds, std::span<const double> values,
                                                    std::span<const bool> failed);
    // Forgets the rows seen: the next row is a new run's first.
    void reset();

private:
    struct Channel {
        QString name;
        QString definition;
        MathExpression expression;
    };
    std::vector<MathInput> inputs_;
    std::vector<Channel> channels_;
    std::vector<std::optional<double>> results_;
};
