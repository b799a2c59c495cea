#pragma once
// A read-out's values in engineering units, as the Trend Graph's Read-out, its band and the
// Recording window show them: the number with as many significant digits as asked, then the unit.

#include "engineering/UnitsTable.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace engineeringcells {

// Significant digits of each number unless a caller asks for others.
constexpr int kEngineeringDigits = 7;

// A number already in engineering units, with the scale's unit.
QString engineeringText(double value, const UnitScale &scale, int digits = kEngineeringDigits);
// A value in engineering units: "123.45 rpm"; a failed read as the raw cell says it.
QString engineeringCell(const std::optional<std::int32_t> &raw, const UnitScale &scale,
                        int digits = kEngineeringDigits);
// A difference of two raw reads in engineering units: gain x difference with the unit (the offset
// falls out), as the B-A column gives it.
QString engineeringDifferenceCell(std::int64_t rawDifference, const UnitScale &scale,
                                  int digits = kEngineeringDigits);

} // namespace engineeringcells
