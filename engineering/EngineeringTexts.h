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
// A field holding a control character, shown with it as \xHH; a unit holding a bracket.
inline const QString kUnitsControlCharacter = QStringLiteral("\"%1\" holds a control character");
inline const QString kUnitsUnitControlCharacter = QStringLiteral("unit \"%1\" holds a control character");
inline const QString kUnitsUnitBracket =
    QStringLiteral("unit \"%1\" holds [ or ], which a column's header NAME [unit] cannot carry");
inline const QString kUnitsDuplicate = QStringLiteral("\"%1\" is already given on line %2");
// The units file as it is written: its first line.
inline const QString kUnitsFileHeader =
    QStringLiteral("# NAME_OR_ADDRESS<TAB>gain<TAB>offset<TAB>unit: engineering value = raw x gain + offset");

// What a window says of the units file it read: %1 its name, %2 its entries; the lines ignored
// (the tooltip names them), or why it was not read.
inline const QString kUnitsRead = QStringLiteral("%1: %2 scales");
inline const QString kUnitsNotRead = QStringLiteral("%1 not read: %2");
inline const QString kUnitsLinesIgnored = QStringLiteral(", %1 lines ignored (hover)");

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

// Engineering values and step responses in a read-out (the Trend Graph's Read-out window and the
// Recording window).
inline const QString kEngineeringValuesCaption = QStringLiteral("Engineering values");
inline const QString kEngineeringValuesTip =
    QStringLiteral("Word channels with a scale in Units.txt in engineering values: raw x gain + offset, with the unit");
inline const QString kStepChannelCaption = QStringLiteral("Step response:");
inline const QString kStepNoChannel = QStringLiteral("none");
inline const QString kStepBandCaption = QStringLiteral("settling band \u00b1");
inline const QString kStepNeedsCursors = QStringLiteral("Place cursors A and B around the step.");
// %1 the channel, %2 and %3 the first and last row.
inline const QString kStepHeading = QStringLiteral("Step response of %1, rows %2 to %3:");
// %1 initial value, %2 its rows, %3 final value, %4 its rows, %5 the step.
inline const QString kStepValues = QStringLiteral("initial %1 (rows %2), final %3 (rows %4), step %5");
inline const QString kStepDeadTime = QStringLiteral("dead time %1 (row %2)");
inline const QString kStepRiseTime = QStringLiteral("rise time 10-90 % %1 (rows %2)");
inline const QString kStepNotRisen = QStringLiteral("rise time: 90 % not reached (10 % at row %1)");
inline const QString kStepOvershoot = QStringLiteral("overshoot %1 % (row %2)");
inline const QString kStepSettling = QStringLiteral("settling time \u00b1%1 % %2 (row %3)");
inline const QString kStepNotSettled = QStringLiteral("not settled within \u00b1%1 %");
inline const QString kStepSeconds = QStringLiteral("%1 s");
inline const QString kStepRows = QStringLiteral("%1 rows");

} // namespace engineeringtexts
