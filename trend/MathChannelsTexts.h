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
