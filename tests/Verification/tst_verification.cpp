#include "Devices/TAIR.h"
#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/Units.h"
#include "Services.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Verification/VrPointsModel.h"

#include <QtTest>

#include <cmath>

using Values = QList<double>;

class TestVerification : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void defaultsAndKeys();
    void buildPoints_data();
    void buildPoints();
    void refusedKeepsPoints_data();
    void refusedKeepsPoints();
    void autoStep_data();
    void autoStep();
    void stateSignal();
    void rankForVerificationInterval_data();
    void rankForVerificationInterval();

private:
    Values nominals() const;
    Verification *verification = nullptr;
    VrPointsModel *model = nullptr;
};

void TestVerification::initTestCase()
{
    using namespace TestSupport;
    createServices(Hub | Lists | Transducer | VrConditions);
    verification = new Verification();
    model = verification->pointsModel();
    QCOMPARE(Verification::instance, verification);
    QCOMPARE(VrPointsModel::instance, model);
    QCOMPARE(model->parent(), verification);
}

Values TestVerification::nominals() const
{
    Values values;
    for (int row = 0; row < model->pointCount(); ++row)
        values << model->point(row).nominal;
    return values;
}

void TestVerification::defaultsAndKeys()
{
    QCOMPARE(verification->state(), 1);
    QCOMPARE(verification->prVerificationMode->value(), 0);
    QCOMPARE(verification->prMinValue->value(), 0.0);
    QCOMPARE(verification->prMaxValue->value(), 100.0);
    QCOMPARE(verification->prStep->value(), 25.0);
    QCOMPARE(verification->prAutoStepCompute->value(), 0);
    QCOMPARE(verification->prStep->description(), QStringLiteral("Шаг между точками поверки"));
    const QList<Configurator::Entry> &registry = Configurator::instance->registry();
    QStringList last;
    for (int i = registry.size() - 5; i < registry.size(); ++i)
        last << registry.at(i).key;
    QCOMPARE(last, (QStringList{"prVerificationMode", "prMinValue", "prMaxValue", "prStep", "prAutoStepCompute"}));
}

void TestVerification::buildPoints_data()
{
    QTest::addColumn<int>("units");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("step");
    QTest::addColumn<Values>("expected");  // kPa

    QTest::newRow("0..100 by 25") << int(UnitKPa) << 0.0 << 100.0 << 25.0
                                  << Values{0, 25, 50, 75, 100, 75, 50, 25, 0};
    QTest::newRow("0..10 by 3") << int(UnitKPa) << 0.0 << 10.0 << 3.0 << Values{0, 3, 6, 9, 10, 9, 6, 3, 0};
    QTest::newRow("0..1 by 0.1, no point just below the top")
        << int(UnitKPa) << 0.0 << 1.0 << 0.1
        << Values{0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1, 0.9, 0.8, 0.7, 0.6, 0.5, 0.4, 0.3, 0.2, 0.1, 0};
    QTest::newRow("0..0.3 by 0.1") << int(UnitKPa) << 0.0 << 0.3 << 0.1 << Values{0, 0.1, 0.2, 0.3, 0.2, 0.1, 0};
    QTest::newRow("span in MPa") << int(UnitMPa) << 0.0 << 1.6 << 0.4
                                 << Values{0, 400, 800, 1200, 1600, 1200, 800, 400, 0};
    QTest::newRow("vacuum in kgf/cm2") << int(UnitKgfCm2) << -1.0 << 0.0 << 0.5
                                       << Values{-98.0665, -49.03325, 0, -49.03325, -98.0665};
    QTest::newRow("step larger than span") << int(UnitKPa) << 5.0 << 6.0 << 10.0 << Values{5, 6, 5};

    Values hundred;
    for (int i = 0; i < 100; ++i)
        hundred << i;
    hundred << 100;
    for (int i = 99; i >= 0; --i)
        hundred << i;
    QTest::newRow("0..100 by 1, n = 200 accepted") << int(UnitKPa) << 0.0 << 100.0 << 1.0 << hundred;
}

