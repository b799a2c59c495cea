#pragma once
// qmx-record's engineering values: the units file (--units, else Units.txt beside the presets), the
// channels written scaled (--scaled, the CSV column headed "NAME [unit]") and the math channels
// (--math, a column each after the read channels), computed per pass from the pass's row on scaled
// values where a channel has a scale. They go into the pass's RecordRow as floats, so that every
// output (CSV, InfluxDB lines, JSON messages, a series of files) takes them from there. Without
// --scaled and --math the recording is as it always was. A value is kept in its engineering form
// (base/NumberText.h); none where a read failed or a math channel's result is empty.

#include "engineering/RunMath.h"
#include "engineering/UnitsTable.h"
#include "record/RecordRow.h"
#include "trend/model/TrendCsv.h"
#include "trend/model/TrendData.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace record {

struct EngineeringOptions {
    QString unitsFile;    // --units; empty: Units.txt beside the presets
    bool scaled = false;  // --scaled
    QStringList math;     // --math texts, in order
    bool changesRows() const { return scaled || !math.isEmpty(); }
};

// Takes arguments[i] when it is one of the engineering options (and its value, moving `i` past
// it). Returns false when it is none of them; sets `error` when it is one but cannot be taken.
bool takeEngineeringArgument(const QStringList &arguments, qsizetype &i, EngineeringOptions &options, QString *error);

class EngineeringColumns {
public:
    // The units of `options` and the math channels over the selected channels of `channels` (by
    // their column names and word addresses). Nothing, with `error` naming the argument, when the
    // units file named by --units cannot be read or a math channel is refused; the units file's bad
    // lines are added to `warnings`.
    static std::unique_ptr<EngineeringColumns> make(const EngineeringOptions &options, const TrendData &channels,
                                                    QStringList *warnings, QString *error);

    // The read channels' CSV columns (scaled ones "NAME [unit]", "NAME []" for a scale without a
    // unit) and the math channels' ("NAME (scaled inputs)" or "NAME (raw inputs)" when the run has
    // any scale, else "NAME"; see engineering/ColumnHeading.h).
    QStringList columns() const;
    // The same columns by their bare names, as InfluxDB fields and JSON keys name the values.
    QStringList valueNames() const;
    // One pass: the read channels' values of `row` (one per selected channel, whole numbers as
    // read) scaled where --scaled asks for it, and the math channels' results added after them.
    // Computes the math channels.
    void fillRow(RecordRow &row);
    // The math channels' results of the last row given to fillRow().
    std::span<const std::optional<double>> mathValues() const { return mathValues_; }
    const MathChannelSet &math() const { return math_.channels(); }

    // The scale of selected channel `index` (in the order of the columns); none for a logic channel
    // or a channel without an entry.
    const UnitScale *scale(int index) const { return math_.scale(index); }

private:
    EngineeringColumns() = default;

    bool scaled_ = false;
    QStringList readColumns_;
    QStringList readNames_;
    RunMath math_;                                // the selected channels with their scales
    std::vector<std::optional<double>> readings_; // a row's raw values, for math_
    std::vector<std::optional<double>> mathValues_;
};

} // namespace record
