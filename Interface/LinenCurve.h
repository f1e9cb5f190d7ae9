#pragma once

#include <qwt_plot_curve.h>

// The curve of the live graph. A failed reading is held as a value that is not a number: it
// leaves a gap in the line and takes no part in the autoscale (Qwt would stroke it as a wild
// line and stretch the axis to nothing). Where many samples fall on one pixel column, only
// the first, lowest, highest and last of them are stroked, in short pieces: the same pixels as
// the whole polyline, at a fraction of the cost when the graph holds thousands of samples.
class LinenCurve : public QwtPlotCurve
{
public:
    explicit LinenCurve(const QString &title = QString());

    // The samples whose time and value are numbers; invalid when there are none.
    QRectF boundingRect() const override;

protected:
    void drawLines(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                   const QRectF &canvasRect, int from, int to) const override;
};
