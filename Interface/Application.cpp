#include "Interface/Application.h"

#include "Devices/HidHandler.h"
#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/MainHandler.h"
#include "Parameters/Settings.h"

#include <QCoreApplication>
#include <QDebug>

namespace {
bool shutdownDone = false;
}

void createApplicationObjects()
{
    new Configurator();
    MainHandler::instance = new MainHandler();
    new Dictionary();
    // Measure comes before the meter's reader once it exists.
    new HidHandler();
    new Settings();
    Configurator::instance->loadConfiguration();
}

void shutdownApplication()
{
    if (shutdownDone)
        return;
    shutdownDone = true;

    Configurator::instance->saveConfiguration();

    qDebug() << "--->";
    QCoreApplication::quit();
}

bool isShutdownDone()
{
    return shutdownDone;
}
