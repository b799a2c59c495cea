#include "trend/model/MathChannelsFile.h"

#include "base/NumberText.h"
#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "engineering/MathChannelSet.h"
#include "trend/model/MathChannelsTexts.h"
#include "trend/model/TrendCsv.h"

#include <QFileInfo>
#include <cmath>

namespace mathchannels {

QString fileName() { return QStringLiteral("MathChannels.txt"); }
QString defaultPath() { return programfolder::filesPath() + fileName(); }

std::optional<double> parseFullScale(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value <= 0)
        return std::nullopt;
    return value;
}

QString fullScaleText(double fullScale)
{
    return numbertext::shortestText(fullScale, numbertext::WholeDigits::ZeroFilled);
}

namespace {

// What one line of the file is: a channel, a line not used (with the reason), or neither (a
// comment or a blank line).
struct LineReading {
    std::optional<MathChannelDefinition> channel;
    QString problem;
};

LineReading readLine(const QString &line)
{
    if (line.trimmed().isEmpty() || line.trimmed().startsWith(u'#'))
        return {};
    const qsizetype tab = line.indexOf(u'\t');
    if (tab < 0)
        return {std::nullopt, kMathLineNoTab};
    const QString fullScaleField = line.left(tab).trimmed();
    const std::optional<double> fullScale = parseFullScale(fullScaleField);
    if (!fullScale)
        return {std::nullopt, kMathLineFullScale.arg(fullScaleField)};
    const QString definition = line.mid(tab + 1).trimmed();
    if (definition.isEmpty())
        return {std::nullopt, kMathLineNoDefinition};
    if (definition.size() > MathExpression::kMaxLength)
        return {std::nullopt, kMathLineTooLong.arg(MathExpression::kMaxLength)};
    return {MathChannelDefinition{definition, *fullScale}, QString()};
}

// Each line's reading, the channels past the fourth turned into lines not used.
std::vector<LineReading> readLines(const QStringList &lines)
{
    std::vector<LineReading> readings;
    readings.reserve(static_cast<std::size_t>(lines.size()));
    int channels = 0;
    for (const QString &line : lines) {
        LineReading reading = readLine(line);
        if (reading.channel && ++channels > kMathChannels)
            reading = {std::nullopt, kMathLinePastLastChannel.arg(kMathChannels)};
        readings.push_back(std::move(reading));
    }
    return readings;
}

} // namespace

QString LineProblem::text() const { return kMathFileLineProblem.arg(fileName()).arg(line).arg(reason); }

MathChannelDefinitions parse(const QStringList &lines, std::vector<LineProblem> *problems)
{
    MathChannelDefinitions definitions;
    const std::vector<LineReading> readings = readLines(lines);
    for (std::size_t i = 0; i < readings.size(); ++i) {
        if (readings[i].channel)
            definitions.push_back(*readings[i].channel);
        else if (!readings[i].problem.isEmpty() && problems)
            problems->push_back({static_cast<int>(i) + 1, readings[i].problem});
    }
    return definitions;
}

QStringList toLines(const MathChannelDefinitions &definitions)
{
    QStringList lines{kMathChannelsHeading};
    for (const MathChannelDefinition &d : definitions)
        lines << fullScaleText(d.fullScale) + u'\t' + d.definition;
    return lines;
}

QStringList mergedLines(const QStringList &fileLines, const MathChannelDefinitions &definitions)
{
    if (fileLines.isEmpty())
        return toLines(definitions);
    const std::vector<LineReading> readings = readLines(fileLines);
    const auto lineOf = [](const MathChannelDefinition &d) { return fullScaleText(d.fullScale) + u'\t' + d.definition; };
    QStringList merged;
    std::size_t next = 0;
    qsizetype afterLastChannel = -1;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        if (!readings[i].channel) {
            merged << fileLines[static_cast<qsizetype>(i)];
            continue;
        }
        if (next < definitions.size()) {
            const MathChannelDefinition &d = definitions[next++];
            merged << (d == *readings[i].channel ? fileLines[static_cast<qsizetype>(i)] : lineOf(d));
        }
        afterLastChannel = merged.size();
    }
    QStringList more;
    for (; next < definitions.size(); ++next)
        more << lineOf(definitions[next]);
    if (afterLastChannel < 0)
        afterLastChannel = merged.size();
    for (qsizetype k = 0; k < more.size(); ++k)
        merged.insert(afterLastChannel + k, more[k]);
    return merged;
}

MathChannelDefinitions read(const QString &path, QString *error, std::vector<LineProblem> *problems)
{
    if (!QFileInfo::exists(path))
        return {};
    const std::optional<QStringList> lines = textfile::readLines(path, error);
    return lines ? parse(*lines, problems) : MathChannelDefinitions{};
}

bool write(const QString &path, const MathChannelDefinitions &definitions, QString *error)
{
    QStringList fileLines;
    if (QFileInfo::exists(path)) {
        const std::optional<QStringList> lines = textfile::readLines(path, error);
        if (!lines)
            return false;
        fileLines = *lines;
    }
    return textfile::writeAtomically(path, textfile::joinLinesCrLf(mergedLines(fileLines, definitions)), error);
}

std::vector<MathInput> inputsOf(const std::array<ChannelRecord, kChannels> &channels,
                                const std::array<std::optional<std::uint32_t>, kChannels> &addresses)
{
    std::vector<MathInput> inputs;
    for (int c = 0; c < kChannels; ++c) {
        const auto i = static_cast<std::size_t>(c);
        if (channels[i].selected)
            inputs.push_back({trendcsv::columnName(channels[i], c), addresses[i]});
    }
    return inputs;
}

std::vector<MathInput> typedInputs(const std::array<ChannelRecord, kChannels> &channels)
{
    std::array<std::optional<std::uint32_t>, kChannels> addresses{};
    for (std::size_t c = 0; c < channels.size(); ++c) {
        bool ok = false;
        const std::uint32_t address = channels[c].addressOrName.toUInt(&ok, 16);
        if (channels[c].addressKind == AddressKind::Address && ok)
            addresses[c] = address;
    }
    return inputsOf(channels, addresses);
}

std::optional<QString> refusal(const MathChannelDefinitions &definitions, const std::vector<MathInput> &inputs)
{
    MathChannelSet set(inputs);
    for (std::size_t i = 0; i < definitions.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        if (!std::isfinite(definitions[i].fullScale) || definitions[i].fullScale <= 0)
            return kMathFullScaleRefused.arg(number).arg(definitions[i].fullScale);
        QString error;
        if (!set.add(definitions[i].definition, &error))
            return kMathChannelRefused.arg(number).arg(error);
    }
    return std::nullopt;
}

} // namespace mathchannels
