#pragma once
// Texts of the Recording window's read-out and channel list, apart from RecordingTexts.h (which
// includes this) so that the read-out's logic can take them beside the Trend Graph's texts.

#include <QString>

// The reference read-out where the cursor lies outside the reference's rows (a failed read there
// says "failed").
inline const QString kReferenceNoRowsText = QStringLiteral("no rows");
// A math channel's tooltip in the channel list: "<header>: computed on raw inputs".
inline const QString kMathInputsTooltip = QStringLiteral("%1: computed on %2");
