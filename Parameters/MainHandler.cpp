#include "Parameters/MainHandler.h"

MainHandler *MainHandler::instance = nullptr;

MainHandler::MainHandler(QObject *parent) : QObject(parent)
{
}

bool isScreenLocked()
{
    // Only the main window's overlay sets this copy, so it is false until that window exists.
    return MainHandler::instance && MainHandler::instance->overlayVisible();
}
