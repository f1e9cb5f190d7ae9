#include "Interface/NumberScaleDraw.h"

#include "Parameters/Units.h"

#include <qwt_scale_div.h>
#include <qwt_text.h>

#include <algorithm>
#include <cmath>

namespace {
// The fewest decimals that write x to within the tolerance, so that floating noise such as
// 0.30000000000000004 asks for none of its own.
int decimalsOf(double x, double tolerance)
{
    double scaled = std::abs(x);
    for (int decimals = 0; decimals < NumberScaleDraw::MaxDecimals; ++decimals) {
        if (std::abs(scaled - std::round(scaled)) <= tolerance)
            return decimals;
        scaled *= 10.0;
        tolerance *= 10.0;
    }
    return NumberScaleDraw::MaxDecimals;
}
}

QwtText NumberScaleDraw::label(double value) const
{
    if (!std::isfinite(value))
        return QwtText(numberLocale().toString(value));
    const QwtScaleDiv &div = scaleDiv();
    const QList<double> ticks = div.ticks(QwtScaleDiv::MajorTick);
    // Ticks are sums of steps: their noise is a few units in the last place of the axis's largest
    // value, far below any digit a label shows.
    const double magnitude = std::max({std::abs(div.lowerBound()), std::abs(div.upperBound()), std::abs(value)});
    const double tolerance = 1e-12 * magnitude;
    int decimals = decimalsOf(value, tolerance);
    for (double tick : ticks)
        decimals = std::max(decimals, decimalsOf(tick, tolerance));
    return QwtText(formatNumber(roundTo(value, decimals), decimals));
}
