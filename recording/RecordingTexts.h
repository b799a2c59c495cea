#pragma once
// Texts the Recording window and its menu item show.

#include "recording/RecordingReadoutTexts.h"

#include <QString>

inline const QString kOpenRecordingItemCaption = QStringLiteral("Open recording...");
inline const QString kRecordingFileFilter = QStringLiteral("Recording(*.csv *.trd)|*.csv *.trd");
// "<file name> - Recording"
inline const QString kRecordingTitle = QStringLiteral("%1 - Recording");
inline const QString kLoadingText = QStringLiteral("Reading %1...");
inline const QString kCancelCaption = QStringLiteral("Cancel");
inline const QString kLoadCancelledText = QStringLiteral("Reading cancelled: nothing shown.");
inline const QString kRecordingNotReadText = QStringLiteral("The recording could not be read.");
// "<rows> rows, <channels> channels, <duration>"
inline const QString kRecordingSummary = QStringLiteral("%1 rows, %2 channels, %3");
// The time under the mouse: the clock time (when the file has one) and the seconds from the start.
inline const QString kHoverClockText = QStringLiteral("%1  (t = %2 s)");
inline const QString kHoverSecondsText = QStringLiteral("t = %1 s");
inline const QString kCopyReadoutCaption = QStringLiteral("Copy");
// Before the first cursor is set.
inline const QString kReadoutHint = QStringLiteral("Click the traces for cursor A, right-click for cursor B.");
inline const QString kAddReferenceCaption = QStringLiteral("Add reference...");
inline const QString kReferenceOffsetCaption = QStringLiteral("Offset of the latest reference:");
inline const QString kReferenceOffsetSuffix = QStringLiteral(" s");
inline const QString kTooManyReferencesText = QStringLiteral("Up to 4 references can be laid over a recording.");
inline const QString kReferenceNotReadText = QStringLiteral("The reference could not be read.");
inline const QString kExportSpanCaption = QStringLiteral("Export CSV...");
inline const QString kSavePictureCaption = QStringLiteral("Save picture...");
inline const QString kSpanCsvFilter = QStringLiteral("CSV(*.csv)|*.csv");
inline const QString kPictureFilter = QStringLiteral("PNG(*.png)|*.png");
inline const QString kSpanNotSavedText = QStringLiteral("The visible span could not be saved.");
inline const QString kPictureNotSavedText = QStringLiteral("The picture could not be saved.");
inline const QString kPrintCaption = QStringLiteral("Print...");
