#pragma once
// One polling pass of the Monitor: the seven sections read in order and their values placed next
// to the names. The reads come through a function, so the pass knows nothing of the port.

#include "monitor/MonitorLayout.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace monitor {

// Reads `words` words from `address` as signed values. False when the read failed.
using WordReader = std::function<bool(std::uint32_t address, int words, std::vector<int> &values)>;

enum class PassOutcome {
    Complete,
    ReadFailed,      // a read failed: the values of the sections before it stay, the rest keep theirs
    PointersMissing, // a pointer address is not a hexadecimal number (no super block read yet)
};

// Reads the values of `section` (for the pointer section, the word at each pointer address).
// Complete, ReadFailed, or PointersMissing when a pointer address is not a hexadecimal number.
PassOutcome readSection(const MonitorSection &section, const std::array<QString, 4> &pointerAddresses,
                        const WordReader &read, std::vector<int> &values);

// Places the values of `section` in its grid at the grid's cursor of this pass.
void placeSection(MonitorGrids &grids, GridCursors &cursors, const MonitorSection &section,
                  const std::vector<int> &values, bool decimal);

// Runs one pass over `table`. `sectionPlaced` (optional) hears the grid of each placed section.
PassOutcome runPollingPass(MonitorGrids &grids, const SectionTable &table,
                           const std::array<QString, 4> &pointerAddresses, bool decimal, const WordReader &read,
                           const std::function<void(Grid grid)> &sectionPlaced = {});

} // namespace monitor
