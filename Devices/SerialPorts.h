#pragma once

#include <QList>
#include <QSerialPortInfo>
#include <QString>
#include <QStringList>

// The serial ports of the last port search, sorted by their number. Replaced by the worker;
// read it only under Dictionary::comPortsMutex.
extern QList<QSerialPortInfo> serialPortInfoList;

// What the port search lists: the ports Qt enumerates, sorted by their number, then the ports
// that enumeration cannot see.
class SerialPorts
{
public:
    // The enumerated ports, sorted, into *ports; returns their names followed by extraPorts().
    static QStringList list(QList<QSerialPortInfo> *ports);

    // The number a port sorts by: the digits after "COM", else the trailing decimal digits
    // of the name; 0 when there are none.
    static int portNumber(const QString &name);
    static void sortByPortNumber(QList<QSerialPortInfo> &ports);
    static void sortByPortNumber(QStringList &names);
    // The paths of MANOVERA_EXTRA_PORTS, in order.
    static QStringList extraPorts();
};
