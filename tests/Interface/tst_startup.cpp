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
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// The standard buttons as a message box and a save dialog name them.
QString cancelOfAMessageBox()
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Мановера"), QStringLiteral("Текст"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    return box.button(QMessageBox::Cancel)->text();
}

QString saveOfAFileDialog()
{
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    auto *buttons = dialog.findChild<QDialogButtonBox *>();
    return buttons && buttons->button(QDialogButtonBox::Save) ? buttons->button(QDialogButtonBox::Save)->text()
                                                               : QString();
}
}

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void objectsCreatedInOrder();
    void storedValuesInForce();
    void applicationFolderHoldsItsFiles();
    void qtTextsInRussian();
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

void TestStartup::qtTextsInRussian()
{
    // Without Qt's translations the program runs on with Qt's own texts.
    QTemporaryDir none;
    QVERIFY(none.isValid());
    QVERIFY(!installQtTranslations(none.path()));
    QCOMPARE(cancelOfAMessageBox(), QStringLiteral("Cancel"));
    QCOMPARE(saveOfAFileDialog(), QStringLiteral("&Save"));

    const QString system = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
    QVERIFY2(QFile::exists(system + QStringLiteral("/qtbase_ru.qm")),
             qPrintable(QStringLiteral("Qt's Russian translations are not in %1 (scripts/install-deps.sh installs them)")
                            .arg(system)));
    QVERIFY(installQtTranslations());
    QCOMPARE(cancelOfAMessageBox(), QStringLiteral("Отмена"));
    QCOMPARE(saveOfAFileDialog(), QStringLiteral("&Сохранить"));
    // Once is enough.
    QVERIFY(installQtTranslations(none.path()));
    QCOMPARE(cancelOfAMessageBox(), QStringLiteral("Отмена"));
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
