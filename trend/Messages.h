#pragma once
// Every text the Trend Graph window shows in a message box, defined once.

#include <QString>

// Run start.
inline const QString kCheckFullScale = QStringLiteral("Check the F.S. value!");
inline const QString kSelectDrawingData = QStringLiteral("Please select drawing data.");
inline const QString kAddressNotFound = QStringLiteral("Asigned Address can not found");
inline const QString kCommunicationError = QStringLiteral("Communication Error");
// The channel set-up could not be saved at a run start; the run goes on. %1: "path: reason" lines.
inline const QString kPresetsNotSaved =
    QStringLiteral("The channel set-up could not be saved and will be lost at the next start:\n%1");
// A drawn analog channel scaled by 0 would divide every sample by zero.
inline const QString kFullScaleZero = QStringLiteral("F.S. value 0 can not be drawn. Check the F.S. value!");
// A bit box of a drawn logic channel that holds no whole number.
inline const QString kCheckBitNumber = QStringLiteral("Check the bit value!");

// Channel set-up controls.
inline const QString kOpenVariablesList = QStringLiteral("Please open Variables List.");

// Trend data file.
inline const QString kIncorrectFileName = QStringLiteral("Incorrect File Name");
inline const QString kIncorrectFileData = QStringLiteral("Incorrect File Data");
// A file that cannot be read or written (the system's own reason follows on a second line).
inline const QString kTrendFileReadError = QStringLiteral("Can not read the file.");
inline const QString kTrendFileWriteError = QStringLiteral("Can not write the file. The old file is kept.");
