#include "Interface/LinenCurve.h"

#include <qwt_clipper.h>
#include <qwt_painter.h>
#include <qwt_scale_map.h>

#include <QPainter>
#include <QPolygonF>

#include <cmath>

namespace {

bool isPlotted(const QPointF &sample)
{
    return std::isfinite(sample.x()) && std::isfinite(sample.y());
}

// Raster stroking of one long, self-overlapping polyline costs far more than that of short
// pieces. A piece ends in the middle of a segment at least this many pen widths long, where the
// square caps of both pieces lie inside the other piece's stroke: the pixels stay those of the
// whole polyline (Qwt's own splitting cuts at points and leaves marks at the joins).
constexpr int PiecePoints = 20;
constexpr qreal CutSegmentPens = 2.0;

void strokeInPieces(QPainter *painter, const QPolygonF &line, qreal penWidth)
{
    const qreal cutLength = CutSegmentPens * penWidth;
    QPolygonF piece;
    piece.reserve(PiecePoints + 2);
    for (int i = 0; i < line.size(); ++i) {
        piece.append(line.at(i));
        if (piece.size() < PiecePoints || i + 1 >= line.size())
            continue;
        const QPointF a = line.at(i);
        const QPointF b = line.at(i + 1);
        if (std::hypot(b.x() - a.x(), b.y() - a.y()) < cutLength)
            continue;
        const QPointF middle = (a + b) / 2.0;
        piece.append(middle);
        painter->drawPolyline(piece);
        piece.clear();
        piece.append(middle);
    }
    if (piece.size() > 1)
        painter->drawPolyline(piece);
}

// The samples of one pixel column, reduced to those that shape the line there.
struct Column
{
    double x = 0.0;
    double first = 0.0;
    double low = 0.0;
    double high = 0.0;
    double last = 0.0;
    int lowAt = 0;
    int highAt = 0;
    bool open = false;
};

}

LinenCurve::LinenCurve(const QString &title) : QwtPlotCurve(title)
{
}

QRectF LinenCurve::boundingRect() const
{
    const QwtSeriesData<QPointF> *series = data();
    double left = 0.0, right = 0.0, top = 0.0, bottom = 0.0;
    bool any = false;
    const size_t size = series ? series->size() : 0;
    for (size_t i = 0; i < size; ++i) {
        const QPointF p = series->sample(i);
        if (!isPlotted(p))
            continue;
        if (!any) {
            left = right = p.x();
            top = bottom = p.y();
            any = true;
            continue;
        }
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    if (!any)
        return QRectF(1.0, 1.0, -2.0, -2.0);
    return QRectF(left, top, right - left, bottom - top);
}

void LinenCurve::drawLines(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                           const QRectF &canvasRect, int from, int to) const
{
    const QwtSeriesData<QPointF> *series = data();
    if (!series || from > to)
        return;

    // Qwt rounds to whole pixels on raster devices; so do we, the same way (half up).
    const bool round = QwtPainter::roundingAlignment(painter);
    const bool clip = testPaintAttribute(ClipPolygons);
    const qreal penWidth = std::max(qreal(1.0), painter->pen().widthF());
    const QRectF clipRect = canvasRect.adjusted(-penWidth, -penWidth, penWidth, penWidth);

    QPolygonF line;
    Column column;

    const auto add = [&line](double x, double y) {
        const QPointF p(x, y);
        if (line.isEmpty() || line.last() != p)
            line.append(p);
    };
    const auto closeColumn = [&]() {
        if (!column.open)
            return;
        add(column.x, column.first);
        if (column.lowAt < column.highAt) {
            add(column.x, column.low);
            add(column.x, column.high);
        } else {
            add(column.x, column.high);
            add(column.x, column.low);
        }
        add(column.x, column.last);
        column.open = false;
    };
    // One polyline per run of numbers; a lone sample still shows, as a dot of the pen.
    const auto stroke = [&]() {
        closeColumn();
        if (clip && !line.isEmpty())
            line = QwtClipper::clipPolygonF(clipRect, line, false);
        if (line.size() == 1)
            painter->drawPoint(line.first());
        else if (line.size() > 1)
            strokeInPieces(painter, line, penWidth);
        line.clear();
    };

    for (int i = from; i <= to; ++i) {
        const QPointF sample = series->sample(size_t(i));
        if (!isPlotted(sample)) {
            stroke();
            continue;
        }
        double x = xMap.transform(sample.x());
        double y = yMap.transform(sample.y());
        if (round) {
            x = std::floor(x + 0.5);
            y = std::floor(y + 0.5);
        }
        if (column.open && x == column.x) {
            if (y < column.low) {
                column.low = y;
                column.lowAt = i;
            }
            if (y > column.high) {
                column.high = y;
                column.highAt = i;
            }
            column.last = y;
            continue;
        }
        closeColumn();
        column.x = x;
        column.first = column.low = column.high = column.last = y;
        column.lowAt = column.highAt = i;
        column.open = true;
    }
    stroke();
}
