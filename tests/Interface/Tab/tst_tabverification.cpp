// The verification run page in the main window, with the simulated transducer read through the
// task machine: starting and stopping a run, the checks and warnings before it, stepping through
// the points by both methods, what a reading stores and what a bad one does not, the results and
// their colours, and complete runs whose results are worked out again here from the stored
// readings. Leaves pictures of a run in progress and of a finished one in <build>/screenshots/.
#include "Devices/AirHandler.h"
#include "Devices/Measure.h"
#include "Devices/TAIR.h"
#include "Interface/IndicatorEtalon.h"
#include "Interface/MainWindow.h"
#include "Interface/MeasureDisplay.h"
#include "Interface/Tab/TabGraph.h"
#include "Interface/Tab/TabSettings.h"
#include "Interface/Tab/TabVerification.h"
#include "Modal.h"
#include "Parameters/EditField.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/Settings.h"
#include "Parameters/Units.h"
#include "QvtSimulator.h"
#include "Screenshot.h"
#include "TestSupport.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Verification/VrDevice.h"
#include "Verification/VrPointsModel.h"
#include "Widgets/ApplicationFont.h"
#include "Widgets/HButton.h"
#include "Widgets/HTabWidget.h"
#include "Widgets/MessageBox.h"
#include "Workstation.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTableView>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();

// The results of one device column, worked out from its stored readings as the evaluation is
// defined: reduced errors against the nominal, the zone of the point with the largest error (the
// last of equal ones), the threshold of the class zone and the reserve coefficient, and the
// variation between the points of the two strokes.
struct Expected
{
    double error = NaN;
    bool exceeded = false;
    double variation = NaN;
};

Expected recompute(const VrPointsModel *model, int device, double spanKPa, const double zones[3], double coefficient)
{
    Expected result;
    double largest = -1;
    double nominalOfLargest = 0;
    const int n = model->pointCount();
    for (int i = 0; i < n; ++i) {
        const VrPoint &p = model->point(i);
        if (!p.devices[device].measured)
            continue;
        const double e = std::fabs(p.nominal - p.devices[device].reading) * 100 / spanKPa;
        if (e >= largest) {
            largest = e;
            nominalOfLargest = p.nominal;
        }
    }
    if (largest >= 0) {
        const double zone = nominalOfLargest < 0.25 * spanKPa ? zones[0]
                            : nominalOfLargest < 0.75 * spanKPa ? zones[1] : zones[2];
        result.error = largest;
        result.exceeded = largest > zone * coefficient;
    }
    double variation = -1;
    for (int i = 0; i < n / 2; ++i) {
        const VrPoint &up = model->point(i);
        const VrPoint &down = model->point(n - 1 - i);
        if (!up.devices[device].measured || !down.devices[device].measured)
            continue;
        variation = std::max(variation, std::fabs(up.devices[device].reading - down.devices[device].reading) * 100 / spanKPa);
    }
    if (variation >= 0)
        result.variation = variation;
    return result;
}

QColor baseColour(const EditField *cell)
{
    return cell->editor()->palette().color(QPalette::Base);
}
}

class TestTabVerification : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void failedCheckBlocksStart_data();
    void failedCheckBlocksStart();
    void rangeWarningThenStart_data();
    void rangeWarningThenStart();
    void oneDeviceNextPointStoresRoundedReading_data();
    void oneDeviceNextPointStoresRoundedReading();
    void threeDevicesButtonsOverCurrentRow();
    void methodBTwoDevicesWithIndicator();
    void badReadingStoresNothing_data();
    void badReadingStoresNothing();
    void staleReadingStoresNothing_data();
    void staleReadingStoresNothing();
    void usedDeviceButtonStoresNothing();
    void linkLossStopsRun_data();
    void linkLossStopsRun();
    void refusedStartLeavesGraphMeasuring();
    void settingsAfterRunFollow();
    void rowHeaderClick_data();
    void rowHeaderClick();
    void zeroTrimButton();
    void startButtonHeightFollowsFont();
    void completeRunMethodA();
    void completeRunMethodB();

private:
    TabVerification *page() const { return TabVerification::instance; }
    VrPointsModel *model() const { return VrPointsModel::instance; }
    Verification *verification() const { return Verification::instance; }
    bool running() const { return verification()->state() == 0; }
    // Display value of a cell, NaN for "-".
    double cell(int row, int column) const
    {
        const QVariant v = model()->data(model()->index(row, column), Qt::EditRole);
        bool ok = false;
        const double x = v.toDouble(&ok);
        return ok && v.userType() != QMetaType::QString ? x : NaN;
    }
    // The simulator holds the pressure and the transducer's history has two readings of it.
    void setDevices(int count);
    void setClass(const QString &text);
    void clickStart();
    void clickNext() { QTest::mouseClick(page()->nextPointButton(), Qt::LeftButton); }
    QList<MessageBox *> messages() const { return m_station->window()->findChildren<MessageBox *>(); }
    void closeMessages();
    QDoubleSpinBox *openEditor() const
    {
        const auto boxes = page()->table()->viewport()->findChildren<QDoubleSpinBox *>();
        for (QDoubleSpinBox *box : boxes) {
            if (box->isVisible())
                return box;
        }
        return nullptr;
    }
    void typeIntoEditor(double value);
    // The editor of the parameter's field on the settings page.
    template <class Editor>
    Editor *settingsEditor(const HAbstractParametr *parametr) const
    {
        return TestSupport::editorOf<Editor>(TabSettings::instance, parametr);
    }
    void showPage(QWidget *tab);
    // Keys on the settings page's field, then Tab, as the operator enters a value.
    void typeSetting(const HAbstractParametr *parametr, const QString &text);
    void chooseSetting(const HAbstractParametr *parametr, int id);
    // Waits until the worker has no reading in hand or asked for.
    void quiesceWorker();

    QvtTransducerState m_state;
    std::unique_ptr<TestSupport::Workstation> m_station;
};

