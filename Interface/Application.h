#pragma once

#include <QString>

// Qt's own texts (the standard buttons and dialogs) in Russian, as the program's are, from Qt's
// translations in the folder (by default the system's); false, and Qt's texts as they are, when
// they are not there. Once per process: later calls only tell whether they are in force.
bool installQtTranslations(const QString &folder = QString());

// Creates the global service objects once, in their fixed order, then loads conf.ini.
void createApplicationObjects();
// Waits for a document being written, stops the transducer worker, saves the configuration
// and quits; runs once per process.
void shutdownApplication();
bool isShutdownDone();
