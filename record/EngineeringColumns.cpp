#include "record/EngineeringColumns.h"

#include "record/EngineeringTexts.h"
#include "record/RecordTexts.h"

#include <QFileInfo>
#include <charconv>
#include <cmath>

namespace record {

namespace {

// An engineering value to the 10 significant digits it is written with: every output carries the
// number the CSV cell shows, not the float noise of a gain such as 0.1.
double toWrittenPrecision(double value)
{
    if (!std::isfinite(value))
        return value;
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 10);
    double rounded = value;
    std::from_chars(text, written.ptr, rounded);
    return rounded;
}

} // namespace

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
    columns->units_ = UnitsTable::read(unitsPath, &problems, &readError);
    if (!readError.isEmpty()) {
        *error = kUnitsUnreadable.arg(unitsPath, readError);
        return nullptr;
    }
    for (const UnitsProblem &problem : problems)
        warnings->append(problem.text());

    std::vector<MathInput> inputs;
    for (int c : channels.selectedChannels) {
        const ChannelRecord &record = channels.channels[static_cast<std::size_t>(c)];
        const QString column = trendcsv::columnName(record, c);
        const std::uint32_t address = channels.channelAddress[static_cast<std::size_t>(c)];
        const UnitScale *scale = nullptr;
        // A logic channel is a bit, 0 or 1: it takes no scale.
        if (c < kAnalogChannels)
            scale = columns->units_.find(record.addressKind == AddressKind::Name ? record.addressOrName : QString(), address);
        columns->scales_.push_back(scale);
        columns->readNames_.append(column);
        columns->readColumns_.append(columns->scaled_ && scale && !scale->unit.isEmpty()
                                         ? column + QStringLiteral(" [") + scale->unit + u']'
                                         : column);
        inputs.push_back(MathInput{column, address});
    }
    columns->math_ = MathChannelSet(std::move(inputs));
    for (const QString &definition : options.math) {
        QString mathError;
        if (!columns->math_.add(definition, &mathError)) {
            *error = kMathArgument.arg(mathError);
            return nullptr;
        }
    }
    columns->inputValues_.assign(columns->scales_.size(), 0.0);
    columns->inputFailed_.reset(new bool[columns->scales_.size() + 1]());
    return columns;
}

QStringList EngineeringColumns::columns() const
{
    QStringList all = readColumns_;
    for (int m = 0; m < math_.size(); ++m)
        all.append(math_.name(m));
    return all;
}

QStringList EngineeringColumns::valueNames() const
{
    QStringList all = readNames_;
    for (int m = 0; m < math_.size(); ++m)
        all.append(math_.name(m));
    return all;
}

void EngineeringColumns::fillRow(RecordRow &row)
{
    const std::size_t count = scales_.size();
    row.values.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::optional<ChannelValue> &value = row.values[i];
        const UnitScale *scale = scales_[i];
        inputFailed_[i] = !value;
        if (!value) {
            inputValues_[i] = 0.0;
            continue;
        }
        const auto raw = static_cast<double>(std::get<std::int64_t>(*value));
        inputValues_[i] = scale ? scale->apply(raw) : raw;
        if (scaled_ && scale)
            value = ChannelValue(toWrittenPrecision(inputValues_[i]));
    }
    if (math_.isEmpty())
        return;
    const auto results = math_.evaluate(row.seconds.value_or(0.0), inputValues_,
                                        std::span<const bool>(inputFailed_.get(), count));
    mathValues_.clear();
    for (const std::optional<double> &result : results) {
        mathValues_.push_back(result ? std::optional<double>(toWrittenPrecision(*result)) : std::nullopt);
        row.values.push_back(mathValues_.back() ? std::optional<ChannelValue>(*mathValues_.back()) : std::nullopt);
    }
}

} // namespace record
