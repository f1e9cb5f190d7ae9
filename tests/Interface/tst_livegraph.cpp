// The live graph on its own: the sample vectors, the fit, zoom and move, the legend, the time
// axis, the drawing of failed readings and the saved workbook (read back by openpyxl).
#include "Interface/Application.h"
#include "Interface/DateTimeScaleDrawMinutes.h"
#include "Interface/GraphWidget.h"
#include "Interface/LinenCurve.h"
#include "Interface/LinenPlot.h"
#include "Modal.h"
#include "Parameters/MainHandler.h"
#include "Parameters/MessageHandler.h"
#include "Parameters/Units.h"
#include "TestSupport.h"
#include "Widgets/HButton.h"
#include "XlsxCheck.h"

#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_painter.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_scale_div.h>
#include <qwt_scale_engine.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>
#include <qwt_text_engine.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPen>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const QPen CurvePen(QBrush(Qt::red), 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);

void addSample(LinenPlot *plot, double timeMs, double value)
{
    plot->appendSampleAt(timeMs);
    plot->fillCurveTail(0, value);
    plot->updateSamples();
}

// Samples at 0, 1000, 2000, ... ms.
void addSamples(LinenPlot *plot, const QVector<double> &values)
{
    for (int i = 0; i < values.size(); ++i)
        addSample(plot, 1000.0 * i, values.at(i));
}

QPair<double, double> rangeOf(LinenPlot *plot, int axis)
{
    const QwtScaleDiv div = plot->axisScaleDiv(axis);
    return qMakePair(div.lowerBound(), div.upperBound());
}

// Pixels of a colour close to the curve's red, in the columns [left, right) of an image.
int redPixels(const QImage &image, int left, int right)
{
    int n = 0;
    for (int x = std::max(0, left); x < std::min(right, image.width()); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80)
                ++n;
        }
    }
    return n;
}

// Where an axis draws the label of a value, in the plot's coordinates. Qwt places a tick label
// by its digits alone and draws the descent of the line (where the comma's tail goes) below that
// place: the box holds the digits and the descent; above the digits a number has no ink.
QRect labelBox(const LinenPlot *plot, int axis, double value)
{
    const QwtScaleWidget *widget = plot->axisWidget(axis);
    const QwtScaleDraw *draw = widget->scaleDraw();
    const QFont font = widget->font();
    const QRectF digits = draw->labelRect(font, value).translated(draw->labelPosition(value));
    double left = 0, right = 0, top = 0, bottom = 0;
    QwtText::textEngine(QwtText::PlainText)->textMargins(font, draw->label(value).text(), left, right, top, bottom);
    return digits.adjusted(-left, 0, right, bottom).toAlignedRect().translated(widget->pos());
}

// The boxes of the labels of an axis's major ticks, from the lowest value up.
QList<QRect> labelBoxes(const LinenPlot *plot, int axis)
{
    QList<QRect> boxes;
    for (double tick : plot->axisScaleDiv(axis).ticks(QwtScaleDiv::MajorTick))
        boxes << labelBox(plot, axis, tick);
    return boxes;
}

QString rectText(const QRect &r)
{
    return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

}

Q_DECLARE_METATYPE(QVector<double>)

class TestLiveGraph : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sampleVectors();
    void fitToVisible_data();
    void fitToVisible();
    void zoomFitsTheVisibleSamples();
    void moveButtons_data();
    void moveButtons();
    void movedViewStaysUntilRestored();
    void zoomBackShowsTheReadings_data();
    void zoomBackShowsTheReadings();
    void restoreAndClearEndTheZoom_data();
    void restoreAndClearEndTheZoom();
    void legendShowsAndHidesCurves();
    void minuteLabels_data();
    void minuteLabels();
    void pressureLabels_data();
    void pressureLabels();
    void pressureAxisInFixedNotation_data();
    void pressureAxisInFixedNotation();
    void axisLabelsWholeAndApart_data();
    void axisLabelsWholeAndApart();
    void timeTicksOnTenthsOfAMinute_data();
    void timeTicksOnTenthsOfAMinute();
    void failedReadingLeavesAGap();
    void denseCurveDrawsAsTheWholePolyline();
    void clearEmptiesThePlot();
    void saveEmptyGraph();
    void saveData();
    void saveDataFails();
    void saveDataCancelled();

