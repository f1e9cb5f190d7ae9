// The transducer settings page in the main window, offscreen, with the simulated transducer: the
// trim's states and what each enables, the tolerance checks of both points, readings that give
// no value, cancel and link changes, the write question, a failed table read, the averaging
// switch, the page's shared widgets, and one whole trim end to end whose written table is
// checked against a recomputation of its own. Leaves a picture of the high point with the live
// graph in <build>/screenshots/.
//
// Where a test hands readings to the page itself, it first stops the graph page's timer and
// lets the worker finish what it has in hand, so that no reading of the simulator comes between.
#include "Devices/AirHandler.h"
#include "Devices/Measure.h"
#include "Devices/QiroTimings.h"
#include "Devices/TAIR.h"
#include "Interface/GraphWidget.h"
#include "Interface/LinenPlot.h"
#include "Interface/MainWindow.h"
#include "Interface/Tab/TabGraph.h"
#include "Interface/Tab/TabQvtSettings.h"
#include "Interface/Tab/TabSettings.h"
#include "Interface/Tab/TabVerification.h"
#include "Messages.h"
#include "Modal.h"
#include "Parameters/EditField.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/PrField.h"
#include "Parameters/Units.h"
#include "QvtSimulator.h"
#include "QvtTransducer.h"
#include "Screenshot.h"
#include "TestSupport.h"
#include "Verification/Verification.h"
#include "Widgets/HButton.h"
#include "Widgets/HGroupBox.h"
#include "Widgets/HTabWidget.h"
#include "Workstation.h"

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

Q_DECLARE_METATYPE(QvtFault)

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

const QString OutsideLow = QStringLiteral("Эталонное давление должно быть в пределах ±2% от нижней границы диапазона ЦРЗ!");
const QString MeasuredOff = QStringLiteral("Измеренное давление должно быть в пределах ±1% от эталонного!");
const QString OutsideHigh = QStringLiteral("Эталонное давление должно быть в пределах ±5% от верхней границы диапазона ЦРЗ!");
const QString IntervalOff = QStringLiteral(
    "Измеренный интревал (Pmax - Pmin) должен быть в пределах ±1% от эталонного интервала (Pmax - Pmin)!");
const QString Undefined = QStringLiteral("Значение давления не определено!");

using Table = std::array<QvtTransducerState::TableRow, QvtTransducerState::TableRows>;

Table startTable()
{
    Table table{};
    for (int r = 0; r < QvtTransducerState::TableRows; ++r)
        for (int c = 0; c < QvtTransducerState::TableColumns; ++c)
            table[size_t(r)][size_t(c)] = float(r + 1) * 1.5f + float(c) * 0.125f - 0.3f;
    return table;
}

int countRequests(const QList<QByteArray> &frames, int command, int parameter)
{
    int n = 0;
    for (const QByteArray &frame : frames) {
        const QvtTransducer::Request r = QvtTransducer::parseRequest(frame);
        if (r.valid && r.command == command && r.parameter == parameter)
            ++n;
    }
    return n;
}

bool isTableWrite(const QByteArray &frame)
{
    const QvtTransducer::Request r = QvtTransducer::parseRequest(frame);
    return r.valid && ((r.command == 38 && r.parameter >= 112 && r.parameter < 122) || r.command == 199);
}

}

class TestTabQvtSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void sharedWidgetsFollowThePage();
    void trimStateTable();
    void tolerances_data();
    void tolerances();
    void failedReadingRefused_data();
    void failedReadingRefused();
    void readingQueuedBeforeAcceptBelongsToNoPoint();
    void cancelAndLinkChangeEndTheTrim_data();
    void cancelAndLinkChangeEndTheTrim();
    void writeQuestionDeclined_data();
    void writeQuestionDeclined();
    void linkChangeDuringWriteQuestion();
    void failedTableReadLeavesIdle();
    void failedTableWriteReportedOnce_data();
    void failedTableWriteReportedOnce();
    void startRightAfterWrite();
    void twoClicksOnStartReadOnce();
    void averagingFollowsTheState();
    void unitsChangeRetitlesOnly();
    void verificationRunDisablesTheSettings();
    void oldVersionHidesNestedTabs();
    void fullTrimWithSimulator();

private:
    TAIR *tair() const { return TAIR::instance; }
    HButton *button(int id) const;
    void click(int id);
    // The page in front with its trim tab.
    void showTrimTab();
    // Start pressed; waits for the table read and the low point.
    void startTrim();
    // Stops the graph page's timer and waits until the worker has delivered what it had in hand.
    void quiet();
    // One reading, in display units, as the worker hands it over; NaN: no answer.
    void deliver(double value, uint8_t status = 0);
    // Types a value (display units) into the editor of a trim value, as the operator would.
    void typeInto(const HAbstractParametr *parametr, double value);
    QDoubleSpinBox *spinBoxOf(const HAbstractParametr *parametr) const;
    // Runs a trim to the state, with good points; the worker is quiet after each step.
    void advanceTo(unsigned state);
    // The range the simulator reports, reconnected when it differs.
    void useRange(double lower, double upper);
    void setUnits(int units);
    bool reconnect();
    QStringList messages() { return TestSupport::takeMessageTexts(m_station->window()); }
    // Waits until the worker has taken and finished a request made now: what was asked before is done.
    bool drainWorker();
    int finished(int task) const { return m_finished.count(task); }

    std::unique_ptr<TestSupport::Workstation> m_station;
    TabQvtSettings *m_page = nullptr;
    QList<int> m_finished;
};

void TestTabQvtSettings::initTestCase()
{
    QiroTimings::tableAccessPauseMs = 20;
    QiroTimings::tableCommitPauseMs = 20;

    QvtTransducerState state = TestSupport::Workstation::kPaTransducer();
    state.serialNumber = 70771;
    state.calibrationTable = startTable();
    m_station.reset(new TestSupport::Workstation(state));
    QString error;
    QVERIFY2(m_station->start(&error), qPrintable(error));
    QVERIFY(m_station->connectTransducer());
    m_page = TabQvtSettings::instance;
    QVERIFY(m_page);
    connect(AirHandler::instance, &AirHandler::taskFinished, this, [this](int task) { m_finished << task; });
}

