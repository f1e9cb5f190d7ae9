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
#include "Widgets/ColorScheme.h"

#include <QtTest>

#include <cmath>

class TestVrPointsModel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void headers_data();
    void headers();
    void displayAndEditData();
    void setDataRoles();
    void setDataRefusesBadInput_data();
    void setDataRefusesBadInput();
    void flagsByMethod();
    void columnsFollowDeviceCount();
    void appendPositions();
    void highlight();

    void noMeasuredPoint();
    void zoneAndVerdict_data();
    void zoneAndVerdict();
    void equalErrorsChooseZone();
    void errorAtLimitPasses_data();
    void errorAtLimitPasses();
    void quarterMarkTakesLaterZone_data();
    void quarterMarkTakesLaterZone();
    void zoneFollowsPositionInInterval_data();
    void zoneFollowsPositionInInterval();
    void referenceOnlyPointIsNoReading();
    void variationPairs();
    void uncertainty();
    void uncertaintyScaleDivisionInDisplayUnits();
    void uncertaintyEdges();

private:
    void build(double min, double max, double step, int units = UnitKPa);
    void set(int row, int column, double displayValue);

    TAIR *tair = nullptr;
    Conditions *conditions = nullptr;
    Verification *verification = nullptr;
    VrPointsModel *model = nullptr;
};

void TestVrPointsModel::initTestCase()
{
    using namespace TestSupport;
    createServices(Hub | Lists | Transducer | VrConditions | Scheme);
    tair = TAIR::instance;
    conditions = Conditions::instance;
    // The model's highlight takes the scheme's accent when it is built.
    ColorScheme::instance->accentColor = QColor(180, 230, 250);
    verification = new Verification();
    model = verification->pointsModel();
}

void TestVrPointsModel::init()
{
    tair->prUnits->setValue(UnitKPa);
    tair->clearHistory();
    verification->prVerificationMode->setValue(0);
    conditions->prVrDeviceCount->setValue(4);
    conditions->prVrCoeff->setValue(0.8);
    conditions->prIndicatorStep->setValue(1);
    conditions->prConditionsVrClassTpye->setText(QStringLiteral("1,5-1-1,5"));
    conditions->parseAccuracyClass();
    model->setMode(0);
    model->currentRow = -1;
    build(0, 100, 25);
}

void TestVrPointsModel::build(double min, double max, double step, int units)
{
    tair->prUnits->setValue(units);
    verification->prMinValue->setValue(min);
    verification->prMaxValue->setValue(max);
    verification->prStep->setValue(step);
    QVERIFY(verification->buildPoints());
}

void TestVrPointsModel::set(int row, int column, double displayValue)
{
    QVERIFY(model->setData(model->index(row, column), displayValue, Qt::EditRole));
}

void TestVrPointsModel::headers_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("units");
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("header");

    QTest::newRow("nominal") << 0 << int(UnitKPa) << 0 << "Номинальное давление, \nкПа";
    QTest::newRow("reference") << 1 << int(UnitMPa) << 1 << "Показания эталона, \nМПа";
    // 14 characters: padded with 30 - 28 spaces.
    QTest::newRow("B, 14 characters") << 1 << int(UnitKPa) << 2 << QString("Прибор №1, кПа  ");
    QTest::newRow("B, 13 characters") << 1 << int(UnitPa) << 3 << QString("Прибор №2, Па") + QString(4, ' ');
    QTest::newRow("B, 15 characters") << 1 << int(UnitMbar) << 5 << "Прибор №4, мбар";
    QTest::newRow("B, psi") << 1 << int(UnitPsi) << 4 << QString("Прибор №3, psi  ");
    QTest::newRow("A") << 0 << int(UnitKPa) << 2 << "Показания эталона для\nприбора №1, кПа";
    QTest::newRow("A, fourth") << 0 << int(UnitMmHg) << 5 << "Показания эталона для\nприбора №4, мм рт. ст.";
}

void TestVrPointsModel::headers()
{
    QFETCH(int, method);
    QFETCH(int, units);
    QFETCH(int, section);
    verification->prVerificationMode->setValue(method);
    tair->prUnits->setValue(units);
    QTEST(model->headerData(section, Qt::Horizontal, Qt::DisplayRole).toString(), "header");
    QVERIFY(!model->headerData(section, Qt::Horizontal, Qt::ToolTipRole).isValid());
    QCOMPARE(model->headerData(6, Qt::Vertical).toString(), QStringLiteral("7"));
    QVERIFY(!model->headerData(6, Qt::Horizontal).isValid());
}

