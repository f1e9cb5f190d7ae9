#include "Devices/AirHandler.h"
#include "Devices/Measure.h"
#include "Devices/TAIR.h"
#include "Interface/Application.h"
#include "Interface/MainWindow.h"
#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/Settings.h"
#include "Documents/ExcelSaver.h"
#include "Widgets/Icons.h"

#include "TestSupport.h"

#include <QApplication>
#include <QSettings>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void objectsCreatedInOrder();
    void storedValuesInForce();
    void applicationFolderHoldsItsFiles();
    void windowDestructionShutsDownOnce();

private:
    QString confPath() const { return QCoreApplication::applicationDirPath() + QStringLiteral("/conf.ini"); }
};

void TestStartup::initTestCase()
{
    QFile::remove(confPath());
    QSettings stored(confPath(), QSettings::IniFormat);
    stored.setValue(QStringLiteral("prMainFontSize"), 12);
    stored.setValue(QStringLiteral("prStale"), 1);
    stored.sync();
    createApplicationObjects();
}

void TestStartup::objectsCreatedInOrder()
{
    QVERIFY(Configurator::instance);
    QVERIFY(MainHandler::instance);
    QVERIFY(!MainHandler::instance->isBusy());
    QVERIFY(Dictionary::instance);
    QVERIFY(TAIR::instance);
    QVERIFY(AirHandler::instance);
    QVERIFY(AirHandler::instance->isRunning());
    QVERIFY(Measure::instance);
    QCOMPARE(int(Measure::instance->status()), 255);
    QVERIFY(Settings::instance);
    QVERIFY(ExcelSaver::instance);
    QCOMPARE(ExcelSaver::instance->parent(), MainHandler::instance);
    QVERIFY(Configurator::instance->isLoaded());
    QVERIFY(!isScreenLocked());  // no main window, no overlay
    QCOMPARE(Configurator::instance->configPath()->value(), confPath());

    // Registration follows creation: the settings come last, in their own order.
    const QList<Configurator::Entry> &registry = Configurator::instance->registry();
    QStringList last;
    for (int i = qMax(0, registry.size() - 6); i < registry.size(); ++i)
        last << registry.at(i).key;
    QCOMPARE(last, (QStringList{"prDecimals", "prProtocolMode", "prProtocolPath", "prProtocolTamplatePath",
                                "prDeviceConfPath", "prMainFontSize"}));
}

void TestStartup::storedValuesInForce()
{
    QCOMPARE(Settings::instance->mainFontSize()->value(), 12);
    QCOMPARE(Settings::instance->decimals()->value(), 2);
}

void TestStartup::applicationFolderHoldsItsFiles()
{
    // The folder is a fresh copy: the program's own files must have come with it.
    const QString dir = QCoreApplication::applicationDirPath();
    QVERIFY(QFile::exists(dir + QStringLiteral("/Templates/default_template_verification_B.xlsx")));
    QVERIFY(QFile::exists(dir + QStringLiteral("/Images/symbol_exit.png")));
    QVERIFY(QFileInfo(dir + QStringLiteral("/help")).isDir());
    QVERIFY(!Icons::instance->icon(Icons::Exit).isNull());
}

void TestStartup::windowDestructionShutsDownOnce()
{
    QVERIFY(!isShutdownDone());
    {
        MainWindow window;
        QCOMPARE(MainWindow::instance, &window);
        Settings::instance->decimals()->setValue(5);
    }
    QVERIFY(isShutdownDone());
    QVERIFY(!MainWindow::instance);
    // The worker was stopped, and goes with the next turn of the event loop.
    QVERIFY(AirHandler::instance && !AirHandler::instance->isRunning());
    QTRY_VERIFY(!AirHandler::instance);
    QCOMPARE(Measure::instance->requestMeasurement(), -1);
    QSettings stored(confPath(), QSettings::IniFormat);
    QCOMPARE(stored.value(QStringLiteral("prDecimals")).toInt(), 5);
    QVERIFY(!stored.contains(QStringLiteral("prStale")));

    // The exit action and the destructor both call it; only the first one saves.
    QVERIFY(QFile::remove(confPath()));
    shutdownApplication();
    QVERIFY(!QFile::exists(confPath()));
}

// A fresh application folder each run, so conf.ini and QvtSettings/ beside the program are ours alone.
APPDIR_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
