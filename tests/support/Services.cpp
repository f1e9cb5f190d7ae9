#include "Services.h"

#include "Devices/HidHandler.h"
#include "Devices/Measure.h"
#include "Devices/TAIR.h"
#include "Documents/ExcelSaver.h"
#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/MainHandler.h"
#include "Parameters/MessageHandler.h"
#include "Parameters/Settings.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Widgets/ColorScheme.h"

namespace TestSupport {

void createServices(unsigned services)
{
    new Configurator();
    if (services & Hub)
        MainHandler::instance = new MainHandler();
    if (services & Lists)
        new Dictionary();
    if (services & Messages)
        new MessageHandler();
    if (services & Transducer)
        new TAIR();
    if (services & VrConditions)
        new Conditions();
    if (services & Scheme)
        new ColorScheme();
    if (services & Reading)
        new Measure();
    if (services & Ambient)
        new HidHandler();
    if (services & Points)
        new Verification();
    if (services & AppSettings)
        new Settings();
    if (services & Writer)
        new ExcelSaver(MainHandler::instance);
}

}
