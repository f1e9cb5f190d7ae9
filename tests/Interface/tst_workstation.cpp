// The workstation end to end, offscreen: the service objects and the window as main builds
// them, the simulated transducer on a pseudo-terminal, the operator's clicks. Leaves pictures of
// the live graph and the about box in <build>/screenshots/.
#include "Devices/Measure.h"
#include "Devices/TAIR.h"
#include "Interface/Application.h"
#include "Interface/LinenPlot.h"
#include "Interface/MainWindow.h"
#include "Interface/MeasureDisplay.h"
#include "Interface/Tab/TabGraph.h"
#include "Modal.h"
#include "Parameters/ParametrString.h"
#include "QvtSimulator.h"
#include "Screenshot.h"
#include "TestSupport.h"
#include "Widgets/HButton.h"
#include "Widgets/HTabWidget.h"
#include "Workstation.h"

#include <qwt_scale_div.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTabBar>
#include <QTimer>
#include <QtTest>

#include <cmath>

class TestWorkstation : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void connectFromMenu();
    void startOnGraphPage();
    void readingsPlottedOnceASecond();
    void silentTransducerShowsNoAnswer();
    void liveCurveScreenshot();
    void aboutBox();
    void disconnectStopsAndClears();
    void closingTheWindowShutsDownOnce();

private:
    static QString appFile(const QString &name) { return QCoreApplication::applicationDirPath() + name; }
    QString measuredText() const { return m_graph->measureDisplay()->measuredField()->text(); }
    double lastPlotted() const { return m_graph->plot()->values(0).at(m_graph->plot()->sampleCount() - 1); }
    // The transducer answers none of the next readings. The link asks twice before it gives one
    // up, and a reading asked for meanwhile follows at once, so a single lost reading would show
    // for a moment only.
    void goSilent(int readings)
    {
        for (int i = 0; i < 2 * readings; ++i)
            m_station->simulator()->queueFault(QvtFault::silence().on(37, 2));
    }

    QvtTransducerState m_state;
    std::unique_ptr<TestSupport::Workstation> m_station;
    TabGraph *m_graph = nullptr;
};

void TestWorkstation::initTestCase()
{
    // As stored by an earlier run: readings shown in kPa with two decimals.
    QSettings stored(appFile("/conf.ini"), QSettings::IniFormat);
    stored.setValue(QStringLiteral("prUnits"), 1);
    stored.setValue(QStringLiteral("prDecimals"), 2);
    stored.sync();

    m_state.unitsCode = 1;   // kPa
    m_state.pressure = 250.0;
    m_station.reset(new TestSupport::Workstation(m_state));
    QString error;
    QVERIFY2(m_station->start(&error), qPrintable(error));
    m_graph = TabGraph::instance;
    QVERIFY(m_graph);
    QVERIFY(!m_graph->measureButton()->isEnabled());
}

void TestWorkstation::connectFromMenu()
{
    QVERIFY(m_station->connectTransducer());
    QVERIFY(TAIR::instance->isConnected());
    QCOMPARE(TAIR::instance->prSerialNumber->value(), QStringLiteral("12345678"));
    QVERIFY(!m_station->action(MainWindow::ActionConnect)->isEnabled());
    QVERIFY(m_station->action(MainWindow::ActionDisconnect)->isEnabled());
    QVERIFY(m_graph->measureButton()->isEnabled());
}

void TestWorkstation::startOnGraphPage()
{
    QTabBar *tabs = m_station->window()->tabWidget()->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(2).center());
    QCOMPARE(m_station->window()->tabWidget()->currentWidget(), m_graph);
    QTRY_VERIFY(m_graph->measureButton()->isVisible());

    QTest::mouseClick(m_graph->measureButton(), Qt::LeftButton);
    QVERIFY(Measure::instance->isMeasuring());
    QCOMPARE(m_graph->measureButton()->text(), QStringLiteral("СТОП"));
    QVERIFY(m_graph->measureTimer()->isActive());
    QCOMPARE(m_graph->measureTimer()->interval(), 1000);
    QCOMPARE(m_graph->plot()->sampleCount(), 0);
}