void TestTabQvtSettings::init()
{
    QVERIFY(TAIR::instance->isConnected());
    setUnits(UnitKPa);
    showTrimTab();
    QVERIFY(m_station->waitUntilUnlocked());
    messages();
    m_station->simulator()->clearRequests();
    m_finished.clear();
}

void TestTabQvtSettings::cleanup()
{
    m_page->setTrimState(TabQvtSettings::TrimIdle);
    m_page->averagingGroup()->setChecked(true);
    tair()->prTrimAverageCount->setValue(10);
    QVERIFY(m_station->waitUntilUnlocked());
    messages();
}

void TestTabQvtSettings::cleanupTestCase()
{
    QiroTimings::restoreDefaults();
    m_station.reset();
}

HButton *TestTabQvtSettings::button(int id) const
{
    return TestSupport::buttonOf(m_page->trimPanel(), id);
}

void TestTabQvtSettings::click(int id)
{
    TestSupport::clickButton(m_page->trimPanel(), id);
}

void TestTabQvtSettings::showTrimTab()
{
    m_station->window()->tabWidget()->setCurrentWidget(m_page);
    m_page->nestedTabs()->setCurrentWidget(m_page->trimPanel());
    QTRY_VERIFY(m_page->trimPanel()->isVisible());
}

void TestTabQvtSettings::startTrim()
{
    click(TabQvtSettings::ButtonStart);
    QVERIFY(m_station->waitForTask(AirHandler::TaskReadTable));
    QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimLowPoint));
    QVERIFY(m_station->waitUntilUnlocked());
}

bool TestTabQvtSettings::drainWorker()
{
    AirHandler::instance->requestTask(TestSupport::Workstation::NoTask);
    return m_station->waitForTask(TestSupport::Workstation::NoTask) && m_station->waitUntilUnlocked();
}

void TestTabQvtSettings::quiet()
{
    TabGraph::instance->measureTimer()->stop();
    // A reading in hand is delivered before the task requested after it has finished.
    QVERIFY(drainWorker());
}

void TestTabQvtSettings::deliver(double value, uint8_t status)
{
    Measure::instance->setValue(status, std::isnan(value) ? NaN : toKPa(value, tair()->prUnits->value()));
}

QDoubleSpinBox *TestTabQvtSettings::spinBoxOf(const HAbstractParametr *parametr) const
{
    const QList<PrField *> fields = m_page->trimPanel()->findChildren<PrField *>();
    for (PrField *field : fields) {
        if (field->editor() && field->editor()->parametr() == parametr)
            return qobject_cast<QDoubleSpinBox *>(field->editor()->editor());
    }
    return nullptr;
}

void TestTabQvtSettings::typeInto(const HAbstractParametr *parametr, double value)
{
    QDoubleSpinBox *box = spinBoxOf(parametr);
    QVERIFY(box);
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QString::number(value, 'f', 3).replace(QLatin1Char('.'), box->locale().decimalPoint()));
}

void TestTabQvtSettings::advanceTo(unsigned state)
{
    startTrim();
    quiet();
    messages();
    const double lower = std::max(0.0, fromKPa(tair()->prUnits->value(), tair()->lowerLimit));
    const double upper = fromKPa(tair()->prUnits->value(), tair()->upperLimit);
    if (state >= TabQvtSettings::TrimHighPoint) {
        deliver(lower);
        click(TabQvtSettings::ButtonAcceptLow);
        QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimHighPoint));
        quiet();
        messages();
    }
    if (state >= TabQvtSettings::TrimReadyToWrite) {
        deliver(upper);
        click(TabQvtSettings::ButtonAcceptHigh);
        QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimReadyToWrite));
    }
    QVERIFY(messages().isEmpty());
}

bool TestTabQvtSettings::reconnect()
{
    m_station->action(MainWindow::ActionDisconnect)->trigger();
    return m_station->connectTransducer();
}

void TestTabQvtSettings::useRange(double lower, double upper)
{
    if (tair()->lowerLimit == lower && tair()->upperLimit == upper)
        return;
    m_station->simulator()->updateState([&](QvtTransducerState &s) {
        s.lowerLimit = float(lower);
        s.upperLimit = float(upper);
    });
    QVERIFY(reconnect());
    QCOMPARE(tair()->lowerLimit, lower);
    QCOMPARE(tair()->upperLimit, upper);
    showTrimTab();
}

void TestTabQvtSettings::setUnits(int units)
{
    // As the settings page's units field does.
    tair()->prUnits->setValue(units);
    emit Measure::instance->etalonUnitsChanged();
}

