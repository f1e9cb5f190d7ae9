// conf.ini as an administrator leaves it after a text editor: UTF-8, an unquoted comma, a
// decimal comma and a value out of bounds, loaded by the real start-up and saved by the real
// shutdown.

#include "Interface/Application.h"
#include "Parameters/Configurator.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrString.h"
#include "Parameters/Settings.h"
#include "Verification/Conditions.h"
#include "Verification/VrDevice.h"

#include "LogCapture.h"
#include "TestSupport.h"

#include <QApplication>
#include <QSettings>
#include <QtTest>

class TestHandEditedConf : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void valuesAsTyped();
    void ignoredValueNamedInTheLog();
    void savedFileReadsBackTheSame();

private:
    static QString confPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/conf.ini"); }
    QStringList m_ignored;
};

void TestHandEditedConf::initTestCase()
{
    QFile file(confPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[General]\n"
               "prConditionsVrName=Иванов И.И.\n"
               "prConditionsOwner=ООО Ромашка, г. Москва\n"
               "prVrCoeff=0,9\n"
               "prDecimals=9\n"
               // Written by the program itself: escaped, the device's name "Манометр".
               "0_dev-%3EprName=\\x41c\\x430\\x43d\\x43e\\x43c\\x435\\x442\\x440\n"
               "prConditionsVrClassTpye=1,5\n");
    file.close();
    TestSupport::LogCapture log;
    createApplicationObjects();
    m_ignored = log.warnings(QStringLiteral("VALUE IGNORED"));
}

void TestHandEditedConf::valuesAsTyped()
{
    Conditions *conditions = Conditions::instance;
    QCOMPARE(conditions->prConditionsVrName->value(), QStringLiteral("Иванов И.И."));
    QCOMPARE(conditions->prConditionsOwner->value(), QStringLiteral("ООО Ромашка, г. Москва"));
    QCOMPARE(conditions->prVrCoeff->value(), 0.9);
    QCOMPARE(conditions->prConditionsVrClassTpye->text(), QStringLiteral("1,5"));
    QCOMPARE(conditions->vrDevices.at(0)->prName->value(), QStringLiteral("Манометр"));
    // 9 decimals lie beyond what the editor offers (0 to 6): the default stays.
    QCOMPARE(Settings::instance->decimals()->value(), 2);
}

void TestHandEditedConf::ignoredValueNamedInTheLog()
{
    QCOMPARE(m_ignored.size(), 1);
    QVERIFY2(m_ignored.first().contains(QStringLiteral("\"prDecimals\"")), qPrintable(m_ignored.first()));
}

void TestHandEditedConf::savedFileReadsBackTheSame()
{
    const QList<Configurator::Entry> &registry = Configurator::instance->registry();
    QStringList loaded;
    for (const Configurator::Entry &entry : registry)
        loaded << entry.parametr->valueText();

    shutdownApplication();

    QSettings saved(confPath(), QSettings::IniFormat);
    saved.setIniCodec("UTF-8");
    QCOMPARE(saved.value(QStringLiteral("prConditionsOwner")), QVariant(QStringLiteral("ООО Ромашка, г. Москва")));
    QCOMPARE(saved.value(QStringLiteral("prDecimals")).toString(), QStringLiteral("2"));

    // Read back over other values, every parameter is as it was loaded.
    Conditions *conditions = Conditions::instance;
    conditions->prConditionsVrName->setValue(QStringLiteral("x"));
    conditions->prConditionsOwner->setValue(QStringLiteral("y"));
    conditions->prVrCoeff->setValue(0.1);
    conditions->prConditionsVrClassTpye->setText(QStringLiteral("z"));
    conditions->vrDevices.at(0)->prName->setValue(QString());
    Settings::instance->decimals()->setValue(5);
    QVERIFY(Configurator::instance->process(Configurator::Read));
    QStringList reread;
    for (const Configurator::Entry &entry : registry)
        reread << entry.parametr->valueText();
    QCOMPARE(reread, loaded);
    QCOMPARE(conditions->prVrCoeff->value(), 0.9);
}

// A fresh application folder each run: conf.ini beside the program is ours alone.
APPDIR_TEST_MAIN_WITH(TestHandEditedConf, QApplication, QStringLiteral("handedited"))
#include "tst_handeditedconf.moc"