void TestVerification::buildPoints()
{
    QFETCH(int, units);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, step);
    QFETCH(Values, expected);
    TAIR::instance->prUnits->setValue(units);
    verification->prMinValue->setValue(min);
    verification->prMaxValue->setValue(max);
    verification->prStep->setValue(step);

    QSignalSpy resets(model, &QAbstractItemModel::modelReset);
    QSignalSpy inserts(model, &QAbstractItemModel::rowsInserted);
    QVERIFY(verification->buildPoints());
    QCOMPARE(resets.count(), 1);
    QCOMPARE(inserts.count(), expected.size());

    const Values actual = nominals();
    QCOMPARE(actual.size(), expected.size());
    for (int i = 0; i < actual.size(); ++i) {
        QVERIFY2(std::fabs(actual.at(i) - expected.at(i)) <= 1e-9 * std::max(1.0, std::fabs(expected.at(i))),
                 qPrintable(QStringLiteral("point %1: %2 instead of %3").arg(i).arg(actual.at(i), 0, 'g', 17)
                                .arg(expected.at(i))));
    }
    // The top point is the maximum itself, and each stroke mirrors the other exactly.
    QCOMPARE(actual.at(actual.size() / 2), toKPa(max, units));
    for (int i = 0; i < actual.size() / 2; ++i)
        QCOMPARE(actual.at(i), actual.at(actual.size() - 1 - i));

    for (int row = 0; row < model->pointCount(); ++row) {
        const VrPoint &p = model->point(row);
        QVERIFY(!p.referenceMeasured);
        QCOMPARE(p.reference, 0.0);
        QVERIFY(std::isnan(p.uncertainty));
        for (const VrPoint::Device &d : p.devices) {
            QVERIFY(!d.measured);
            QCOMPARE(d.reading, 0.0);
        }
    }
}

void TestVerification::refusedKeepsPoints_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("step");
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("empty interval") << 10.0 << 10.0 << 1.0;
    QTest::newRow("reversed interval") << 10.0 << 0.0 << 1.0;
    QTest::newRow("step 0") << 0.0 << 100.0 << 0.0;
    QTest::newRow("negative step") << 0.0 << 100.0 << -5.0;
    QTest::newRow("n = 202") << 0.0 << 100.0 << 0.99;
    QTest::newRow("tiny step") << 0.0 << 1e300 << 1e-300;
    QTest::newRow("nan minimum") << nan << 100.0 << 1.0;
    QTest::newRow("nan step") << 0.0 << 100.0 << nan;
    QTest::newRow("infinite maximum") << 0.0 << inf << 1e308;
    QTest::newRow("infinite step") << 0.0 << 100.0 << inf;
}

void TestVerification::refusedKeepsPoints()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, step);
    TAIR::instance->prUnits->setValue(UnitKPa);
    verification->prMinValue->setValue(0);
    verification->prMaxValue->setValue(10);
    verification->prStep->setValue(5);
    QVERIFY(verification->buildPoints());
    const Values before = nominals();

    verification->prMinValue->setValue(min);
    verification->prMaxValue->setValue(max);
    verification->prStep->setValue(step);
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);
    QVERIFY(!verification->buildPoints());
    QCOMPARE(resets.count(), 0);
    QCOMPARE(nominals(), before);
}

