#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/ParametrString.h"
#include "Services.h"
#include "Verification/Conditions.h"
#include "Verification/VrDevice.h"

#include <QtTest>

class TestConditions : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void defaults();
    void registrationOrder();
    void deviceCaptionsAreShared();
    void accuracyClass_data();
    void accuracyClass();
    void storedDevicesSurviveRestart();

private:
    Conditions *conditions = nullptr;
};

void TestConditions::initTestCase()
{
    TestSupport::createServices(TestSupport::Hub | TestSupport::Lists);
    conditions = new Conditions();
    QCOMPARE(Conditions::instance, conditions);
}

void TestConditions::defaults()
{
    QCOMPARE(conditions->vrDevices.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const VrDevice *device = conditions->vrDevices.at(i);
        QCOMPARE(device->prName->value(), QStringLiteral("Прибор %1").arg(i + 1));
        QCOMPARE(device->prIntervalMax->value(), 0.0);
        QCOMPARE(device->prDevUnits->value(), 0);
        QVERIFY(device->prNotes->testFlag(HAbstractParametr::AltEditor));
        QCOMPARE(device->prNotes->maxLength(), 1000);
    }
    QCOMPARE(conditions->prVrDeviceCount->value(), 1);
    QCOMPARE(conditions->prVrCoeff->value(), 0.8);
    QCOMPARE(conditions->prVrCoeff->max(), 1.0);
    QCOMPARE(conditions->prIndicatorStep->value(), 1.0);
    QCOMPARE(conditions->prIndicatorStep->min(), 0.001);
    QCOMPARE(conditions->prConditionsVrClassTpye->text(), QStringLiteral("0,4"));
    QCOMPARE(conditions->prReadConditions->value(), 0);
    QCOMPARE(conditions->prDate->value(), QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
    QCOMPARE(conditions->prVrCoeff->description(), QStringLiteral("Коэффициент запаса для оценки погрешности"));
    QCOMPARE(conditions->prTemperature->name(), QStringLiteral("Температура окр. возд., °C"));
}

void TestConditions::registrationOrder()
{
    QStringList expected{"prConditionsVrName", "prConditionsVrClassTpye", "prConditionsOwner", "prVrDeviceCount",
                         "prVrCoeff", "prIndicatorStep", "prReadConditions"};
    const QStringList suffixes{"prName", "prSerial", "prOwner", "prDevType", "prDevInv", "prYear",
                               "prAmbiant", "prNotes", "prVrOrder", "prVrDocumentVr", "prVrDocumentCl",
                               "prSignalType"};
    for (int i = 0; i < 4; ++i) {
        for (const QString &suffix : suffixes)
            expected << QStringLiteral("%1_dev->%2").arg(i).arg(suffix);
    }
    QStringList keys;
    for (const Configurator::Entry &entry : Configurator::instance->registry())
        keys << entry.key;
    QCOMPARE(keys, expected);
    QCOMPARE(keys.at(7 + 24 + 1), QStringLiteral("2_dev->prSerial"));
    QCOMPARE(Configurator::instance->registry().at(7 + 24 + 1).parametr,
             static_cast<HAbstractParametr *>(conditions->vrDevices.at(2)->prSerial));
}

void TestConditions::deviceCaptionsAreShared()
{
    const QStringList &titles = deviceCardColumnTitles();
    QCOMPARE(titles.size(), 19);
    QCOMPARE(titles.first(), QStringLiteral("Наименование прибора"));
    QCOMPARE(titles.last(), QStringLiteral("Проверка эл. R изоляции"));
    VrDevice temporary;  // created and freed as the device-card page does
    QCOMPARE(temporary.prCheckR->name(), titles.at(18));
    QCOMPARE(temporary.prVrOrder->name(), QStringLiteral("Тип поверки / калибровки"));
}

void TestConditions::accuracyClass_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    QTest::addColumn<double>("z1");
    QTest::addColumn<double>("z2");
    QTest::addColumn<double>("z3");

    QTest::newRow("single with comma") << "0,4" << "0,4" << 0.4 << 0.4 << 0.4;
    QTest::newRow("single with point") << "2.5" << "2.5" << 2.5 << 2.5 << 2.5;
    QTest::newRow("three zones") << "1,5-1-1,5" << "1,5-1-1,5" << 1.5 << 1.0 << 1.5;
    QTest::newRow("ten is kept") << "10" << "10" << 10.0 << 10.0 << 10.0;
    QTest::newRow("above ten") << "12" << "10" << 10.0 << 10.0 << 10.0;
    QTest::newRow("every part above ten") << "15-20-30" << "10-10-10" << 10.0 << 10.0 << 10.0;
    QTest::newRow("middle above ten keeps commas") << "1,5-20-1,5" << "1,5-10-1,5" << 1.5 << 10.0 << 1.5;
    QTest::newRow("last above ten") << "4-2,5-11" << "4-2,5-10" << 4.0 << 2.5 << 10.0;
    QTest::newRow("letters") << "abc" << "0" << 0.0 << 0.0 << 0.0;
    QTest::newRow("two parts") << "1-2" << "0" << 0.0 << 0.0 << 0.0;
    QTest::newRow("four parts") << "1-2-3-4" << "0" << 0.0 << 0.0 << 0.0;
    QTest::newRow("empty part") << "1--3" << "0" << 0.0 << 0.0 << 0.0;
    QTest::newRow("empty") << "" << "0" << 0.0 << 0.0 << 0.0;
    QTest::newRow("negative single") << "-5" << "-5" << -5.0 << -5.0 << -5.0;
    QTest::newRow("not a number") << "nan" << "0" << 0.0 << 0.0 << 0.0;
    QTest::newRow("infinite") << "inf" << "10" << 10.0 << 10.0 << 10.0;
}

