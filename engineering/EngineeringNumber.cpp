#include "engineering/EngineeringNumber.h"

#include <cmath>

QString engineeringText(double value) { return QString::number(value, 'g', kEngineeringDigits); }

QByteArray engineeringBytes(double value) { return QByteArray::number(value, 'g', kEngineeringDigits); }

double engineeringValue(double value)
{
    if (!std::isfinite(value))
        return value;
    bool ok = false;
    const double written = engineeringBytes(value).toDouble(&ok);
    return ok ? written : value;
}
