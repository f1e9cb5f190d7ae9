#pragma once

#include <QByteArray>
#include <QObject>

class ParametrString;

// Reads the ambient temperature, humidity and pressure from the LUMO meter
// through the exchange library, loaded from the application folder.
class HidHandler : public QObject
{
    Q_OBJECT
public:
    explicit HidHandler(QObject *parent = nullptr);

    static HidHandler *instance;

    // The serial number as the library takes it: eight characters, left-padded with "0".
    QByteArray serialBytes() const;
    // One reading; true when the three values were replaced.
    bool readConditions();

    ParametrString *serial() const { return m_serial; }

    // Meaningful only after a read that returned true.
    float temperature = 0;
    float humidity = 0;
    float pressure = 0; // Pa

private:
    ParametrString *m_serial;
};
