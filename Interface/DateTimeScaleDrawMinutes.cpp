#include "Interface/DateTimeScaleDrawMinutes.h"

#include "Parameters/Units.h"

#include <qwt_text.h>

QwtText DateTimeScaleDrawMinutes::label(double value) const
{
    return QwtText(numberLocale().toString(value / 60000.0, 'f', 1));
}