void TestWorkstation::readingsPlottedOnceASecond()
{
    QVERIFY(m_station->waitForReadings(3));
    LinenPlot *plot = m_graph->plot();
    QCOMPARE(plot->sampleCount(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(plot->values(0).at(i), 250.0);
    // The timer asks once a second; a reading never comes sooner.
    for (int i = 1; i < 3; ++i)
        QVERIFY2(plot->times().at(i) - plot->times().at(i - 1) >= 900,
                 qPrintable(QStringLiteral("readings %1 ms apart").arg(plot->times().at(i) - plot->times().at(i - 1))));
    QCOMPARE(measuredText(), QStringLiteral("  250,00 кПа"));
    QCOMPARE(plot->axisTitle(QwtPlot::yLeft).text(), QStringLiteral("Давление, кПа"));

    // One reading may be on its way already; the next one carries the new pressure.
    m_station->setPressure(312.5);
    QTRY_COMPARE_WITH_TIMEOUT(lastPlotted(), 312.5, 10000);
    QCOMPARE(measuredText(), QStringLiteral("  312,50 кПа"));
}

void TestWorkstation::silentTransducerShowsNoAnswer()
{
    goSilent(2);
    QTRY_COMPARE_WITH_TIMEOUT(measuredText(), QStringLiteral("ЦРЗ не отвечает"), 20000);
    QVERIFY(std::isnan(lastPlotted()));
    QVERIFY(TAIR::instance->isConnected());

    // The transducer answers again.
    QTRY_COMPARE_WITH_TIMEOUT(measuredText(), QStringLiteral("  312,50 кПа"), 20000);
    QCOMPARE(lastPlotted(), 312.5);
}

void TestWorkstation::liveCurveScreenshot()
{
    m_station->simulator()->updateState([](QvtTransducerState &s) {
        s.pressure = 250.0;
        s.pressureAmplitude = 60.0;
        s.pressurePeriodSeconds = 12.0;
    });
    // Stop and start again: a fresh curve.
    QTest::mouseClick(m_graph->measureButton(), Qt::LeftButton);
    QVERIFY(!Measure::instance->isMeasuring());
    QTest::mouseClick(m_graph->measureButton(), Qt::LeftButton);
    QCOMPARE(m_graph->plot()->sampleCount(), 0);
    QVERIFY(m_station->waitForReadings(8));
    goSilent(2);
    QVERIFY(m_station->waitForReadings(10));

    LinenPlot *plot = m_graph->plot();
    int gaps = 0;
    double low = 1e9, high = -1e9;
    for (int i = 0; i < plot->sampleCount(); ++i) {
        const double v = plot->values(0).at(i);
        if (std::isnan(v)) {
            ++gaps;
            continue;
        }
        low = std::min(low, v);
        high = std::max(high, v);
    }
    // Each page reads the reading in hand when the signal arrives: a failed reading followed at
    // once by a good one may be seen as the good one twice.
    QVERIFY(gaps >= 1);
    QVERIFY(high - low > 60.0);
    // The axis follows the numbers only.
    const QwtScaleDiv axis = plot->axisScaleDiv(QwtPlot::yLeft);
    QVERIFY(axis.lowerBound() <= low && axis.upperBound() >= high);
    QVERIFY(axis.upperBound() - axis.lowerBound() < 4 * (high - low));

    const QString path = TestSupport::saveScreenshot(m_station->window(), QStringLiteral("graph_live"));
    QVERIFY(!path.isEmpty());
    qInfo("screenshot: %s", qPrintable(path));

    // The page at a large font: the button and the display grow with it.
    QAction *larger = m_station->action(MainWindow::ActionFontUp);
    for (int i = 0; i < 8; ++i)
        larger->trigger();
    QCOMPARE(m_graph->measureButton()->height(),
             TabGraph::measureButtonHeight(QFontMetrics(m_graph->font()).height()));
    qInfo("screenshot: %s",
          qPrintable(TestSupport::saveScreenshot(m_station->window(), QStringLiteral("graph_live_large_font"))));
    QAction *smaller = m_station->action(MainWindow::ActionFontDown);
    for (int i = 0; i < 8; ++i)
        smaller->trigger();
}

void TestWorkstation::aboutBox()
{
    QString title, text;
    TestSupport::handleNextModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        box->resize(box->sizeHint());
        qInfo("screenshot: %s", qPrintable(TestSupport::saveScreenshot(box, QStringLiteral("about_box"))));
        box->accept();
    });
    m_station->action(MainWindow::ActionAbout)->trigger();
    QCOMPARE(title, QStringLiteral("Мановера   v2.9"));
    QCOMPARE(text, QStringLiteral("Мановера 2.9\nПрограмма предназначена для поверки манометров с помощью "
                                  "эталонных преобразователей давления ЦРЗ."));
}

void TestWorkstation::disconnectStopsAndClears()
{
    QVERIFY(Measure::instance->isMeasuring());
    QVERIFY(m_graph->plot()->sampleCount() > 0);
    m_station->action(MainWindow::ActionDisconnect)->trigger();
    QVERIFY(!Measure::instance->isMeasuring());
    QVERIFY(!m_graph->measureTimer()->isActive());
    QCOMPARE(m_graph->plot()->sampleCount(), 0);
    QCOMPARE(m_graph->measureButton()->text(), QStringLiteral("СТАРТ"));
    QVERIFY(!m_graph->measureButton()->isEnabled());
    QVERIFY(measuredText().isEmpty());

    // A reading still on its way is not plotted.
    QTest::qWait(1500);
    QCOMPARE(m_graph->plot()->sampleCount(), 0);
}

void TestWorkstation::closingTheWindowShutsDownOnce()
{
    QVERIFY(m_station->connectTransducer());
    const QString transducerFile = appFile("/QvtSettings/12345678.ini");
    QVERIFY(QFile::remove(transducerFile));
    QFile::remove(appFile("/conf.ini"));
    TAIR::instance->prOwner->setValue(QStringLiteral("Лаборатория давления"));

    // The title bar's close ends the event loop; main then destroys the window.
    QVERIFY(m_station->window()->close());
    QVERIFY(!isShutdownDone());
    m_station->closeDown();
    QVERIFY(isShutdownDone());
    QVERIFY(QFile::exists(appFile("/conf.ini")));
    QCOMPARE(QSettings(transducerFile, QSettings::IniFormat).value("prOwner").toString(),
             QStringLiteral("Лаборатория давления"));

    QVERIFY(QFile::remove(appFile("/conf.ini")));
    shutdownApplication();
    QVERIFY(!QFile::exists(appFile("/conf.ini")));
}

APPDIR_TEST_MAIN(TestWorkstation)

#include "tst_workstation.moc"
