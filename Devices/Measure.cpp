#include "Devices/Measure.h"

#include "Devices/AirHandler.h"
#include "Devices/TAIR.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/Units.h"

#include <limits>

Measure *Measure::instance = nullptr;

Measure::Measure(QObject *parent)
    : QObject(parent)
    , m_reading{NoAnswer, std::numeric_limits<double>::quiet_NaN()}
{
    instance = this;
}

Measure::~Measure()
{
    if (instance == this)
        instance = nullptr;
}

int Measure::requestMeasurement()
{
    // After the shutdown there is no worker to take a reading.
    if (!AirHandler::instance)
        return -1;
    return AirHandler::instance->startMeasuring();
}

void Measure::setValue(uint8_t status, double kPa)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reading = Reading{status, kPa};
    }
    if (MainHandler::instance)
        emit MainHandler::instance->dataMeasured();
}

Measure::Reading Measure::reading() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_reading;
}

double Measure::displayValue() const
{
    const double kPa = value();
    if (!TAIR::instance)
        return kPa;
    return fromKPa(TAIR::instance->prUnits->value(), kPa);
}

QString Measure::statusText() const
{
    return statusText(status());
}

QString Measure::statusText(uint8_t code)
{
    if (code == NoAnswer)
        return tr("ЦРЗ не отвечает");
    return tr("Ошибка ") + QString::number(code);
}

QString Measure::unitsText() const
{
    if (!TAIR::instance)
        return QString();
    return TAIR::instance->prUnits->valueText();
}
