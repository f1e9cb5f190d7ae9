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
    , m_reading{NoAnswer, std::numeric_limits<double>::quiet_NaN(), true}
{
    instance = this;
    // A reading from before the link went or came back says nothing of the pressure now.
    if (MainHandler::instance)
        connect(MainHandler::instance, &MainHandler::connectStateChnanged, this, &Measure::invalidate);
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

void Measure::setValue(uint8_t status, double kPa, unsigned series)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reading = Reading{status, kPa, series == m_series};
    }
    if (MainHandler::instance)
        emit MainHandler::instance->dataMeasured();
}

unsigned Measure::series() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_series;
}

void Measure::invalidate()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_series;
    m_reading.current = false;
    // Under the same lock: the worker cannot begin a reading of the new series before the old
    // history is gone. An old reading appended after this is dropped by the worker when it
    // begins the next one.
    if (TAIR::instance)
        TAIR::instance->clearHistory();
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
