#pragma once
// Every text the variable catalogue shows the user as it builds and checks the list; the Variables
// List window's own texts are in VariablesListTexts.h.

#include <QString>

inline const QString kIncorrectLoadData = QStringLiteral("Incorrect Load Data");
inline const QString kQmxFileDataError = QStringLiteral("ERROR:QMX file data is error.");

// %1: the text that should have been a hexadecimal number.
inline const QString kNotHexadecimal = QStringLiteral("'%1' is not a valid hexadecimal value");
// %1: the file's path.
inline const QString kCannotOpenFile = QStringLiteral("Cannot open file %1");
inline const QString kNoEndLine = QStringLiteral("No line END in %1");
inline const QString kTooFewLines = QStringLiteral("Fewer than twelve lines in %1");
inline const QString kTooManyLines = QStringLiteral("More than 255 lines in %1");
inline const QString kVariableListFull = QStringLiteral("More than 999 variables: the Variables List is full");
