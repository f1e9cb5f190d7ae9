#include "Interface/LinenPlot.h"

#include "Documents/ExcelSaver.h"
#include "Interface/DateTimeScaleDrawMinutes.h"
#include "Interface/LinenCurve.h"
#include "Interface/LinenZoomer.h"
#include "Interface/MinutesScaleEngine.h"
#include "Interface/NumberScaleDraw.h"
#include "Interface/QwtPlotMagnifierP.h"
#include "Parameters/MainHandler.h"
#include "Parameters/MessageHandler.h"
#include "Widgets/ColorScheme.h"

#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_layout.h>
#include <qwt_plot_panner.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_div.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>

#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMutexLocker>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// The canvas's focus as a table's: a ring at its border once the keyboard has moved the focus,
// not the style's tint over the curves.
class FocusRingCanvas : public QwtPlotCanvas
{
protected:
    void drawFocusIndicator(QPainter *painter) override
    {
        if (window()->testAttribute(Qt::WA_KeyboardFocusChange))
            paintFocusRing(painter, contentsRect(), palette());
    }
};
}

LinenPlot::LinenPlot(QWidget *parent) : QwtPlot(parent)
{
    setMinimumSize(10, 10);
    m_clock.start();

    setAutoReplot(false);
    auto *plotCanvas = new FocusRingCanvas();
    plotCanvas->setFrameStyle(QFrame::NoFrame);
    // The canvas takes the keys of its zoom (+ and -): it shows when it has them.
    plotCanvas->setFocusIndicator(QwtPlotCanvas::CanvasFocusIndicator);
    setCanvas(plotCanvas);
    plotLayout()->setAlignCanvasToScales(true);

    auto *legend = new QwtLegend();
    legend->setDefaultItemMode(QwtLegendData::Checkable);
    insertLegend(legend, QwtPlot::TopLegend, -1);
    m_legend = legend;
    connect(legend, SIGNAL(checked(QVariant,bool,int)), this, SLOT(showItem(QVariant,bool)));

    setPlotMode(2);

    setAxisLabelRotation(QwtPlot::xBottom, 0);
    setAxisLabelAlignment(QwtPlot::xBottom, Qt::AlignLeft | Qt::AlignBottom);
    updateAxisFonts();

    setAxisTitle(QwtPlot::yLeft, QStringLiteral("Y scale"));
    setAxisScaleDraw(QwtPlot::yLeft, new NumberScaleDraw());

    m_magnifier = new QwtPlotMagnifierP(canvas());
    m_magnifier->setMouseButton(Qt::MiddleButton, Qt::NoModifier);
    m_magnifier->setZoomInKey(Qt::Key_Plus, Qt::NoModifier);
    m_magnifier->setZoomOutKey(Qt::Key_Minus, Qt::NoModifier);

    m_panner = new QwtPlotPanner(canvas());
    m_panner->setCursor(Qt::ClosedHandCursor);

    m_zoomer = new LinenZoomer(canvas());
    m_zoomer->setRubberBandPen(QPen(QBrush(Qt::black), 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    m_zoomer->setRubberBand(QwtPicker::RectRubberBand);
    m_zoomer->setTrackerMode(QwtPicker::AlwaysOff);
    m_zoomer->setMousePattern(QwtEventPattern::MouseSelect1, Qt::RightButton);
    m_zoomer->setMousePattern(QwtEventPattern::MouseSelect2, Qt::RightButton, Qt::ControlModifier);
    m_zoomer->setMousePattern(QwtEventPattern::MouseSelect3, Qt::RightButton, Qt::ShiftModifier);

    // The last growth makes Capacity + 1 slots (the tail slot of the newest sample).
    m_times.reserve(Capacity + 1);
    m_grid = new QwtPlotGrid();
    m_grid->attach(this);
    replot();
}

// The curves, the grid, the legend and the canvas tools belong to the plot and its canvas.
LinenPlot::~LinenPlot() = default;

void LinenPlot::addCurve(const QString &title, const QPen &pen)
{
    auto *curve = new LinenCurve(title);
    curve->setPen(pen);
    curve->attach(this);
    CurveRecord record{curve, QVector<double>()};
    record.values.reserve(Capacity + 1);
    // Samples taken before the curve existed have no value of it.
    record.values.fill(std::numeric_limits<double>::quiet_NaN(), m_end + 1);
    m_curves.push_back(record);
    setAllItemsVisible(true);
}

void LinenPlot::removeLegend()
{
    insertLegend(nullptr, QwtPlot::RightLegend);
    m_legend = nullptr;
}

const QVector<double> &LinenPlot::values(int curve) const
{
    static const QVector<double> none;
    if (curve < 0 || curve >= curveCount())
        return none;
    return m_curves[size_t(curve)].values;
}

LinenCurve *LinenPlot::curve(int index) const
{
    if (index < 0 || index >= curveCount())
        return nullptr;
    return m_curves[size_t(index)].curve;
}

void LinenPlot::appendSample()
{
    appendSampleAt(double(m_clock.elapsed()));
}

void LinenPlot::appendSampleAt(double timeMs)
{
    QMutexLocker lock(&m_mutex);
    m_newSampleTime = timeMs;
    if (m_count >= m_end) {
        if (m_end < Capacity) {
            const int newEnd = std::min(m_end + GrowthStep, Capacity);
            m_times.resize(newEnd + 1);
            for (CurveRecord &record : m_curves)
                record.values.resize(newEnd + 1);
            m_end = newEnd;
        } else {
            std::copy(m_times.begin() + DropStep, m_times.begin() + m_count, m_times.begin());
            for (CurveRecord &record : m_curves)
                std::copy(record.values.begin() + DropStep, record.values.begin() + m_count, record.values.begin());
            m_count -= DropStep;
        }
    }
    std::fill(m_times.begin() + m_count, m_times.end(), m_newSampleTime);
}

void LinenPlot::fillCurveTail(int curve, double value)
{
    QMutexLocker lock(&m_mutex);
    if (curve < 0 || curve >= curveCount() || m_count > m_end)
        return;
    QVector<double> &values = m_curves[size_t(curve)].values;
    std::fill(values.begin() + m_count, values.end(), value);
}

void LinenPlot::updateSamples()
{
    {
        QMutexLocker lock(&m_mutex);
        // Only a slot that appendSample opened completes a sample.
        if (m_count < m_end)
            ++m_count;
        handSamplesToCurves();
    }
    replot();
}

void LinenPlot::handSamplesToCurves()
{
    // The curves share the vectors' data until the next sample changes them.
    for (CurveRecord &record : m_curves)
        record.curve->setSamples(m_times, record.values);
}

void LinenPlot::clear()
{
    setStandartPlotScale();
    {
        QMutexLocker lock(&m_mutex);
        m_end = -1;
        m_count = 0;
        m_times.clear();
        for (CurveRecord &record : m_curves)
            record.values.clear();
        m_clock.restart();
        handSamplesToCurves();
    }
    replot();
}

void LinenPlot::setStandartPlotScale()
{
    {
        QMutexLocker lock(&m_mutex);
        setAxisAutoScale(QwtPlot::xBottom, true);
        setAxisAutoScale(QwtPlot::yLeft, true);
    }
    replot();
    // The zoom ends here: no step back leads to the rectangles zoomed before.
    if (m_zoomer)
        m_zoomer->setZoomBase(false);
}

void LinenPlot::setAutoScale(int kind)
{
    if (kind == 1)
        setAxisAutoScale(QwtPlot::xBottom, true);
    else if (kind == 2)
        setAxisAutoScale(QwtPlot::yLeft, true);
}

void LinenPlot::zoomIn()
{
    zoom(0.8);
}

void LinenPlot::zoomOut()
{
    zoom(1.2);
}

void LinenPlot::zoom(double factor)
{
    QMutexLocker lock(&m_mutex);
    m_magnifier->rescale(factor);
    fitYToVisible();
    replot();
}

void LinenPlot::moveView(int direction)
{
    {
        QMutexLocker lock(&m_mutex);
        const QwtScaleDiv time = axisScaleDiv(QwtPlot::xBottom);
        const QwtScaleDiv value = axisScaleDiv(QwtPlot::yLeft);
        const double w = time.range();
        const double h = value.range();
        double dx = 0.0;
        double dy = 0.0;
        switch (direction) {
        case 0: dx = -0.1 * w; break;
        case 1: dx = 0.1 * w; break;
        case 2: dy = 0.1 * h; break;
        case 3: dy = -0.1 * h; break;
        default: break;
        }
        // Both axes are set, so neither follows new samples until the scale is restored.
        setAxisScale(QwtPlot::xBottom, time.lowerBound() + dx, time.upperBound() + dx);
        setAxisScale(QwtPlot::yLeft, value.lowerBound() + dy, value.upperBound() + dy);
    }
    replot();
}

void LinenPlot::fitYToVisible()
{
    const QwtScaleDiv time = axisScaleDiv(QwtPlot::xBottom);
    const double from = std::min(time.lowerBound(), time.upperBound());
    const double to = std::max(time.lowerBound(), time.upperBound());

    double low = 0.0;
    double high = 0.0;
    bool any = false;
    for (const CurveRecord &record : m_curves) {
        if (!record.curve->isVisible())
            continue;
        for (int i = 0; i < m_count; ++i) {
            const double t = m_times.at(i);
            const double v = record.values.at(i);
            if (!(t > from && t < to) || !std::isfinite(v))
                continue;
            if (!any) {
                low = high = v;
                any = true;
            } else {
                low = std::min(low, v);
                high = std::max(high, v);
            }
        }
    }
    // Nothing to fit to: the value axis stays as it is.
    if (!any)
        return;
    // A constant reading is shown as a line in the middle, as the autoscale shows it.
    if (low == high) {
        const double delta = low == 0.0 ? 0.5 : std::abs(0.5 * low);
        low -= delta;
        high += delta;
    }
    setAxisScale(QwtPlot::yLeft, low, high);
}

void LinenPlot::saveData()
{
    if (m_count == 0) {
        MessageHandler::showError(tr("График пуст!"));
        return;
    }

    QFileDialog dialog(this, tr("Файл для сохранения набора точек в графике"),
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyy.MM.dd_hh-mm-ss")),
                       tr("Файл Excel (*.xlsx)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without the suffix still gets it, whatever dialog the platform shows.
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QStringList chosen = dialog.selectedFiles();
    const QString fileName = chosen.isEmpty() ? QString() : chosen.first();
    if (fileName.isEmpty())
        return;

    MainHandler *hub = MainHandler::instance;
    if (hub)
        emit hub->setScreenLockState(true);
    bool saved = false;
    {
        QMutexLocker lock(&m_mutex);
        const QVector<double> none;
        const QVector<double> &first = m_curves.empty() ? none : m_curves.front().values;
        if (ExcelSaver::instance) {
            saved = ExcelSaver::instance->exportGraphData(axisTitle(QwtPlot::yLeft).text(),
                                                          first.mid(0, m_count).toList(),
                                                          m_times.mid(0, m_count).toList(), m_count, fileName);
        }
    }
    if (!saved)
        MessageHandler::showError(tr("При сохранении данных произошла ошибка!"));
    if (hub)
        emit hub->setScreenLockState(false);
}

void LinenPlot::setPlotMode(int mode)
{
    if (mode != 2)
        return;
    {
        QMutexLocker lock(&m_mutex);
        m_timeScaleDraw = new DateTimeScaleDrawMinutes();
        setAxisScaleDraw(QwtPlot::xBottom, m_timeScaleDraw);
        setAxisScaleEngine(QwtPlot::xBottom, new MinutesScaleEngine());
        setAxisTitle(QwtPlot::xBottom, tr(" Время, мин."));
    }
    handSamplesToCurves();
    setStandartPlotScale();
}

void LinenPlot::showItem(const QVariant &itemInfo, bool on)
{
    if (QwtPlotItem *item = infoToItem(itemInfo))
        item->setVisible(on);
    replot();
}

void LinenPlot::setAllItemsVisible(bool on)
{
    if (!m_legend)
        return;
    bool changed = false;
    const QwtPlotItemList items = itemList();
    for (QwtPlotItem *item : items) {
        if (auto *label = qobject_cast<QwtLegendLabel *>(m_legend->legendWidget(itemToInfo(item)))) {
            if (label->isChecked() != on) {
                label->setChecked(on);
                changed = true;
            }
        }
        if (item->isVisible() != on) {
            item->setVisible(on);
            changed = true;
        }
    }
    if (changed)
        replot();
}

void LinenPlot::updateAxisFonts()
{
    const QFont base = font();
    const int size = base.pointSize() > 0 ? base.pointSize() : QFontInfo(base).pointSize();
    QFont labels = base;
    labels.setPointSize(size + AxisFontStep);
    QFont titles = base;
    titles.setPointSize(size + AxisTitleFontStep);
    titles.setBold(true);
    for (int axis = 0; axis < QwtPlot::axisCnt; ++axis) {
        setAxisFont(axis, labels);
        QwtText title = axisTitle(axis);
        title.setFont(titles);
        setAxisTitle(axis, title);
    }
    QwtScaleWidget *timeAxis = axisWidget(QwtPlot::xBottom);
    timeAxis->setMinBorderDist(0, QFontMetrics(timeAxis->font()).height() / 2);

    // Qwt leaves the labels' descent out of their room, as digits have none; the decimal comma's
    // tail has. The value axis reaches that far beyond the canvas, so that its lowest label is
    // not cut, and the time axis starts below that label, so that its labels and title do not
    // cover it (its first label stands left of the canvas, under the value axis).
    QwtScaleWidget *valueAxis = axisWidget(QwtPlot::yLeft);
    const QFontMetrics valueMetrics(valueAxis->font());
    const int digits = valueMetrics.tightBoundingRect(QStringLiteral("0123456789")).height();
    const int reach = (digits + 1) / 2 + valueMetrics.descent() + 1;
    // Qwt counts the value axis from its top: the room goes to its lower end.
    valueAxis->setMinBorderDist(0, reach);
    if (m_timeAxisMargin < 0)
        m_timeAxisMargin = timeAxis->margin();
    const QwtScaleDraw *timeDraw = axisScaleDraw(QwtPlot::xBottom);
    const int labelsBelow = int(std::ceil(timeDraw->maxTickLength() + timeDraw->spacing()));
    timeAxis->setMargin(std::max(m_timeAxisMargin, reach - labelsBelow));
    fitTickCounts();
}

void LinenPlot::replot()
{
    fitTickCounts();
    QwtPlot::replot();
}

void LinenPlot::resizeEvent(QResizeEvent *event)
{
    QwtPlot::resizeEvent(event);
    if (fitTickCounts())
        replot();
}

bool LinenPlot::fitTickCounts()
{
    // Qwt's own count, where there is room.
    constexpr int MostTicks = 8;
    const QWidget *area = canvas();
    if (!area)
        return false;
    bool changed = false;
    const auto fit = [&](int axis, int length, int labelExtent) {
        const int count = std::clamp(labelExtent > 0 ? length / labelExtent : MostTicks, 1, MostTicks);
        if (axisMaxMajor(axis) != count) {
            setAxisMaxMajor(axis, count);
            changed = true;
        }
    };
    // Values stack: one and a half lines a step.
    const QFontMetrics valueMetrics(axisWidget(QwtPlot::yLeft)->font());
    fit(QwtPlot::yLeft, area->height(), valueMetrics.height() * 3 / 2);
    // Times side by side: the widest label of the present scale and a digit's gap.
    const QFont timeFont = axisWidget(QwtPlot::xBottom)->font();
    const QwtScaleDraw *timeDraw = axisScaleDraw(QwtPlot::xBottom);
    int widest = 0;
    for (double tick : axisScaleDiv(QwtPlot::xBottom).ticks(QwtScaleDiv::MajorTick))
        widest = std::max(widest, int(std::ceil(timeDraw->labelSize(timeFont, tick).width())));
    fit(QwtPlot::xBottom, area->width(), widest + QFontMetrics(timeFont).horizontalAdvance(QLatin1Char('0')));
    return changed;
}

void LinenPlot::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        updateAxisFonts();
    QwtPlot::changeEvent(event);
}

void LinenPlot::showEvent(QShowEvent *event)
{
    setAllItemsVisible(true);
    QwtPlot::showEvent(event);
}
