// The graph page in the main window: START/STOP, the readings it plots and shows, the
// connection and verification locks, the measure display, and lending the graph and the display.
// Readings are handed to Measure by the test, as the worker hands them, with the page's timer
// stopped so that no reading of the worker comes between.
#include "Devices/Measure.h"
#include "Devices/TAIR.h"
#include "Interface/GraphWidget.h"
#include "Interface/LinenPlot.h"
#include "Interface/MainWindow.h"
#include "Interface/MeasureDisplay.h"
#include "Interface/Tab/TabGraph.h"
#include "Interface/Tab/TabVerification.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/Settings.h"
#include "Parameters/Units.h"
#include "TestSupport.h"
#include "Widgets/HButton.h"
#include "Widgets/HTabWidget.h"
#include "Widgets/Icons.h"
#include "Workstation.h"

#include <qwt_text.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();
}

class TestTabGraph : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startAndStop();
    void readings_data();
    void readings();
    void readingAfterStopNotPlotted();
    void connectionChangeStopsAndClears_data();
    void connectionChangeStopsAndClears();
    void buttonEnabled_data();
    void buttonEnabled();
    void unitsChangeClearsAndRetitles();
    void buttonHeight_data();
    void buttonHeight();
    void fieldWidths_data();
    void fieldWidths();
    void displayFitsItsText();
    void displayClicks();
    void lentWidgetsComeBack();

private:
    // Starts measuring without the page's timer: only the test's readings arrive.
    void startQuietly()
    {
        m_page->setMeasuring(1);
        m_page->measureTimer()->stop();
    }
    QString measuredText() const { return m_page->measureDisplay()->measuredField()->text(); }

    std::unique_ptr<TestSupport::Workstation> m_station;
    TabGraph *m_page = nullptr;
};

void TestTabGraph::initTestCase()
{
    m_station.reset(new TestSupport::Workstation());
    QString error;
    QVERIFY2(m_station->start(&error), qPrintable(error));
    QVERIFY(m_station->connectTransducer());
    m_page = TabGraph::instance;
    QVERIFY(m_page);
}

void TestTabGraph::init()
{
    m_station->window()->tabWidget()->setCurrentWidget(m_page);
    QTRY_VERIFY(m_page->measureButton()->isVisible());
    TAIR::instance->prUnits->setValue(UnitKPa);
    Settings::instance->decimals()->setValue(2);
    m_page->setConnectedState(true);
    m_page->setStartAllowed(true);
}

void TestTabGraph::cleanup()
{
    m_page->setMeasuring(0);
}

void TestTabGraph::startAndStop()
{
    HButton *button = m_page->measureButton();
    QVERIFY(button->isEnabled());
    QCOMPARE(button->text(), QStringLiteral("СТАРТ"));
    QCOMPARE(button->icon().cacheKey(), Icons::instance->icon(Icons::Start).cacheKey());

    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(Measure::instance->isMeasuring());
    QCOMPARE(button->text(), QStringLiteral("СТОП"));
    QCOMPARE(button->icon().cacheKey(), Icons::instance->icon(Icons::Stop).cacheKey());
    QVERIFY(m_page->measureTimer()->isActive());
    QCOMPARE(m_page->measureTimer()->interval(), 1000);
    QVERIFY(!m_page->measureTimer()->isSingleShot());
    // The timer asks the transducer: a reading of the worker arrives.
    QVERIFY(m_station->waitForReadings(1));
    QVERIFY(m_page->plot()->sampleCount() >= 1);

    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!Measure::instance->isMeasuring());
    QCOMPARE(button->text(), QStringLiteral("СТАРТ"));
    QVERIFY(!m_page->measureTimer()->isActive());
    QVERIFY(measuredText().isEmpty());
    // The curve stays until the next start.
    QVERIFY(m_page->plot()->sampleCount() >= 1);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(m_page->plot()->sampleCount(), 0);

    // Other states change nothing.
    m_page->setMeasuring(7);
    QVERIFY(Measure::instance->isMeasuring());
    QVERIFY(m_page->measureTimer()->isActive());
}

void TestTabGraph::readings_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<double>("kPa");
    QTest::addColumn<int>("units");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("plotted");

    QTest::newRow("good reading") << 0 << 101.25 << int(UnitKPa) << 2 << "  101,25 кПа" << 101.25;
    QTest::newRow("display units and decimals") << 0 << 1250.0 << int(UnitMPa) << 3 << "  1,250 МПа" << 1.25;
    QTest::newRow("digit groups") << 0 << 12.5 << int(UnitPa) << 0 << QString("  12\u00A0500 Па") << 12500.0;
    QTest::newRow("below zero") << 0 << -0.5 << int(UnitKPa) << 1 << "  -0,5 кПа" << -0.5;
    QTest::newRow("no answer") << 255 << NaN << int(UnitKPa) << 2 << "ЦРЗ не отвечает" << NaN;
    QTest::newRow("transducer's own status") << 3 << 5.0 << int(UnitKPa) << 2 << "Ошибка 3" << NaN;
}

