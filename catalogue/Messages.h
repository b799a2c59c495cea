#pragma once
// Every text the variable catalogue shows the user.

#include "link/LinkResult.h"

#include <QString>

inline const QString kIncorrectLoadData = QStringLiteral("Incorrect Load Data");
inline const QString kQmxFileDataError = QStringLiteral("ERROR:QMX file data is error.");
inline const QString kCommPortOpenError = QStringLiteral("Comm Port Open Error!!!");

// %1: the text that should have been a hexadecimal number.
inline const QString kNotHexadecimal = QStringLiteral("'%1' is not a valid hexadecimal value");
// %1: the file's path.
inline const QString kCannotOpenFile = QStringLiteral("Cannot open file %1");
inline const QString kNoEndLine = QStringLiteral("No line END in %1");
inline const QString kTooFewLines = QStringLiteral("Fewer than twelve lines in %1");
inline const QString kTooManyLines = QStringLiteral("More than 255 lines in %1");
inline const QString kVariableListFull = QStringLiteral("More than 999 variables: the Variables List is full");

// A Data Read that failed after the port opened. %1: the address read (hex), %2: the result.
inline QString DataReadFailed(quint32 address, int code)
{
    return QStringLiteral("Data Read failed: the read at %1 ended with %2 (code %3). "
                          "The previous variable list and sbdata.qmx are kept.")
        .arg(QString::number(address, 16).toUpper(), LinkResultText(code), QString::number(code));
}

// Progress of a Data Read under the bit list. %1: reads done, %2: super-block words read.
inline const QString kDataReadOpening = QStringLiteral("Opening port...");
inline const QString kDataReadProgress = QStringLiteral("Reads: %1\nSuper block:\n%2 words");

// Window texts.
inline const QString kVarListCaption = QStringLiteral("Variables List");
inline const QString kDataReadCaption = QStringLiteral("Data Read");
