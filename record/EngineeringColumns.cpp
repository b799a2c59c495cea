#include "record/EngineeringColumns.h"

#include "record/EngineeringTexts.h"
#include "record/RecordTexts.h"

#include <QFileInfo>

namespace record {

namespace {

QByteArray numberCell(double value) { return QByteArray::number(value, 'g', 10); }

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

QByteArray EngineeringColumns::cells(const trendcsv::Row &row)
{
    QByteArray text;
    const std::size_t count = scales_.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::optional<std::int32_t> raw = i < row.values.size() ? row.values[i] : std::nullopt;
        const UnitScale *scale = scales_[i];
        inputFailed_[i] = !raw;
        inputValues_[i] = raw ? (scale ? scale->apply(*raw) : double(*raw)) : 0.0;
        text += ',';
        if (!raw)
            continue;
        text += scaled_ && scale ? numberCell(inputValues_[i]) : QByteArray::number(*raw);
    }
    if (math_.isEmpty())
        return text;
    const auto results = math_.evaluate(row.seconds.value_or(0.0), inputValues_,
                                        std::span<const bool>(inputFailed_.get(), count));
    mathValues_.assign(results.begin(), results.end());
    for (const std::optional<double> &result : results) {
        text += ',';
        if (result)
            text += numberCell(*result);
    }
    return text;
}

QByteArray EngineeringColumns::rowLine(const trendcsv::Row &row, const QByteArray &cells)
{
    trendcsv::Row timeOnly;
    timeOnly.time = row.time;
    timeOnly.seconds = row.seconds;
    QByteArray line = trendcsv::rowLine(timeOnly);
    // The line end stays last; the cells go before it.
    line.insert(line.size() - 2, cells);
    return line;
}

} // namespace record
