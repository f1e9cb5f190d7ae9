#include "Interface/NumberScaleDraw.h"

#include "Parameters/Units.h"

#include <qwt_text.h>

QwtText NumberScaleDraw::label(double value) const
{
    return QwtText(numberLocale().toString(value));
}