private:
    LinenPlot *plot() const { return m_graph->plot(); }
    // Two minutes of readings between 2000 and 2500, one a second.
    void addTwoMinutes();
    // Draws a zoom rectangle over the middle of the canvas with the right button.
    void dragZoomRectangle();
    // A right click on the canvas with the modifier: the zoomer's way back.
    void rightClick(Qt::KeyboardModifiers modifiers);
    // Runs saveData, answering its file dialog with a typed name (empty: cancel).
    void saveAs(const QString &typedName);

    std::unique_ptr<GraphWidget> m_graph;
    QTemporaryDir m_dir;
    QList<QPair<QString, int>> m_messages;
    QList<QPair<bool, bool>> m_locks;
    QString m_lockWatchedFile;
};

void TestLiveGraph::initTestCase()
{
    QVERIFY(m_dir.isValid());
    createApplicationObjects();
    connect(MessageHandler::instance, &MessageHandler::showMessageSignal, this,
            [this](const QString &text, int type) { m_messages << qMakePair(text, type); });
    connect(MainHandler::instance, &MainHandler::setScreenLockState, this,
            [this](bool on) { m_locks << qMakePair(on, QFile::exists(m_lockWatchedFile)); });
}

void TestLiveGraph::init()
{
    m_graph.reset(new GraphWidget());
    plot()->addCurve(QStringLiteral("Pэтал"), CurvePen);
    plot()->removeLegend();
    m_graph->resize(900, 600);
    m_graph->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_graph.get()));
    m_messages.clear();
    m_locks.clear();
}

void TestLiveGraph::cleanup()
{
    m_graph.reset();
    // Message boxes that errors left over the window.
    QCoreApplication::processEvents();
}

void TestLiveGraph::sampleVectors()
{
    // Sample k (from 1) has the value k, so the oldest one held tells how many were dropped.
    const QList<QVector<int>> checkpoints = {
        // samples, count, end, oldest
        {1, 1, 99, 1},
        {99, 99, 99, 1},
        {100, 100, 199, 1},
        {20000, 20000, 20000, 1},
        {20001, 19901, 20000, 101},
        {20100, 20000, 20000, 101},
        {20101, 19901, 20000, 201},
    };
    int k = 0;
    for (const QVector<int> &checkpoint : checkpoints) {
        while (k < checkpoint[0]) {
            ++k;
            addSample(plot(), 10.0 * k, k);
        }
        const QString where = QStringLiteral("after %1 samples").arg(k);
        QCOMPARE(plot()->sampleCount(), checkpoint[1]);
        QCOMPARE(plot()->lastSlot(), checkpoint[2]);
        const QVector<double> &times = plot()->times();
        const QVector<double> &values = plot()->values(0);
        QCOMPARE(times.size(), checkpoint[2] + 1);
        QCOMPARE(values.size(), checkpoint[2] + 1);
        QCOMPARE(values.first(), double(checkpoint[3]));
        for (int i = 1; i < plot()->sampleCount(); ++i) {
            QVERIFY2(values.at(i) == values.at(i - 1) + 1 && times.at(i) > times.at(i - 1), qPrintable(where));
        }
        // The free slots repeat the newest sample, so the whole vectors end at it.
        for (int i = plot()->sampleCount(); i <= plot()->lastSlot(); ++i)
            QVERIFY2(values.at(i) == k && times.at(i) == 10.0 * k, qPrintable(where));
        QCOMPARE(int(plot()->curve(0)->dataSize()), checkpoint[2] + 1);
    }
}

void TestLiveGraph::fitToVisible_data()
{
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");

    // Samples at 0, 1000, 2000 ... ms; the value axis stands at -100 .. 100 before the fit.
    QTest::newRow("visible samples only") << QVector<double>{5, 1, 9, 3, 7} << 500.0 << 3500.0 << 1.0 << 9.0;
    QTest::newRow("samples on the range's ends are outside")
        << QVector<double>{5, 1, 9, 3, 7} << 1000.0 << 3000.0 << 4.5 << 13.5;
    QTest::newRow("failed readings skipped") << QVector<double>{5, NaN, 2, NaN, 8} << -1.0 << 4001.0 << 2.0 << 8.0;
    QTest::newRow("constant reading") << QVector<double>{3, 3, 3} << -1.0 << 2001.0 << 1.5 << 4.5;
    QTest::newRow("constant zero") << QVector<double>{0, 0} << -1.0 << 1001.0 << -0.5 << 0.5;
    QTest::newRow("constant below zero") << QVector<double>{-4, -4} << -1.0 << 1001.0 << -6.0 << -2.0;
    QTest::newRow("only failed readings: axis stays") << QVector<double>{NaN, NaN} << -1.0 << 1001.0 << -100.0 << 100.0;
    QTest::newRow("range between samples: axis stays") << QVector<double>{1, 2} << 200.0 << 800.0 << -100.0 << 100.0;
    QTest::newRow("empty plot: axis stays") << QVector<double>{} << -1.0 << 1001.0 << -100.0 << 100.0;
}

