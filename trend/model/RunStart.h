#pragma once
// The checks and conversions of a trend run start: the full-scale boxes, the resolution of channel
// names and addresses through variableList, the selection and scales the sampler works with, and
// the reset of the recording.

#include "trend/model/TrendData.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

namespace runstart {

// A full-scale box passes when it is not empty and its first ten characters (all of them when it
// is shorter) are decimal digits.
bool fullScaleTextPasses(const QString &text);

// addressOrName as the run stores it: the name box's text without any space.
QString removeSpaces(const QString &text);

// The address text of the first variableList entry (before "END") whose name after the ninth
// character is exactly `name`; empty when there is none.
QString lookUpName(const QStringList &variableList, const QString &name);

// Up to `most` names of the variable list (before "END") that look like `name`: the same name in
// another case first, then names within a few edits, nearest first. For "not found" messages.
QStringList closestNames(const QStringList &variableList, const QString &name, int most = 3);
// True when `text` consists of "0"-"9" and "A"-"F" only (upper case); an empty text passes here.
bool isUpperHex(const QString &text);

struct Resolution {
    std::array<QString, kChannels> addressText; // empty for unselected channels
    int errorCount = 0;
};
// Resolves every channel whose Sel is "ON": "L" looks the name up, anything else takes addressOrName
// as an upper-case hex address; an empty name or address counts as an error as well.
Resolution resolveAddresses(const std::array<ChannelRecord, kChannels> &channels, const QStringList &variableList);

// The first eight characters of an address text as hex: leading white space skipped, reading stops
// at the first character that is not a hex digit; empty gives 0.
std::uint32_t addressFromText(const QString &text);

// The mask of a bit number: 1 doubled `bit` times in 32-bit signed arithmetic (0 or below gives
// 1, 31 the top bit alone, 32 or more 0).
std::int32_t bitMask(std::int32_t bit);

// Why the selected channels cannot be scaled, checked before anything of a run start is saved.
enum class ScaleProblem {
    None,
    BadFullScale,  // an analog full scale that is not a 32-bit integer
    FullScaleZero, // an analog full scale of 0: every sample would be divided by it
    BadBitNumber,  // a logic bit number that is not an integer
};
ScaleProblem checkScales(const std::array<ChannelRecord, kChannels> &channels);
// A word has bits 0 to 15: the first selected logic channel whose bit number is a whole number
// outside them (it would record 0 for ever), or nothing.
std::optional<int> firstBitOutOfRange(const std::array<ChannelRecord, kChannels> &channels);
// The first selected channel whose name or address did not resolve, or nothing.
std::optional<int> firstUnresolved(const std::array<ChannelRecord, kChannels> &channels, const Resolution &resolution);

// selectedChannels and the channelScale entries of the selected channels from Sel and fullScale.
// Entries of unselected channels keep what they held. False when a selected channel's fullScale is
// not an integer; that channel's scale is then 0 (drawn on the zero line, never sampled).
bool buildSelection(TrendData &data);

// Clears the sample ring for a new run (the graph's pen starts again with TracePen::restart).
void resetRecording(TrendData &data);

} // namespace runstart
