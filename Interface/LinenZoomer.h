#pragma once

#include <qwt_plot_zoomer.h>

// The live graph's rectangle zoom. The zoomer is made over the empty plot, whose view is no place
// to come back to: the base is the view the first rectangle is drawn on. While nothing is zoomed,
// the view in front (autoscaled, moved) is that view, so a step back leaves it as it is.
class LinenZoomer : public QwtPlotZoomer
{
    Q_OBJECT
public:
    explicit LinenZoomer(QWidget *canvas);

    using QwtPlotZoomer::zoom;
    void zoom(int offset) override;

protected:
    void begin() override;
};
