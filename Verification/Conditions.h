#pragma once

#include <QList>

class ParametrDouble;
class ParametrEditableEnum;
class ParametrEnum;
class ParametrString;
class VrDevice;

// What the operator states about a verification besides its points, and the gauges under test.
class Conditions
{
public:
    Conditions();
    ~Conditions();

    Conditions(const Conditions &) = delete;
    Conditions &operator=(const Conditions &) = delete;

    static Conditions *instance;

    void reset();
    // Derives the three zone values from the accuracy class text; clips or clears an
    // unusable text in place.
    void parseAccuracyClass();

    ParametrString *prTemperature;
    ParametrString *prHumidity;
    ParametrString *prPressure;
    ParametrString *prConditionsVrName;
    ParametrEnum *prReadConditions;
    ParametrEditableEnum *prConditionsVrClassTpye;
    ParametrString *prDate;
    ParametrString *prConditionsOwner;
    ParametrEnum *prVrDeviceCount;
    ParametrDouble *prVrCoeff;
    ParametrDouble *prIndicatorStep;

    QList<VrDevice *> vrDevices;

    // The class for the first quarter, the middle half and the last quarter of the span.
    double zone1 = 0.0;
    double zone2 = 0.0;
    double zone3 = 0.0;
};