void TestTabQvtSettings::sharedWidgetsFollowThePage()
{
    auto *left = qobject_cast<QVBoxLayout *>(m_page->leftColumn()->layout());
    QVERIFY(left);
    TabSettings *settings = TabSettings::instance;
    GraphWidget *graph = TabGraph::instance->graphWidget();

    QCOMPARE(left->count(), 4);
    QCOMPARE(left->indexOf(settings->linkGroup()), 0);
    QCOMPARE(left->indexOf(settings->infoGroup()), 1);
    QCOMPARE(left->indexOf(m_page->nestedTabs()), 2);
    QCOMPARE(m_page->rightColumn()->layout()->indexOf(graph), 0);
    QTRY_VERIFY(settings->linkGroup()->isVisible() && settings->infoGroup()->isVisible() && graph->isVisible());

    // The nested tabs: the settings page's panel (for good) and the trim panel.
    QCOMPARE(m_page->nestedTabs()->count(), 2);
    QCOMPARE(m_page->nestedTabs()->tabText(0), QStringLiteral("Параметры"));
    QCOMPARE(m_page->nestedTabs()->widget(0), settings->deviceSettingsPanel());
    QCOMPARE(m_page->nestedTabs()->tabText(1), QStringLiteral("Подстройка"));
    QCOMPARE(m_page->nestedTabs()->widget(1), m_page->trimPanel());

    // The other pages take their widgets back when shown, and this page takes them again.
    HTabWidget *tabs = m_station->window()->tabWidget();
    tabs->setCurrentWidget(TabGraph::instance);
    QTRY_VERIFY(graph->isVisible());
    QCOMPARE(m_page->rightColumn()->layout()->indexOf(graph), -1);
    tabs->setCurrentWidget(settings);
    QTRY_VERIFY(settings->linkGroup()->isVisible());
    QCOMPARE(left->indexOf(settings->linkGroup()), -1);
    QCOMPARE(left->indexOf(settings->infoGroup()), -1);
    QCOMPARE(m_page->nestedTabs()->widget(0), settings->deviceSettingsPanel());

    showTrimTab();
    QCOMPARE(left->count(), 4);
    QCOMPARE(left->indexOf(settings->linkGroup()), 0);
    QCOMPARE(left->indexOf(settings->infoGroup()), 1);
    QCOMPARE(left->indexOf(m_page->nestedTabs()), 2);
    QCOMPARE(m_page->rightColumn()->layout()->indexOf(graph), 0);
    QTRY_VERIFY(settings->linkGroup()->isVisible() && settings->infoGroup()->isVisible() && graph->isVisible());

    // What the trim panel shows.
    QCOMPARE(button(TabQvtSettings::ButtonStart)->text(), QStringLiteral("Начать\nподстройку"));
    QCOMPARE(button(TabQvtSettings::ButtonWrite)->text(), QStringLiteral("Записать"));
    QCOMPARE(button(TabQvtSettings::ButtonCancel)->text(), QStringLiteral("Отмена"));
    QCOMPARE(m_page->averagingGroup()->title(), QStringLiteral("Усреднение"));
    QVERIFY(m_page->averagingGroup()->isCheckable());
    QCOMPARE(m_page->lowPointGroup()->title(), QStringLiteral("P мин, кПа"));
    QCOMPARE(m_page->highPointGroup()->title(), QStringLiteral("P макс, кПа"));
    for (QWidget *group : {static_cast<QWidget *>(m_page->lowPointGroup()), static_cast<QWidget *>(m_page->highPointGroup())}) {
        const QList<HButton *> accept = group->findChildren<HButton *>();
        QCOMPARE(accept.size(), 1);
        QCOMPARE(accept.first()->text(), QStringLiteral("Принять"));
    }
}

void TestTabQvtSettings::trimStateTable()
{
    struct Row
    {
        bool start, cancel, write, low, high, measuring;
    };
    const Row table[] = {
        {true, false, false, false, false, false},
        {false, true, false, true, false, true},
        {false, true, false, false, true, true},
        {false, true, true, false, false, false},
    };
    QSignalSpy active(m_page, &TabQvtSettings::trimStateChanged);
    const QList<QWidget *> otherPages{TabSettings::instance, TabVerification::instance, TabGraph::instance};
    auto check = [&](unsigned state) {
        const Row &row = table[state];
        QCOMPARE(m_page->trimState(), state);
        QCOMPARE(button(TabQvtSettings::ButtonStart)->isEnabled(), row.start);
        QCOMPARE(button(TabQvtSettings::ButtonCancel)->isEnabled(), row.cancel);
        QCOMPARE(button(TabQvtSettings::ButtonWrite)->isEnabled(), row.write);
        QCOMPARE(m_page->lowPointGroup()->isEnabled(), row.low);
        QCOMPARE(m_page->highPointGroup()->isEnabled(), row.high);
        QCOMPARE(Measure::instance->isMeasuring(), row.measuring);
        QCOMPARE(active.last().at(0).toBool(), state != TabQvtSettings::TrimIdle);
        // The other pages wait for the trim; this page and the menus stay usable.
        for (QWidget *page : otherPages)
            QCOMPARE(page->isEnabled(), state == TabQvtSettings::TrimIdle);
        QVERIFY(m_station->window()->menuBar()->isEnabled());
    };

    QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimIdle));
    QVERIFY(button(TabQvtSettings::ButtonStart)->isEnabled());
    startTrim();
    check(TabQvtSettings::TrimLowPoint);
    // The graph runs on its timer and plots the point's readings.
    QVERIFY(TabGraph::instance->measureTimer()->isActive());
    QVERIFY(m_station->waitForReadings(1));
    QVERIFY(TabGraph::instance->plot()->sampleCount() >= 1);

    quiet();
    messages();
    deliver(0.0);
    click(TabQvtSettings::ButtonAcceptLow);
    check(TabQvtSettings::TrimHighPoint);
    QVERIFY(TabGraph::instance->measureTimer()->isActive());

    quiet();
    messages();
    deliver(1000.0);
    click(TabQvtSettings::ButtonAcceptHigh);
    check(TabQvtSettings::TrimReadyToWrite);
    QVERIFY(!TabGraph::instance->measureTimer()->isActive());

    click(TabQvtSettings::ButtonCancel);
    check(TabQvtSettings::TrimIdle);
    QVERIFY(!TabGraph::instance->measureTimer()->isActive());
    QCOMPARE(active.count(), 4);
}