void TestTabVerification::initTestCase()
{
    QSettings stored(QCoreApplication::applicationDirPath() + "/conf.ini", QSettings::IniFormat);
    stored.setValue(QStringLiteral("prUnits"), int(UnitKPa));
    stored.setValue(QStringLiteral("prDecimals"), 2);
    stored.sync();

    m_state = TestSupport::Workstation::kPaTransducer();
    m_station.reset(new TestSupport::Workstation(m_state));
    QString error;
    QVERIFY2(m_station->start(&error), qPrintable(error));
    QVERIFY(page());
    // Disconnected until the link is made: nothing can be started.
    QVERIFY(!page()->startButton()->isEnabled());
    QVERIFY(!page()->zeroTrimButton()->isEnabled());
    QVERIFY(m_station->connectTransducer());
    QVERIFY(page()->startButton()->isEnabled());
    QVERIFY(page()->zeroTrimButton()->isEnabled());
}

void TestTabVerification::init()
{
    if (!TAIR::instance->isConnected())
        QVERIFY(m_station->connectTransducer());
    m_station->simulator()->updateState([](QvtTransducerState &s) {
        s.pressure = 0.0;
        s.readingStatus = 0;
        s.setAnswerMode(QvtTransducerState::AnswerMode::Normal);
    });
    TAIR::instance->prUnits->setValue(UnitKPa);
    Settings::instance->decimals()->setValue(2);
    emit Settings::instance->decimalsChanged();
    verification()->prVerificationMode->setValue(0);
    verification()->prMinValue->setValue(0);
    verification()->prMaxValue->setValue(100);
    verification()->prStep->setValue(25);
    Conditions::instance->prVrCoeff->setValue(0.8);
    Conditions::instance->prIndicatorStep->setValue(0.1);
    setClass(QStringLiteral("0,4"));
    for (VrDevice *device : Conditions::instance->vrDevices) {
        for (ParametrEnum *check : {device->prCheckUsage, device->prCheckSystemGr, device->prCheckR, device->prCheckRSolid})
            check->setValue(0);
    }
    setDevices(1);
    // The settings page's editors show what is set here, not what a test typed into them.
    TabSettings::instance->refreshAllFields();
    m_station->window()->tabWidget()->setCurrentWidget(page());
    QTRY_VERIFY(page()->startButton()->isVisible());
    // Keys go where the focus is, in the active window.
    QApplication::setActiveWindow(m_station->window());
    QVERIFY(QTest::qWaitForWindowActive(m_station->window()));
}

void TestTabVerification::cleanup()
{
    if (running())
        page()->processButton(TabVerification::ButtonStop);
    closeMessages();
}

void TestTabVerification::setDevices(int count)
{
    Conditions::instance->prVrDeviceCount->setValue(count);
    // As the settings page does after the device count or the method has changed.
    page()->onVrModeChanged();
}

void TestTabVerification::setClass(const QString &text)
{
    Conditions::instance->prConditionsVrClassTpye->setText(text);
    Conditions::instance->parseAccuracyClass();
}

void TestTabVerification::clickStart()
{
    QCOMPARE(page()->startButton()->id(), uint8_t(TabVerification::ButtonStart));
    QTest::mouseClick(page()->startButton(), Qt::LeftButton);
}

void TestTabVerification::closeMessages()
{
    for (MessageBox *box : messages())
        delete box;
}

void TestTabVerification::typeIntoEditor(double value)
{
    QDoubleSpinBox *box = openEditor();
    QVERIFY(box);
    box->selectAll();
    QTest::keyClicks(box, box->locale().toString(value, 'f', 2));
}

void TestTabVerification::showPage(QWidget *tab)
{
    m_station->window()->tabWidget()->setCurrentWidget(tab);
    QTRY_VERIFY(tab->isVisible());
}

void TestTabVerification::typeSetting(const HAbstractParametr *parametr, const QString &text)
{
    QWidget *editor = settingsEditor<QAbstractSpinBox>(parametr);
    if (auto *combo = settingsEditor<QComboBox>(parametr))
        editor = combo->lineEdit();
    QVERIFY(editor && editor->isVisible() && editor->isEnabled());
    editor->setFocus(Qt::TabFocusReason);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Tab);
}

void TestTabVerification::chooseSetting(const HAbstractParametr *parametr, int id)
{
    TestSupport::chooseByKeys(settingsEditor<QComboBox>(parametr), id);
}

void TestTabVerification::quiesceWorker()
{
    // A task of no number clears a reading asked for and not yet taken.
    AirHandler::instance->requestTask(TestSupport::Workstation::NoTask);
    QVERIFY(m_station->waitForTask(TestSupport::Workstation::NoTask));
    QVERIFY(m_station->waitUntilUnlocked());
}

void TestTabVerification::failedCheckBlocksStart_data()
{
    QTest::addColumn<int>("devices");
    QTest::addColumn<QList<int>>("failedChecks");   // of device 2: 0 usage, 1 tightness, 2 R, 3 strength
    QTest::addColumn<QString>("message");

    QTest::newRow("insulation resistance") << 2 << QList<int>{2}
        << "Невозможно начать поверку! Датчик №2: параметр «Проверка эл. R изоляции»  имеет значение «не соответствует»!";
    // The checks are looked at in a fixed order: the trial first.
    QTest::newRow("two failed, the trial named") << 3 << QList<int>{3, 0}
        << "Невозможно начать поверку! Датчик №2: параметр «Опробование»  имеет значение «не соответствует»!";
    QTest::newRow("tightness") << 2 << QList<int>{1}
        << "Невозможно начать поверку! Датчик №2: параметр «Проверка герметичности»  имеет значение «не соответствует»!";
    // A device that takes no part is not looked at.
    QTest::newRow("device not under test") << 1 << QList<int>{0} << QString();
}

