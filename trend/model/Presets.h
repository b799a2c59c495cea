#pragma once
// The channel presets "UserPre.qmt": the channel set-up carried from one run of the program to the
// next. Written at every run start that passes its checks (with the copy "UserPre2.qmt" the
// program never reads), read when the Trend Graph window is created.

#include "program/Session.h"
#include "trend/model/TrendData.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

namespace presets {

inline const QString kPresetFile = QStringLiteral("UserPre.qmt");
inline const QString kPresetCopyFile = QStringLiteral("UserPre2.qmt");

using ChannelRecords = std::array<ChannelRecord, kChannels>;

// The text forms of a channel's choices in presets and .trd files: "ON"/"OF" and "A"/"L".
inline QString selectionText(bool selected) { return selected ? QStringLiteral("ON") : QStringLiteral("OF"); }
inline QString addressKindText(AddressKind kind)
{
    return kind == AddressKind::Name ? QStringLiteral("L") : QStringLiteral("A");
}
std::optional<bool> parseSelection(const QString &text);
std::optional<AddressKind> parseAddressKind(const QString &text);

// Splits a line into fields: white space and control characters separate fields as commas do,
// two commas in a row give an empty field, a field in double quotes may hold commas and spaces
// ("" inside it stands for one quote).
QStringList splitCommaText(const QString &line);

// A decimal integer with an optional sign that fits 32 bits, or nothing.
std::optional<std::int32_t> parseDecimal(const QString &text);
// `waitTime` as milliseconds: a decimal whole number of 0 or more, blanks around it ignored
// ("100 " is 100). Nothing for any other text, which the trend sampler takes as 0.
std::optional<std::int32_t> parseWaitTime(const QString &text);
// The wait time as typed, read once: a text that is no such number pauses for 0 ms.
WaitTime waitTimeFromTyped(const QString &text);

// The records from the lines of a preset file (line 0, the Dec/Hex caption, is skipped). A
// missing, empty or bad channel line gives that channel's defaults; Sel is "ON" only when the
// line's first field is exactly "ON".
ChannelRecords parsePresetLines(const QStringList &lines);
// Reads the preset file of the program folder; a missing file gives the defaults, all "OF".
ChannelRecords loadPresets();

// The 15 lines of the file: the Dec/Hex caption with four commas, then one line per channel.
QStringList presetLines(const QString &decHexCaption, const ChannelRecords &channels);
// Replaces both preset files of the program folder. False when either could not be written.
// `failures`, when given, hears each file that could not be written, as "path: reason".
bool savePresets(const QString &decHexCaption, const ChannelRecords &channels, QStringList *failures = nullptr);

} // namespace presets
