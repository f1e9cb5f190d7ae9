#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace TestSupport {

// A program in place of the help viewer: it records the arguments it was started with, so a
// test sees which page the help launcher asked for. Started detached, it writes its record
// whole (through a rename), so a test polls arguments() until the record appears.
class StandInViewer
{
public:
    StandInViewer();

    // The program to hand to Assistant::setViewer; empty when it could not be made.
    QString program() const { return m_program; }
    // The recorded arguments, their count first; empty before the viewer has run.
    QStringList arguments() const;
    // Forgets the last record, before the next start.
    void clear();

private:
    QTemporaryDir m_dir;
    QString m_program;
};

}
