#include "QvtTransducerState.h"

#include <cmath>

double QvtTransducerState::readingAt(double seconds) const
{
    double value = pressure + zeroCoefficient;
    if (pressureAmplitude != 0.0 && pressurePeriodSeconds > 0.0)
        value += pressureAmplitude * std::sin(2.0 * M_PI * seconds / pressurePeriodSeconds);
    return value;
}
