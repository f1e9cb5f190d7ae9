#pragma once

#include <qwt_legend.h>
#include <qwt_plot.h>

#include <QElapsedTimer>
#include <QMutex>
#include <QPointer>
#include <QVector>

#include <vector>

class DateTimeScaleDrawMinutes;
class LinenCurve;
class QPen;
class QwtPlotGrid;
class QwtPlotPanner;
class QwtPlotZoomer;
class QwtPlotMagnifierP;

// The live graph's plot: pressure against the time since the last clear.
//
// Samples live in vectors with room for Capacity values; slots are added GrowthStep at a time
// and, once Capacity samples are held, the oldest DropStep are dropped. Slots 0 .. count - 1
// hold completed samples, slots count .. end repeat the newest one, so the whole vectors draw
// the curve exactly up to its newest point. A sample is added in three calls: appendSample
// (its time), fillCurveTail for every curve (its value) and updateSamples (one replot).
class LinenPlot : public QwtPlot
{
    Q_OBJECT
public:
    static constexpr int Capacity = 20000;
    static constexpr int GrowthStep = 100;
    static constexpr int DropStep = 100;
    // Qwt sets the axes in 10 points and their titles in 12, bold, made for the program's
    // 8-point default: the plot keeps these steps above its own font, so the axes follow it.
    static constexpr int AxisFontStep = 2;
    static constexpr int AxisTitleFontStep = 4;

    explicit LinenPlot(QWidget *parent = nullptr);
    ~LinenPlot() override;

    void addCurve(const QString &title, const QPen &pen);
    void removeLegend();

    // Opens the slot of a new sample, stamped with the milliseconds since the last clear.
    void appendSample();
    // The same with a given time (milliseconds since the last clear).
    void appendSampleAt(double timeMs);
    void fillCurveTail(int curve, double value);
    void updateSamples();

    // 1: autoscale on for the time axis; 2: for the value axis. No replot.
    void setAutoScale(int kind);
    // Shifts the view by a tenth: 0 left, 1 right, 2 up, 3 down.
    void moveView(int direction);
    // The value axis over the visible curves' samples inside the time axis's range.
    void fitYToVisible();
    void setAllItemsVisible(bool on);

    int sampleCount() const { return m_count; }
    // The index of the last slot; -1 when there are none.
    int lastSlot() const { return m_end; }
    const QVector<double> &times() const { return m_times; }
    const QVector<double> &values(int curve) const;
    int curveCount() const { return int(m_curves.size()); }
    LinenCurve *curve(int index) const;
    QwtLegend *checkableLegend() const { return m_legend; }

public slots:
    void clear();
    void setStandartPlotScale();
    void zoomIn();
    void zoomOut();
    // Saves the first curve's samples as a workbook the operator names.
    void saveData();
    // 2 (minutes on the time axis) is the only mode.
    void setPlotMode(int mode);
    void showItem(const QVariant &itemInfo, bool on);
    void replot() override;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct CurveRecord
    {
        LinenCurve *curve;
        QVector<double> values;
    };

    void zoom(double factor);
    // The axes' labels and titles in the plot's font, AxisFontStep and AxisTitleFontStep larger.
    void updateAxisFonts();
    // Hands every curve the whole vectors (end + 1 slots).
    void handSamplesToCurves();
    // No more major ticks on an axis than the canvas has room for labels that do not touch;
    // true when a count changed.
    bool fitTickCounts();

    QElapsedTimer m_clock;
    int m_count = 0;
    int m_end = -1;
    QVector<double> m_times;
    std::vector<CurveRecord> m_curves;
    // Taken only in the GUI thread: it guards against re-entry, not against other threads.
    QMutex m_mutex;
    double m_newSampleTime = 0.0;
    QPointer<QwtLegend> m_legend;
    QwtPlotMagnifierP *m_magnifier = nullptr;
    QwtPlotPanner *m_panner = nullptr;
    QwtPlotZoomer *m_zoomer = nullptr;
    QwtPlotGrid *m_grid = nullptr;
    DateTimeScaleDrawMinutes *m_timeScaleDraw = nullptr;
    // Qwt's distance between the canvas and the time axis, widened at large fonts.
    int m_timeAxisMargin = -1;
};