void TestLiveGraph::fitToVisible()
{
    QFETCH(QVector<double>, values);
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(double, low);
    QFETCH(double, high);

    addSamples(plot(), values);
    plot()->setAxisScale(QwtPlot::xBottom, from, to);
    plot()->setAxisScale(QwtPlot::yLeft, -100, 100);
    plot()->replot();
    plot()->fitYToVisible();
    plot()->replot();
    QCOMPARE(rangeOf(plot(), QwtPlot::yLeft), qMakePair(low, high));
}

void TestLiveGraph::zoomFitsTheVisibleSamples()
{
    // A ramp: value i at i seconds.
    QVector<double> ramp;
    for (int i = 0; i <= 100; ++i)
        ramp << i;
    addSamples(plot(), ramp);
    plot()->setAxisScale(QwtPlot::xBottom, 0, 100000);
    plot()->replot();

    plot()->zoomIn();
    QCOMPARE(rangeOf(plot(), QwtPlot::xBottom), qMakePair(10000.0, 90000.0));
    QCOMPARE(rangeOf(plot(), QwtPlot::yLeft), qMakePair(11.0, 89.0));
    plot()->zoomOut();
    const auto time = rangeOf(plot(), QwtPlot::xBottom);
    QVERIFY(qFuzzyCompare(time.first, 2000.0) && qFuzzyCompare(time.second, 98000.0));
    QCOMPARE(rangeOf(plot(), QwtPlot::yLeft), qMakePair(3.0, 97.0));
}

void TestLiveGraph::moveButtons_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<double>("dx");
    QTest::addColumn<double>("dy");
    // The bar: zoom in, zoom out, restore, then the four arrows.
    QTest::newRow("left") << 3 << -0.1 << 0.0;
    QTest::newRow("right") << 4 << 0.1 << 0.0;
    QTest::newRow("up") << 5 << 0.0 << 0.1;
    QTest::newRow("down") << 6 << 0.0 << -0.1;
}

void TestLiveGraph::moveButtons()
{
    QFETCH(int, button);
    QFETCH(double, dx);
    QFETCH(double, dy);

    addSamples(plot(), {10, 30, 20});
    plot()->setAxisScale(QwtPlot::xBottom, 0, 2000);
    plot()->setAxisScale(QwtPlot::yLeft, 10, 30);
    plot()->replot();
    QCOMPARE(m_graph->buttons().size(), 9);
    QTest::mouseClick(m_graph->buttons().at(button), Qt::LeftButton);
    QCOMPARE(rangeOf(plot(), QwtPlot::xBottom), qMakePair(0 + dx * 2000, 2000 + dx * 2000));
    QCOMPARE(rangeOf(plot(), QwtPlot::yLeft), qMakePair(10 + dy * 20, 30 + dy * 20));
}

void TestLiveGraph::movedViewStaysUntilRestored()
{
    addSamples(plot(), {10, 30, 20});
    plot()->replot();
    const auto time = rangeOf(plot(), QwtPlot::xBottom);
    const auto value = rangeOf(plot(), QwtPlot::yLeft);
    plot()->moveView(0);
    const auto moved = rangeOf(plot(), QwtPlot::xBottom);
    QVERIFY(moved.first < time.first);

    // Far beyond the view, in time and in value: the view stays where it was put.
    addSample(plot(), 600000, 500);
    QCOMPARE(rangeOf(plot(), QwtPlot::xBottom), moved);
    QCOMPARE(rangeOf(plot(), QwtPlot::yLeft), value);

    QTest::mouseClick(m_graph->buttons().at(2), Qt::LeftButton);   // restore
    QVERIFY(rangeOf(plot(), QwtPlot::xBottom).second >= 600000);
    QVERIFY(rangeOf(plot(), QwtPlot::yLeft).second >= 500);
}

