#include "trend/model/TrendFile.h"

#include "trend/model/Presets.h"
#include "trend/model/RunStart.h"
#include "trend/model/RingRows.h"

#include <algorithm>

namespace trendfile {

namespace {

constexpr int kFirstSettingLine = 4; // zero-based index of file line 5
constexpr int kFirstDataLine = 20;   // zero-based index of file line 21
const QString kEndLine = QStringLiteral("END");

QString lineAt(const QStringList &lines, int index)
{
    return index < lines.size() ? lines.at(index) : QString();
}

} // namespace

QString settingLine(int channel, const ChannelRecord &record)
{
    return QStringLiteral("%1, %2,  %3,  %4,%5,")
        .arg(channel, 2, 10, QLatin1Char('0'))
        .arg(presets::selectionText(record.selected), presets::addressKindText(record.addressKind), record.addressOrName.rightJustified(6), record.fullScale.rightJustified(5));
}

QString dataLine(const SampleRow &row)
{
    QString line;
    for (int c = 0; c < kChannels; ++c) {
        const QString value = QString::number(row[c]);
        line += c < kAnalogChannels ? value.rightJustified(6) : QStringLiteral("  ") + value;
        line += QLatin1Char(',');
    }
    return line;
}

QStringList formatLines(const QString &fileName, const std::array<ChannelRecord, kChannels> &channels,
                        const std::array<SampleRow, kDisplayRowsCapacity> &rows, int dataNumbers)
{
    const int count = std::clamp(dataNumbers, 0, kDisplayRowsCapacity);
    QStringList lines;
    lines.reserve(21 + count);
    lines << QStringLiteral("File Name    = ") + fileName
          << QStringLiteral("Data Numbers = ") + QString::number(count)
          << QStringLiteral("------- Setting List -------")
          << QStringLiteral("Ch Sel A/L AdrsChar FullScale");
    for (int c = 0; c < kChannels; ++c)
        lines << settingLine(c, channels[c]);
    lines << QStringLiteral("Data List")
          << QStringLiteral("Ch0,Ch1,Ch2,Ch3,Ch4,Ch5,Ch6,Ch7,Ch8,Ch9,Ch10,Ch11,Ch12,Ch13");
    for (int k = 0; k < count; ++k)
        lines << dataLine(rows[k]);
    lines << kEndLine;
    return lines;
}

QString takeField(QString &line)
{
    const qsizetype comma = line.indexOf(QLatin1Char(','));
    if (comma < 0)
        return {};
    QString field = line.left(comma);
    line.remove(0, comma + 1);
    field.remove(QLatin1Char(' '));
    return field;
}

bool readSettings(const QStringList &lines, std::array<ChannelRecord, kChannels> &channels)
{
    for (int c = 0; c < kChannels; ++c) {
        QString line = lineAt(lines, kFirstSettingLine + c);
        if (presets::parseDecimal(takeField(line)) != c)
            return false;
        const std::optional<bool> selected = presets::parseSelection(takeField(line));
        if (!selected)
            return false;
        channels[c].selected = *selected;
        const std::optional<AddressKind> kind = presets::parseAddressKind(takeField(line));
        if (!kind)
            return false;
        channels[c].addressKind = *kind;
        channels[c].addressOrName = takeField(line);
        channels[c].fullScale = takeField(line);
    }
    return true;
}

std::optional<std::vector<SampleRow>> readDataRows(const QStringList &lines)
{
    std::vector<SampleRow> rows;
    for (int index = kFirstDataLine;; ++index) {
        if (index >= lines.size())
            return std::nullopt; // the file ended before "END"
        QString line = lines.at(index);
        if (line == kEndLine)
            return rows;
        if (static_cast<int>(rows.size()) == kDisplayRowsCapacity)
            return std::nullopt;
        SampleRow row{};
        int values = 0;
        while (!line.isEmpty()) {
            if (!line.contains(QLatin1Char(','))) {
                // What follows the last comma may only be spaces; anything else is a value that
                // lacks its comma.
                if (line.count(QLatin1Char(' ')) != line.size())
                    return std::nullopt;
                break;
            }
            const auto value = presets::parseDecimal(takeField(line));
            if (!value || values == kChannels)
                return std::nullopt;
            row[values++] = *value;
        }
        if (values != kChannels)
            return std::nullopt;
        rows.push_back(row);
    }
}

OpenOutcome openLines(const QStringList &lines, TrendData &data)
{
    std::array<ChannelRecord, kChannels> settings = data.channels;
    if (!readSettings(lines, settings)) {
        data.channels = settings;
        return OpenOutcome::SettingsRefused;
    }
    const auto rows = readDataRows(lines);
    if (!rows || !selectedScalesAreNumbers(settings))
        return OpenOutcome::Refused;
    data.channels = settings;
    std::copy(rows->begin(), rows->end(), data.displayRows.begin());
    data.rowCount = static_cast<int>(rows->size());
    ringrows::forgetDisplayRowInfo(data);
    runstart::buildSelection(data);
    return OpenOutcome::Opened;
}

bool selectedScalesAreNumbers(const std::array<ChannelRecord, kChannels> &channels)
{
    return std::all_of(channels.begin(), channels.end(), [](const ChannelRecord &record) {
        return !record.selected || presets::parseDecimal(record.fullScale).has_value();
    });
}

} // namespace trendfile