void TestTabGraph::readings()
{
    QFETCH(int, status);
    QFETCH(double, kPa);
    QFETCH(int, units);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QFETCH(double, plotted);

    TAIR::instance->prUnits->setValue(units);
    Settings::instance->decimals()->setValue(decimals);
    startQuietly();
    Measure::instance->setValue(uint8_t(status), kPa);

    QCOMPARE(measuredText(), text);
    LinenPlot *plot = m_page->plot();
    QCOMPARE(plot->sampleCount(), 1);
    const double value = plot->values(0).first();
    if (std::isnan(plotted))
        QVERIFY(std::isnan(value));
    else
        QCOMPARE(value, plotted);
    // The tail repeats it, so the curve ends at it.
    QCOMPARE(std::isnan(plot->values(0).last()), std::isnan(plotted));
}

void TestTabGraph::readingAfterStopNotPlotted()
{
    startQuietly();
    Measure::instance->setValue(0, 10.0);
    QCOMPARE(m_page->plot()->sampleCount(), 1);
    m_page->setMeasuring(0);
    QVERIFY(measuredText().isEmpty());

    Measure::instance->setValue(0, 20.0);
    QCOMPARE(m_page->plot()->sampleCount(), 1);
    QCOMPARE(m_page->plot()->values(0).first(), 10.0);
    QVERIFY(measuredText().isEmpty());
}

void TestTabGraph::connectionChangeStopsAndClears_data()
{
    QTest::addColumn<bool>("connected");
    QTest::newRow("link lost") << false;
    QTest::newRow("link made again") << true;
}

void TestTabGraph::connectionChangeStopsAndClears()
{
    QFETCH(bool, connected);
    startQuietly();
    Measure::instance->setValue(0, 10.0);
    m_page->setConnectedState(connected);
    QVERIFY(!Measure::instance->isMeasuring());
    QVERIFY(!m_page->measureTimer()->isActive());
    QCOMPARE(m_page->plot()->sampleCount(), 0);
    QCOMPARE(m_page->measureButton()->text(), QStringLiteral("СТАРТ"));
    QCOMPARE(m_page->measureButton()->isEnabled(), connected);
}

void TestTabGraph::buttonEnabled_data()
{
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("connected") << true << true;
    QTest::newRow("verification running") << true << false;
    QTest::newRow("not connected") << false << true;
    QTest::newRow("neither") << false << false;
}

void TestTabGraph::buttonEnabled()
{
    QFETCH(bool, connected);
    QFETCH(bool, allowed);
    // In both orders of the two calls.
    m_page->setConnectedState(connected);
    m_page->setStartAllowed(allowed);
    QCOMPARE(m_page->measureButton()->isEnabled(), connected && allowed);
    m_page->setStartAllowed(!allowed);
    m_page->setStartAllowed(allowed);
    m_page->setConnectedState(connected);
    QCOMPARE(m_page->measureButton()->isEnabled(), connected && allowed);
    QCOMPARE(m_page->isStartAllowed(), allowed);
}

void TestTabGraph::unitsChangeClearsAndRetitles()
{
    startQuietly();
    Measure::instance->setValue(0, 10.0);
    m_page->plot()->setAxisScale(QwtPlot::yLeft, 0, 1);
    TAIR::instance->prUnits->setValue(UnitMPa);
    emit Measure::instance->etalonUnitsChanged();
    QCOMPARE(m_page->plot()->sampleCount(), 0);
    QCOMPARE(m_page->plot()->axisTitle(QwtPlot::yLeft).text(), QStringLiteral("Давление, МПа"));
    QVERIFY(m_page->plot()->axisAutoScale(QwtPlot::yLeft));
    // Still measuring: the next reading is plotted in the new units.
    Measure::instance->setValue(0, 2500.0);
    QCOMPARE(m_page->plot()->values(0).first(), 2.5);
}

void TestTabGraph::buttonHeight_data()
{
    QTest::addColumn<int>("lineHeight");
    QTest::addColumn<int>("height");
    QTest::newRow("68.2 raised to 70") << 31 << 70;
    QTest::newRow("88") << 40 << 88;
    QTest::newRow("72.6 truncated") << 33 << 72;
    QTest::newRow("small font") << 10 << 70;
}

void TestTabGraph::buttonHeight()
{
    QFETCH(int, lineHeight);
    QFETCH(int, height);
    QCOMPARE(TabGraph::measureButtonHeight(lineHeight), height);
}

void TestTabGraph::fieldWidths_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("text");
    QTest::addColumn<int>("width");
    QTest::newRow("a little narrower keeps the width") << 300 << 260 << 300;
    QTest::newRow("exactly 50 narrower keeps it") << 300 << 250 << 300;
    QTest::newRow("much narrower shrinks") << 300 << 240 << 240;
    QTest::newRow("never below 200") << 300 << 90 << 200;
    QTest::newRow("wider grows") << 300 << 301 << 301;
    QTest::newRow("growing, at least 200") << 100 << 120 << 200;
}