void TestLiveGraph::addTwoMinutes()
{
    for (int i = 0; i <= 120; ++i)
        addSample(plot(), 1000.0 * i, 2250 + 250 * std::sin(i / 10.0));
}

// Through the window, as the platform delivers the mouse: only so do the moves with the button
// held reach the canvas (QTest's moves on a widget just place the cursor).
void TestLiveGraph::dragZoomRectangle()
{
    QWidget *canvas = plot()->canvas();
    QWindow *window = canvas->window()->windowHandle();
    const auto at = [&](int x, int y) { return window->mapFromGlobal(canvas->mapToGlobal(QPoint(x, y))); };
    const QPoint from = at(canvas->width() * 3 / 10, canvas->height() * 3 / 10);
    const QPoint to = at(canvas->width() * 6 / 10, canvas->height() * 6 / 10);
    QTest::mousePress(window, Qt::RightButton, Qt::NoModifier, from);
    QTest::mouseMove(window, (from + to) / 2);
    QTest::mouseMove(window, to);
    QTest::mouseRelease(window, Qt::RightButton, Qt::NoModifier, to);
}

void TestLiveGraph::rightClick(Qt::KeyboardModifiers modifiers)
{
    QWidget *canvas = plot()->canvas();
    QWindow *window = canvas->window()->windowHandle();
    QTest::mouseClick(window, Qt::RightButton, modifiers,
                      window->mapFromGlobal(canvas->mapToGlobal(canvas->rect().center())));
}

void TestLiveGraph::zoomBackShowsTheReadings_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::newRow("back to the base") << int(Qt::ControlModifier);
    QTest::newRow("one step back") << int(Qt::ShiftModifier);
}

void TestLiveGraph::zoomBackShowsTheReadings()
{
    QFETCH(int, modifiers);
    addTwoMinutes();
    const auto time = rangeOf(plot(), QwtPlot::xBottom);
    const auto value = rangeOf(plot(), QwtPlot::yLeft);
    QVERIFY(time.first <= 0 && time.second >= 120000);
    QVERIFY(value.first <= 2000 && value.second >= 2500);

    dragZoomRectangle();
    const auto zoomed = rangeOf(plot(), QwtPlot::xBottom);
    QVERIFY(zoomed.first > time.first && zoomed.second < time.second);
    QVERIFY(!plot()->axisAutoScale(QwtPlot::xBottom));

    // The view the rectangle was drawn on, with the whole curve in it.
    rightClick(Qt::KeyboardModifiers(modifiers));
    QCOMPARE(rangeOf(plot(), QwtPlot::xBottom), time);
    QCOMPARE(rangeOf(plot(), QwtPlot::yLeft), value);
}

void TestLiveGraph::restoreAndClearEndTheZoom_data()
{
    QTest::addColumn<int>("button");
    QTest::newRow("restore") << 2;
    QTest::newRow("clear") << 8;
}

void TestLiveGraph::restoreAndClearEndTheZoom()
{
    QFETCH(int, button);
    addTwoMinutes();
    dragZoomRectangle();
    QTest::mouseClick(m_graph->buttons().at(button), Qt::LeftButton);

    // Readings far from the zoomed view and from the one it was drawn on: no step back leads to
    // either, the axes keep following the readings.
    addSample(plot(), 600000, 9000);
    addSample(plot(), 660000, 8000);
    const auto time = rangeOf(plot(), QwtPlot::xBottom);
    const auto value = rangeOf(plot(), QwtPlot::yLeft);
    QVERIFY(time.second >= 660000 && value.second >= 9000);
    rightClick(Qt::ShiftModifier);
    rightClick(Qt::ControlModifier);
    QCOMPARE(rangeOf(plot(), QwtPlot::xBottom), time);
    QCOMPARE(rangeOf(plot(), QwtPlot::yLeft), value);
    QVERIFY(plot()->axisAutoScale(QwtPlot::xBottom) && plot()->axisAutoScale(QwtPlot::yLeft));

    // A new rectangle zooms from this view and leads back to it.
    dragZoomRectangle();
    QVERIFY(rangeOf(plot(), QwtPlot::xBottom) != time);
    rightClick(Qt::ControlModifier);
    QCOMPARE(rangeOf(plot(), QwtPlot::xBottom), time);
    QCOMPARE(rangeOf(plot(), QwtPlot::yLeft), value);
}

