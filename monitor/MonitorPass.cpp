#include "monitor/MonitorPass.h"

namespace monitor {

namespace {

PassOutcome readPointerWords(const std::array<QString, 4> &pointerAddresses, const WordReader &read,
                             std::vector<int> &values)
{
    values.clear();
    std::vector<int> one;
    for (const QString &text : pointerAddresses) {
        bool ok = false;
        const std::uint32_t address = text.toUInt(&ok, 16);
        if (!ok)
            return PassOutcome::PointersMissing;
        if (!read(address, 1, one) || one.size() != 1)
            return PassOutcome::ReadFailed;
        values.push_back(one.front());
    }
    return PassOutcome::Complete;
}

} // namespace

PassOutcome readSection(const MonitorSection &section, const std::array<QString, 4> &pointerAddresses,
                        const WordReader &read, std::vector<int> &values)
{
    if (section.source == SectionSource::Pointers)
        return readPointerWords(pointerAddresses, read, values);
    values.clear();
    if (!read(section.start, section.words, values) || values.size() != static_cast<std::size_t>(section.words))
        return PassOutcome::ReadFailed;
    return PassOutcome::Complete;
}

void placeSection(MonitorGrids &grids, GridCursors &cursors, const MonitorSection &section,
                  const std::vector<int> &values, bool decimal)
{
    placeSectionValues(grids.grid(section.grid), cursors[gridIndex(section.grid)], values, decimal,
                       wrapRuleOfGrid(section.grid));
}

PassOutcome runPollingPass(MonitorGrids &grids, const SectionTable &table,
                           const std::array<QString, 4> &pointerAddresses, bool decimal, const WordReader &read,
                           const std::function<void(Grid grid)> &sectionPlaced)
{
    GridCursors cursors{};
    std::vector<int> values;
    for (const MonitorSection &section : table) {
        const PassOutcome outcome = readSection(section, pointerAddresses, read, values);
        if (outcome != PassOutcome::Complete)
            return outcome;
        placeSection(grids, cursors, section, values, decimal);
        if (sectionPlaced)
            sectionPlaced(section.grid);
    }
    return PassOutcome::Complete;
}

} // namespace monitor
