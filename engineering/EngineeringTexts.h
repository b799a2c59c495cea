#pragma once
// What the engineering-value core says: the reasons a line of the units file is ignored, the faults
// of a math channel's definition and the step figures' "no step". Defined once here; the windows
// and qmx-record show them as they stand.

#include <QString>

namespace engineeringtexts {

// A line of the units file that is ignored: "<file>:<line>: <reason>".
inline const QString kUnitsLineProblem = QStringLiteral("%1:%2: %3");
inline const QString kUnitsTooFewFields =
    QStringLiteral("expected NAME_OR_ADDRESS<TAB>gain<TAB>offset<TAB>unit, found %1 field(s)");
inline const QString kUnitsTooManyFields = QStringLiteral("more than 4 tab-separated fields");
inline const QString kUnitsNoKey = QStringLiteral("no variable name or address");
inline const QString kUnitsBadKey = QStringLiteral("\"%1\" is no variable name or address (blanks inside)");
inline const QString kUnitsBadGain = QStringLiteral("gain \"%1\" is not a finite number");
inline const QString kUnitsZeroGain = QStringLiteral("gain is 0");
inline const QString kUnitsBadOffset = QStringLiteral("offset \"%1\" is not a finite number");
inline const QString kUnitsDuplicate = QStringLiteral("\"%1\" is already given on line %2");
// The units file as it is written: its first line.
inline const QString kUnitsFileHeader =
    QStringLiteral("# NAME_OR_ADDRESS<TAB>gain<TAB>offset<TAB>unit: engineering value = raw x gain + offset");

// The units dialog: %1 the variable's name or address.
inline const QString kUnitsDialogTitle = QStringLiteral("Units of %1");
inline const QString kUnitsFormula = QStringLiteral("engineering value = raw x gain + offset");
inline const QString kUnitsGainCaption = QStringLiteral("Gain");
inline const QString kUnitsOffsetCaption = QStringLiteral("Offset");
inline const QString kUnitsUnitCaption = QStringLiteral("Unit");
inline const QString kUnitsFileCaption = QStringLiteral("Kept in");
inline const QString kUnitsSaveCaption = QStringLiteral("Save");
inline const QString kUnitsRemoveCaption = QStringLiteral("No scale");
inline const QString kUnitsDialogBadGain = QStringLiteral("The gain must be a number other than 0.");
inline const QString kUnitsDialogBadOffset = QStringLiteral("The offset must be a number.");
inline const QString kUnitsDialogBadUnit = QStringLiteral("A unit holds no tab and no \"#\".");
inline const QString kUnitsNotSaved = QStringLiteral("The units could not be saved.");
// The menu item that opens it, in the channel table and the Variables List.
inline const QString kUnitsMenuCaption = QStringLiteral("Units\u2026");

// A math channel's definition refused: "<definition>: <what> at position <n>" (from 1).
inline const QString kMathFault = QStringLiteral("%1: %2 at position %3");
inline const QString kMathNoEquals = QStringLiteral("expected NAME = EXPRESSION");
inline const QString kMathBadName = QStringLiteral("a math channel's name begins with a letter or _ and holds letters, digits, _ or .");
inline const QString kMathNameTaken = QStringLiteral("the name \"%1\" is already a channel's");
inline const QString kMathExpectedOperand = QStringLiteral("expected a channel, a number, a function or \"(\"");
inline const QString kMathExpectedClose = QStringLiteral("expected \")\"");
inline const QString kMathExpectedComma = QStringLiteral("expected \",\"");
inline const QString kMathExpectedOpen = QStringLiteral("expected \"(\" after %1");
inline const QString kMathUnexpected = QStringLiteral("unexpected \"%1\"");
inline const QString kMathUnknownChannel = QStringLiteral("no channel \"%1\" in this run");
inline const QString kMathAddressOrNumber =
    QStringLiteral("no channel \"%1\" in this run (a number with an exponent needs a \".\" or a sign: 1.0e5, 1e+5)");
inline const QString kMathBadNumber = QStringLiteral("\"%1\" is not a number");
inline const QString kMathBadCount = QStringLiteral("the number of passes must be a whole number from 1 to %1");
inline const QString kMathTooDeep = QStringLiteral("nested more than %1 deep");
inline const QString kMathTooLong = QStringLiteral("longer than %1 characters");
inline const QString kMathTooMany = QStringLiteral("at most %1 math channels");
inline const QString kMathEmpty = QStringLiteral("the expression is empty");

// The step figures of a span without a step.
inline const QString kNoStep = QStringLiteral("no step");

} // namespace engineeringtexts
