#include "Devices/AirHandler.h"
#include "Devices/TAIR.h"
#include "Interface/Application.h"
#include "Parameters/Configurator.h"
#include "Parameters/ParametrString.h"
#include "TestSupport.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Verification/VrPointsModel.h"

#include <QSettings>
#include <QtTest>

// Start-up places and the shutdown's save of the connected transducer's file, in a
// temporary application folder of its own.
class TestTransducerShutdown : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void registrationFollowsCreation();
    void shutdownSavesConnectedTransducer();

private:
    int m_lastTask = -1;
};

void TestTransducerShutdown::initTestCase()
{
    QVERIFY(qEnvironmentVariableIsSet("MANOVERA_TEMPORARY_APP_DIR"));
    createApplicationObjects();
    QVERIFY(TAIR::instance);
    QVERIFY(Conditions::instance);
    QVERIFY(Verification::instance);
    QCOMPARE(VrPointsModel::instance, Verification::instance->pointsModel());

    // The worker's start-up chain disconnects the transducer; a task asked for now ends
    // that chain, and once it has finished the worker rests.
    QVERIFY(AirHandler::instance);
    AirHandler *worker = AirHandler::instance;
    connect(worker, &AirHandler::taskFinished, this, [this](int task) { m_lastTask = task; }, Qt::QueuedConnection);
    worker->requestTask(10);
    QTRY_COMPARE_WITH_TIMEOUT(m_lastTask, 10, 30000);
}

void TestTransducerShutdown::registrationFollowsCreation()
{
    QStringList keys;
    for (const Configurator::Entry &entry : Configurator::instance->registry())
        keys << entry.key;
    QCOMPARE(keys.mid(0, 8), (QStringList{"prOwner", "prUnits", "prRegistryNumber", "prIndex", "prQvtModel",
                                          "prMin", "prMax", "prConditionsVrName"}));
    const int verification = keys.indexOf(QStringLiteral("prVerificationMode"));
    // The meter reader registers between the devices under test and the verification.
    QCOMPARE(keys.at(verification - 1), QStringLiteral("prSerialLUMO"));
    QCOMPARE(keys.at(verification - 2), QStringLiteral("3_dev->prSignalType"));
    QCOMPARE(keys.at(verification + 5), QStringLiteral("prDecimals"));
}

void TestTransducerShutdown::shutdownSavesConnectedTransducer()
{
    const QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/QvtSettings/00000042.ini");
    TAIR::instance->prSerialNumber->setValue(QStringLiteral("00000042"));
    TAIR::instance->setConnected(true);
    QVERIFY(!QFileInfo::exists(file));
    TAIR::instance->prOwner->setValue(QStringLiteral("Метрологическая служба"));
    shutdownApplication();
    // Stopped before the files were saved, and deleted once the event loop runs again.
    QVERIFY(!AirHandler::instance->isRunning());
    QTRY_VERIFY(!AirHandler::instance);
    QSettings stored(file, QSettings::IniFormat);
    QCOMPARE(stored.value(QStringLiteral("prOwner")).toString(), QStringLiteral("Метрологическая служба"));
    QSettings conf(QCoreApplication::applicationDirPath() + QStringLiteral("/conf.ini"), QSettings::IniFormat);
    QCOMPARE(conf.value(QStringLiteral("prOwner")).toString(), QStringLiteral("Метрологическая служба"));
}

APPDIR_TEST_MAIN(TestTransducerShutdown)

#include "tst_transducershutdown.moc"
