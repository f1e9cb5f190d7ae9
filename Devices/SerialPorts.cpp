#include "Devices/SerialPorts.h"

#include <algorithm>

QList<QSerialPortInfo> serialPortInfoList;

QStringList SerialPorts::list(QList<QSerialPortInfo> *ports)
{
    *ports = QSerialPortInfo::availablePorts();
    sortByPortNumber(*ports);
    QStringList names;
    for (const QSerialPortInfo &port : qAsConst(*ports))
        names << port.portName();
    names << extraPorts();
    return names;
}

int SerialPorts::portNumber(const QString &name)
{
    if (name.startsWith(QLatin1String("COM"))) {
        bool ok = false;
        const int n = name.midRef(3).toInt(&ok);
        return ok ? n : 0;
    }
    int start = name.size();
    while (start > 0 && name.at(start - 1).isDigit() && name.at(start - 1).unicode() < 128)
        --start;
    bool ok = false;
    const int n = name.midRef(start).toInt(&ok);
    return ok ? n : 0;
}

void SerialPorts::sortByPortNumber(QList<QSerialPortInfo> &ports)
{
    std::stable_sort(ports.begin(), ports.end(), [](const QSerialPortInfo &a, const QSerialPortInfo &b) {
        return portNumber(a.portName()) < portNumber(b.portName());
    });
}

void SerialPorts::sortByPortNumber(QStringList &names)
{
    std::stable_sort(names.begin(), names.end(),
                     [](const QString &a, const QString &b) { return portNumber(a) < portNumber(b); });
}

QStringList SerialPorts::extraPorts()
{
    return qEnvironmentVariable("MANOVERA_EXTRA_PORTS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
}
