#include "Parameters/Units.h"

#include "Parameters/ParametrInt.h"
#include "Parameters/Settings.h"

#include <cmath>

namespace {
// More decimals than a double holds; keeps number texts of a sane length.
constexpr int MaxDecimals = 30;

// Stored exactly as the lab's documents expect them (mmHg and psi are not the textbook values).
const double Factors[] = {
    0.001,        // Pa
    1.0,          // kPa
    1000.0,       // MPa
    98.0665,      // kgf/cm2
    0.00980665,   // kgf/m2
    0.133321995,  // mmHg
    0.00980665,   // mmH2O
    0.1,          // mbar
    100.0,        // bar
    101.325,      // atm
    6.894758896,  // psi
    0.1,          // hPa
    9.80665,      // mH2O
};

const int DeviceCodes[] = {UnitMPa, UnitKPa, UnitPa, UnitKgfM2, UnitKgfCm2, UnitMmHg, UnitBar, UnitPsi};
}

double unitFactor(int unit)
{
    if (unit < 0 || unit > UnitMH2O)
        return -1.0;
    return Factors[unit];
}

double toKPa(double x, int unit)
{
    return x * unitFactor(unit);
}

double fromKPa(int unit, double x)
{
    return x / unitFactor(unit);
}

double convertUnits(int fromUnit, int toUnit, double x)
{
    return x * unitFactor(fromUnit) / unitFactor(toUnit);
}

int unitFromDeviceCode(int code)
{
    if (code < 0 || code >= int(sizeof DeviceCodes / sizeof DeviceCodes[0]))
        return DeviceCodes[0];
    return DeviceCodes[code];
}

const QLocale &numberLocale()
{
    static const QLocale locale(QStringLiteral("ru_RU.UTF-8"));
    return locale;
}

QString formatNumber(double x, int decimals)
{
    // conf.ini may hold any count.
    return numberLocale().toString(x, 'f', qBound(0, decimals, MaxDecimals));
}

QString formatMeasuredValue(double x)
{
    if (std::isnan(x))
        return QStringLiteral("-");
    const int decimals = Settings::instance ? Settings::instance->decimals()->value() : 2;
    return formatNumber(x, decimals);
}

double roundTo(double x, int n)
{
    // The stored value must be the one the operator saw: the number text rounds the exact
    // binary value, halves away from zero (0.125 -> 0.13), so 2.675, stored as 2.67499999...,
    // gives 2.67 in both. Multiplying by 10^n first would round the product and give 2.68.
    if (!std::isfinite(x) || std::fabs(x) >= 4503599627370496.0)  // 2^52: no fraction left
        return x;
    const double rounded = QString::number(x, 'f', qBound(0, n, MaxDecimals)).toDouble();
    return rounded == 0.0 ? 0.0 : rounded;  // no negative zero
}