void TestVrPointsModel::displayAndEditData()
{
    build(0, 1.6, 0.4, UnitMPa);
    QCOMPARE(model->point(1).nominal, 400.0);
    QCOMPARE(model->data(model->index(1, 0)).toDouble(), 0.4);
    QCOMPARE(model->data(model->index(1, 1)).toString(), QStringLiteral("-"));
    QCOMPARE(model->data(model->index(1, 3), Qt::EditRole).toString(), QStringLiteral("-"));

    QSignalSpy edits(model, &VrPointsModel::editDataChange);
    set(1, 1, 0.4012);
    set(1, 3, 0.397);
    QCOMPARE(edits.count(), 2);
    QCOMPARE(model->point(1).reference, 401.2);
    QVERIFY(model->point(1).referenceMeasured);
    QCOMPARE(model->point(1).devices[1].reading, 397.0);
    QVERIFY(model->point(1).devices[1].measured);
    QVERIFY(!model->point(1).devices[0].measured);
    QCOMPARE(model->data(model->index(1, 1)).toDouble(), 0.4012);
    QCOMPARE(model->data(model->index(1, 3), Qt::EditRole).toDouble(), 0.397);

    // Values follow a change of the display units; nothing is rounded.
    tair->prUnits->setValue(UnitKPa);
    QCOMPARE(model->data(model->index(1, 1)).toDouble(), 401.2);
    QVERIFY(!model->data(model->index(1, 1), Qt::ToolTipRole).isValid());
}

void TestVrPointsModel::setDataRoles()
{
    QSignalSpy edits(model, &VrPointsModel::editDataChange);
    QVERIFY(model->setData(model->index(2, 1), 51.0, Qt::DisplayRole));
    QVERIFY(!model->point(2).referenceMeasured);
    QVERIFY(model->setData(model->index(2, 0), 51.0, Qt::EditRole));
    QCOMPARE(model->point(2).nominal, 50.0);
    QCOMPARE(edits.count(), 0);
    // A cell may carry text with a decimal comma, as the operator types it.
    QVERIFY(model->setData(model->index(2, 2), QStringLiteral("50,25"), Qt::EditRole));
    QCOMPARE(model->point(2).devices[0].reading, 50.25);
    QCOMPARE(edits.count(), 1);
}

void TestVrPointsModel::setDataRefusesBadInput_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::newRow("letters") << QVariant(QStringLiteral("abc"));
    QTest::newRow("empty text") << QVariant(QString());
    QTest::newRow("no value") << QVariant();
    QTest::newRow("nan") << QVariant(std::nan(""));
    QTest::newRow("infinite") << QVariant(std::numeric_limits<double>::infinity());
}

void TestVrPointsModel::setDataRefusesBadInput()
{
    QFETCH(QVariant, value);
    set(3, 2, 75.5);
    QSignalSpy edits(model, &VrPointsModel::editDataChange);
    QVERIFY(!model->setData(model->index(3, 1), value, Qt::EditRole));
    QVERIFY(!model->setData(model->index(3, 2), value, Qt::EditRole));
    QVERIFY(!model->point(3).referenceMeasured);
    QCOMPARE(model->point(3).devices[0].reading, 75.5);
    QVERIFY(!model->setData(QModelIndex(), 1.0, Qt::EditRole));
    QCOMPARE(edits.count(), 0);
}

