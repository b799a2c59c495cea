#pragma once
// Messages of the trend data file and printing that the platform would otherwise have shown
// itself: a file that cannot be read or written, a print job that cannot be started.

#include <QString>

inline const QString kTrendFileReadError = QStringLiteral("Can not read the file.");
inline const QString kTrendFileWriteError = QStringLiteral("Can not write the file. The old file is kept.");
