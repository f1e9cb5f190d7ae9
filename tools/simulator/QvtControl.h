#pragma once

#include "QvtTransducerState.h"

#include <QString>

class QvtSimulator;

// The commands that steer a running simulator, one a line: "pressure 500", "silent 10",
// "badcrc 3", "range -100..600", "state", "help". The executable reads them from its control
// FIFO, tests send them in-process; both go through apply(). A bad line changes nothing.
class QvtControl
{
public:
    struct Result
    {
        bool ok = true;
        QString output;   // what "state" and "help" print
        QString error;
    };

    // Applies one line to the state at the time now of the simulator's clock (seconds).
    // An empty line or a "#" comment does nothing.
    static Result apply(const QString &line, QvtTransducerState &state, double now);
    // Applies one line to a simulator's state, in one step under its lock.
    static Result execute(QvtSimulator &simulator, const QString &line);

    // The state as the commands that set it, on one line.
    static QString describe(const QvtTransducerState &state, double now);
    static QString help();
};
