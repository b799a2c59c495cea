#pragma once
// What qmx-record says about engineering values: its options' help and the arguments it refuses.
// Defined once here, beside RecordTexts.h.

#include <QString>

namespace record {

inline const QString kEngineeringHelp = QStringLiteral(
    "  --units FILE      gain, offset and unit per variable name or address (NAME_OR_ADDRESS<TAB>\n"
    "                    gain<TAB>offset<TAB>unit, engineering value = raw x gain + offset);\n"
    "                    default Units.txt beside the presets; a bad line is named and ignored\n"
    "  --scaled          write engineering values of the channels that have a scale, in CSV\n"
    "                    their column headed NAME [unit] (InfluxDB fields and JSON keys: NAME),\n"
    "                    in every format a decimal; raw values otherwise (the default)\n"
    "  --math 'NAME=EXPR' a math channel, a value after the read channels in every format and\n"
    "                    every published message (at most 4): the channels by column name or\n"
    "                    address, numbers, + - * / ( ), abs(x), deriv(x), integ(x) (per second),\n"
    "                    mavg(x,N), mrms(x,N) (last N passes), min(x,y), max(x,y); on engineering\n"
    "                    values where a channel has a scale; a failed read of an input leaves\n"
    "                    its cell (its field, its key) empty. --trigger may watch a\n"
    "                    math channel: 'NAME>LEVEL', 'NAME rises|falls|crosses LEVEL', LEVEL any\n"
    "                    decimal number\n");

inline const QString kUnitsUnreadable = QStringLiteral("--units %1: %2");
inline const QString kMathArgument = QStringLiteral("--math %1");
inline const QString kMathTriggerLevel = QStringLiteral("--trigger %1: the level of a math channel is a decimal number");
inline const QString kMathTriggerForm =
    QStringLiteral("--trigger %1: a math channel's condition is NAME>LEVEL, NAME<LEVEL or NAME rises|falls|crosses LEVEL");
inline const QString kMathTriggerSameTwice = QStringLiteral("--trigger %1: the two conditions watch the same channel");

} // namespace record
