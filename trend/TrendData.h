#pragma once
// The program-wide data of trend recording: the channel records, the run model, the sample ring,
// the display rows and the pen state. It outlives the Trend Graph window: after the window is
// closed and opened again, REDRAW shows the last recording again.

#include <QDateTime>
#include <QString>
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

inline constexpr int kChannels = 14;
inline constexpr int kAnalogChannels = 7;
inline constexpr int kRingRows = 250;
inline constexpr int kDisplayRowsCapacity = 251;
inline constexpr int kGraphWidth = 500;
inline constexpr int kGraphHeight = 400;

using SampleRow = std::array<std::int32_t, kChannels>;

struct ChannelRecord {
    QString Sel;       // "ON" or "OF"
    QString AL;        // "A" address, "L" label (`A/L`)
    QString AdrsChar;  // variable name or hex address
    QString FullScale; // analog: full scale; logic: bit number
};

// What is known of a stored row beyond its values: when it was read (from the run's start, on the
// steady clock) and which channels' reads failed. Rows opened from a .trd have neither.
struct RowInfo {
    std::optional<std::chrono::nanoseconds> sinceRunStart;
    std::uint16_t failedChannels = 0; // bit c: the read of channel c failed
};

struct TrendData {
    std::array<ChannelRecord, kChannels> channels; // empty texts at program start

    // Run model, rebuilt at every run start (and by Open for the selection and scales).
    std::vector<int> SelectedChannels; // ascending; SelectedCount() entries
    int SelectedCount() const { return static_cast<int>(SelectedChannels.size()); }
    std::array<std::int32_t, kChannels> ChannelScale{};
    std::array<std::uint32_t, kChannels> ChannelAddress{};

    // Sample storage.
    std::array<SampleRow, kRingRows> SampleRing{};
    int RingWritePos = 0;
    bool RingWrapped = false;

    // Rows the display, the cursor and Save work on, oldest first.
    std::array<SampleRow, kDisplayRowsCapacity> DisplayRows{};
    int DataNumbers = 0;

    // Beside the ring and the display rows, entry for entry: the time and failures of each row.
    // The ring and the .trd files do not hold them.
    std::array<RowInfo, kRingRows> RowInfoRing{};
    std::array<RowInfo, kDisplayRowsCapacity> DisplayRowInfo{};
    QDateTime RunStartedAt; // wall clock at the run's start
    std::chrono::steady_clock::time_point RunStartedSteady{};

    // Pen state of the drawing.
    int PenX = 0;
    int PrevPenX = 0;
    std::array<int, kChannels> PenY{};
    std::array<int, kChannels> PrevPenY{};
    int CursorX = 498;
};