void TestLiveGraph::legendShowsAndHidesCurves()
{
    // A plot that keeps its legend, with two curves.
    LinenPlot own;
    own.addCurve(QStringLiteral("A"), CurvePen);
    own.addCurve(QStringLiteral("B"), QPen(Qt::blue));
    own.resize(600, 400);
    own.show();
    QVERIFY(QTest::qWaitForWindowExposed(&own));
    QwtLegend *legend = own.checkableLegend();
    QVERIFY(legend);
    const auto labelOf = [&](int curve) {
        return qobject_cast<QwtLegendLabel *>(legend->legendWidget(own.itemToInfo(own.curve(curve))));
    };
    QVERIFY(labelOf(0) && labelOf(1));
    QVERIFY(labelOf(0)->isChecked() && labelOf(1)->isChecked());

    own.appendSampleAt(0);
    own.fillCurveTail(0, 1);
    own.fillCurveTail(1, 50);
    own.updateSamples();
    own.appendSampleAt(1000);
    own.fillCurveTail(0, 2);
    own.fillCurveTail(1, 60);
    own.updateSamples();

    QTest::mouseClick(labelOf(1), Qt::LeftButton);
    QVERIFY(!own.curve(1)->isVisible());
    QVERIFY(own.curve(0)->isVisible());
    QVERIFY(!labelOf(1)->isChecked());
    // A hidden curve takes no part in the fit.
    own.setAxisScale(QwtPlot::xBottom, -1, 1001);
    own.replot();
    own.fitYToVisible();
    own.replot();
    QCOMPARE(rangeOf(&own, QwtPlot::yLeft), qMakePair(1.0, 2.0));

    // Showing the plot again shows every curve.
    own.hide();
    own.show();
    QVERIFY(own.curve(1)->isVisible());
    QVERIFY(labelOf(1)->isChecked());
}

void TestLiveGraph::minuteLabels_data()
{
    QTest::addColumn<double>("ms");
    QTest::addColumn<QString>("label");
    QTest::newRow("start") << 0.0 << "0,0";
    QTest::newRow("90 s") << 90000.0 << "1,5";
    QTest::newRow("rounded to a tenth") << 7000.0 << "0,1";
    QTest::newRow("ten minutes") << 600000.0 << "10,0";
    QTest::newRow("before the start") << -30000.0 << "-0,5";
}

void TestLiveGraph::minuteLabels()
{
    QFETCH(double, ms);
    QFETCH(QString, label);
    DateTimeScaleDrawMinutes draw;
    QCOMPARE(draw.label(ms).text(), label);
}

void TestLiveGraph::pressureLabels_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("label");
    // Whatever the system's locale: 1000 must not read as "1,000", one with three decimals.
    QTest::newRow("thousand") << 1000.0 << QStringLiteral("1\u00a0000");
    QTest::newRow("fraction") << 0.5 << "0,5";
    QTest::newRow("below zero") << -90.0 << "-90";
}

void TestLiveGraph::pressureLabels()
{
    QFETCH(double, value);
    QFETCH(QString, label);
    QCOMPARE(plot()->axisScaleDraw(QwtPlot::yLeft)->label(value).text(), label);
}

void TestLiveGraph::pressureAxisInFixedNotation_data()
{
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("label");
    QTest::newRow("a megapascal in pascals") << 0.0 << 1e6 << 100000.0 << 0 << 1e6 << QStringLiteral("1\u00a0000\u00a0000");
    QTest::newRow("half a unit in steps of 0,05, floating noise aside")
        << 0.0 << 0.5 << 0.05 << 2 << 0.1 + 0.2 << "0,30";
}

void TestLiveGraph::pressureAxisInFixedNotation()
{
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(double, step);
    QFETCH(int, decimals);
    QFETCH(double, value);
    QFETCH(QString, label);

    plot()->setAxisScale(QwtPlot::yLeft, from, to, step);
    plot()->replot();
    const QwtScaleDraw *draw = plot()->axisScaleDraw(QwtPlot::yLeft);
    const QList<double> ticks = plot()->axisScaleDiv(QwtPlot::yLeft).ticks(QwtScaleDiv::MajorTick);
    QCOMPARE(ticks.size(), 11);
    QStringList labels;
    for (double tick : ticks) {
        const QString text = draw->label(tick).text();
        QVERIFY2(!text.contains(QLatin1Char('e'), Qt::CaseInsensitive), qPrintable(text));
        // Each label reads back as its tick, with the decimals the step needs, one count for all.
        const int comma = text.indexOf(QLatin1Char(','));
        QCOMPARE(comma < 0 ? 0 : text.size() - comma - 1, decimals);
        bool ok = false;
        QVERIFY2(std::abs(numberLocale().toDouble(text, &ok) - tick) < step / 1000 && ok, qPrintable(text));
        labels << text;
    }
    QCOMPARE(QSet<QString>(labels.begin(), labels.end()).size(), labels.size());
    QCOMPARE(draw->label(value).text(), label);
}