void TestTabQvtSettings::tolerances_data()
{
    QTest::addColumn<double>("lower");   // the range, kPa
    QTest::addColumn<double>("upper");
    QTest::addColumn<int>("units");
    QTest::addColumn<int>("point");      // the point accepted last
    QTest::addColumn<double>("lowReference");   // display units; a measured NaN: no reading yet
    QTest::addColumn<double>("lowMeasured");
    QTest::addColumn<double>("highReference");
    QTest::addColumn<double>("highMeasured");
    QTest::addColumn<QString>("warning");       // empty: accepted

    const int kPa = UnitKPa;
    const int low = TabQvtSettings::TrimLowPoint;
    const int high = TabQvtSettings::TrimHighPoint;
    // 0 to 1000 kPa: the low reference within ±20 kPa of 0, the measured value within ±10 kPa
    // of it; the high reference within ±50 kPa of 1000, the two intervals within ±10 kPa.
    QTest::newRow("low reference on +2%") << 0.0 << 1000.0 << kPa << low << 20.0 << 20.0 << 0.0 << 0.0 << "";
    QTest::newRow("low reference on -2%") << 0.0 << 1000.0 << kPa << low << -20.0 << -20.0 << 0.0 << 0.0 << "";
    QTest::newRow("low reference above") << 0.0 << 1000.0 << kPa << low << 20.001 << 20.001 << 0.0 << 0.0 << OutsideLow;
    QTest::newRow("low reference below") << 0.0 << 1000.0 << kPa << low << -20.001 << -20.001 << 0.0 << 0.0
                                         << OutsideLow;
    QTest::newRow("low measured on +1%") << 0.0 << 1000.0 << kPa << low << 0.0 << 10.0 << 0.0 << 0.0 << "";
    QTest::newRow("low measured on -1%") << 0.0 << 1000.0 << kPa << low << 5.0 << -5.0 << 0.0 << 0.0 << "";
    QTest::newRow("low measured off") << 0.0 << 1000.0 << kPa << low << 0.0 << 10.001 << 0.0 << 0.0 << MeasuredOff;
    QTest::newRow("low not measured yet") << 0.0 << 1000.0 << kPa << low << 0.0 << NaN << 0.0 << 0.0 << Undefined;
    QTest::newRow("high reference on +5%") << 0.0 << 1000.0 << kPa << high << 0.0 << 0.0 << 1050.0 << 1050.0 << "";
    QTest::newRow("high reference on -5%") << 0.0 << 1000.0 << kPa << high << 0.0 << 0.0 << 950.0 << 950.0 << "";
    QTest::newRow("high reference above") << 0.0 << 1000.0 << kPa << high << 0.0 << 0.0 << 1050.001 << 1050.001
                                          << OutsideHigh;
    QTest::newRow("high reference below") << 0.0 << 1000.0 << kPa << high << 0.0 << 0.0 << 949.999 << 949.999
                                          << OutsideHigh;
    QTest::newRow("interval on -1%") << 0.0 << 1000.0 << kPa << high << 0.0 << 0.0 << 1000.0 << 990.0 << "";
    QTest::newRow("interval on +1%") << 0.0 << 1000.0 << kPa << high << 0.0 << 0.0 << 1000.0 << 1010.0 << "";
    QTest::newRow("interval off") << 0.0 << 1000.0 << kPa << high << 0.0 << 0.0 << 1000.0 << 989.999 << IntervalOff;
    // Each point alone within its tolerance, the interval between them not.
    QTest::newRow("interval off by both points") << 0.0 << 1000.0 << kPa << high << 0.0 << -8.0 << 1000.0 << 1003.0
                                                 << IntervalOff;
    QTest::newRow("high not measured yet") << 0.0 << 1000.0 << kPa << high << 0.0 << 0.0 << 1000.0 << NaN
                                           << Undefined;

    // -90 to 600 kPa: the low point is taken at 0, not at -90; 2% of the span is 13.8 kPa.
    QTest::newRow("below zero: low on +2%") << -90.0 << 600.0 << kPa << low << 13.8 << 13.8 << 0.0 << 0.0 << "";
    QTest::newRow("below zero: low on -2%") << -90.0 << 600.0 << kPa << low << -13.8 << -13.8 << 0.0 << 0.0 << "";
    QTest::newRow("below zero: low above") << -90.0 << 600.0 << kPa << low << 13.801 << 13.801 << 0.0 << 0.0
                                           << OutsideLow;
    QTest::newRow("below zero: low at the limit") << -90.0 << 600.0 << kPa << low << -90.0 << -90.0 << 0.0 << 0.0
                                                  << OutsideLow;
    QTest::newRow("below zero: measured on 1%") << -90.0 << 600.0 << kPa << low << 0.0 << 6.9 << 0.0 << 0.0 << "";
    QTest::newRow("below zero: measured off") << -90.0 << 600.0 << kPa << low << 0.0 << 6.901 << 0.0 << 0.0
                                              << MeasuredOff;
    QTest::newRow("below zero: high on +5%") << -90.0 << 600.0 << kPa << high << 0.0 << 0.0 << 634.5 << 634.5 << "";
    QTest::newRow("below zero: high on -5%") << -90.0 << 600.0 << kPa << high << 0.0 << 0.0 << 565.5 << 565.5 << "";
    QTest::newRow("below zero: high above") << -90.0 << 600.0 << kPa << high << 0.0 << 0.0 << 634.501 << 634.501
                                            << OutsideHigh;

    // Entered in other units, checked in kPa.
    const int mpa = UnitMPa;
    QTest::newRow("MPa: low on +2%") << 0.0 << 1000.0 << mpa << low << 0.02 << 0.02 << 0.0 << 0.0 << "";
    QTest::newRow("MPa: low above") << 0.0 << 1000.0 << mpa << low << 0.021 << 0.021 << 0.0 << 0.0 << OutsideLow;
    QTest::newRow("MPa: measured off") << 0.0 << 1000.0 << mpa << low << 0.0 << 0.011 << 0.0 << 0.0 << MeasuredOff;
    QTest::newRow("MPa: high on +5%") << 0.0 << 1000.0 << mpa << high << 0.0 << 0.0 << 1.05 << 1.05 << "";
    QTest::newRow("MPa: high above") << 0.0 << 1000.0 << mpa << high << 0.0 << 0.0 << 1.051 << 1.051 << OutsideHigh;
    QTest::newRow("MPa: interval off") << 0.0 << 1000.0 << mpa << high << 0.0 << 0.0 << 1.0 << 0.989 << IntervalOff;
    const int kgf = UnitKgfCm2;
    QTest::newRow("kgf/cm2: low within") << 0.0 << 1000.0 << kgf << low << 0.2 << 0.2 << 0.0 << 0.0 << "";
    QTest::newRow("kgf/cm2: low above") << 0.0 << 1000.0 << kgf << low << 0.204 << 0.204 << 0.0 << 0.0 << OutsideLow;
    QTest::newRow("kgf/cm2: high within") << 0.0 << 1000.0 << kgf << high << 0.0 << 0.0 << 10.7 << 10.7 << "";
    QTest::newRow("kgf/cm2: high above") << 0.0 << 1000.0 << kgf << high << 0.0 << 0.0 << 10.71 << 10.71
                                         << OutsideHigh;
}

