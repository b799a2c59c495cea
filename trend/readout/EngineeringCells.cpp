#include "trend/readout/EngineeringCells.h"

#include "base/NumberText.h"
#include "trend/readout/TrendGraphTexts.h"

namespace engineeringcells {

namespace {

using numbertext::significantText;

QString withUnit(const QString &number, const UnitScale &scale)
{
    return scale.unit.isEmpty() ? number : number + u' ' + scale.unit;
}

} // namespace

QString engineeringText(double value, const UnitScale &scale, int digits)
{
    return withUnit(significantText(value, digits), scale);
}

QString engineeringCell(const std::optional<std::int32_t> &raw, const UnitScale &scale, int digits)
{
    if (!raw)
        return kReadoutFailed;
    return withUnit(significantText(scale.apply(*raw), digits), scale);
}

QString engineeringDifferenceCell(std::int64_t rawDifference, const UnitScale &scale, int digits)
{
    return withUnit(significantText(scale.gain * static_cast<double>(rawDifference), digits), scale);
}

} // namespace engineeringcells