void TestLiveGraph::axisLabelsWholeAndApart_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<QSize>("size");
    for (int points : {5, 8, 16})
        QTest::addRow("%d points", points) << points << QSize(900, 600);
    for (int points : {30, 80})
        QTest::addRow("%d points", points) << points << QSize(1600, 1000);
}

void TestLiveGraph::axisLabelsWholeAndApart()
{
    QFETCH(int, points);
    QFETCH(QSize, size);
    const QFont original = QApplication::font();
    QFont font = original;
    font.setPointSize(points);
    // As the main window changes the font.
    QApplication::setFont(font);
    emit MainHandler::instance->fontChanged();
    m_graph->resize(size);
    plot()->setAxisTitle(QwtPlot::yLeft, QStringLiteral("Давление, кПа"));
    // From 0,15 to 0,30 over 19 seconds: the lowest label, "0,14", stands at the canvas's
    // lower left corner, where the time axis begins with "0,0".
    for (int i = 0; i < 20; ++i)
        addSample(plot(), 1000.0 * i, 0.15 + 0.15 * i / 19);
    QCoreApplication::processEvents();

    QStringList faults;
    const QList<QRect> values = labelBoxes(plot(), QwtPlot::yLeft);
    const QList<QRect> times = labelBoxes(plot(), QwtPlot::xBottom);
    QVERIFY(values.size() >= 2 && times.size() >= 2);
    const QRect lowest = values.first();
    const QRect valueAxis = plot()->axisWidget(QwtPlot::yLeft)->geometry();
    if (!valueAxis.contains(lowest))
        faults << QStringLiteral("the lowest value label %1 is cut by its axis %2").arg(rectText(lowest), rectText(valueAxis));
    const QwtScaleWidget *timeAxis = plot()->axisWidget(QwtPlot::xBottom);
    const int titleHeight = timeAxis->titleHeightForWidth(timeAxis->width());
    const QRect title(timeAxis->x(), timeAxis->geometry().bottom() + 1 - titleHeight, timeAxis->width(), titleHeight);
    for (const QRect &other : times + QList<QRect>{title}) {
        if (lowest.intersects(other))
            faults << QStringLiteral("the lowest value label %1 meets the time axis at %2").arg(rectText(lowest), rectText(other));
    }
    for (const QList<QRect> &axis : {values, times}) {
        for (int i = 1; i < axis.size(); ++i) {
            if (axis.at(i).intersects(axis.at(i - 1)))
                faults << QStringLiteral("labels %1 and %2 overlap").arg(rectText(axis.at(i - 1)), rectText(axis.at(i)));
        }
    }
    QApplication::setFont(original);
    emit MainHandler::instance->fontChanged();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
}

void TestLiveGraph::timeTicksOnTenthsOfAMinute_data()
{
    QTest::addColumn<double>("lastMs");
    QTest::newRow("25 seconds") << 25000.0;
    QTest::newRow("3 seconds") << 3000.0;
    QTest::newRow("7 minutes") << 420000.0;
    QTest::newRow("5 hours") << 5.5 * 3600000.0;
}

void TestLiveGraph::timeTicksOnTenthsOfAMinute()
{
    QFETCH(double, lastMs);
    addSample(plot(), 0, 1);
    addSample(plot(), lastMs, 2);
    const QList<double> ticks = plot()->axisScaleDiv(QwtPlot::xBottom).ticks(QwtScaleDiv::MajorTick);
    QVERIFY(!ticks.isEmpty());
    QStringList labels;
    const QwtScaleDraw *draw = plot()->axisScaleDraw(QwtPlot::xBottom);
    for (double tick : ticks) {
        const double tenths = tick / 6000.0;
        QVERIFY2(std::abs(tenths - std::round(tenths)) < 1e-6, qPrintable(QString::number(tick)));
        labels << draw->label(tick).text();
    }
    // Every tick tells its own time.
    QCOMPARE(labels.size(), QSet<QString>(labels.begin(), labels.end()).size());
}

