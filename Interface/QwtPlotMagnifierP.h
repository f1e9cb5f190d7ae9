#pragma once

#include <qwt_plot_magnifier.h>

// The plot's magnifier, whose rescale the zoom buttons call directly.
class QwtPlotMagnifierP : public QwtPlotMagnifier
{
    Q_OBJECT
public:
    explicit QwtPlotMagnifierP(QWidget *canvas);

    void rescale(double factor) override;
};
