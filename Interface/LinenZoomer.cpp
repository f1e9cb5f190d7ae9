#include "Interface/LinenZoomer.h"

LinenZoomer::LinenZoomer(QWidget *canvas) : QwtPlotZoomer(canvas, true)
{
}

void LinenZoomer::zoom(int offset)
{
    if (offset <= 0 && zoomRectIndex() == 0)
        return;
    QwtPlotZoomer::zoom(offset);
}

void LinenZoomer::begin()
{
    // Taking the view in front sets no axis: autoscale stays on until the rectangle is zoomed.
    if (zoomRectIndex() == 0)
        setZoomBase(false);
    QwtPlotZoomer::begin();
}