void TestTabVerification::failedCheckBlocksStart()
{
    QFETCH(int, devices);
    QFETCH(QList<int>, failedChecks);
    QFETCH(QString, message);

    setDevices(devices);
    // A table of another run, with a reading in it.
    verification()->prStep->setValue(50);
    QVERIFY(verification()->buildPoints());
    QVERIFY(model()->setData(model()->index(1, 2), 48.5, Qt::EditRole));
    page()->onTableDataChanged();
    QVERIFY(page()->errorText(0) != "-");
    verification()->prStep->setValue(25);

    VrDevice *second = Conditions::instance->vrDevices.at(1);
    const QList<ParametrEnum *> checks{second->prCheckUsage, second->prCheckSystemGr, second->prCheckR, second->prCheckRSolid};
    for (int check : failedChecks)
        checks.at(check)->setValue(1);

    clickStart();
    if (message.isEmpty()) {
        QVERIFY(running());
        QVERIFY(messages().isEmpty());
        return;
    }
    QVERIFY(!running());
    QCOMPARE(page()->startButton()->text(), QStringLiteral("СТАРТ"));
    QCOMPARE(page()->startButton()->id(), uint8_t(TabVerification::ButtonStart));
    QVERIFY(page()->startButton()->isEnabled());
    QVERIFY(!page()->nextPointButton()->isEnabled());
    QVERIFY(!Measure::instance->isMeasuring());
    QCOMPARE(model()->currentRow, -1);
    QTRY_COMPARE(messages().size(), 1);
    QCOMPARE(messages().first()->textLabel()->text(), message);
    QCOMPARE(messages().first()->type(), 0);
    // The table is built again all the same, without readings, and so are the results.
    QCOMPARE(model()->pointCount(), 9);
    for (int row = 0; row < 9; ++row)
        QVERIFY(std::isnan(cell(row, 2)));
    QCOMPARE(page()->errorText(0), QStringLiteral("-"));
}

void TestTabVerification::rangeWarningThenStart_data()
{
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("points");
    // The transducer measures 0..1000 kPa.
    QTest::newRow("maximum above the transducer's") << 0.0 << 1200.0 << 300.0 << 9;
    QTest::newRow("minimum below the transducer's") << -100.0 << 100.0 << 100.0 << 5;
}

void TestTabVerification::rangeWarningThenStart()
{
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(double, step);
    QFETCH(int, points);
    verification()->prMinValue->setValue(minimum);
    verification()->prMaxValue->setValue(maximum);
    verification()->prStep->setValue(step);

    QString title, text;
    bool runningMeanwhile = false;
    TestSupport::handleNextModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        runningMeanwhile = running();
        box->button(QMessageBox::Ok)->click();
    });
    clickStart();
    QCOMPARE(title, QStringLiteral("Запуск поверки"));
    QCOMPARE(text, QStringLiteral("ВНИМАНИЕ: Диапазон показаний выходит за диапазон измерений ЦРЗ!"));
    QVERIFY(runningMeanwhile);

    // The run goes on after the warning.
    QVERIFY(running());
    QCOMPARE(model()->pointCount(), points);
    QCOMPARE(model()->currentRow, 0);
    QCOMPARE(page()->startButton()->text(), QStringLiteral("СТОП"));
    QVERIFY(page()->startButton()->isEnabled());
    QVERIFY(page()->nextPointButton()->isEnabled());
    QVERIFY(Measure::instance->isMeasuring());
    QVERIFY(!TabGraph::instance->measureButton()->isEnabled());
}

void TestTabVerification::oneDeviceNextPointStoresRoundedReading_data()
{
    QTest::addColumn<double>("pressure");
    QTest::addColumn<double>("stored");
    QTest::newRow("half up") << 0.125 << 0.13;
    QTest::newRow("half down, negative") << -0.125 << -0.13;
    QTest::newRow("below the half") << 12.3449 << 12.34;
}

void TestTabVerification::oneDeviceNextPointStoresRoundedReading()
{
    QFETCH(double, pressure);
    QFETCH(double, stored);
    clickStart();
    QVERIFY(running());
    QCOMPARE(model()->currentRow, 0);
    QVERIFY(page()->currentRowMarker()->isVisible());
    // One device: no device buttons, the next-point button stores.
    for (int i = 0; i < 4; ++i)
        QVERIFY(!page()->deviceButton(i)->isVisible());
    // The measure display shows the point's nominal.
    MeasureDisplay *display = TabGraph::instance->measureDisplay();
    QVERIFY(page()->isAncestorOf(display));
    QTRY_VERIFY(display->nominalField()->isVisible());
    QCOMPARE(display->nominalField()->text(), QStringLiteral("  0,00 кПа"));

    QVERIFY(m_station->settle(pressure, true));
    clickNext();
    QCOMPARE(cell(0, 1), stored);
    QCOMPARE(cell(0, 2), stored);
    QVERIFY(std::isfinite(model()->point(0).uncertainty));
    QCOMPARE(model()->currentRow, 1);
    QCOMPARE(page()->table()->currentIndex(), model()->index(1, 2));
    QCOMPARE(display->nominalField()->text(), QStringLiteral("  25,00 кПа"));
    QCOMPARE(page()->errorText(0), formatNumber(std::fabs(stored), 2));
    // The row the marker moved to.
    QCOMPARE(page()->currentRowMarker()->y(),
             page()->table()->rowViewportPosition(1) + page()->table()->horizontalHeader()->height());
}

