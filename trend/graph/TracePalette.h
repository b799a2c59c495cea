#pragma once
// Every colour a run is drawn in: the channels' traces, the math channels', the grid, the two
// read-out cursors, the trigger mark and a reference laid behind the traces. The Trend Graph's
// layers, its colour key, the Read-out window's swatches and the Recording window all take them
// from here, so a channel has one colour wherever it is shown. Nothing here draws: a headless
// program or a window of its own may include it without the graph.

#include "trend/model/TrendData.h"

#include <QRgb>
#include <array>

// Channel colours, entry c mod 7 for channel c. Entry 1 also marks a pass with a failed read.
inline constexpr std::array<QRgb, 7> kTraceColors = {
    0xFFFF0000u, // red
    0xFF00FF00u, // lime
    0xFF0000FFu, // blue
    0xFFFFFF00u, // yellow
    0xFF00FFFFu, // aqua
    0xFFFF00FFu, // fuchsia
    0xFFFFFFFFu, // white
};

// Math channel m's colour: none that a channel, cursor or mark uses.
inline constexpr std::array<QRgb, kMathChannels> kMathTraceColors = {
    0xFFFF9090u, // salmon
    0xFF80B0FFu, // sky
    0xFFB0FF80u, // pale green
    0xFFFFD080u, // light amber
};

// The grid's lines and the read-out cursor (cursor A): white, shown over the traces where they
// cross them.
inline constexpr QRgb kGridColour = 0xFFFFFFFFu;
inline constexpr QRgb kCursorColour = 0xFFFFFFFFu;
// The second read-out cursor (cursor B): orange.
inline constexpr QRgb kSecondCursorColour = 0xFFFF8000u;
// The trigger row's mark: violet, none of the trace colours, the second cursor's orange, the
// grid's and cursor's white.
inline constexpr QRgb kTriggerMarkColour = 0xFFA070FFu;

// A reference laid behind the traces (in the Trend Graph and in the Recording window) is drawn in
// its channels' colours, dimmed.
constexpr QRgb referenceColour(QRgb colour)
{
    constexpr int kShare = 45; // percent of the channel's own colour
    return qRgb(qRed(colour) * kShare / 100, qGreen(colour) * kShare / 100, qBlue(colour) * kShare / 100);
}