void TestVrPointsModel::flagsByMethod()
{
    for (int column = 0; column < 6; ++column)
        QVERIFY(!(model->flags(model->index(0, column)) & Qt::ItemIsEditable));
    model->setMode(1);
    QVERIFY(!(model->flags(model->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(!(model->flags(model->index(0, 1)) & Qt::ItemIsEditable));
    for (int column = 2; column < 6; ++column) {
        QVERIFY(model->flags(model->index(0, column)) & Qt::ItemIsEditable);
        QVERIFY(model->flags(model->index(0, column)) & Qt::ItemIsSelectable);
    }
}

void TestVrPointsModel::columnsFollowDeviceCount()
{
    for (int count = 1; count <= 4; ++count) {
        conditions->prVrDeviceCount->setValue(count);
        QCOMPARE(model->columnCount(), count + 2);
        QCOMPARE(model->columnTotal(), count + 2);
    }
    // A damaged conf.ini must not open columns beyond the four gauges.
    conditions->prVrDeviceCount->setValue(9);
    QCOMPARE(model->columnCount(), 6);
    conditions->prVrDeviceCount->setValue(0);
    QCOMPARE(model->columnCount(), 3);
    QCOMPARE(model->rowCount(), 9);
    QCOMPARE(model->rowCount(model->index(0, 0)), 0);
}

void TestVrPointsModel::appendPositions()
{
    model->clearPoints();
    auto point = [](double nominal) {
        VrPoint p;
        p.nominal = nominal;
        return p;
    };
    model->appendPoint(point(1), -1);
    model->appendPoint(point(2), 5);    // past the end
    model->appendPoint(point(0), -7);   // below -1: at the start
    model->appendPoint(point(1.5), 2);
    QList<double> order;
    for (int row = 0; row < model->pointCount(); ++row)
        order << model->point(row).nominal;
    QCOMPARE(order, (QList<double>{0, 1, 1.5, 2}));
    QVERIFY(model->isRowValid(3));
    QVERIFY(!model->isRowValid(4));
    QVERIFY(!model->isRowValid(-1));
}

void TestVrPointsModel::highlight()
{
    const QGradientStops stops = VrPointsModel::highlightGradient.stops();
    QCOMPARE(stops.size(), 4);
    QCOMPARE(stops.at(0), QGradientStop(0, Qt::white));
    QCOMPARE(stops.at(1), QGradientStop(0.3, QColor(180, 230, 250)));
    QCOMPARE(stops.at(2), QGradientStop(0.7, QColor(180, 230, 250)));
    QCOMPARE(stops.at(3), QGradientStop(1, QColor(147, 201, 227).lighter(120)));

    model->setHighlightGeometry(QRect(0, 40, 300, 24));
    QCOMPARE(VrPointsModel::highlightGradient.finalStop(), QPointF(0, 24));
    QCOMPARE(VrPointsModel::highlightBrush.gradient()->type(), QGradient::LinearGradient);
    model->setHighlightGeometry(QRect(0, 80, 100, 24));  // same height: nothing changes
    QCOMPARE(VrPointsModel::highlightGradient.finalStop(), QPointF(0, 24));

    model->currentRow = 2;
    QCOMPARE(model->data(model->index(2, 3), Qt::BackgroundRole).value<QBrush>(), VrPointsModel::highlightBrush);
    QVERIFY(!model->data(model->index(1, 3), Qt::BackgroundRole).isValid());
}

void TestVrPointsModel::noMeasuredPoint()
{
    set(0, 3, 0.5);
    for (int column : {1, 2}) {
        QVERIFY(std::isnan(model->maxReducedError(column)));
        QVERIFY(!model->errorExceeded());
        QVERIFY(model->hasNoErrorData());
        QVERIFY(std::isnan(model->maxVariation(column)));
    }
    QVERIFY(std::isnan(model->reducedError(2, 0)));
    QCOMPARE(model->reducedError(3, 0), 0.5);
    QVERIFY(std::isnan(model->reducedError(0, 0)));
    QVERIFY(std::isnan(model->reducedError(6, 0)));
    QVERIFY(std::isnan(model->reducedError(3, 9)));
}

// Span 0..100 kPa, zones 1.5 / 1 / 1.5, coefficient 0.8: one error of 1 % at a nominal.
void TestVrPointsModel::zoneAndVerdict_data()
{
    QTest::addColumn<double>("nominal");
    QTest::addColumn<bool>("exceeded");
    QTest::newRow("10: first zone, 1.2") << 10.0 << false;
    QTest::newRow("just below 25: first zone") << 24.999 << false;
    QTest::newRow("25: second zone, 0.8") << 25.0 << true;
    QTest::newRow("50: second zone") << 50.0 << true;
    QTest::newRow("just below 75: second zone") << 74.999 << true;
    QTest::newRow("75: third zone, 1.2") << 75.0 << false;
    QTest::newRow("100: third zone") << 100.0 << false;
}

void TestVrPointsModel::zoneAndVerdict()
{
    QFETCH(double, nominal);
    model->clearPoints();
    VrPoint p;
    p.nominal = nominal;
    p.referenceMeasured = true;
    p.reference = nominal + 1;
    p.devices[1].measured = true;
    p.devices[1].reading = nominal - 1;
    model->appendPoint(p, -1);
    VrPoint small;
    small.nominal = 60;
    small.devices[1].measured = true;
    small.devices[1].reading = 60.5;
    model->appendPoint(small, -1);

    for (int column : {1, 3}) {
        QVERIFY(std::fabs(model->maxReducedError(column) - 1.0) < 1e-9);
        QTEST(model->errorExceeded(), "exceeded");
        QVERIFY(!model->hasNoErrorData());
    }
    QCOMPARE(model->countedPoints(), 2);
}

// Equal largest errors at 10 (first zone, not exceeded) and 50 (second zone, exceeded).
void TestVrPointsModel::equalErrorsChooseZone()
{
    model->clearPoints();
    for (double nominal : {10.0, 50.0}) {
        VrPoint p;
        p.nominal = nominal;
        p.referenceMeasured = true;
        p.reference = nominal + 1;
        p.devices[0].measured = true;
        p.devices[0].reading = nominal + 1;
        model->appendPoint(p, -1);
    }
    QCOMPARE(model->maxReducedError(1), 1.0);
    QVERIFY(!model->errorExceeded());  // the reference column keeps the first point
    QCOMPARE(model->maxReducedError(2), 1.0);
    QVERIFY(model->errorExceeded());  // a gauge column takes the last

    // Errors shown alike are alike, whatever the last bits: 0.9 at 0 kPa (first zone, 1.2 %
    // allowed) and 25.9 at 25 kPa (second zone, 0.8 %), whose error comes out a hair smaller.
    build(0, 100, 25);
    set(0, 2, 0.9);
    set(1, 2, 25.9);
    QCOMPARE(formatNumber(model->maxReducedError(2), 2), QStringLiteral("0,90"));
    QVERIFY(model->errorExceeded());
}

// An error at its limit, as the operator typed the reading and sees the error, passes; one shown
// digit of the reading more is over it. Every single-number class from 0,4 to 4, both reserve
// coefficients, at every point of both strokes, on ranges whose points and limits are not exact
// in binary.
void TestVrPointsModel::errorAtLimitPasses_data()
{
    QTest::addColumn<int>("units");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("accuracyClass");
    QTest::addColumn<double>("coefficient");
    QTest::addColumn<int>("row");

    struct Range
    {
        const char *name;
        int units;
        double min, max, step;
        int decimals;
    };
    const Range ranges[] = {{"0..100 kPa", UnitKPa, 0, 100, 25, 2},
                            {"0..1.6 MPa", UnitMPa, 0, 1.6, 0.4, 5},
                            {"-0.1..0 MPa", UnitMPa, -0.1, 0, 0.025, 5}};
    for (const Range &r : ranges)
        for (const char *accuracyClass : {"0,4", "0,6", "1", "1,5", "2,5", "4"})
            for (double coefficient : {0.8, 1.0})
                for (int row = 0; row < 9; ++row)
                    QTest::addRow("%s, class %s, coefficient %g, row %d", r.name, accuracyClass, coefficient, row)
                        << r.units << r.min << r.max << r.step << r.decimals << QString(accuracyClass) << coefficient
                        << row;
}

void TestVrPointsModel::errorAtLimitPasses()
{
    QFETCH(int, units);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, step);
    QFETCH(int, decimals);
    QFETCH(QString, accuracyClass);
    QFETCH(double, coefficient);
    QFETCH(int, row);
    build(min, max, step, units);
    QCOMPARE(model->pointCount(), 9);
    conditions->prConditionsVrClassTpye->setText(accuracyClass);
    conditions->parseAccuracyClass();
    conditions->prVrCoeff->setValue(coefficient);

    // The reading off the nominal by the limit, in the decimals the operator types.
    const double limit = conditions->zone1 * coefficient;
    const double shownStep = std::pow(10.0, -decimals);
    const double deviation = roundTo(limit * (max - min) / 100, decimals);
    const double sign = row % 2 ? -1 : 1;
    const double nominal = model->data(model->index(row, 0)).toDouble();
    set(row, 2, roundTo(nominal + sign * deviation, decimals));
    const double error = model->maxReducedError(2);
    QCOMPARE(formatNumber(error, 2), formatNumber(limit, 2));
    QVERIFY(!model->errorExceeded());

    set(row, 2, roundTo(nominal + sign * (deviation + shownStep), decimals));
    QVERIFY(model->maxReducedError(2) > limit);
    QVERIFY(model->errorExceeded());
}

// A point on a quarter mark of the span takes the later zone, however the unit conversion
// rounded it: 0.45 MPa is stored as 449.99999999999994 kPa, below 0.75 x 600. Class 1,5-1-1,5
// with the coefficient 0.8 allows 1.2 % in the outer quarters and 0.8 % in the middle half; an
// error of 1 % passes on the three-quarter mark and fails on the quarter mark.
void TestVrPointsModel::quarterMarkTakesLaterZone_data()
{
    QTest::addColumn<int>("units");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("row");
    QTest::addColumn<double>("limit");

    struct Range
    {
        const char *name;
        int units;
        double min, max, step;
    };
    const Range ranges[] = {{"0..0.6 MPa", UnitMPa, 0, 0.6, 0.15},
                            {"-0.1..0 MPa", UnitMPa, -0.1, 0, 0.025},
                            {"0..100 kPa", UnitKPa, 0, 100, 25}};
    // Nine points: rows 1 and 7 stand on the quarter mark, rows 3 and 5 on the three-quarter mark.
    for (const Range &r : ranges)
        for (int row : {1, 7, 3, 5})
            QTest::addRow("%s, row %d", r.name, row)
                << r.units << r.min << r.max << r.step << row << (row == 1 || row == 7 ? 0.8 : 1.2);
}

void TestVrPointsModel::quarterMarkTakesLaterZone()
{
    QFETCH(int, units);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, step);
    QFETCH(int, row);
    QFETCH(double, limit);
    build(min, max, step, units);
    QCOMPARE(model->pointCount(), 9);
    QCOMPARE(model->errorLimit(model->point(row).nominal), limit);

    const double nominal = model->data(model->index(row, 0)).toDouble();
    set(row, 2, nominal + (max - min) / 100);
    QVERIFY(std::fabs(model->maxReducedError(2) - 1.0) < 1e-9);
    QCOMPARE(model->errorExceeded(), limit < 1.0);
}

// The zone is the point's place in the interval, whatever the interval's start.
void TestVrPointsModel::zoneFollowsPositionInInterval_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("nominal");
    QTest::addColumn<bool>("exceeded");
    QTest::newRow("100..200 at 110: first zone") << 100.0 << 200.0 << 110.0 << false;
    QTest::newRow("100..200 at 150: second zone") << 100.0 << 200.0 << 150.0 << true;
    QTest::newRow("100..200 at 190: third zone") << 100.0 << 200.0 << 190.0 << false;
    QTest::newRow("-100..0 at -90: first zone") << -100.0 << 0.0 << -90.0 << false;
    QTest::newRow("-100..0 at -50: second zone") << -100.0 << 0.0 << -50.0 << true;
    QTest::newRow("-100..0 at -10: third zone") << -100.0 << 0.0 << -10.0 << false;
}