void TestTabVerification::threeDevicesButtonsOverCurrentRow()
{
    setDevices(3);
    clickStart();
    QVERIFY(running());
    QTableView *table = page()->table();
    QWidget *marker = page()->currentRowMarker();

    const auto checkButtonsOver = [&](int row, const QList<int> &due) {
        QVERIFY(marker->isVisible());
        QCOMPARE(marker->y(), table->rowViewportPosition(row) + table->horizontalHeader()->height());
        for (int i = 0; i < 4; ++i) {
            HButton *button = page()->deviceButton(i);
            QCOMPARE(button->isVisible(), due.contains(i));
            if (!due.contains(i))
                continue;
            QCOMPARE(button->text(), QStringLiteral("Установить"));
            QCOMPARE(button->geometry().top(), marker->y());
            QCOMPARE(button->height(), marker->height());
            // Over its own device's column, in the table's coordinates.
            const int columnLeft = table->verticalHeader()->width() + table->columnViewportPosition(i + 2);
            QVERIFY(std::abs(button->x() - columnLeft) <= 4);
            QCOMPARE(button->width(), table->columnWidth(i + 2));
        }
    };
    checkButtonsOver(0, {0, 1, 2});

    const double pressures[3] = {0.2, -0.31, 0.456};
    for (int i = 0; i < 3; ++i) {
        QVERIFY(m_station->settle(pressures[i], true));
        QTest::mouseClick(page()->deviceButton(i), Qt::LeftButton);
        QCOMPARE(cell(0, i + 2), roundTo(double(float(pressures[i])), 2));
        if (i < 2) {
            QCOMPARE(model()->currentRow, 0);
            QVERIFY(!page()->deviceButton(i)->isVisible());
        }
    }
    // The third reading moved the page on; the reference column is not written by the buttons.
    QCOMPARE(model()->currentRow, 1);
    // 0.46 % is over the 0.32 % allowed; no variation before the way down: grey and disabled.
    QCOMPARE(page()->errorText(2), QStringLiteral("0,46"));
    QCOMPARE(baseColour(page()->errorCell(2)), QColor(Qt::red));
    QCOMPARE(baseColour(page()->errorCell(0)), QColor(Qt::green));
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(page()->variationText(i), QStringLiteral("-"));
        QCOMPARE(baseColour(page()->variationCell(i)), QColor(Qt::lightGray));
        QVERIFY(!page()->variationCell(i)->isEnabled());
    }
    QVERIFY(page()->errorCell(3)->isHidden());
    QVERIFY(std::isnan(cell(0, 1)));
    QVERIFY(std::isfinite(model()->point(0).uncertainty));
    checkButtonsOver(1, {0, 1, 2});

    // One reading taken at the second point; the next-point button moves on without the others.
    QVERIFY(m_station->settle(25.3, true));
    QTest::mouseClick(page()->deviceButton(1), Qt::LeftButton);
    checkButtonsOver(1, {0, 2});
    qInfo("screenshot: %s",
          qPrintable(TestSupport::saveScreenshot(m_station->window(), QStringLiteral("verification_three_devices"))));
    clickNext();
    QCOMPARE(model()->currentRow, 2);
    QVERIFY(std::isnan(cell(1, 2)));
    QCOMPARE(cell(1, 3), 25.3);
    checkButtonsOver(2, {0, 1, 2});
}

void TestTabVerification::methodBTwoDevicesWithIndicator()
{
    verification()->prVerificationMode->setValue(1);
    setDevices(2);
    setClass(QStringLiteral("1"));
    IndicatorEtalon *indicator = page()->indicator();
    QVERIFY(indicator->isHidden());
    clickStart();
    QVERIFY(running());
    QVERIFY(indicator->isVisible());
    for (int i = 0; i < 4; ++i)
        QVERIFY(!page()->deviceButton(i)->isVisible());
    // The scale spans the class (1 % of 100 kPa) around the point's nominal.
    QCOMPARE(indicator->minimum(), -0.5);
    QCOMPARE(indicator->maximum(), 0.5);

    m_station->setPressure(0.25);
    QTRY_COMPARE_WITH_TIMEOUT(indicator->value(), double(float(0.25)), 20000);

    // The operator types the gauges' readings: the first device's cell is open for it. Enter
    // stores it; the arrow moves on to the next device's cell, open in its turn.
    QTRY_VERIFY(openEditor());
    typeIntoEditor(0.3);
    QTest::keyClick(openEditor(), Qt::Key_Return);
    QTest::keyClick(page()->table(), Qt::Key_Right);
    QTRY_VERIFY(openEditor());
    QCOMPARE(page()->table()->currentIndex(), model()->index(0, 3));
    typeIntoEditor(-0.2);
    QVERIFY(m_station->settle(0.25, true));
    clickNext();
    QCOMPARE(cell(0, 2), 0.3);
    QCOMPARE(cell(0, 3), -0.2);
    QVERIFY(std::isfinite(model()->point(0).uncertainty));
    QCOMPARE(model()->currentRow, 1);
    QCOMPARE(indicator->minimum(), 24.5);
    QCOMPARE(indicator->maximum(), 25.5);
    QCOMPARE(page()->errorText(0), QStringLiteral("0,30"));
    QCOMPARE(page()->errorText(1), QStringLiteral("0,20"));

    // Passing a point without typing leaves its cells empty: no reading of 0 appears.
    QTRY_VERIFY(openEditor());
    clickNext();
    QCOMPARE(model()->currentRow, 2);
    QVERIFY(std::isnan(cell(1, 2)));
    QVERIFY(std::isnan(cell(1, 3)));

    // A failed reading puts the needle at the left end.
    m_station->simulator()->updateState([](QvtTransducerState &s) { s.readingStatus = 3; });
    QTRY_VERIFY_WITH_TIMEOUT(std::isnan(indicator->value()), 20000);
    m_station->simulator()->updateState([](QvtTransducerState &s) { s.readingStatus = 0; });

    // СТОП: the points and their readings stay.
    QCOMPARE(page()->startButton()->text(), QStringLiteral("СТОП"));
    QTest::mouseClick(page()->startButton(), Qt::LeftButton);
    QVERIFY(!running());
    QVERIFY(indicator->isHidden());
    QVERIFY(!Measure::instance->isMeasuring());
    QCOMPARE(model()->currentRow, -1);
    QCOMPARE(cell(0, 2), 0.3);
    QCOMPARE(page()->startButton()->text(), QStringLiteral("СТАРТ"));
}