void TestTabQvtSettings::tolerances()
{
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(int, units);
    QFETCH(int, point);
    QFETCH(double, lowReference);
    QFETCH(double, lowMeasured);
    QFETCH(double, highReference);
    QFETCH(double, highMeasured);
    QFETCH(QString, warning);

    useRange(lower, upper);
    setUnits(units);
    startTrim();
    quiet();
    messages();
    // Pre-filled from the range: the low point never below 0.
    QCOMPARE(tair()->prTrimReferenceLow->value(), std::max(0.0, fromKPa(units, lower)));

    if (!std::isnan(lowMeasured))
        deliver(lowMeasured);
    typeInto(tair()->prTrimReferenceLow, lowReference);
    click(TabQvtSettings::ButtonAcceptLow);
    const bool lowPasses = point == TabQvtSettings::TrimHighPoint || warning.isEmpty();
    const QStringList shown = messages();
    if (lowPasses) {
        // Only the request for the high point's pressure.
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().startsWith(QStringLiteral("Установите давление, соответствующее верхнему")),
                 qPrintable(shown.first()));
    } else {
        QCOMPARE(shown, QStringList{warning});
    }
    QCOMPARE(m_page->trimState(), unsigned(lowPasses ? TabQvtSettings::TrimHighPoint : TabQvtSettings::TrimLowPoint));
    if (point == TabQvtSettings::TrimLowPoint)
        return;

    quiet();
    messages();
    QCOMPARE(tair()->prTrimReferenceHigh->value(), fromKPa(units, upper));
    if (!std::isnan(highMeasured))
        deliver(highMeasured);
    typeInto(tair()->prTrimReferenceHigh, highReference);
    click(TabQvtSettings::ButtonAcceptHigh);
    QCOMPARE(messages(), warning.isEmpty() ? QStringList() : QStringList{warning});
    QCOMPARE(m_page->trimState(),
             unsigned(warning.isEmpty() ? TabQvtSettings::TrimReadyToWrite : TabQvtSettings::TrimHighPoint));
}

void TestTabQvtSettings::failedReadingRefused_data()
{
    QTest::addColumn<int>("point");
    QTest::addColumn<int>("status");
    QTest::addColumn<double>("value");
    QTest::newRow("low: no answer") << int(TabQvtSettings::TrimLowPoint) << 255 << NaN;
    // With averaging off the worker hands on the number of a flagged reading.
    QTest::newRow("low: flagged by the transducer") << int(TabQvtSettings::TrimLowPoint) << 3 << 0.0;
    QTest::newRow("high: no answer") << int(TabQvtSettings::TrimHighPoint) << 255 << NaN;
    QTest::newRow("high: flagged by the transducer") << int(TabQvtSettings::TrimHighPoint) << 7 << 1000.0;
}

void TestTabQvtSettings::failedReadingRefused()
{
    QFETCH(int, point);
    QFETCH(int, status);
    QFETCH(double, value);
    useRange(0.0, 1000.0);
    advanceTo(unsigned(point));
    quiet();
    messages();
    const bool low = point == TabQvtSettings::TrimLowPoint;
    const ParametrDouble *measured = low ? tair()->prTrimMeasuredLow : tair()->prTrimMeasuredHigh;

    // A good reading, then one that failed: the point has no value any more.
    deliver(low ? 0.0 : 1000.0);
    QCOMPARE(measured->value(), low ? 0.0 : 1000.0);
    deliver(value, uint8_t(status));
    QVERIFY(std::isnan(measured->value()));
    QCOMPARE(spinBoxOf(measured)->text(), QStringLiteral("-"));

    click(low ? TabQvtSettings::ButtonAcceptLow : TabQvtSettings::ButtonAcceptHigh);
    QCOMPARE(messages(), QStringList{Undefined});
    QCOMPARE(m_page->trimState(), unsigned(point));

    // The next good reading makes the point acceptable again.
    deliver(low ? 0.0 : 1000.0);
    click(low ? TabQvtSettings::ButtonAcceptLow : TabQvtSettings::ButtonAcceptHigh);
    QVERIFY(messages().filter(Undefined).isEmpty());
    QCOMPARE(m_page->trimState(), unsigned(point + 1));
}

void TestTabQvtSettings::readingQueuedBeforeAcceptBelongsToNoPoint()
{
    useRange(0.0, 1000.0);
    advanceTo(TabQvtSettings::TrimLowPoint);
    deliver(2.0);

    // A reading from the worker thread that waits in the queue while the point is accepted.
    std::thread worker([]() { Measure::instance->setValue(0, 640.0); });
    worker.join();
    click(TabQvtSettings::ButtonAcceptLow);
    QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimHighPoint));
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();

    // The accepted low point stays what was checked; the queued reading went to no point.
    QCOMPARE(tair()->prTrimMeasuredLow->value(), 2.0);
    QVERIFY(std::isnan(tair()->prTrimMeasuredHigh->value()));
}

void TestTabQvtSettings::cancelAndLinkChangeEndTheTrim_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("byLink");
    for (int state = int(TabQvtSettings::TrimLowPoint); state <= int(TabQvtSettings::TrimReadyToWrite); ++state) {
        QTest::addRow("state %d, cancel", state) << state << false;
        QTest::addRow("state %d, link lost", state) << state << true;
    }
}

void TestTabQvtSettings::cancelAndLinkChangeEndTheTrim()
{
    QFETCH(int, state);
    QFETCH(bool, byLink);
    useRange(0.0, 1000.0);
    advanceTo(unsigned(state));
    QSignalSpy active(m_page, &TabQvtSettings::trimStateChanged);

    if (byLink)
        m_station->action(MainWindow::ActionDisconnect)->trigger();
    else
        click(TabQvtSettings::ButtonCancel);

    QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimIdle));
    QCOMPARE(active.count(), 1);
    QCOMPARE(active.first().at(0).toBool(), false);
    QVERIFY(!Measure::instance->isMeasuring());
    QVERIFY(!TabGraph::instance->measureTimer()->isActive());
    QVERIFY(TabSettings::instance->isEnabled());
    QVERIFY(!AirHandler::instance->averagingOn());
    QVERIFY(!button(TabQvtSettings::ButtonWrite)->isEnabled());
    // Readings no longer reach the trim values.
    const double measuredLow = tair()->prTrimMeasuredLow->value();
    deliver(123.0);
    QCOMPARE(tair()->prTrimMeasuredLow->value(), measuredLow);

    if (byLink) {
        QVERIFY(!m_page->nestedTabs()->isVisible());
        QVERIFY(m_station->connectTransducer());
        showTrimTab();
    }
}

