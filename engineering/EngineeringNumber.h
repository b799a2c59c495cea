#pragma once
// An engineering value (a scaled channel's, a math channel's) as the program writes it: to 10
// significant digits in the shortest form that has them ("12.5", "-0.001234567891", "1.5e+12").
// The read-outs, the CSV exports, "Record to file" and every output of qmx-record write this form,
// and qmx-record carries the number the text reads back as, so that no output shows the float noise
// of a gain such as 0.1 (3 x 0.1 is 0.30000000000000004 in doubles; all of them write 0.3).

#include <QByteArray>
#include <QString>

inline constexpr int kEngineeringDigits = 10;

QString engineeringText(double value);
QByteArray engineeringBytes(double value);
// The number engineeringText(value) reads back as; a value that is not finite as it is.
double engineeringValue(double value);
