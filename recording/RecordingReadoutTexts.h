#pragma once
// Texts of the Recording window's read-out, status line and time axis, apart from RecordingTexts.h (which
// includes this) so that the read-out's logic can take them beside the Trend Graph's texts.

#include <QString>

// The reference read-out where the cursor lies outside the reference's rows (a failed read there
// says "failed").
inline const QString kReferenceNoRowsText = QStringLiteral("no rows");
// A .trd's rows have no times: the status line's duration and the row under the pointer.
inline const QString kNoTimesText = QStringLiteral("no times");
inline const QString kHoverRowText = QStringLiteral("row %1");
// A .trd's time axis: the row numbers.
inline const QString kAxisRowText = QStringLiteral("row %1");
