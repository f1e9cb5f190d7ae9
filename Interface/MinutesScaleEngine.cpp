#include "Interface/MinutesScaleEngine.h"

#include <qwt_scale_div.h>

#include <algorithm>
#include <cmath>

void MinutesScaleEngine::autoScale(int maxNumSteps, double &x1, double &x2, double &stepSize) const
{
    double from = x1 / MsPerMinute;
    double to = x2 / MsPerMinute;
    double step = 0.0;
    QwtLinearScaleEngine::autoScale(maxNumSteps, from, to, step);
    x1 = from * MsPerMinute;
    x2 = to * MsPerMinute;
    stepSize = std::max(std::abs(step), SmallestStep) * MsPerMinute;
}

QwtScaleDiv MinutesScaleEngine::divideScale(double x1, double x2, int maxMajorSteps, int maxMinorSteps,
                                            double stepSize) const
{
    const double from = x1 / MsPerMinute;
    const double to = x2 / MsPerMinute;
    double step = std::abs(stepSize) / MsPerMinute;
    if (step == 0.0)
        step = divideInterval(std::abs(to - from), std::max(maxMajorSteps, 1));
    step = std::max(step, SmallestStep);

    const QwtScaleDiv minutes = QwtLinearScaleEngine::divideScale(from, to, maxMajorSteps, maxMinorSteps, step);
    QList<double> ticks[QwtScaleDiv::NTickTypes];
    for (int type = 0; type < QwtScaleDiv::NTickTypes; ++type) {
        for (double tick : minutes.ticks(type))
            ticks[type] << tick * MsPerMinute;
    }
    return QwtScaleDiv(minutes.lowerBound() * MsPerMinute, minutes.upperBound() * MsPerMinute, ticks);
}
