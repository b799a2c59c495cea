// Any bytes as a Monitor file: reading it never leaves the grids, every cell it gives is a run of
// at most eight characters without spaces, and the grids it leaves can be saved and read again.
#include "base/TextFile.h"
#include "monitor/MonitorFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QStringList lines =
        textfile::splitLines(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    const std::optional<monitor::MonitorSnapshot> snapshot = monitor::parseMonitorFile(lines);
    if (!snapshot)
        return 0;
    for (const auto &grid : snapshot->rows) {
        for (const QStringList &row : grid) {
            for (const QString &cell : row) {
                if (cell.isEmpty() || cell.size() > 8 || cell.contains(QLatin1Char(' ')))
                    __builtin_trap();
            }
        }
    }
    if (snapshot->formatKnown != !snapshot->formatCaption.isEmpty())
        __builtin_trap();

    monitor::MonitorGrids grids;
    monitor::applySnapshotCells(grids, *snapshot);
    const QByteArray saved = monitor::formatMonitorFile(QStringLiteral("f.mon"), snapshot->formatCaption, grids);
    const std::optional<monitor::MonitorSnapshot> again = monitor::parseMonitorFile(textfile::splitLines(saved));
    if (!again || again->formatCaption != snapshot->formatCaption)
        __builtin_trap();
    return 0;
}
