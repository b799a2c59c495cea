#include "record/EngineeringColumns.h"

#include "base/NumberText.h"
#include "engineering/ColumnHeading.h"
#include "record/EngineeringTexts.h"
#include "record/RecordTexts.h"
#include "trend/model/RunScales.h"

#include <QFileInfo>
#include <algorithm>

namespace record {

bool takeEngineeringArgument(const QStringList &arguments, qsizetype &i, EngineeringOptions &options, QString *error)
{
    const QString &arg = arguments[i];
    if (arg == QLatin1String("--scaled")) {
        options.scaled = true;
        return true;
    }
    if (arg != QLatin1String("--units") && arg != QLatin1String("--math"))
        return false;
    if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
        *error = kValueMissing.arg(arg);
        return true;
    }
    const QString value = arguments[++i];
    if (arg == QLatin1String("--units"))
        options.unitsFile = value;
    else
        options.math.append(value);
    return true;
}

std::unique_ptr<EngineeringColumns> EngineeringColumns::make(const EngineeringOptions &options,
                                                             const TrendData &channels, QStringList *warnings,
                                                             QString *error)
{
    std::unique_ptr<EngineeringColumns> columns(new EngineeringColumns);
    columns->scaled_ = options.scaled;
    const QString unitsPath = options.unitsFile.isEmpty() ? UnitsTable::defaultPath() : options.unitsFile;
    // A file named on the command line must be there; the default one is there once units are set.
    if (!options.unitsFile.isEmpty() && !QFileInfo::exists(unitsPath)) {
        *error = kUnitsUnreadable.arg(unitsPath, QStringLiteral("no such file"));
        return nullptr;
    }
    std::vector<UnitsProblem> problems;
    QString readError;
    const UnitsTable units = UnitsTable::read(unitsPath, &problems, &readError);
    if (!readError.isEmpty()) {
        *error = kUnitsUnreadable.arg(unitsPath, readError);
        return nullptr;
    }
    for (const UnitsProblem &problem : problems)
        warnings->append(problem.text());

    columns->math_ = RunMath(runscales::scaledInputs(&units, channels));
    const QStringList names = trendcsv::selectedColumns(channels);
    for (int i = 0; i < columns->math_.inputCount(); ++i) {
        const QString &column = names[i];
        const UnitScale *scale = columns->math_.scale(i);
        columns->readNames_.append(column);
        // "NAME []" for a scale without a unit: the cells are engineering values all the same.
        columns->readColumns_.append(columns->scaled_ && scale ? columnheading::scaledColumn(column, scale->unit)
                                                               : column);
    }
    for (const QString &definition : options.math) {
        QString mathError;
        if (!columns->math_.add(definition, &mathError)) {
            *error = kMathArgument.arg(mathError);
            return nullptr;
        }
    }
    columns->readings_.assign(static_cast<std::size_t>(columns->math_.inputCount()), std::nullopt);
    return columns;
}

QStringList EngineeringColumns::columns() const
{
    QStringList all = readColumns_;
    bool runHasScales = false;
    for (int i = 0; i < math_.inputCount(); ++i)
        runHasScales = runHasScales || math_.scale(i) != nullptr;
    for (int m = 0; m < math_.channels().size(); ++m) {
        const std::vector<int> used = math_.channels().inputsUsedBy(m);
        const bool usesScaled = std::any_of(used.begin(), used.end(), [this](int input) { return input < math_.inputCount() && math_.scale(input); });
        all.append(columnheading::mathColumn(math_.channels().name(m), columnheading::mathInputs(runHasScales, usesScaled)));
    }
    return all;
}

QStringList EngineeringColumns::valueNames() const
{
    QStringList all = readNames_;
    for (int m = 0; m < math_.channels().size(); ++m)
        all.append(math_.channels().name(m));
    return all;
}

void EngineeringColumns::fillRow(RecordRow &row)
{
    const std::size_t count = readings_.size();
    row.values.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::optional<ChannelValue> &value = row.values[i];
        readings_[i] = value ? std::optional<double>(static_cast<double>(std::get<std::int64_t>(*value))) : std::nullopt;
    }
    const auto results = math_.takeRow(row.seconds.value_or(0.0), readings_);
    if (scaled_) {
        for (std::size_t i = 0; i < count; ++i) {
            if (row.values[i] && math_.scale(static_cast<int>(i)))
                row.values[i] = ChannelValue(numbertext::engineeringValue(*math_.value(static_cast<int>(i))));
        }
    }
    if (math_.channels().isEmpty())
        return;
    mathValues_.clear();
    for (const std::optional<double> &result : results) {
        mathValues_.push_back(result ? std::optional<double>(numbertext::engineeringValue(*result))
                                     : std::nullopt);
        row.values.push_back(mathValues_.back() ? std::optional<ChannelValue>(*mathValues_.back()) : std::nullopt);
    }
}

} // namespace record
