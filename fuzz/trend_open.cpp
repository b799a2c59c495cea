// Arbitrary bytes read as a .trd file: the settings and data rows must be read or refused without
// touching memory outside the records and the rows, what is read must write back unchanged, and
// Open takes exactly the files whose settings and rows read, with those rows and settings and
// its cursor reading the last row.

#include "base/TextFile.h"
#include "trend/model/Cursor.h"
#include "trend/model/RunStart.h"
#include "trend/model/TrendFile.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const QStringList lines =
        textfile::splitLines(QByteArray(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(size)));
    auto opened = std::make_unique<TrendData>();
    const trendfile::OpenOutcome outcome = trendfile::openLines(lines, *opened);
    std::array<ChannelRecord, kChannels> channels{};
    if (!trendfile::readSettings(lines, channels)) {
        if (outcome != trendfile::OpenOutcome::SettingsRefused)
            std::abort();
        return 0;
    }
    (void)runstart::checkScales(channels);
    const auto rows = trendfile::readDataRows(lines);
    if (!rows || !trendfile::selectedScalesAreNumbers(channels)) {
        if (outcome != trendfile::OpenOutcome::Refused)
            std::abort();
        return 0;
    }
    if (rows->size() > std::size_t(kDisplayRowsCapacity) || outcome != trendfile::OpenOutcome::Opened ||
        opened->rowCount != static_cast<int>(rows->size()))
        std::abort();
    // Opened: the rows and settings as read, the cursor reading the last row.
    if (!std::equal(rows->begin(), rows->end(), opened->displayRows.begin()))
        std::abort();
    for (int c = 0; c < kChannels; ++c)
        if (opened->channels[c].addressOrName != channels[c].addressOrName ||
            opened->channels[c].fullScale != channels[c].fullScale || opened->channels[c].selected != channels[c].selected ||
            opened->channels[c].addressKind != channels[c].addressKind)
            std::abort();
    const std::optional<int> row = cursor::rowUnderCursor(cursor::positionOnLastRow(opened->rowCount), opened->rowCount);
    if (opened->rowCount > 0 ? row != opened->rowCount - 1 : row.has_value())
        std::abort();

    std::array<SampleRow, kDisplayRowsCapacity> display{};
    std::copy(rows->begin(), rows->end(), display.begin());
    const int count = static_cast<int>(rows->size());
    const QStringList written = trendfile::formatLines("fuzz.trd", channels, display, count);
    std::array<ChannelRecord, kChannels> again{};
    const auto rowsAgain = trendfile::readDataRows(written);
    if (!trendfile::readSettings(written, again) || !rowsAgain || *rowsAgain != *rows)
        std::abort();
    for (int c = 0; c < kChannels; ++c)
        if (again[c].selected != channels[c].selected || again[c].addressKind != channels[c].addressKind ||
            again[c].addressOrName != channels[c].addressOrName || again[c].fullScale != channels[c].fullScale)
            std::abort();
    return 0;
}
