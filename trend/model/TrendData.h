#pragma once
// The program-wide data of trend recording: the channel records, the run model, the sample ring and
// the display rows, with each row's time and failures. It outlives the Trend Graph window: after
// the window is closed and opened again, REDRAW shows the last recording again. What only the
// graph needs (the pen of its sweep, the read-out cursor) is the graph's own, so a program without
// a graph (qmx-record) or with a graph of its own (the Recording window) carries none of it.

#include "engineering/ColumnHeading.h"

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
inline constexpr int kMathChannels = 4;

using SampleRow = std::array<std::int32_t, kChannels>;
// The math channels' results of one row, in the order they were given; empty where a result is.
using MathRow = std::array<std::optional<double>, kMathChannels>;

// Whether a channel's address field holds a hexadecimal address or the name of a variable.
enum class AddressKind { Address, Name };

// One line of the channel table as the user set it up. Files write `selected` as "ON"/"OF" and
// `addressKind` as "A"/"L" (see Presets and TrendFile).
struct ChannelRecord {
    bool selected = false;
    AddressKind addressKind = AddressKind::Name;
    QString addressOrName; // variable name or hex address
    QString fullScale;     // analog: full scale; logic: bit number, as typed
};

// What is known of a stored row beyond its values: when it was read (from the run's start, on the
// steady clock) and which channels' reads failed. Rows opened from a .trd have neither.
struct RowInfo {
    std::optional<std::chrono::nanoseconds> sinceRunStart;
    std::uint16_t failedChannels = 0; // bit c: the read of channel c failed
};

// A math channel of a run: its name and the full scale it is drawn against, and whether its inputs
// were raw or scaled (its CSV column says so; see ColumnHeading.h).
struct MathChannelInfo {
    QString name;
    double fullScale = 0;
    columnheading::MathInputs inputs = columnheading::MathInputs::Unstated;
};

struct TrendData {
    std::array<ChannelRecord, kChannels> channels; // unselected and empty at program start

    // Run model, rebuilt at every run start (and by Open for the selection and scales).
    std::vector<int> selectedChannels; // ascending; selectedCount() entries
    int selectedCount() const { return static_cast<int>(selectedChannels.size()); }
    std::array<std::int32_t, kChannels> channelScale{};
    std::array<std::uint32_t, kChannels> channelAddress{};

    // Sample storage.
    std::array<SampleRow, kRingRows> sampleRing{};
    int ringWritePos = 0;
    bool ringWrapped = false;

    // Rows the display, the cursor and Save work on, oldest first.
    std::array<SampleRow, kDisplayRowsCapacity> displayRows{};
    int rowCount = 0;

    // Beside the ring and the display rows, entry for entry: the time and failures of each row.
    // The ring and the .trd files do not hold them.
    std::array<RowInfo, kRingRows> rowInfoRing{};
    std::array<RowInfo, kDisplayRowsCapacity> displayRowInfo{};
    // The math channels of the run the ring holds (none: the run had none, or the rows are a .trd's)
    // and their results, entry for entry beside the ring and the display rows. Files do not hold them.
    std::vector<MathChannelInfo> mathChannels;
    std::array<MathRow, kRingRows> mathRing{};
    std::array<MathRow, kDisplayRowsCapacity> displayMathRows{};
    QDateTime runStartedAt; // wall clock at the run's start
    std::chrono::steady_clock::time_point runStartedSteady{};
};
