#pragma once

// Creates the global service objects once, in their fixed order, then loads conf.ini.
void createApplicationObjects();
// Waits for a document being written, stops the transducer worker, saves the configuration
// and quits; runs once per process.
void shutdownApplication();
bool isShutdownDone();
