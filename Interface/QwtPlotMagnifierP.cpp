#include "Interface/QwtPlotMagnifierP.h"

QwtPlotMagnifierP::QwtPlotMagnifierP(QWidget *canvas) : QwtPlotMagnifier(canvas)
{
}

void QwtPlotMagnifierP::rescale(double factor)
{
    QwtPlotMagnifier::rescale(factor);
}
