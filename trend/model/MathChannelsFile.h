#pragma once
// The user's math channels of the Trend Graph, kept beside the presets in "MathChannels.txt" (the
// preset files are not touched): a heading comment, then one channel a line, its full scale, a tab
// and its definition,
//
//     # NAME = EXPRESSION with the full scale it is drawn against, one a line
//     1000<TAB>diff = SpdRef - SpdFbk
//
// Latin-1, CR LF, replaced atomically. A line that is no channel (no tab, a full scale that is no
// positive number, no definition, a fifth channel) is not used and is named with its line, as
// Units.txt's are; the definition itself is checked against the run's channels when a run starts.
// A write replaces only the channels' lines: comments, blank lines and lines not used stay as the
// user wrote them, where they were, and a channel written as before keeps its line's text.

#include "trend/model/TrendData.h"

#include "engineering/MathExpression.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

struct MathChannelDefinition {
    QString definition; // "NAME = EXPRESSION"
    double fullScale = 0;
    bool operator==(const MathChannelDefinition &) const = default;
};
using MathChannelDefinitions = std::vector<MathChannelDefinition>;

namespace mathchannels {

QString fileName();
QString defaultPath();

// A full scale as typed: a finite number above 0, else nothing.
std::optional<double> parseFullScale(const QString &text);
// The full scale as the file and the dialog write it: its shortest form that reads back the same.
QString fullScaleText(double fullScale);

// A line of the file that is no channel: "MathChannels.txt:3: no tab between the F.S. and the
// definition".
struct LineProblem {
    int line = 0; // 1 for the first line
    QString reason;
    QString text() const;
    bool operator==(const LineProblem &) const = default;
};

// The channels of the file's lines; every line not used is added to `problems`.
MathChannelDefinitions parse(const QStringList &lines, std::vector<LineProblem> *problems = nullptr);
// A new file's lines: the heading and one line per channel.
QStringList toLines(const MathChannelDefinitions &definitions);
// `fileLines` with the lines of the channels they hold replaced by `definitions`, one for one in
// their order (a channel unchanged keeps its line, one more goes after the last channel's line,
// one fewer takes its line away); every other line as it is. A file without lines takes toLines().
QStringList mergedLines(const QStringList &fileLines, const MathChannelDefinitions &definitions);
// A file that is not there holds no channels and is no error.
MathChannelDefinitions read(const QString &path, QString *error = nullptr, std::vector<LineProblem> *problems = nullptr);
// Writes `definitions` into the file at `path` by mergedLines(); a file there that cannot be read
// is not written over (false, with `error` the reason).
bool write(const QString &path, const MathChannelDefinitions &definitions, QString *error = nullptr);

// The channels a definition may name: the selected channels of `channels` by their column names,
// each with its word address where `addresses` has one.
std::vector<MathInput> inputsOf(const std::array<ChannelRecord, kChannels> &channels,
                                const std::array<std::optional<std::uint32_t>, kChannels> &addresses);
// The same for the channels as the table has them before a start: an address where one is typed.
std::vector<MathInput> typedInputs(const std::array<ChannelRecord, kChannels> &channels);
// Why `definitions` cannot be taken over `inputs`: "Math channel 2: diff = SpdRef - : expected ... at
// position 17", or a full scale that is no positive number; nothing when all can be taken.
std::optional<QString> refusal(const MathChannelDefinitions &definitions, const std::vector<MathInput> &inputs);

} // namespace mathchannels
