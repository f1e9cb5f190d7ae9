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
    const double scale = std::pow(10.0, qBound(0, n, MaxDecimals));
    const double scaled = std::fabs(x) * scale;
    if (!std::isfinite(scaled) || scaled >= 4503599627370496.0)  // 2^52: no fraction left
        return x;
    double whole = std::floor(scaled);
    const double half = whole + 0.5;
    // Readings come from the transducer as 32-bit floats, so a decimal half such as 1.005 arrives
    // as 1.00499999523... (and the double 1.005 is 1.00499999999999989...). A value that rounds to
    // the same float as the half and shows as that half at one more decimal is that half, as the
    // operator reading it would take it, and goes away from zero; every other value rounds by
    // its binary value, so 1.0049996 (three float steps below) still gives 1.00.
    if (scaled >= half
        || (scaled >= whole + 0.45 && static_cast<float>(std::fabs(x)) == static_cast<float>(half / scale)))
        whole += 1.0;
    const double rounded = whole / scale;
    return x < 0 && rounded != 0.0 ? -rounded : rounded;
}
