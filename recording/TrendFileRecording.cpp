#include "recording/TrendFileRecording.h"

#include "base/TextFile.h"
#include "trend/model/TrendCsv.h"
#include "trend/model/TrendFile.h"

namespace recording {

namespace {

constexpr std::int64_t kRowSpacingMs = 1000;

} // namespace

ReadResult readTrendFile(const QString &path)
{
    ReadResult result;
    QString error;
    const std::optional<QStringList> lines = textfile::readLines(path, &error);
    if (!lines) {
        result.error = QStringLiteral("%1: %2").arg(path, error);
        return result;
    }
    std::array<ChannelRecord, kChannels> channels{};
    if (!trendfile::readSettings(*lines, channels)) {
        result.error = QStringLiteral("%1: lines 5 to 18: expected the 14 channel settings of a trend file").arg(path);
        return result;
    }
    const std::optional<std::vector<SampleRow>> rows = trendfile::readDataRows(*lines);
    if (!rows) {
        result.error = QStringLiteral("%1: from line 21: expected rows of 14 whole numbers, each followed by a "
                                      "comma, up to the line END")
                           .arg(path);
        return result;
    }
    RecordingData data;
    data.path = path;
    for (int c = 0; c < kChannels; ++c) {
        const ChannelRecord &record = channels[static_cast<std::size_t>(c)];
        if (!record.selected)
            continue;
        RecordingChannel channel;
        channel.name = trendcsv::columnName(record, c);
        channel.logic = c >= kAnalogChannels;
        channel.colourIndex = c;
        for (const SampleRow &row : *rows)
            channel.append(row[static_cast<std::size_t>(c)], true);
        data.channels.push_back(std::move(channel));
    }
    for (std::size_t row = 0; row < rows->size(); ++row)
        data.timesMs.push_back(static_cast<std::int64_t>(row) * kRowSpacingMs);
    data.hasTimes = false;
    data.notes << QStringLiteral("a .trd file holds no times: its rows are drawn a second apart");
    result.data = std::move(data);
    return result;
}

} // namespace recording