void TestLiveGraph::failedReadingLeavesAGap()
{
    // 1, 2, failed, 2, 1: the axis fits the numbers and the line breaks where the reading failed.
    addSamples(plot(), {1, 2, NaN, 2, 1});
    const auto value = rangeOf(plot(), QwtPlot::yLeft);
    QVERIFY(value.first <= 1 && value.second >= 2 && value.second - value.first <= 2);

    const QwtScaleMap map = plot()->canvasMap(QwtPlot::xBottom);
    const QImage canvas = plot()->canvas()->grab().toImage();
    const int x1 = int(map.transform(1000)), x3 = int(map.transform(3000));
    QVERIFY(redPixels(canvas, int(map.transform(0)) + 3, x1 - 3) > 0);
    QCOMPARE(redPixels(canvas, x1 + 3, x3 - 3), 0);
    QVERIFY(redPixels(canvas, x3 + 3, int(map.transform(4000)) - 3) > 0);

    // A lone good reading between failed ones still shows.
    plot()->clear();
    addSamples(plot(), {NaN, 5, NaN});
    plot()->setAxisScale(QwtPlot::xBottom, 0, 2000);
    plot()->setAxisScale(QwtPlot::yLeft, 0, 10);
    plot()->replot();
    const QwtScaleMap lone = plot()->canvasMap(QwtPlot::xBottom);
    const int x = int(lone.transform(1000));
    QVERIFY(redPixels(plot()->canvas()->grab().toImage(), x - 3, x + 4) > 0);
}

void TestLiveGraph::denseCurveDrawsAsTheWholePolyline()
{
    // Thousands of samples, many to a pixel column: the reduced line draws the very pixels of
    // the whole polyline (drawn in one piece, as Qwt's splitting into short pieces would not).
    const int n = 5000;
    QVector<double> x(n), y(n);
    double walk = 100;
    for (int i = 0; i < n; ++i) {
        walk += std::sin(i * 0.37) * 3 + std::cos(i * 0.011) * 2;
        x[i] = 1000.0 * i;
        y[i] = walk + 10 * std::sin(i / 400.0) + 3 * std::sin(i * 1.7);
    }
    const auto render = [&](QwtPlotCurve *curve) {
        QwtPlot reference;
        reference.setAutoReplot(false);
        auto *canvas = new QwtPlotCanvas();
        canvas->setFrameStyle(QFrame::NoFrame);
        reference.setCanvas(canvas);
        curve->setPen(CurvePen);
        curve->setSamples(x, y);
        curve->attach(&reference);
        reference.resize(800, 500);
        reference.replot();
        return reference.grab().toImage();
    };
    const bool splitting = QwtPainter::polylineSplitting();
    QwtPainter::setPolylineSplitting(false);
    const QImage whole = render(new QwtPlotCurve());
    QwtPainter::setPolylineSplitting(splitting);
    const QImage reduced = render(new LinenCurve());
    QCOMPARE(reduced.size(), whole.size());
    QVERIFY(reduced == whole);
}

void TestLiveGraph::clearEmptiesThePlot()
{
    addSamples(plot(), {1, 2, 3});
    plot()->moveView(1);
    QTest::mouseClick(m_graph->buttons().at(8), Qt::LeftButton);   // clear
    QCOMPARE(plot()->sampleCount(), 0);
    QCOMPARE(plot()->lastSlot(), -1);
    QVERIFY(plot()->times().isEmpty() && plot()->values(0).isEmpty());
    QCOMPARE(int(plot()->curve(0)->dataSize()), 0);
    QVERIFY(plot()->axisAutoScale(QwtPlot::xBottom) && plot()->axisAutoScale(QwtPlot::yLeft));
    // The clock starts again: a sample taken now is near 0.
    plot()->appendSample();
    QVERIFY(plot()->times().first() < 5000);
}

void TestLiveGraph::saveEmptyGraph()
{
    // Returns at once: no dialog was opened.
    QTest::mouseClick(m_graph->buttons().at(7), Qt::LeftButton);
    QCOMPARE(m_messages, (QList<QPair<QString, int>>{{QStringLiteral("График пуст!"), 2}}));
    QVERIFY(m_locks.isEmpty());
}

