#pragma once

#include <QLocale>
#include <QString>

// Pressure unit ids (every pressure inside the program is held in kPa).
enum PressureUnit {
    UnitPa = 0,
    UnitKPa = 1,
    UnitMPa = 2,
    UnitKgfCm2 = 3,
    UnitKgfM2 = 4,
    UnitMmHg = 5,
    UnitMmH2O = 6,
    UnitMbar = 7,
    UnitBar = 8,
    UnitAtm = 9,
    UnitPsi = 10,
    UnitHPa = 11,
    UnitMH2O = 12
};

// kPa in one unit; -1 for an id outside 0..12.
double unitFactor(int unit);
double toKPa(double x, int unit);
double fromKPa(int unit, double x);
double convertUnits(int fromUnit, int toUnit, double x);
// The transducer's own units code mapped to a unit id.
int unitFromDeviceCode(int code);

// The one locale through which numbers become text for the operator and the documents.
const QLocale &numberLocale();
QString formatNumber(double x, int decimals);
// x rounded to n decimals as formatNumber shows it: halves away from zero, n bounded alike.
double roundTo(double x, int n);
// "-" for NaN, else fixed-point with the decimals of the application settings.
QString formatMeasuredValue(double x);
