#include "trend/MathChannelsFile.h"

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "engineering/MathChannelSet.h"
#include "trend/MathChannelsTexts.h"
#include "trend/TrendCsv.h"

#include <QFileInfo>
#include <QLocale>
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

QString fullScaleText(double fullScale) { return QString::number(fullScale, 'g', QLocale::FloatingPointShortest); }

MathChannelDefinitions parse(const QStringList &lines)
{
    MathChannelDefinitions definitions;
    for (const QString &line : lines) {
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(u'#'))
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        if (tab < 0)
            continue;
        const std::optional<double> fullScale = parseFullScale(line.left(tab));
        const QString definition = line.mid(tab + 1).trimmed();
        if (!fullScale || definition.isEmpty() || definition.size() > MathExpression::kMaxLength)
            continue;
        if (static_cast<int>(definitions.size()) >= kMathChannels)
            break;
        definitions.push_back({definition, *fullScale});
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

MathChannelDefinitions read(const QString &path, QString *error)
{
    if (!QFileInfo::exists(path))
        return {};
    const std::optional<QStringList> lines = textfile::readLines(path, error);
    return lines ? parse(*lines) : MathChannelDefinitions{};
}

bool write(const QString &path, const MathChannelDefinitions &definitions, QString *error)
{
    return textfile::writeAtomically(path, textfile::joinLinesCrLf(toLines(definitions)), error);
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