void TestTabQvtSettings::writeQuestionDeclined_data()
{
    QTest::addColumn<bool>("closed");
    QTest::newRow("Отмена") << false;
    QTest::newRow("closed") << true;
}

void TestTabQvtSettings::writeQuestionDeclined()
{
    QFETCH(bool, closed);
    useRange(0.0, 1000.0);
    advanceTo(TabQvtSettings::TrimReadyToWrite);
    const int commits = m_station->simulator()->state().tableCommits;

    QString question;
    QStringList answers;
    TestSupport::handleNextModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return;
        question = box->text();
        for (QAbstractButton *b : box->buttons())
            answers << b->text() + QLatin1Char(':') + QString::number(box->buttonRole(b));
        if (closed) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        TestSupport::clickButtonOfRole(box, QMessageBox::RejectRole);
    });
    click(TabQvtSettings::ButtonWrite);
    QCOMPARE(question, QStringLiteral("Записать градуировочные коэффициэнты в ЦРЗ?"));
    QCOMPARE(answers, QStringList({QStringLiteral("Записать:%1").arg(int(QMessageBox::AcceptRole)),
                                   QStringLiteral("Отмена:%1").arg(int(QMessageBox::RejectRole))}));

    QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimReadyToWrite));
    QVERIFY(button(TabQvtSettings::ButtonWrite)->isEnabled());
    QVERIFY(drainWorker());
    QCOMPARE(finished(AirHandler::TaskWriteTable), 0);
    QCOMPARE(m_station->simulator()->state().tableCommits, commits);
}

void TestTabQvtSettings::linkChangeDuringWriteQuestion()
{
    useRange(0.0, 1000.0);
    advanceTo(TabQvtSettings::TrimReadyToWrite);
    const int commits = m_station->simulator()->state().tableCommits;

    bool asked = false;
    TestSupport::handleNextModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return;
        asked = true;
        // The transducer is disconnected while the question waits; then the operator agrees.
        m_station->action(MainWindow::ActionDisconnect)->trigger();
        TestSupport::clickButtonOfRole(box, QMessageBox::AcceptRole);
    });
    click(TabQvtSettings::ButtonWrite);
    QVERIFY(asked);
    QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimIdle));
    QVERIFY(drainWorker());
    QCOMPARE(finished(AirHandler::TaskWriteTable), 0);
    QCOMPARE(m_station->simulator()->state().tableCommits, commits);
    QVERIFY(messages().isEmpty());
    QVERIFY(m_station->connectTransducer());
    showTrimTab();
}

void TestTabQvtSettings::failedTableReadLeavesIdle()
{
    useRange(0.0, 1000.0);
    QSignalSpy active(m_page, &TabQvtSettings::trimStateChanged);
    // The third row comes back a byte short.
    m_station->simulator()->queueFault(QvtFault::wrongDataSize(-1).on(37, 114));
    click(TabQvtSettings::ButtonStart);
    QVERIFY(m_station->waitForTask(AirHandler::TaskReadTable));
    QVERIFY(m_station->waitUntilUnlocked());
    QCOMPARE(AirHandler::instance->taskPhase(), 1);

    QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimIdle));
    QVERIFY(!Measure::instance->isMeasuring());
    QVERIFY(!TabGraph::instance->measureTimer()->isActive());
    QVERIFY(button(TabQvtSettings::ButtonStart)->isEnabled());
    QVERIFY(TabSettings::instance->isEnabled());
    for (const QList<QVariant> &emitted : qAsConst(active))
        QCOMPARE(emitted.at(0).toBool(), false);
    // The worker's error only: the page adds no message of its own.
    QCOMPARE(messages(), QStringList{QStringLiteral("Ошибка при чтении градуировочных коэффициентов!")});
}

void TestTabQvtSettings::failedTableWriteReportedOnce_data()
{
    QTest::addColumn<QvtFault>("fault");
    QTest::addColumn<int>("committed");
    // An error answer is not tried again.
    QTest::newRow("third row refused") << QvtFault::deviceError(5).on(38, 114) << 1;
    QTest::newRow("commit refused") << QvtFault::deviceError(5).on(199, 165) << 0;
    QTest::newRow("closing access refused") << QvtFault::deviceError(4).on(38, 25).carrying(QByteArray(1, '\0')) << 1;
}

void TestTabQvtSettings::failedTableWriteReportedOnce()
{
    QFETCH(QvtFault, fault);
    QFETCH(int, committed);
    useRange(0.0, 1000.0);
    advanceTo(TabQvtSettings::TrimReadyToWrite);
    const int commits = m_station->simulator()->state().tableCommits;
    TestSupport::answerNextMessageBox(QMessageBox::AcceptRole);
    m_station->simulator()->queueFault(fault);
    click(TabQvtSettings::ButtonWrite);
    QVERIFY(m_station->waitForTask(AirHandler::TaskWriteTable));
    QVERIFY(m_station->waitUntilUnlocked());
    QCOMPARE(AirHandler::instance->taskPhase(), 1);
    QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimIdle));
    // The worker's error once; the page adds neither its own nor the success.
    QVERIFY(drainWorker());
    QCOMPARE(messages(), QStringList{QStringLiteral("Ошибка при записи градуировочных коэффициентов!")});
    // The commit still follows a failed row; the access is closed whatever failed.
    QCOMPARE(m_station->simulator()->state().tableCommits, commits + committed);
    const QList<QByteArray> sent = m_station->simulator()->requests();
    QVERIFY(sent.size() >= 2);
    QCOMPARE(QvtTransducer::parseRequest(sent.at(sent.size() - 2)).data, QByteArray(1, '\0'));
    QCOMPARE(QvtTransducer::parseRequest(sent.last()).parameter, 36);
}