void TestLiveGraph::saveAs(const QString &typedName)
{
    bool handled = false;
    TestSupport::handleNextModal([&](QWidget *modal) {
        handled = true;
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog) {
            if (modal)
                modal->close();
            return;
        }
        if (typedName.isEmpty()) {
            dialog->reject();
            return;
        }
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        edit->clear();
        QTest::keyClicks(edit, typedName);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    plot()->saveData();
    QVERIFY(handled);
}

void TestLiveGraph::saveData()
{
    plot()->setAxisTitle(QwtPlot::yLeft, QStringLiteral("Давление, кПа"));
    addSample(plot(), 0, 101.25);
    addSample(plot(), 90000, NaN);
    addSample(plot(), 150000, -3.5);

    const QString typed = m_dir.filePath(QStringLiteral("pressure-run"));
    const QString file = typed + QStringLiteral(".xlsx");
    m_lockWatchedFile = file;
    QFileDialog *dialog = nullptr;
    QVariantMap seen;
    TestSupport::handleNextModal([&](QWidget *modal) {
        dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog) {
            if (modal)
                modal->close();
            return;
        }
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        seen["title"] = dialog->windowTitle();
        seen["suffix"] = dialog->defaultSuffix();
        seen["filters"] = dialog->nameFilters();
        seen["save"] = dialog->acceptMode() == QFileDialog::AcceptSave;
        seen["proposed"] = edit->text();
        // The operator types a name without the suffix.
        edit->clear();
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    plot()->saveData();
    QVERIFY(dialog);
    QCOMPARE(seen["title"].toString(), QStringLiteral("Файл для сохранения набора точек в графике"));
    QCOMPARE(seen["suffix"].toString(), QStringLiteral("xlsx"));
    QCOMPARE(seen["filters"].toStringList(), QStringList{QStringLiteral("Файл Excel (*.xlsx)")});
    QVERIFY(seen["save"].toBool());
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}\\.\\d\\d\\.\\d\\d_\\d\\d-\\d\\d-\\d\\d$"))
                 .match(seen["proposed"].toString())
                 .hasMatch(),
             qPrintable(seen["proposed"].toString()));

    // The window is locked while the workbook is written.
    QCOMPARE(m_locks, (QList<QPair<bool, bool>>{{true, false}, {false, true}}));
    QVERIFY(m_messages.isEmpty());
    QVERIFY(QFile::exists(file));

    const QJsonObject dump = XlsxCheck::dump(file);
    QCOMPARE(dump.value("sheets").toVariant().toStringList(), QStringList{QStringLiteral("Данные")});
    const QJsonObject cells = XlsxCheck::cells(dump, QStringLiteral("Данные"));
    const auto number = [&](const char *cell) { return cells.value(cell).toObject().value("v").toDouble(); };
    QCOMPARE(cells.value("A1").toObject().value("v").toString(), QStringLiteral("Время, мин"));
    QCOMPARE(cells.value("B1").toObject().value("v").toString(), QStringLiteral("Давление, кПа"));
    QCOMPARE(number("A2"), 0.0);
    QCOMPARE(number("A3"), 1.5);
    QCOMPARE(number("A4"), 2.5);
    QCOMPARE(number("B2"), 101.25);
    QCOMPARE(number("B4"), -3.5);
    QCOMPARE(cells.value("A4").toObject().value("t").toString(), QStringLiteral("n"));
    // A failed reading leaves its value cell empty; its time is still there.
    QVERIFY(!cells.contains("B3"));
    QVERIFY(!cells.contains("A5") && !cells.contains("B5"));
}

void TestLiveGraph::saveDataFails()
{
    addSample(plot(), 0, 1);
    // A folder nobody may create files in.
    saveAs(QStringLiteral("/proc/graph.xlsx"));
    QCOMPARE(m_messages, (QList<QPair<QString, int>>{{QStringLiteral("При сохранении данных произошла ошибка!"), 2}}));
    QCOMPARE(m_locks.size(), 2);
    QVERIFY(m_locks.at(0).first && !m_locks.at(1).first);
    QCOMPARE(plot()->sampleCount(), 1);
}

void TestLiveGraph::saveDataCancelled()
{
    addSample(plot(), 0, 1);
    saveAs(QString());
    QVERIFY(m_locks.isEmpty());
    QVERIFY(m_messages.isEmpty());
}

APPDIR_TEST_MAIN(TestLiveGraph)

#include "tst_livegraph.moc"
