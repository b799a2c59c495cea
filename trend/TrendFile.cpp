#include "trend/TrendFile.h"

#include "trend/Cursor.h"
#include "trend/Presets.h"
#include "trend/RunStart.h"
#include "trend/TrendReadout.h"

#include <algorithm>

namespace trendfile {

namespace {

constexpr int kFirstSettingLine = 4; // zero-based index of file line 5
constexpr int kFirstDataLine = 20;   // zero-based index of file line 21
const QString kEndLine = QStringLiteral("END");

QString LineAt(const QStringList &lines, int index)
{
    return index < lines.size() ? lines.at(index) : QString();
}

} // namespace

QString SettingLine(int channel, const ChannelRecord &record)
{
    return QStringLiteral("%1, %2,  %3,  %4,%5,")
        .arg(channel, 2, 10, QLatin1Char('0'))
        .arg(presets::SelectionText(record.selected), presets::AddressKindText(record.addressKind), record.addressOrName.rightJustified(6), record.fullScale.rightJustified(5));
}

QString DataLine(const SampleRow &row)
{
    QString line;
    for (int c = 0; c < kChannels; ++c) {
        const QString value = QString::number(row[c]);
        line += c < kAnalogChannels ? value.rightJustified(6) : QStringLiteral("  ") + value;
        line += QLatin1Char(',');
    }
    return line;
}

QStringList FormatLines(const QString &fileName, const std::array<ChannelRecord, kChannels> &channels,
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
        lines << SettingLine(c, channels[c]);
    lines << QStringLiteral("Data List")
          << QStringLiteral("Ch0,Ch1,Ch2,Ch3,Ch4,Ch5,Ch6,Ch7,Ch8,Ch9,Ch10,Ch11,Ch12,Ch13");
    for (int k = 0; k < count; ++k)
        lines << DataLine(rows[k]);
    lines << kEndLine;
    return lines;
}

QString TakeField(QString &line)
{
    const qsizetype comma = line.indexOf(QLatin1Char(','));
    if (comma < 0)
        return {};
    QString field = line.left(comma);
    line.remove(0, comma + 1);
    field.remove(QLatin1Char(' '));
    return field;
}

bool ReadSettings(const QStringList &lines, std::array<ChannelRecord, kChannels> &channels)
{
    for (int c = 0; c < kChannels; ++c) {
        QString line = LineAt(lines, kFirstSettingLine + c);
        if (presets::ParseDecimal(TakeField(line)) != c)
            return false;
        const std::optional<bool> selected = presets::ParseSelection(TakeField(line));
        if (!selected)
            return false;
        channels[c].selected = *selected;
        const std::optional<AddressKind> kind = presets::ParseAddressKind(TakeField(line));
        if (!kind)
            return false;
        channels[c].addressKind = *kind;
        channels[c].addressOrName = TakeField(line);
        channels[c].fullScale = TakeField(line);
    }
    return true;
}

std::optional<std::vector<SampleRow>> ReadDataRows(const QStringList &lines)
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
            const auto value = presets::ParseDecimal(TakeField(line));
            if (!value || values == kChannels)
                return std::nullopt;
            row[values++] = *value;
        }
        if (values != kChannels)
            return std::nullopt;
        rows.push_back(row);
    }
}

OpenOutcome OpenLines(const QStringList &lines, TrendData &data)
{
    std::array<ChannelRecord, kChannels> settings = data.channels;
    if (!ReadSettings(lines, settings)) {
        data.channels = settings;
        return OpenOutcome::SettingsRefused;
    }
    const auto rows = ReadDataRows(lines);
    if (!rows || !SelectedScalesAreNumbers(settings))
        return OpenOutcome::Refused;
    data.channels = settings;
    std::copy(rows->begin(), rows->end(), data.displayRows.begin());
    data.rowCount = static_cast<int>(rows->size());
    readout::ForgetDisplayRowInfo(data);
    runstart::BuildSelection(data);
    data.cursorX = cursor::PositionOnLastRow(data.rowCount);
    return OpenOutcome::Opened;
}

bool SelectedScalesAreNumbers(const std::array<ChannelRecord, kChannels> &channels)
{
    return std::all_of(channels.begin(), channels.end(), [](const ChannelRecord &record) {
        return !record.selected || presets::ParseDecimal(record.fullScale).has_value();
    });
}

} // namespace trendfile