void TestConditions::accuracyClass()
{
    QFETCH(QString, text);
    conditions->zone1 = conditions->zone2 = conditions->zone3 = 99;
    conditions->prConditionsVrClassTpye->setText(text);
    conditions->parseAccuracyClass();
    QTEST(conditions->prConditionsVrClassTpye->text(), "result");
    QTEST(conditions->zone1, "z1");
    QTEST(conditions->zone2, "z2");
    QTEST(conditions->zone3, "z3");
}

// The device keys go through conf.ini and back; what is not stored comes back as the defaults.
void TestConditions::storedDevicesSurviveRestart()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Configurator::instance->configPath()->setValue(dir.filePath(QStringLiteral("conf.ini")));
    conditions->vrDevices.at(3)->prSerial->setValue(QStringLiteral("S-4"));
    conditions->vrDevices.at(3)->prVrOrder->setValue(1);
    conditions->vrDevices.at(3)->prIntervalMax->setValue(60);
    conditions->prConditionsVrClassTpye->setText(QStringLiteral("1,5-1-1,5"));
    conditions->prVrCoeff->setValue(0.75);
    QVERIFY(Configurator::instance->process(Configurator::Write));

    conditions->vrDevices.at(3)->prSerial->setValue(QString());
    conditions->vrDevices.at(3)->prVrOrder->setValue(0);
    conditions->vrDevices.at(3)->prIntervalMax->setValue(0);
    conditions->prConditionsVrClassTpye->setText(QString());
    conditions->prVrCoeff->setValue(0.8);
    QVERIFY(Configurator::instance->process(Configurator::Read));
    QCOMPARE(conditions->vrDevices.at(3)->prSerial->value(), QStringLiteral("S-4"));
    QCOMPARE(conditions->vrDevices.at(3)->prVrOrder->value(), 1);
    QCOMPARE(conditions->vrDevices.at(3)->prIntervalMax->value(), 0.0);
    QCOMPARE(conditions->prConditionsVrClassTpye->text(), QStringLiteral("1,5-1-1,5"));
    QCOMPARE(conditions->prVrCoeff->value(), 0.75);
}

QTEST_GUILESS_MAIN(TestConditions)
#include "tst_conditions.moc"