void TestVrPointsModel::zoneFollowsPositionInInterval()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, nominal);
    build(min, max, 50);
    model->clearPoints();
    VrPoint p;
    p.nominal = nominal;
    p.devices[0].measured = true;
    p.devices[0].reading = nominal + 1;  // 1 % of the span
    model->appendPoint(p, -1);
    QCOMPARE(model->maxReducedError(2), 1.0);
    QTEST(model->errorExceeded(), "exceeded");
}

// A point where only the reference was stored is no reading of 0 for a gauge.
void TestVrPointsModel::referenceOnlyPointIsNoReading()
{
    for (int row = 0; row < model->pointCount(); ++row)
        set(row, 1, model->point(row).nominal + 0.1);
    set(2, 2, 50.3);
    set(6, 2, 50.1);
    QVERIFY(std::fabs(model->maxReducedError(2) - 0.3) < 1e-9);
    QCOMPARE(model->countedPoints(), 2);
    QVERIFY(!model->errorExceeded());
    QVERIFY(std::fabs(model->maxVariation(2) - 0.2) < 1e-9);

    // The reference column pairs the reference readings.
    QVERIFY(std::fabs(model->maxReducedError(1) - 0.1) < 1e-9);
    QCOMPARE(model->countedPoints(), 9);
    QVERIFY(model->maxVariation(1) < 1e-9);
}

