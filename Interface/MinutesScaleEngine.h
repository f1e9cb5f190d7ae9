#pragma once

#include <qwt_scale_engine.h>

// The time axis's ticks. Times are held in milliseconds and labelled in minutes with one
// decimal, so ticks are placed on whole tenths of a minute: steps chosen in milliseconds
// (5000, 10000, ...) would be labelled 0,1 0,2 0,3 0,3 0,4.
class MinutesScaleEngine : public QwtLinearScaleEngine
{
public:
    static constexpr double MsPerMinute = 60000.0;
    // The label's resolution.
    static constexpr double SmallestStep = 0.1;

    void autoScale(int maxNumSteps, double &x1, double &x2, double &stepSize) const override;
    QwtScaleDiv divideScale(double x1, double x2, int maxMajorSteps, int maxMinorSteps,
                            double stepSize = 0.0) const override;
};
