#pragma once

#include <QStringList>

class ParametrDouble;
class ParametrEnum;
class ParametrString;

// The captions of a device under test, also the column titles of the device cards.
const QStringList &deviceCardColumnTitles();

// One gauge under test.
class VrDevice
{
public:
    VrDevice();
    ~VrDevice();

    VrDevice(const VrDevice &) = delete;
    VrDevice &operator=(const VrDevice &) = delete;

    ParametrString *prName;
    ParametrString *prSerial;
    ParametrString *prOwner;
    ParametrString *prDevType;
    ParametrString *prDevInv;
    ParametrString *prYear;
    ParametrString *prAmbiant;
    ParametrString *prNotes;
    ParametrDouble *prIntervalMax;
    ParametrDouble *prIntervalMin;
    ParametrEnum *prDevUnits;
    ParametrString *prVrDocumentVr;
    ParametrString *prVrDocumentCl;
    ParametrEnum *prVrOrder;
    ParametrString *prSignalType;
    ParametrEnum *prCheckSystemGr;
    ParametrEnum *prCheckUsage;
    ParametrEnum *prCheckRSolid;
    ParametrEnum *prCheckR;
};