void TestVerification::autoStep_data()
{
    QTest::addColumn<QString>("accuracyClass");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("division");
    QTest::addColumn<double>("step");

    QTest::newRow("1,5-1-1,5: d 4") << "1,5-1-1,5" << 0.0 << 100.0 << 1.0 << 25.0;
    QTest::newRow("2,5: d 7, rounded up to 15") << "2,5" << 0.0 << 100.0 << 1.0 << 15.0;
    QTest::newRow("6: d 4") << "6" << 0.0 << 100.0 << 1.0 << 25.0;
    QTest::newRow("4-2,5-2,5: d 7") << "4-2,5-2,5" << 0.0 << 100.0 << 1.0 << 15.0;
    QTest::newRow("4: d 7") << "4" << 0.0 << 100.0 << 1.0 << 15.0;
    QTest::newRow("5-5-2: d 4") << "5-5-2" << 0.0 << 100.0 << 1.0 << 25.0;
    QTest::newRow("1-2-3: d 4") << "1-2-3" << 0.0 << 100.0 << 1.0 << 25.0;
    QTest::newRow("2-6-6: d 4") << "2-6-6" << 0.0 << 100.0 << 1.0 << 25.0;
    QTest::newRow("exact multiple stays") << "1,5-1-1,5" << 0.0 << 100.0 << 5.0 << 25.0;
    QTest::newRow("next multiple of 0.5") << "1" << 0.0 << 10.0 << 0.5 << 1.5;
    QTest::newRow("offset interval") << "1,5-1-1,5" << 20.0 << 80.0 << 4.0 << 16.0;
    QTest::newRow("no scale division") << "2,5" << 0.0 << 70.0 << 0.0 << 10.0;
    // Decimal steps that are multiples of a decimal division, though fmod says otherwise.
    QTest::newRow("0..0.4 by 0.01") << "6" << 0.0 << 0.4 << 0.01 << 0.1;
    QTest::newRow("0..1.6 by 0.02") << "6" << 0.0 << 1.6 << 0.02 << 0.4;
    QTest::newRow("-0.1..0.3 by 0.01") << "6" << -0.1 << 0.3 << 0.01 << 0.1;
    QTest::newRow("-1..0.6 by 0.02") << "6" << -1.0 << 0.6 << 0.02 << 0.4;
    QTest::newRow("a real remainder of 0.007") << "1" << 0.0 << 0.4 << 0.01 << 0.06;
}

void TestVerification::autoStep()
{
    QFETCH(QString, accuracyClass);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, division);
    Conditions::instance->prConditionsVrClassTpye->setText(accuracyClass);
    Conditions::instance->parseAccuracyClass();
    Conditions::instance->prIndicatorStep->setValue(division);
    verification->prMinValue->setValue(min);
    verification->prMaxValue->setValue(max);
    verification->computeAutoStep();
    QTEST(verification->prStep->value(), "step");
    Conditions::instance->prIndicatorStep->setValue(1);
}

void TestVerification::stateSignal()
{
    QSignalSpy spy(verification, &Verification::stateChanged);
    verification->setState(1);
    QCOMPARE(spy.count(), 0);
    verification->setState(0);
    QCOMPARE(verification->state(), 0);
    QCOMPARE(spy.count(), 1);
    verification->setState(0);
    QCOMPARE(spy.count(), 1);
    verification->setState(1);
    QCOMPARE(spy.count(), 2);
}

// The transducer's rank takes the verification interval, converted to kPa.
void TestVerification::rankForVerificationInterval_data()
{
    QTest::addColumn<int>("units");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<QString>("rank");
    QTest::newRow("0..200 kPa") << int(UnitKPa) << 0.0 << 200.0 << "2";
    QTest::newRow("0..199.9 kPa") << int(UnitKPa) << 0.0 << 199.9 << "1";
    QTest::newRow("0..0.1999 MPa") << int(UnitMPa) << 0.0 << 0.1999 << "1";
    QTest::newRow("0..2 bar") << int(UnitBar) << 0.0 << 2.0 << "2";
    QTest::newRow("0..2.6 bar") << int(UnitBar) << 0.0 << 2.6 << "-";
    QTest::newRow("below 0") << int(UnitKPa) << -1.0 << 100.0 << "-";
}

void TestVerification::rankForVerificationInterval()
{
    QFETCH(int, units);
    QFETCH(double, min);
    QFETCH(double, max);
    TAIR::instance->prUnits->setValue(units);
    TAIR::instance->prIndex->setValue(2);     // B
    TAIR::instance->prQvtModel->setValue(2);  // ZKC
    verification->prMinValue->setValue(min);
    verification->prMaxValue->setValue(max);
    QTEST(TAIR::instance->accuracyText(), "rank");
}

QTEST_GUILESS_MAIN(TestVerification)
#include "tst_verification.moc"
