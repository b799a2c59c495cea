#pragma once
// The engineering values of a run, row by row: its read channels, each with the scale its value
// takes (none: the raw value, as a logic channel's 0 or 1), and the math channels over them. A row's
// raw readings go in (a value, or none where the read failed) with the row's time; out come every
// input's engineering value and the math channels' results. The Trend Graph and qmx-record both
// compute their rows through it, so an expression sees the same numbers in either.

#include "engineering/MathChannelSet.h"
#include "engineering/UnitsTable.h"

#include <QString>
#include <memory>
#include <optional>
#include <span>
#include <vector>

// A read channel as the math channels see it: its name and address, and its scale.
struct ScaledInput {
    MathInput input;
    std::optional<UnitScale> scale; // none: the raw value
};

class RunMath {
public:
    explicit RunMath(std::vector<ScaledInput> inputs = {});

    // Takes "NAME = EXPRESSION" over the inputs; see MathChannelSet::add.
    bool add(const QString &definition, QString *error = nullptr);

    const MathChannelSet &channels() const { return set_; }
    int inputCount() const { return static_cast<int>(scales_.size()); }
    // The scale of input `input`; none when its value is taken raw.
    const UnitScale *scale(int input) const;

    // One row: `raw` holds a reading per input (none: the read failed; missing ones count as
    // failed), `seconds` its time since the run's start. Scales the readings and computes the math
    // channels; returns their results (none without math channels), valid until the next row.
    std::span<const std::optional<double>> takeRow(double seconds, std::span<const std::optional<double>> raw);
    // The last row's engineering value of input `input`: scaled where it has a scale, else raw;
    // none where its read failed.
    std::optional<double> value(int input) const;
    std::span<const std::optional<double>> results() const { return results_; }
    // Forgets the rows seen: the next row is a new run's first.
    void reset();

private:
    std::vector<std::optional<UnitScale>> scales_;
    MathChannelSet set_;
    std::vector<double> values_;
    std::unique_ptr<bool[]> failed_;
    std::span<const std::optional<double>> results_;
};
