#include "trend/readout/EngineeringCells.h"

#include "trend/readout/TrendGraphTexts.h"

namespace engineeringcells {

namespace {

// Engineering values carry as many decimals as a gain of that size needs, at most 6 significant
// digits past the point.
QString engineeringNumber(double value, int digits) { return QString::number(value, 'g', digits); }

QString withUnit(const QString &number, const UnitScale &scale)
{
    return scale.unit.isEmpty() ? number : number + u' ' + scale.unit;
}

} // namespace

QString engineeringText(double value, const UnitScale &scale, int digits)
{
    return withUnit(engineeringNumber(value, digits), scale);
}

QString engineeringCell(const std::optional<std::int32_t> &raw, const UnitScale &scale, int digits)
{
    if (!raw)
        return kReadoutFailed;
    return withUnit(engineeringNumber(scale.apply(*raw), digits), scale);
}

QString engineeringDifferenceCell(std::int64_t rawDifference, const UnitScale &scale, int digits)
{
    return withUnit(engineeringNumber(scale.gain * static_cast<double>(rawDifference), digits), scale);
}

} // namespace engineeringcells