void TestTabQvtSettings::startRightAfterWrite()
{
    useRange(0.0, 1000.0);
    m_station->simulator()->updateState([](QvtTransducerState &s) {
        s.calibrationTable = startTable();
        s.tableCommits = 0;
    });
    startTrim();
    quiet();
    messages();
    // Points off the reference, so that the written table differs from the one read.
    deliver(0.4);
    click(TabQvtSettings::ButtonAcceptLow);
    quiet();
    messages();
    deliver(996.5);
    click(TabQvtSettings::ButtonAcceptHigh);
    QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimReadyToWrite));
    messages();
    m_finished.clear();

    // The page is idle as soon as the write is confirmed, and the window locked until the
    // worker has written: start pressed meanwhile does nothing.
    TestSupport::answerNextMessageBox(QMessageBox::AcceptRole);
    click(TabQvtSettings::ButtonWrite);
    QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimIdle));
    QVERIFY(!m_station->window()->isEnabled());
    QTest::mouseClick(button(TabQvtSettings::ButtonStart), Qt::LeftButton);
    QVERIFY(m_station->waitForTask(AirHandler::TaskWriteTable));
    QVERIFY(m_station->waitUntilUnlocked());
    click(TabQvtSettings::ButtonStart);
    QVERIFY(m_station->waitForTask(AirHandler::TaskReadTable));
    QVERIFY(m_station->waitUntilUnlocked());

    QCOMPARE(m_finished, QList<int>({AirHandler::TaskWriteTable, AirHandler::TaskReadTable}));
    const QvtTransducerState after = m_station->simulator()->state();
    QCOMPARE(after.tableCommits, 1);
    QVERIFY(after.calibrationTable != startTable());
    // The trim goes on from the table just written.
    for (int r = 0; r < QvtTransducerState::TableRows; ++r)
        for (int c = 0; c < QvtTransducerState::TableColumns; ++c)
            QCOMPARE(tair()->calibrationTable[r][c], after.calibrationTable[size_t(r)][size_t(c)]);
    QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimLowPoint));
    QCOMPARE(messages(),
             QStringList({QStringLiteral("Подстройка успешно завершена."),
                          QStringLiteral("Установите давление, соответствующее нижнему диапазону ЦРЗ (0,000 кПа).")}));
}

// The window is locked as soon as start is pressed: a second press before the worker takes
// the read neither reads the table again nor enters the low point twice.
void TestTabQvtSettings::twoClicksOnStartReadOnce()
{
    useRange(0.0, 1000.0);
    HButton *start = button(TabQvtSettings::ButtonStart);
    QVERIFY(start->isEnabled());
    QTest::mouseClick(start, Qt::LeftButton);
    QVERIFY(!m_station->window()->isEnabled());
    QTest::mouseClick(start, Qt::LeftButton);
    QVERIFY(m_station->waitForTask(AirHandler::TaskReadTable));
    QVERIFY(m_station->waitUntilUnlocked());
    quiet();

    QCOMPARE(finished(AirHandler::TaskReadTable), 1);
    QCOMPARE(countRequests(m_station->simulator()->requests(), 37, 112), 1);
    QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimLowPoint));
    QCOMPARE(messages(),
             QStringList{QStringLiteral("Установите давление, соответствующее нижнему диапазону ЦРЗ (0,000 кПа).")});
}

void TestTabQvtSettings::averagingFollowsTheState()
{
    useRange(0.0, 1000.0);
    AirHandler *air = AirHandler::instance;
    QVERIFY(m_page->averagingGroup()->isChecked());
    QVERIFY(!air->averagingOn());

    advanceTo(TabQvtSettings::TrimLowPoint);
    QVERIFY(air->averagingOn());
    QCOMPARE(int(air->averageCount()), 10);

    m_page->averagingGroup()->setChecked(false);
    QVERIFY(!air->averagingOn());
    m_page->averagingGroup()->setChecked(true);
    QVERIFY(air->averagingOn());

    const QList<QSpinBox *> count = m_page->averagingGroup()->findChildren<QSpinBox *>();
    QCOMPARE(count.size(), 1);
    count.first()->setFocus();
    count.first()->selectAll();
    QTest::keyClicks(count.first(), QStringLiteral("4"));
    QCOMPARE(tair()->prTrimAverageCount->value(), 4);
    QCOMPARE(int(air->averageCount()), 4);

    deliver(0.0);
    click(TabQvtSettings::ButtonAcceptLow);
    QVERIFY(air->averagingOn());
    QCOMPARE(int(air->averageCount()), 4);
    m_page->averagingGroup()->setChecked(false);
    QVERIFY(!air->averagingOn());
    m_page->averagingGroup()->setChecked(true);

    quiet();
    messages();
    deliver(1000.0);
    click(TabQvtSettings::ButtonAcceptHigh);
    QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimReadyToWrite));
    QVERIFY(!air->averagingOn());
    // Checked or not, there is no averaging outside the two points.
    m_page->averagingGroup()->setChecked(false);
    m_page->averagingGroup()->setChecked(true);
    QVERIFY(!air->averagingOn());
    click(TabQvtSettings::ButtonCancel);
    QVERIFY(!air->averagingOn());
}

void TestTabQvtSettings::unitsChangeRetitlesOnly()
{
    useRange(0.0, 1000.0);
    advanceTo(TabQvtSettings::TrimLowPoint);
    deliver(4.0);
    typeInto(tair()->prTrimReferenceLow, 3.0);

    setUnits(UnitMPa);
    QCOMPARE(m_page->lowPointGroup()->title(), QStringLiteral("P мин, МПа"));
    QCOMPARE(m_page->highPointGroup()->title(), QStringLiteral("P макс, МПа"));
    QCOMPARE(tair()->prTrimMeasuredLow->value(), 4.0);
    QCOMPARE(tair()->prTrimReferenceLow->value(), 3.0);
    setUnits(UnitKPa);
    QCOMPARE(m_page->lowPointGroup()->title(), QStringLiteral("P мин, кПа"));
}

void TestTabQvtSettings::verificationRunDisablesTheSettings()
{
    TabSettings *settings = TabSettings::instance;
    Verification::instance->setState(0);
    QVERIFY(!settings->infoGroup()->isEnabled());
    QVERIFY(!settings->deviceSettingsPanel()->isEnabled());
    QVERIFY(!m_page->trimPanel()->isEnabled());
    QVERIFY(settings->linkGroup()->isEnabled());
    Verification::instance->setState(1);
    QVERIFY(settings->infoGroup()->isEnabled());
    QVERIFY(settings->deviceSettingsPanel()->isEnabled());
    QVERIFY(m_page->trimPanel()->isEnabled());
    messages();
}

