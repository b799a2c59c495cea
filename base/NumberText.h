#pragma once
// Numbers as the program writes them, each form in one place: seconds from milliseconds, the
// shortest text of a double that reads back as the same double, and an engineering value to a
// number of significant digits. The read-outs, the CSV exports, the units and math channels files,
// "Record to file" and every output of qmx-record write these forms.

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace numbertext {

// Whole seconds and three decimals: "12.345" for 12345 ms, "-0.250" for -250, exact for any count.
QString secondsText(std::int64_t milliseconds);
QByteArray secondsBytes(std::int64_t milliseconds);

// How the shortest text writes a whole number that has more digits than a double tells apart
// (above 2^53): 12345678901234567168.0 as "12345678901234567168" (Exact) or "12345678901234567000"
// (ZeroFilled: the digits past the shortest's significant ones written as zeros).
enum class WholeDigits { Exact, ZeroFilled };

// The shortest decimal text that reads back as the same double, in the shorter of the plain and the
// exponent form (the plain one on a tie): "0.1", "1e+05", "1e-04", "123456", "-0", "inf", "-nan".
QString shortestText(double value, WholeDigits wholeDigits = WholeDigits::Exact);
QByteArray shortestBytes(double value);

// `value` to `digits` significant digits in the shortest form that has them, trailing zeros dropped:
// "12.5", "-0.001234567891", "1.5e+12".
QString significantText(double value, int digits);

// An engineering value (a scaled channel's, a math channel's) as every output writes it: to 10
// significant digits. qmx-record carries the number the text reads back as, so that no output
// shows the float noise of a gain such as 0.1 (3 x 0.1 is 0.30000000000000004 in doubles; all of
// them write 0.3).
inline constexpr int kEngineeringDigits = 10;
QString engineeringText(double value);
QByteArray engineeringBytes(double value);
// The number engineeringText(value) reads back as; a value that is not finite as it is.
double engineeringValue(double value);

} // namespace numbertext
