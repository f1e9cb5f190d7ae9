#include "Interface/Application.h"

#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/MainHandler.h"
#include "Parameters/MessageHandler.h"
#include "Parameters/Settings.h"
#include "Widgets/ColorScheme.h"
#include "Widgets/Icons.h"

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
    new MessageHandler();
    new Icons();
    new ColorScheme();
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
