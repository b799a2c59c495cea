#pragma once
// Every text the variable catalogue shows the user as it builds and checks the list, and the names
// of the flag variables' bits; the Variables List window's own texts are in VariablesListTexts.h.

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

// The sixteen bit names of InvFlag, CmdFlag and FLG5, and of any other variable, each after its
// two-digit number and followed by a comma.
inline const QString kInvFlagBitNames = QStringLiteral(
    "00 RUN orJOG cmd,01 RUNning,02 JOGging,03 RUN CMD,04 DC EXCITing,05 Low Volt,06 TUNning,07 GATE ON,"
    "08 Init.EXCITing,09 DC BREAKing,10,11,12,13,14,15,");
inline const QString kCmdFlagBitNames = QStringLiteral(
    "00 RUN cmd,01 JOG cmd,02 REV cmd,03,04,05,06,07 EXCIT cmd,08 FOR (Term),09 REV (Term),10 FOR JOG(Term),"
    "11 REV JOG(Term),12 EMERG STOP(Term),13 RESET(Term),14,15,");
inline const QString kFlg5BitNames = QStringLiteral(
    "00 RUN cmd,01 RUNning,02 JOGging,03,04 REV cmd,05 DEC to Stop,06 DC BREAKing,07 STOP after LV,"
    "08 Init EXCITE,09,10,11,12,13,14,15,");
inline const QString kNumberedBitNames = QStringLiteral("00,01,02,03,04,05,06,07,08,09,10,11,12,13,14,15,");