void TestTabVerification::badReadingStoresNothing_data()
{
    QTest::addColumn<int>("fault");
    QTest::newRow("transducer's own status") << 0;
    QTest::newRow("no answer") << 1;
    QTest::newRow("status good, value no number") << 2;
}

void TestTabVerification::badReadingStoresNothing()
{
    QFETCH(int, fault);
    const auto goBad = [&]() {
        m_station->simulator()->updateState([fault](QvtTransducerState &s) {
            if (fault == 0)
                s.readingStatus = 3;
            else if (fault == 1)
                s.setAnswerMode(QvtTransducerState::AnswerMode::Silent);
            else
                s.pressure = NaN;
        });
        QTRY_VERIFY_WITH_TIMEOUT(Measure::instance->reading().status != 0 || std::isnan(Measure::instance->reading().value),
                                 20000);
    };

    // One device: the next-point step.
    clickStart();
    QVERIFY(m_station->settle(10.0, true));
    goBad();
    clickNext();
    QCOMPARE(model()->currentRow, 0);
    QVERIFY(std::isnan(cell(0, 1)));
    QVERIFY(std::isnan(cell(0, 2)));
    QCOMPARE(page()->errorText(0), QStringLiteral("-"));
    page()->processButton(TabVerification::ButtonStop);
    init();

    // Two devices: the device button.
    setDevices(2);
    clickStart();
    QVERIFY(m_station->settle(10.0, true));
    goBad();
    QTest::mouseClick(page()->deviceButton(0), Qt::LeftButton);
    QVERIFY(page()->deviceButton(0)->isVisible());
    QVERIFY(std::isnan(cell(0, 2)));
    QCOMPARE(model()->currentRow, 0);
}

void TestTabVerification::staleReadingStoresNothing_data()
{
    QTest::addColumn<int>("devices");
    QTest::addColumn<bool>("relink");
    QTest::newRow("START again, next point") << 1 << false;
    QTest::newRow("START again, device button") << 2 << false;
    QTest::newRow("link lost and back, next point") << 1 << true;
    QTest::newRow("link lost and back, device button") << 2 << true;
}

// A run read 100 kPa and stopped; the system is vented to 0. Whatever is pressed after the next
// START stores a reading taken after it, never the 100 held from before.
void TestTabVerification::staleReadingStoresNothing()
{
    QFETCH(int, devices);
    QFETCH(bool, relink);
    setDevices(devices);
    const auto press = [&]() {
        if (devices == 1)
            clickNext();
        else
            QTest::mouseClick(page()->deviceButton(0), Qt::LeftButton);
    };

    clickStart();
    QVERIFY(m_station->settle(100.0, true));
    QTest::mouseClick(page()->startButton(), Qt::LeftButton);
    QVERIFY(!running());
    quiesceWorker();
    QCOMPARE(Measure::instance->reading().value, 100.0);
    if (relink) {
        m_station->action(MainWindow::ActionDisconnect)->trigger();
        // The history from before the loss no longer counts.
        QVERIFY(TAIR::instance->history().isEmpty());
        QVERIFY(m_station->waitUntilUnlocked());
    }
    m_station->setPressure(0.0);
    if (relink)
        QVERIFY(m_station->connectTransducer());

    clickStart();
    QVERIFY(running());
    press();
    QCOMPARE(model()->currentRow, 0);
    QVERIFY(std::isnan(cell(0, 1)));
    QVERIFY(std::isnan(cell(0, 2)));
    if (devices > 1)
        QVERIFY(page()->deviceButton(0)->isVisible());
    QTRY_COMPARE(messages().size(), 1);
    QCOMPARE(messages().first()->textLabel()->text(),
             QStringLiteral("Нет нового показания ЦРЗ! Дождитесь следующего измерения."));
    if (devices == 2 && !relink)
        qInfo("screenshot: %s", qPrintable(TestSupport::saveScreenshot(m_station->window(),
                                                                      QStringLiteral("verification_no_fresh_reading"))));
    closeMessages();

    // The first reading of the run is not yet enough: the point's uncertainty needs two.
    QVERIFY(m_station->waitForReadings(1));
    QCOMPARE(Measure::instance->reading().value, 0.0);
    QCOMPARE(TAIR::instance->history().size(), 1);
    press();
    QVERIFY(std::isnan(cell(0, 2)));
    QCOMPARE(model()->currentRow, 0);
    QTRY_COMPARE(messages().size(), 1);
    closeMessages();

    // Two readings of the run, none from before among them: the point is stored with its
    // uncertainty.
    QVERIFY(m_station->settle(0.0, false));
    const QList<double> history = TAIR::instance->history();
    QVERIFY(std::all_of(history.begin(), history.end(), [](double h) { return h == 0.0; }));
    press();
    QCOMPARE(cell(0, 2), 0.0);
    QVERIFY(std::isfinite(model()->uncertaintyValue(0, 0)));
    QCOMPARE(model()->currentRow, devices == 1 ? 1 : 0);
    QVERIFY(messages().isEmpty());
}

