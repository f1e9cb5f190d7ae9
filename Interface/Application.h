#pragma once

// Creates the global service objects once, in their fixed order, then loads conf.ini.
void createApplicationObjects();
// Saves the configuration, stops the transducer worker and quits; runs once per process.
void shutdownApplication();
bool isShutdownDone();
