#pragma once

#include <qwt_scale_draw.h>

// The pressure axis: its values in the program's number locale, as every number the
// operator reads ("1 000", "0,5"); Qwt's own labels follow the system's locale. Labels are
// written in fixed notation with the decimals the axis's ticks need, shared by the whole axis
// ("0,00" "0,05" "0,10"): the shortest form keeps six digits and writes a million as "1e+06".
class NumberScaleDraw : public QwtScaleDraw
{
public:
    // Beyond these a value is not written out (a double holds no more).
    static constexpr int MaxDecimals = 15;

    NumberScaleDraw() = default;

    QwtText label(double value) const override;
};
