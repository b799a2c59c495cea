#pragma once
// The Monitor's polling as the link thread runs it: passes back to back over the section table,
// each section's values handed to the window as soon as they are read, so the grids fill section
// by section while the next read is on the wire.

#include "link/ExchangeStats.h"
#include "link/LineKeeper.h"
#include "link/LinkThread.h"
#include "monitor/MonitorPass.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

namespace monitor {

// One section read (Complete, with its values), or the end of a pass at a section that failed.
struct SectionResult {
    int section = 0;
    PassOutcome outcome = PassOutcome::Complete;
    std::vector<int> values;
    ExchangeStats stats; // the block reads of this section
    // The device went away during this section's reads (an unplugged adapter), or the pass of
    // this section is the first after it came back.
    bool lineLost = false;
    bool lineBack = false;
    ReplyState reply; // whether the controller answered the last request
};

// Runs on the link thread until `task` is cancelled or a pointer address is missing, with at most
// LineKeeper::kPassesAhead passes of section results waiting for the window. A failed read ends
// only its pass; the next pass starts again from the first section. When the device has gone, the
// port is closed (its holder kept) and opened again every LineKeeper::kReopenInterval until it is
// back, one failed pass per attempt.
void pollSections(Link &link, LinkTask &task, const SectionTable &table, const std::array<QString, 4> &pointers,
                  std::size_t readBufferSize, const std::function<void(SectionResult)> &handOver);

} // namespace monitor
