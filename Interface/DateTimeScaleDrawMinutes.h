#pragma once

#include <qwt_scale_draw.h>

// The time axis: samples are stored in milliseconds, the axis counts minutes.
class DateTimeScaleDrawMinutes : public QwtScaleDraw
{
public:
    DateTimeScaleDrawMinutes() = default;

    QwtText label(double value) const override;
};
