#include "Interface/Application.h"

#include "Devices/AirHandler.h"
#include "Devices/HidHandler.h"
#include "Devices/Measure.h"
#include "Devices/TAIR.h"
#include "Documents/ExcelSaver.h"
#include "Documents/TabProtocols.h"
#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/MainHandler.h"
#include "Parameters/MessageHandler.h"
#include "Parameters/Settings.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Widgets/ColorScheme.h"
#include "Widgets/Icons.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace {
bool shutdownDone = false;
QPointer<QTranslator> qtTranslator;
}

bool installQtTranslations(const QString &folder)
{
    if (qtTranslator)
        return true;
    if (!QCoreApplication::instance())
        return false;
    const QString from = folder.isEmpty() ? QLibraryInfo::location(QLibraryInfo::TranslationsPath) : folder;
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ru"), from)) {
        qDebug() << "NO QT TRANSLATIONS" << from;
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    qtTranslator = translator;
    return true;
}

void createApplicationObjects()
{
    new Configurator();
    MainHandler::instance = new MainHandler();
    new Dictionary();
    new MessageHandler();
    new TAIR();
    new AirHandler();
    new Conditions();
    new Icons();
    new ColorScheme();
    new Measure();
    new HidHandler();
    new Verification();
    new Settings();
    new ExcelSaver(MainHandler::instance);
    Configurator::instance->loadConfiguration();
}

void shutdownApplication()
{
    if (shutdownDone)
        return;
    shutdownDone = true;

    // A document being written is finished first: it reads the settings that are saved next.
    TabProtocols::waitForRunningSave();

    // The worker goes first, so that no task writes the parameters while they are saved.
    AirHandler *worker = AirHandler::instance;
    if (worker)
        worker->stopWorker();

    Configurator::instance->saveConfiguration();
    if (TAIR::instance && TAIR::instance->isConnected())
        Configurator::instance->saveQvtSettings();

    if (worker)
        worker->deleteLater();

    qDebug() << "--->";
    QCoreApplication::quit();
}

bool isShutdownDone()
{
    return shutdownDone;
}