// Nine points 0, 25, 50, 75, 100, 75, 50, 25, 0: pairs (0, 8), (1, 7), (2, 6), (3, 5).
void TestVrPointsModel::variationPairs()
{
    const double up[] = {0.2, 25.1, 50.3, 75.0};
    const double down[] = {0.1, 25.6, 50.0, 75.4};
    for (int i = 0; i < 4; ++i) {
        set(i, 4, up[i]);
        set(8 - i, 4, down[i]);
    }
    set(4, 4, 150);  // the top point has no partner
    QVERIFY(std::fabs(model->maxVariation(4) - 0.5) < 1e-9);

    // A pair with one side missing does not count.
    model->clearPoints();
    build(0, 100, 25);
    set(1, 4, 25.1);
    set(7, 4, 25.6);
    set(2, 4, 52.0);
    QVERIFY(std::fabs(model->maxVariation(4) - 0.5) < 1e-9);
    QVERIFY(std::isnan(model->maxVariation(5)));
}

void TestVrPointsModel::uncertainty()
{
    // Ten equal readings: only the reference's accuracy and the scale division remain.
    for (int i = 0; i < 10; ++i)
        tair->appendHistory(50.0);
    model->computeUncertainty(2);
    const double uR = 0.02 * 100 / 300;
    const double uD = 1 / std::sqrt(3.0);
    const double expected = 2 * std::sqrt(uR * uR + uD * uD);
    QVERIFY(std::fabs(model->point(2).uncertainty - expected) < 1e-12);
    QVERIFY(std::isnan(model->point(1).uncertainty));

    // Readings 49.9, 50.0, 50.1, worked out by hand: mean 50, Q = 0.02,
    // uA = sqrt(0.02 / 6), uS = 0.2 / sqrt(12).
    tair->clearHistory();
    for (double h : {49.9, 50.0, 50.1})
        tair->appendHistory(h);
    model->computeUncertainty(2);
    const double uA = std::sqrt(0.02 / 6);
    const double uS = 0.2 / std::sqrt(12.0);
    const double u = 2 * std::sqrt(uR * uR + uA * uA + uS * uS + uD * uD);
    QVERIFY(std::fabs(model->uncertaintyValue(2, 0) - u) < 1e-9);
    QVERIFY(std::fabs(model->uncertaintyValue(2, 1) - u) < 1e-9);  // span 100 kPa
    tair->prUnits->setValue(UnitMPa);
    QVERIFY(std::fabs(model->uncertaintyValue(2, 2) - u / 1000) < 1e-12);
    QVERIFY(std::isnan(model->uncertaintyValue(2, 3)));
    QVERIFY(std::isnan(model->uncertaintyValue(9, 0)));
    QVERIFY(std::isnan(model->uncertaintyValue(-1, 0)));
}