// Method A, two devices: device 2's button, used by Space, hands the focus on and stores nothing
// more, however often its key is pressed.
void TestTabVerification::usedDeviceButtonStoresNothing()
{
    setDevices(2);
    clickStart();
    QVERIFY(running());
    QVERIFY(m_station->settle(0.1, true));
    HButton *first = page()->deviceButton(0);
    HButton *second = page()->deviceButton(1);
    second->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), second);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(cell(0, 3), roundTo(double(float(0.1)), 2));
    QVERIFY(second->isHidden());
    QCOMPARE(QApplication::focusWidget(), first);

    QVERIFY(m_station->settle(0.5, true));
    // The used button, were its key to reach it, is no longer due.
    QTest::keyClick(second, Qt::Key_Space);
    QCOMPARE(cell(0, 3), roundTo(double(float(0.1)), 2));
    QVERIFY(std::isnan(cell(0, 2)));
    QCOMPARE(model()->currentRow, 0);
    QVERIFY(first->isVisible());

    // Device 1 takes the next Space; the page moves on, and the focus to the next point's first
    // button.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(cell(0, 2), 0.5);
    QCOMPARE(cell(0, 3), roundTo(double(float(0.1)), 2));
    QCOMPARE(model()->currentRow, 1);
    QVERIFY(first->isVisible() && second->isVisible());
    QCOMPARE(QApplication::focusWidget(), first);

    // A press the page refuses (the run's one reading is not two in the history) stores nothing,
    // and closing the message by key gives the focus back to the button still due.
    QTest::mouseClick(page()->startButton(), Qt::LeftButton);
    QVERIFY(!running());
    quiesceWorker();
    clickStart();
    QVERIFY(m_station->waitForReadings(1));
    QCOMPARE(TAIR::instance->history().size(), 1);
    first->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QTRY_COMPARE(messages().size(), 1);
    QVERIFY(std::isnan(cell(0, 2)));
    QVERIFY(first->isVisible() && second->isVisible());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(messages().first()->buttons().first()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(messages().isEmpty());
    QCOMPARE(QApplication::focusWidget(), first);
}

void TestTabVerification::linkLossStopsRun_data()
{
    QTest::addColumn<bool>("fromMenu");
    QTest::newRow("disconnected from the menu") << true;
    // The worker's port search drops the link; its signal arrives queued.
    QTest::newRow("port search in the worker") << false;
}

void TestTabVerification::linkLossStopsRun()
{
    QFETCH(bool, fromMenu);
    clickStart();
    QVERIFY(running());
    QVERIFY(Measure::instance->isMeasuring());
    if (fromMenu)
        m_station->action(MainWindow::ActionDisconnect)->trigger();
    else
        AirHandler::instance->requestTask(AirHandler::TaskSearchPorts);
    QTRY_VERIFY_WITH_TIMEOUT(!running(), 20000);
    QCOMPARE(page()->startButton()->text(), QStringLiteral("СТАРТ"));
    QVERIFY(!page()->startButton()->isEnabled());
    QVERIFY(!page()->zeroTrimButton()->isEnabled());
    QVERIFY(!page()->nextPointButton()->isEnabled());
    QVERIFY(!page()->currentRowMarker()->isVisible());
    QVERIFY(!Measure::instance->isMeasuring());
    QVERIFY(m_station->waitUntilUnlocked());

    QVERIFY(m_station->connectTransducer());
    QVERIFY(page()->startButton()->isEnabled());
    QVERIFY(page()->zeroTrimButton()->isEnabled());
    QVERIFY(!running());
}

// The graph page measures on its own; a START refused for its step leaves it measuring.
void TestTabVerification::refusedStartLeavesGraphMeasuring()
{
    TabGraph *graph = TabGraph::instance;
    showPage(graph);
    QCOMPARE(graph->measureButton()->text(), QStringLiteral("СТАРТ"));
    QTest::mouseClick(graph->measureButton(), Qt::LeftButton);
    QVERIFY(Measure::instance->isMeasuring());
    showPage(page());

    verification()->prStep->setValue(0);
    QString text;
    TestSupport::answerNextMessageBox(QMessageBox::AcceptRole, &text);
    clickStart();
    QCOMPARE(text, QStringLiteral("Ошибка при форимровании точек поверки! Проверьте параметры поверки."));
    QVERIFY(!running());
    QVERIFY(Measure::instance->isMeasuring());
    QCOMPARE(graph->measureButton()->text(), QStringLiteral("СТОП"));
    QVERIFY(graph->measureButton()->isEnabled());
    QVERIFY(m_station->waitForReadings(2));

    showPage(graph);
    QTest::mouseClick(graph->measureButton(), Qt::LeftButton);
    QVERIFY(!Measure::instance->isMeasuring());
    showPage(page());
}

