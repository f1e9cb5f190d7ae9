#pragma once

#include <qwt_scale_draw.h>

// The pressure axis: its values in the program's number locale, as every number the
// operator reads ("1 000", "0,5"); Qwt's own labels follow the system's locale.
class NumberScaleDraw : public QwtScaleDraw
{
public:
    NumberScaleDraw() = default;

    QwtText label(double value) const override;
};