void TestTabGraph::fieldWidths()
{
    QFETCH(int, current);
    QFETCH(int, text);
    QFETCH(int, width);
    QCOMPARE(MeasureDisplay::fittedWidth(current, text), width);
}

void TestTabGraph::displayFitsItsText()
{
    MeasureDisplay *display = m_page->measureDisplay();
    QLineEdit *field = display->measuredField();
    const QString longText = QStringLiteral("  123 456 789,12345 мм рт. ст.");
    display->setMeasuredText(longText);
    QVERIFY(field->width() >= field->fontMetrics().horizontalAdvance(longText));
    const int wide = field->width();
    // A number one digit shorter keeps the width; an empty field goes back to 200.
    display->setMeasuredText(QStringLiteral("  123 456 789,1234 мм рт. ст."));
    QCOMPARE(field->width(), wide);
    display->setMeasuredText(QString());
    QCOMPARE(field->width(), 200);
    // The values are set larger than the captions, which are larger than the page's text.
    QCOMPARE(field->font().pointSize(), m_page->font().pointSize() + 16);
    QCOMPARE(display->measuredCaption()->font().pointSize(), m_page->font().pointSize() + 4);

    // A larger font widens a field at once, before the next reading: nothing of the number is cut.
    display->setMeasuredText(QStringLiteral("  193,71 кПа"));
    for (int i = 0; i < 8; ++i)
        m_station->action(MainWindow::ActionFontUp)->trigger();
    QCOMPARE(field->font().pointSize(), m_page->font().pointSize() + 16);
    QVERIFY(field->width() >= field->fontMetrics().horizontalAdvance(field->text()));
    for (int i = 0; i < 8; ++i)
        m_station->action(MainWindow::ActionFontDown)->trigger();
    display->setMeasuredText(QString());

    display->setNominalVisible(true);
    QVERIFY(display->isNominalVisible());
    display->setNominal(12.5);
    QCOMPARE(display->nominalField()->text(), QStringLiteral("  12,50 кПа"));
    QCOMPARE(display->nominalField()->cursorPosition(), 0);
    display->setNominalVisible(false);
    QVERIFY(!display->isNominalVisible());
    QVERIFY(display->nominalField()->isHidden());
}

void TestTabGraph::displayClicks()
{
    MeasureDisplay *display = m_page->measureDisplay();
    QLineEdit *measured = display->measuredField();
    QLineEdit *nominal = display->nominalField();
    display->setMeasuredText(QStringLiteral("  101,25 кПа"));
    const QPoint onMeasured = measured->geometry().center();

    QTest::mouseClick(display, Qt::LeftButton, Qt::NoModifier, onMeasured);
    QCOMPARE(measured->selectedText(), measured->text());
    // A new reading keeps the selection.
    display->setMeasuredText(QStringLiteral("  101,30 кПа"));
    QCOMPARE(measured->selectedText(), measured->text());
    QTest::mouseClick(display, Qt::LeftButton, Qt::NoModifier, onMeasured);
    QVERIFY(!measured->hasSelectedText());

    // With the nominal column shown, a click on it selects it and clears the other.
    display->setNominalVisible(true);
    display->setNominal(100.0);
    QTRY_VERIFY(nominal->isVisible());
    QTest::mouseClick(display, Qt::LeftButton, Qt::NoModifier, onMeasured);
    QVERIFY(measured->hasSelectedText());
    QTest::mouseClick(display, Qt::LeftButton, Qt::NoModifier, QPoint(2, nominal->geometry().center().y()));
    QCOMPARE(nominal->selectedText(), nominal->text());
    QVERIFY(!measured->hasSelectedText());
    QCOMPARE(QApplication::focusWidget(), nominal);
    display->setNominalVisible(false);
}

void TestTabGraph::lentWidgetsComeBack()
{
    GraphWidget *graph = m_page->graphWidget();
    MeasureDisplay *display = m_page->measureDisplay();
    QWidget *graphHome = graph->parentWidget();
    QWidget *displayHome = display->parentWidget();

    // The verification page borrows both into its own layout while it is shown.
    TabVerification *borrower = TabVerification::instance;
    m_station->window()->tabWidget()->setCurrentWidget(borrower);
    QTRY_VERIFY(graph->isVisible() && display->isVisible());
    QVERIFY(borrower->isAncestorOf(graph));
    QVERIFY(borrower->isAncestorOf(display));

    m_station->window()->tabWidget()->setCurrentWidget(m_page);
    QCOMPARE(graph->parentWidget(), graphHome);
    QCOMPARE(display->parentWidget(), displayHome);
    QTRY_VERIFY(graph->isVisible() && display->isVisible());
    QVERIFY(!borrower->isAncestorOf(graph));
    QVERIFY(!borrower->isAncestorOf(display));
}

APPDIR_TEST_MAIN(TestTabGraph)

#include "tst_tabgraph.moc"