// After a run the operator changes the class, the reserve coefficient, the decimals and the
// device count on the settings page: the run page shows the stored run against them at once.
void TestTabVerification::settingsAfterRunFollow()
{
    Conditions *conditions = Conditions::instance;
    clickStart();
    QVERIFY(m_station->settle(0.35, true));
    clickNext();
    QTest::mouseClick(page()->startButton(), Qt::LeftButton);
    QVERIFY(!running());
    // 0.35 % against 0.4 × 0.8 = 0.32 %.
    QCOMPARE(page()->errorText(0), QStringLiteral("0,35"));
    QCOMPARE(baseColour(page()->errorCell(0)), QColor(Qt::red));
    QTableView *table = page()->table();
    QCOMPARE(table->horizontalHeader()->count(), 3);

    showPage(TabSettings::instance);
    typeSetting(conditions->prVrCoeff, QStringLiteral("1"));
    QCOMPARE(conditions->prVrCoeff->value(), 1.0);
    showPage(page());
    QCOMPARE(baseColour(page()->errorCell(0)), QColor(Qt::green));

    showPage(TabSettings::instance);
    typeSetting(conditions->prConditionsVrClassTpye, QStringLiteral("0,25"));
    QCOMPARE(conditions->zone1, 0.25);
    typeSetting(Settings::instance->decimals(), QStringLiteral("3"));
    QCOMPARE(Settings::instance->decimals()->value(), 3);
    showPage(page());
    QCOMPARE(baseColour(page()->errorCell(0)), QColor(Qt::red));
    QCOMPARE(page()->errorText(0), QStringLiteral("0,350"));

    // Every device column has its header section and the table its width; the reference column
    // stays hidden.
    const auto checkColumns = [&](int devices) {
        QCOMPARE(model()->columnTotal(), devices + 2);
        QCOMPARE(table->horizontalHeader()->count(), devices + 2);
        QVERIFY(table->isColumnHidden(1));
        for (int column = 2; column < devices + 2; ++column)
            QVERIFY(!table->isColumnHidden(column) && table->columnWidth(column) > 0);
        const auto tableWidth = [&]() {
            int width = table->verticalHeader()->width() + table->columnWidth(0) + 1;
            for (int column = 2; column < devices + 2; ++column)
                width += table->columnWidth(column) + 1;
            return width;
        };
        QTRY_COMPARE(table->width(), tableWidth());
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(page()->errorCell(i)->isVisible(), i < devices);
            QCOMPARE(page()->variationCell(i)->isVisible(), i < devices);
        }
        for (int i = 1; i < devices; ++i)
            QCOMPARE(page()->errorText(i), QStringLiteral("-"));
        QCOMPARE(page()->errorText(0), QStringLiteral("0,350"));
    };
    showPage(TabSettings::instance);
    chooseSetting(conditions->prVrDeviceCount, 3);
    QCOMPARE(conditions->prVrDeviceCount->value(), 3);
    showPage(page());
    checkColumns(3);
    qInfo("screenshot: %s", qPrintable(TestSupport::saveScreenshot(m_station->window(),
                                                                  QStringLiteral("verification_devices_after_run"))));

    showPage(TabSettings::instance);
    chooseSetting(conditions->prVrDeviceCount, 1);
    showPage(page());
    checkColumns(1);
}

void TestTabVerification::rowHeaderClick_data()
{
    QTest::addColumn<bool>("run");
    QTest::newRow("stopped") << false;
    QTest::newRow("running") << true;
}

void TestTabVerification::rowHeaderClick()
{
    QFETCH(bool, run);
    setDevices(2);
    QVERIFY(verification()->buildPoints());
    if (run) {
        clickStart();
        QVERIFY(running());
    }
    QHeaderView *header = page()->table()->verticalHeader();
    const QPoint third(header->width() / 2, header->sectionViewportPosition(3) + header->sectionSize(3) / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, third);
    if (!run) {
        QCOMPARE(model()->currentRow, -1);
        QVERIFY(!page()->table()->currentIndex().isValid());
        QVERIFY(!page()->currentRowMarker()->isVisible());
        QVERIFY(!page()->deviceButton(0)->isVisible());
        return;
    }
    QCOMPARE(model()->currentRow, 3);
    QCOMPARE(page()->table()->currentIndex(), model()->index(3, 2));
    QVERIFY(page()->deviceButton(0)->isVisible());
    QCOMPARE(page()->deviceButton(0)->y(), page()->currentRowMarker()->y());
    QCOMPARE(page()->currentRowMarker()->y(),
             page()->table()->rowViewportPosition(3) + page()->table()->horizontalHeader()->height());
}

void TestTabVerification::zeroTrimButton()
{
    HButton *button = page()->zeroTrimButton();
    QCOMPARE(button->id(), uint8_t(TabVerification::ButtonZeroTrim));
    QCOMPARE(button->text(), QStringLiteral("Подстройка\nнуля"));
    // The question and the task belong to the settings page.
    QVERIFY(QObject::disconnect(button, SIGNAL(clicked(bool)), TabSettings::instance, SLOT(onButtonPressed())));
    QVERIFY(QObject::connect(button, SIGNAL(clicked(bool)), TabSettings::instance, SLOT(onButtonPressed())));
    QCOMPARE(page()->protocolsButton()->id(), uint8_t(TabVerification::ButtonProtocols));
    QCOMPARE(page()->protocolsButton()->text(), QStringLiteral("Свидетельства\nи протоколы"));
}

void TestTabVerification::startButtonHeightFollowsFont()
{
    QAction *smaller = m_station->action(MainWindow::ActionFontDown);
    QAction *larger = m_station->action(MainWindow::ActionFontUp);
    const int size = applicationFont.pointSize();
    while (applicationFont.pointSize() > MainWindow::MinimumFontSize)
        smaller->trigger();
    QCOMPARE(page()->startButton()->height(), 70);
    QCOMPARE(page()->table()->verticalHeader()->defaultSectionSize(),
             int(QFontMetrics(page()->font()).height() * 2.8));

    for (int i = 0; i < 13; ++i)
        larger->trigger();
    QCOMPARE(page()->nextPointButton()->width(), page()->nextPointButton()->sizeHint().width());
    qInfo("screenshot: %s",
          qPrintable(TestSupport::saveScreenshot(m_station->window(), QStringLiteral("verification_large_font"))));
    for (int i = 0; i < 12; ++i)
        larger->trigger();
    const int line = QFontMetrics(page()->font()).height();
    QCOMPARE(page()->startButton()->height(), std::max(70, int(line * 2.2)));
    QVERIFY(page()->startButton()->height() > 70);
    QCOMPARE(page()->errorCell(0)->font().pointSize(), int(page()->font().pointSize() * 1.6));
    // The table is as wide as its header and visible columns, so no column is cut off.
    QTableView *table = page()->table();
    int width = table->verticalHeader()->width();
    for (int column = 0; column < model()->columnTotal(); ++column) {
        if (!table->isColumnHidden(column))
            width += table->columnWidth(column) + 1;
    }
    QCOMPARE(table->width(), width);

    while (applicationFont.pointSize() > size)
        smaller->trigger();
}

