#pragma once
// Messages of the Trend Graph's read-out additions: the graph menu, export and recording.

#include <QString>

inline const QString kExportCsvCaption = QStringLiteral("Export CSV\u2026");
inline const QString kExportPictureCaption = QStringLiteral("Export picture\u2026");
inline const QString kCopyPictureCaption = QStringLiteral("Copy picture");
inline const QString kClearSecondCursorCaption = QStringLiteral("Clear second cursor");
inline const QString kRecordToFileCaption = QStringLiteral("Record to file\u2026");

inline const QString kCsvFilter = QStringLiteral("CSV file(*.csv)|*.csv");
inline const QString kCsvExtension = QStringLiteral("csv");
inline const QString kPngFilter = QStringLiteral("PNG picture(*.png)|*.png");
inline const QString kPngExtension = QStringLiteral("png");

inline const QString kCsvWriteError = QStringLiteral("The CSV file could not be written.");
inline const QString kPictureWriteError = QStringLiteral("The picture could not be written.");
inline const QString kRecordingOpenError = QStringLiteral("The recording file could not be opened.");
inline const QString kRecordingWriteError = QStringLiteral("Recording stopped: the file could not be written.");
