#pragma once
// Where the sweep of a run's traces stands on the trace layer: the x of the segments the next
// sample ends and of the sample before, and each channel's y at both. A pass moves it two pixels
// on, and past the right edge the sweep starts again at the left. Only the graph's drawing keeps
// it; the run's samples, times and channels (TrendData) know nothing of it, so qmx-record and the
// Recording window carry no pen.

#include "trend/model/TrendData.h"

#include <array>

struct TracePen {
    int x = 0;
    int previousX = 0;
    std::array<int, kChannels> y{};
    std::array<int, kChannels> previousY{};

    // A run starts: at the left edge, the analog channels from the zero line and the logic ones
    // from one pixel below their low level.
    void restart()
    {
        previousX = 0;
        x = 0;
        for (int c = 0; c < kChannels; ++c)
            previousY[static_cast<std::size_t>(c)] = c < kAnalogChannels ? 200 : 20 * c + 140;
    }
};
