#pragma once
// The trend data file (.trd): the channel settings and the display rows of one recording, as
// Latin-1 text with CR LF line ends. Formatting and reading know nothing of the window.

#include "trend/model/TrendData.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace trendfile {

inline const QString kExtension = QStringLiteral("trd");
// A name without this (case-sensitive, anywhere in the name) is refused by Save.
inline const QString kNameMark = QStringLiteral(".trd");

// "00, ON,  L,  AnTermIn,20000," for channel `channel`.
QString settingLine(int channel, const ChannelRecord &record);
// The row's 14 values: analog right-aligned in six characters, logic after two spaces; each
// followed by a comma.
QString dataLine(const SampleRow &row);

// The whole file: `fileName` is the bare name written into its first line; rows 0 ..
// rowCount - 1 of displayRows are written.
QStringList formatLines(const QString &fileName, const std::array<ChannelRecord, kChannels> &channels,
                        const std::array<SampleRow, kDisplayRowsCapacity> &rows, int dataNumbers);

// The next comma-ended field of `line`, with every space removed; the field and its comma are
// taken off the line. Without a comma the field is empty and the line stays as it is.
QString takeField(QString &line);

// Reads the 14 setting lines (file lines 5 to 18) into `channels`, field by field. On a wrong
// channel number (also one that is not an integer), Sel or A/L it stops there and returns false;
// the fields read before that point have already replaced the old ones. Open hands in a copy and
// keeps it only when the rest of the file is sound or this function refused it.
bool readSettings(const QStringList &lines, std::array<ChannelRecord, kChannels> &channels);

// The data lines from file line 21 up to the line "END". Nothing when the file does not hold a
// well-formed list: a line of other than 14 integers, a line with text after its last comma,
// more rows than the display holds, or no "END" before the file ends. A value is any decimal
// integer of 32 bits with an optional sign.
std::optional<std::vector<SampleRow>> readDataRows(const QStringList &lines);

// Whether every selected channel's fullScale (an analog full scale or a logic bit number) is a
// decimal integer, so that its rows can be drawn. A full scale of 0 counts as a number.
bool selectedScalesAreNumbers(const std::array<ChannelRecord, kChannels> &channels);

// What opening a file's lines did to the data.
enum class OpenOutcome {
    Opened,          // settings and rows replaced, selection built
    SettingsRefused, // a wrong channel number, Sel or A/L: the settings read before it were taken
    Refused,         // the data lines, the row count, the END line or the scales: nothing changed
};
// Takes a .trd's lines into `data`. A wrong channel number, Sel or A/L refuses the file the way
// .trd readers always have: the fields read before it replace the old settings. What this program
// checks beyond that refuses the file as a whole. Rows opened have no times.
OpenOutcome openLines(const QStringList &lines, TrendData &data);

} // namespace trendfile
