#include "monitor/MonitorValues.h"

#include "monitor/MonitorPass.h"
#include "monitor/MonitorTexts.h"

#include <algorithm>

using namespace monitor;

MonitorValues::MonitorValues(const QStringList &variableList, QObject *parent) : QObject(parent)
{
    MonitorLayout layout = layOutNames(variableList);
    grids_ = std::move(layout.grids);
    dioCount_ = layout.dioCount;
    superBlockOutputCount_ = layout.superBlockOutputCount;
    sections_ = makeSectionTable(dioCount_, superBlockOutputCount_);
    lastValues_.assign(sections_.size(), std::nullopt);
    valueFormat_ = kDec;
}

bool MonitorValues::anyStale() const
{
    return std::any_of(sectionStale_.begin(), sectionStale_.end(), [](bool stale) { return stale; });
}

void MonitorValues::setValueFormat(const QString &format)
{
    valueFormat_ = format;
    emit valueFormatChanged(format);
}

void MonitorValues::toggleNumberBase()
{
    setValueFormat(valueFormat_ == kDec ? kHex : kDec);
    // The rest of a pass on its way is placed in the new base too.
    passDecimal_ = valueFormat_ == kDec;
    placeLastValues();
}

void MonitorValues::placeLastValues()
{
    const bool everySectionRead =
        std::all_of(lastValues_.begin(), lastValues_.end(), [](const auto &values) { return values.has_value(); });
    if (lastValues_.empty() || !everySectionRead)
        return;
    GridCursors cursors{};
    for (std::size_t s = 0; s < sections_.size(); ++s)
        placeSection(grids_, cursors, sections_[s], *lastValues_[s], passDecimal_);
    for (const Grid grid : kGrids)
        emit gridChanged(grid);
}

void MonitorValues::takeSection(const SectionResult &result)
{
    if (result.section == 0) {
        passCursors_ = {};
        passDecimal_ = valueFormat_ == kDec;
    }
    switch (result.outcome) {
    case PassOutcome::Complete: {
        const auto index = static_cast<std::size_t>(result.section);
        const MonitorSection &section = sections_[index];
        const GridCursor from = passCursors_[gridIndex(section.grid)];
        placeSection(grids_, passCursors_, section, result.values, passDecimal_);
        sectionCells_[index] = {from, passCursors_[gridIndex(section.grid)]};
        lastValues_[index] = result.values;
        emit gridChanged(section.grid);
        markSectionStale(result.section, false);
        break;
    }
    case PassOutcome::ReadFailed:
        // Only this pass ends; the link thread begins the next one from the first section. What
        // this pass did not refresh is stale until a pass refreshes it.
        for (int s = result.section; s < static_cast<int>(sections_.size()); ++s)
            markSectionStale(s, true);
        break;
    case PassOutcome::PointersMissing:
        break;
    }
}

void MonitorValues::markSectionStale(int section, bool stale)
{
    const auto index = static_cast<std::size_t>(section);
    if (sectionStale_[index] == stale || !sectionCells_[index])
        return;
    sectionStale_[index] = stale;
    const auto &[from, to] = *sectionCells_[index];
    emit staleChanged(sections_[index].grid, from, to, stale);
}

void MonitorValues::showSnapshot(const MonitorSnapshot &snapshot)
{
    setValueFormat(snapshot.formatCaption);
    applySnapshotCells(grids_, snapshot);
    lastValues_.assign(sections_.size(), std::nullopt);
    for (const Grid grid : kGrids)
        emit gridChanged(grid);
}