// The scale division is entered in the display units: 0.01 MPa is 10 kPa.
void TestVrPointsModel::uncertaintyScaleDivisionInDisplayUnits()
{
    build(0, 1, 0.25, UnitMPa);
    conditions->prIndicatorStep->setValue(0.01);
    tair->appendHistory(500.0);
    tair->appendHistory(500.0);
    model->computeUncertainty(2);
    const double uR = 0.02 * 1000 / 300;
    const double uD = 10 / std::sqrt(3.0);
    const double expected = 2 * std::sqrt(uR * uR + uD * uD);
    QVERIFY(std::fabs(model->uncertaintyValue(2, 0) - expected) < 1e-9);
    QVERIFY(std::fabs(model->uncertaintyValue(2, 1) - expected / 10) < 1e-9);
    QVERIFY(std::fabs(model->uncertaintyValue(2, 2) - expected / 1000) < 1e-12);
}

void TestVrPointsModel::uncertaintyEdges()
{
    tair->appendHistory(50.0);
    model->computeUncertainty(4);
    QVERIFY(std::isnan(model->point(4).uncertainty));

    // A row outside the table is taken as the nearest row.
    tair->appendHistory(50.0);
    model->computeUncertainty(99);
    QVERIFY(!std::isnan(model->point(8).uncertainty));
    model->computeUncertainty(-5);
    QVERIFY(!std::isnan(model->point(0).uncertainty));

    // An interval of no extent, set after the points were built: no percent, the kPa value stays.
    verification->prMaxValue->setValue(verification->prMinValue->value());
    QVERIFY(std::isnan(model->uncertaintyValue(0, 1)));
    QVERIFY(!std::isnan(model->uncertaintyValue(0, 0)));

    model->clearPoints();
    model->computeUncertainty(0);  // no row to write: nothing happens
    QCOMPARE(model->pointCount(), 0);
    QVERIFY(std::isnan(model->uncertaintyValue(0, 0)));
}

QTEST_MAIN(TestVrPointsModel)
#include "tst_vrpointsmodel.moc"
