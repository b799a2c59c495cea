// Arbitrary bytes read as the units file "Units.txt": every line is either an entry or named as a
// problem (never both, never lost); every entry has a usable key and a finite, non-zero gain and a
// finite offset; the lookup by name finds each entry's own scale; and the file as the units dialog
// writes it reads back to the same entries, exactly, with no problem.

#include "base/TextFile.h"
#include "engineering/UnitsTable.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const QStringList lines =
        textfile::splitLines(QByteArray(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(size)));
    std::vector<UnitsProblem> problems;
    const UnitsTable table = UnitsTable::parse(lines, QStringLiteral("Units.txt"), &problems);
    if (table.entries().size() + problems.size() > static_cast<std::size_t>(lines.size()))
        std::abort();
    for (const UnitsProblem &problem : problems) {
        if (problem.line < 1 || problem.line > lines.size() || problem.reason.isEmpty())
            std::abort();
    }
    for (const UnitsEntry &entry : table.entries()) {
        if (!UnitsTable::isUsableKey(entry.key) || !std::isfinite(entry.scale.gain) || entry.scale.gain == 0
            || !std::isfinite(entry.scale.offset))
            std::abort();
        const UnitScale *found = table.findName(entry.key);
        if (found != &entry.scale)
            std::abort();
        for (const UnitsProblem &problem : problems) {
            if (problem.line == entry.line)
                std::abort();
        }
    }

    std::vector<UnitsProblem> again;
    const UnitsTable back =
        UnitsTable::parse(textfile::splitLines(textfile::joinLinesCrLf(table.toLines())), QStringLiteral("Units.txt"), &again);
    if (!again.empty() || back.entries().size() != table.entries().size())
        std::abort();
    for (std::size_t i = 0; i < back.entries().size(); ++i) {
        if (back.entries()[i].key != table.entries()[i].key || !(back.entries()[i].scale == table.entries()[i].scale))
            std::abort();
    }
    return 0;
}