void TestTabQvtSettings::oldVersionHidesNestedTabs()
{
    QWidget *info = TabSettings::instance->infoGroup();
    tair()->deviceType = 13;
    m_page->setConnectedState(true);
    QVERIFY(info->isVisible());
    QVERIFY(!m_page->nestedTabs()->isVisible());

    tair()->deviceType = 43;
    m_page->setConnectedState(true);
    QVERIFY(info->isVisible());
    QVERIFY(m_page->nestedTabs()->isVisible());

    m_page->setConnectedState(false);
    QVERIFY(!info->isVisible());
    QVERIFY(!m_page->nestedTabs()->isVisible());
    m_page->setConnectedState(true);
}

void TestTabQvtSettings::fullTrimWithSimulator()
{
    useRange(0.0, 1000.0);
    m_station->simulator()->updateState([](QvtTransducerState &s) {
        s.calibrationTable = startTable();
        s.tableCommits = 0;
        s.pressureAmplitude = 0.0;
    });
    const Table table = startTable();
    // Averaging over two readings: a point is the mean of the last two.
    tair()->prTrimAverageCount->setValue(2);
    m_page->refreshAllFields();

    m_station->setPressure(0.4);
    startTrim();
    QCOMPARE(messages(),
             QStringList{QStringLiteral("Установите давление, соответствующее нижнему диапазону ЦРЗ (0,000 кПа).")});
    // The table as the transducer holds it.
    for (int r = 0; r < QvtTransducerState::TableRows; ++r)
        for (int c = 0; c < QvtTransducerState::TableColumns; ++c)
            QCOMPARE(tair()->calibrationTable[r][c], table[size_t(r)][size_t(c)]);

    // The measured value follows the readings of the applied pressure.
    QTRY_COMPARE_WITH_TIMEOUT(float(tair()->prTrimMeasuredLow->value()), 0.4f, TestSupport::Workstation::LongWaitMs);
    QCOMPARE(tair()->prTrimReferenceLow->value(), 0.0);
    click(TabQvtSettings::ButtonAcceptLow);
    QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimHighPoint));
    QCOMPARE(messages(), QStringList{QStringLiteral(
                             "Установите давление, соответствующее верхнему диапазону ЦРЗ (1\u00A0000,000 кПа).")});

    // The pressure is raised after the point began: the graph shows the step.
    QVERIFY(m_station->waitForReadings(2));
    m_station->setPressure(996.5);
    QTRY_COMPARE_WITH_TIMEOUT(float(tair()->prTrimMeasuredHigh->value()), 996.5f, TestSupport::Workstation::LongWaitMs);
    QVERIFY(m_station->waitForReadings(2));
    QCOMPARE(float(tair()->prTrimMeasuredHigh->value()), 996.5f);
    QCOMPARE(tair()->prTrimReferenceHigh->value(), 1000.0);
    QVERIFY(TabGraph::instance->plot()->sampleCount() >= 4);
    messages();
    // Tall enough for the whole page, as on a full-HD screen; at 800 pixels the page scrolls.
    const QSize size = m_station->window()->size();
    m_station->window()->resize(1280, 1100);
    QTRY_VERIFY(!m_page->scrollArea()->verticalScrollBar()->isVisible());
    qInfo("screenshot: %s",
          qPrintable(TestSupport::saveScreenshot(m_station->window(), QStringLiteral("qvt_trim_high_point"))));
    m_station->window()->resize(size);

    click(TabQvtSettings::ButtonAcceptHigh);
    QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimReadyToWrite));
    QVERIFY(messages().isEmpty());

    TestSupport::answerNextMessageBox(QMessageBox::AcceptRole);
    m_station->simulator()->clearRequests();
    click(TabQvtSettings::ButtonWrite);
    QCOMPARE(m_page->trimState(), unsigned(TabQvtSettings::TrimIdle));
    QVERIFY(m_station->waitForTask(AirHandler::TaskWriteTable));
    QVERIFY(m_station->waitUntilUnlocked());
    QCOMPARE(messages(), QStringList{QStringLiteral("Подстройка успешно завершена.")});

    // The rule, worked out here in the transducer's single precision from the table read and
    // the four trim values in kPa: k = (m2 - m1) / (r2 - r1), b = r1 - m1 / k; values 0..4 of
    // rows 0..8 divided by k, then b added to the first value.
    const float m1 = 0.4f, r1 = 0.0f, m2 = 996.5f, r2 = 1000.0f;
    QCOMPARE(float(tair()->prTrimMeasuredLow->value()), m1);
    QCOMPARE(float(tair()->prTrimReferenceLow->value()), r1);
    QCOMPARE(float(tair()->prTrimMeasuredHigh->value()), m2);
    QCOMPARE(float(tair()->prTrimReferenceHigh->value()), r2);
    const float k = (m2 - m1) / (r2 - r1);
    const float b = r1 - m1 / k;
    Table expected = table;
    for (int r = 0; r < 9; ++r)
        for (int c = 0; c < 5; ++c)
            expected[size_t(r)][size_t(c)] = table[size_t(r)][size_t(c)] / k;
    expected[0][0] += b;

    const QvtTransducerState after = m_station->simulator()->state();
    for (int r = 0; r < QvtTransducerState::TableRows; ++r)
        for (int c = 0; c < QvtTransducerState::TableColumns; ++c)
            QVERIFY2(after.calibrationTable[size_t(r)][size_t(c)] == expected[size_t(r)][size_t(c)],
                     qPrintable(QStringLiteral("row %1, value %2: %3, expected %4")
                                    .arg(r)
                                    .arg(c)
                                    .arg(double(after.calibrationTable[size_t(r)][size_t(c)]), 0, 'g', 9)
                                    .arg(double(expected[size_t(r)][size_t(c)]), 0, 'g', 9)));
    QCOMPARE(after.tableCommits, 1);
    int writes = 0;
    for (const QByteArray &frame : m_station->simulator()->requests())
        writes += isTableWrite(frame) ? 1 : 0;
    QCOMPARE(writes, QvtTransducerState::TableRows + 1);
}

APPDIR_TEST_MAIN(TestTabQvtSettings)

#include "tst_tabqvtsettings.moc"
