// The live graph's cost per reading: one sample appended and the plot redrawn (replot and
// paint, offscreen), at 1000, 10000 and 20000 samples held. Beside it, the same redraw with
// Qwt's own curve drawing, for comparison. Run by hand:   build/<dir>/bin/bench_graph [samples]

#include "BenchSupport.h"

#include "Interface/GraphWidget.h"
#include "Interface/LinenCurve.h"
#include "Interface/LinenPlot.h"

#include <qwt_painter.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPen>
#include <QTest>
#include <QTextStream>

#include <cmath>
#include <functional>
#include <vector>

namespace {

constexpr int Iterations = 300;
const QSize PlotSize(1280, 620);
const QPen CurvePen(QBrush(Qt::red), 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);

// A reading of a slowly swinging pressure with some noise, one a second.
double reading(int i)
{
    return 250.0 + 60.0 * std::sin(i / 300.0) + 3.0 * std::sin(i * 1.7) + 0.5 * std::cos(i * 0.37);
}

struct Figures
{
    double median;
    double p95;
    double max;
};

Figures time(const std::function<void(int)> &step, int first)
{
    std::vector<double> ms;
    for (int i = 0; i < Iterations; ++i) {
        QElapsedTimer timer;
        timer.start();
        step(first + i);
        // The paint of the replot happens here.
        QCoreApplication::processEvents();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return Figures{Bench::median(ms), ms[size_t(ms.size() * 95 / 100)], ms.back()};
}

QString text(const Figures &f)
{
    return QStringLiteral("median %1 ms, 95% %2 ms, max %3 ms")
        .arg(f.median, 0, 'f', 2)
        .arg(f.p95, 0, 'f', 2)
        .arg(f.max, 0, 'f', 2);
}

Figures linenPlot(int samples)
{
    GraphWidget graph;
    LinenPlot *plot = graph.plot();
    plot->addCurve(QStringLiteral("Pэтал"), CurvePen);
    plot->removeLegend();
    plot->setAxisTitle(QwtPlot::yLeft, QStringLiteral("Давление, кПа"));
    graph.resize(PlotSize.width(), PlotSize.height() + 60);
    graph.show();
    if (!QTest::qWaitForWindowExposed(&graph))
        qWarning("the graph was not shown");
    const auto add = [plot](int i) {
        plot->appendSampleAt(1000.0 * i);
        plot->fillCurveTail(0, reading(i));
        plot->updateSamples();
    };
    for (int i = 0; i < samples; ++i)
        add(i);
    QCoreApplication::processEvents();
    return time(add, samples);
}

// The same samples drawn by Qwt's own curve, in a plot set up as the live graph's.
Figures qwtCurve(int samples)
{
    QwtPlot plot;
    plot.setAutoReplot(false);
    auto *canvas = new QwtPlotCanvas();
    canvas->setFrameStyle(QFrame::NoFrame);
    plot.setCanvas(canvas);
    (new QwtPlotGrid())->attach(&plot);
    auto *curve = new QwtPlotCurve();
    curve->setPen(CurvePen);
    curve->attach(&plot);
    plot.resize(PlotSize);
    plot.show();
    if (!QTest::qWaitForWindowExposed(&plot))
        qWarning("the plot was not shown");
    QVector<double> x, y;
    const auto add = [&](int i) {
        if (x.size() >= samples) {
            x.removeFirst();
            y.removeFirst();
        }
        x.append(1000.0 * i);
        y.append(reading(i));
        curve->setSamples(x, y);
        plot.replot();
    };
    for (int i = 0; i < samples; ++i)
        add(i);
    QCoreApplication::processEvents();
    return time(add, samples);
}

}

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> sizes = {1000, 10000, 20000};
    if (argc > 1)
        sizes = {QString::fromLocal8Bit(argv[1]).toInt()};

    QTextStream cout(stdout);
    cout << "One reading appended and redrawn, " << Iterations << " readings at each size, plot "
         << PlotSize.width() << " x " << PlotSize.height() << ", platform " << QGuiApplication::platformName()
         << "\nlive graph: LinenCurve (NaN gaps; the samples of a pixel column reduced to first, lowest, highest and "
            "last; stroked in pieces cut in the middle of long segments), "
            "Qwt's ClipPolygons on, canvas backing store, no antialiasing\n";
    for (int samples : sizes) {
        cout << samples << " samples: live graph " << text(linenPlot(samples)) << Qt::endl;
        cout << samples << " samples: Qwt's own curve drawing (polyline splitting "
             << (QwtPainter::polylineSplitting() ? "on" : "off") << ") " << text(qwtCurve(samples)) << Qt::endl;
    }
    cout << "peak memory " << QString::number(Bench::peakMiB(), 'f', 1) << " MiB" << Qt::endl;
    return 0;
}
