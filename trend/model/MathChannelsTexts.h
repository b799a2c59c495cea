#pragma once
// What the Trend Graph says of its math channels and of the export in engineering values.

#include <QString>

inline const QString kMathChannelsCaption = QStringLiteral("Math channels...");
inline const QString kExportEngineeringCaption = QStringLiteral("Engineering values");
inline const QString kMathChannelsTitle = QStringLiteral("Math channels");
inline const QString kMathChannelsHeading = QStringLiteral("# NAME = EXPRESSION with the full scale it is drawn against, one a line");
inline const QString kMathDefinitionColumn = QStringLiteral("NAME = EXPRESSION");
inline const QString kMathFullScaleColumn = QStringLiteral("F.S.");
inline const QString kMathChannelRefused = QStringLiteral("Math channel %1: %2");
inline const QString kMathFullScaleRefused = QStringLiteral("Math channel %1: the F.S. \"%2\" is not a number above 0");
inline const QString kMathChannelsHelp =
    QStringLiteral("Up to 4 channels over the selected channels (names as the table shows them, or addresses): "
                   "+ - * / ( ), abs(x), deriv(x), integ(x), mavg(x, N), mrms(x, N), min(x, y), max(x, y).");
inline const QString kMathChannelsNotSaved = QStringLiteral("The math channels could not be saved.");
// A line of MathChannels.txt that is no channel, as Units.txt's are named: %1 the file's name, %2
// the line (1 for the first), %3 why.
inline const QString kMathFileLineProblem = QStringLiteral("%1:%2: %3");
inline const QString kMathLineNoTab = QStringLiteral("no tab between the F.S. and the definition");
// %1 the F.S. as written.
inline const QString kMathLineFullScale = QStringLiteral("F.S. \"%1\" is not a number above 0");
inline const QString kMathLineNoDefinition = QStringLiteral("no definition after the F.S.");
// %1 the longest definition.
inline const QString kMathLineTooLong = QStringLiteral("the definition is longer than %1 characters");
// %1 the most channels.
inline const QString kMathLinePastLastChannel = QStringLiteral("more than %1 channels; this one is not used");
// The dialog's note over the lines named: they stay in the file as written.
inline const QString kMathFileLinesNotUsed = QStringLiteral("Lines not used (kept in the file as written):");