void TestTabVerification::completeRunMethodA()
{
    // Nine points 0, 25, 50, 75, 100, 75, 50, 25, 0; the gauge's pointer reached each mark with
    // the reference showing these pressures.
    const double pressures[9] = {0.104, 25.213, 49.85, 75.25, 99.9, 75.3, 49.949, 25.12, 0.04};
    clickStart();
    QVERIFY(running());
    QCOMPARE(model()->pointCount(), 9);
    for (int row = 0; row < 9; ++row) {
        QCOMPARE(model()->currentRow, row);
        QVERIFY(m_station->settle(pressures[row], true));
        clickNext();
    }
    // The next-point step after the last point ends the run.
    QVERIFY(!running());
    QCOMPARE(model()->currentRow, -1);
    QVERIFY(!page()->currentRowMarker()->isVisible());
    QVERIFY(!page()->nextPointButton()->isEnabled());
    QCOMPARE(page()->startButton()->text(), QStringLiteral("СТАРТ"));
    QVERIFY(!Measure::instance->isMeasuring());
    QVERIFY(TabGraph::instance->measureButton()->isEnabled());
    QVERIFY(!TabGraph::instance->measureDisplay()->isNominalVisible());

    for (int row = 0; row < 9; ++row) {
        const double stored = roundTo(double(float(pressures[row])), 2);
        QCOMPARE(cell(row, 1), stored);
        QCOMPARE(cell(row, 2), stored);
    }
    const double zones[3] = {0.4, 0.4, 0.4};
    const Expected expected = recompute(model(), 0, 100.0, zones, 0.8);
    // Largest error 0.30 % at 75 kPa on the way down, under the 0.32 % allowed; variation 0.10 %.
    QCOMPARE(formatNumber(expected.error, 2), QStringLiteral("0,30"));
    QVERIFY(!expected.exceeded);
    QCOMPARE(page()->errorText(0), formatNumber(expected.error, 2));
    QCOMPARE(page()->variationText(0), formatNumber(expected.variation, 2));
    QCOMPARE(baseColour(page()->errorCell(0)), QColor(Qt::green));
    QCOMPARE(baseColour(page()->variationCell(0)), QColor(Qt::white));
    QVERIFY(page()->errorCell(0)->isEnabled());
    for (int i = 1; i < 4; ++i) {
        QVERIFY(page()->errorCell(i)->isHidden());
        QVERIFY(page()->variationCell(i)->isHidden());
    }
    qInfo("screenshot: %s",
          qPrintable(TestSupport::saveScreenshot(m_station->window(), QStringLiteral("verification_finished_a"))));

    // The same readings against a class of 0,25: the largest error is over the limit.
    setClass(QStringLiteral("0,25"));
    page()->onTableDataChanged();
    QCOMPARE(baseColour(page()->errorCell(0)), QColor(Qt::red));
    QCOMPARE(page()->errorText(0), QStringLiteral("0,30"));
}

void TestTabVerification::completeRunMethodB()
{
    verification()->prVerificationMode->setValue(1);
    setDevices(2);
    setClass(QStringLiteral("0,6"));
    // The gauges' readings while the reference is held at each nominal; the second gauge is
    // 0.6 % off at 50 kPa on the way up.
    const double first[9] = {0.1, 25.2, 50.3, 75.1, 99.8, 75.3, 50.4, 25.1, 0.2};
    const double second[9] = {0.0, 25.1, 50.6, 75.0, 100.0, 74.9, 50.1, 25.0, 0.1};
    clickStart();
    QVERIFY(running());
    IndicatorEtalon *indicator = page()->indicator();
    QVERIFY(indicator->isVisible());
    for (int row = 0; row < 9; ++row) {
        QCOMPARE(model()->currentRow, row);
        const double nominal = model()->point(row).nominal;
        QVERIFY(m_station->settle(nominal, true));
        QTRY_COMPARE(indicator->value(), nominal);
        QCOMPARE(indicator->minimum() + indicator->maximum(), 2 * nominal);
        QTRY_VERIFY(openEditor());
        typeIntoEditor(first[row]);
        QTest::keyClick(openEditor(), Qt::Key_Return);
        QTest::keyClick(page()->table(), Qt::Key_Right);
        QTRY_VERIFY(openEditor());
        typeIntoEditor(second[row]);
        if (row == 8)
            qInfo("screenshot: %s", qPrintable(TestSupport::saveScreenshot(m_station->window(),
                                                                          QStringLiteral("verification_method_b"))));
        clickNext();
    }
    QVERIFY(!running());
    QVERIFY(indicator->isHidden());

    const double zones[3] = {0.6, 0.6, 0.6};
    for (int device = 0; device < 2; ++device) {
        for (int row = 0; row < 9; ++row)
            QCOMPARE(cell(row, device + 2), device == 0 ? first[row] : second[row]);
        const Expected expected = recompute(model(), device, 100.0, zones, 0.8);
        QCOMPARE(page()->errorText(device), formatNumber(expected.error, 2));
        QCOMPARE(page()->variationText(device), formatNumber(expected.variation, 2));
        QCOMPARE(baseColour(page()->errorCell(device)), expected.exceeded ? QColor(Qt::red) : QColor(Qt::green));
        QVERIFY(page()->errorCell(device)->isVisible());
    }
    QCOMPARE(page()->errorText(1), QStringLiteral("0,60"));
    QCOMPARE(baseColour(page()->errorCell(0)), QColor(Qt::green));
    QCOMPARE(baseColour(page()->errorCell(1)), QColor(Qt::red));
    qInfo("screenshot: %s",
          qPrintable(TestSupport::saveScreenshot(m_station->window(), QStringLiteral("verification_finished_b"))));
}

APPDIR_TEST_MAIN(TestTabVerification)

#include "tst_tabverification.moc"
