// Arbitrary bytes read as a .trd file: the settings and data rows must be read or refused without
// touching memory outside the records and the rows, what is read must write back unchanged, and
// Open takes exactly the files whose settings and rows read, with its cursor on a row it shows.

#include "base/TextFile.h"
#include "trend/Cursor.h"
#include "trend/RunStart.h"
#include "trend/TrendFile.h"

#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const QStringList lines =
        textfile::SplitLines(QByteArray(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(size)));
    auto opened = std::make_unique<TrendData>();
    const trendfile::OpenOutcome outcome = trendfile::OpenLines(lines, *opened);
    std::array<ChannelRecord, kChannels> channels{};
    if (!trendfile::ReadSettings(lines, channels)) {
        if (outcome != trendfile::OpenOutcome::SettingsRefused)
            std::abort();
        return 0;
    }
    (void)runstart::CheckScales(channels);
    const auto rows = trendfile::ReadDataRows(lines);
    if (!rows || !trendfile::SelectedScalesAreNumbers(channels)) {
        if (outcome != trendfile::OpenOutcome::Refused)
            std::abort();
        return 0;
    }
    if (rows->size() > std::size_t(kDisplayRowsCapacity) || outcome != trendfile::OpenOutcome::Opened ||
        opened->rowCount != static_cast<int>(rows->size()) ||
        opened->cursorX != cursor::PositionOnLastRow(opened->rowCount))
        std::abort();

    std::array<SampleRow, kDisplayRowsCapacity> display{};
    std::copy(rows->begin(), rows->end(), display.begin());
    const int count = static_cast<int>(rows->size());
    const QStringList written = trendfile::FormatLines("fuzz.trd", channels, display, count);
    std::array<ChannelRecord, kChannels> again{};
    const auto rowsAgain = trendfile::ReadDataRows(written);
    if (!trendfile::ReadSettings(written, again) || !rowsAgain || *rowsAgain != *rows)
        std::abort();
    for (int c = 0; c < kChannels; ++c)
        if (again[c].selected != channels[c].selected || again[c].addressKind != channels[c].addressKind ||
            again[c].addressOrName != channels[c].addressOrName || again[c].fullScale != channels[c].fullScale)
            std::abort();
    return 0;
}
