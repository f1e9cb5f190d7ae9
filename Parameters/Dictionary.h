#pragma once

#include "Parameters/EnumItem.h"

#include <QString>
#include <mutex>

// The workstation's fixed texts and enumeration lists. Parameters keep
// references to these lists, so the lists live as long as the program.
class Dictionary
{
public:
    Dictionary();

    static Dictionary *instance;

    QString comPortCaption;
    QString timeAxisTitle;
    QString emptyText;
    QString methodADescription;
    QString methodBDescription;
    QString methodATitle;
    QString methodBTitle;
    QString methodAName;
    QString methodBName;

    EnumList comPorts;
    EnumList deviceCounts;
    EnumList units;
    EnumList qvtModels;
    EnumList languages;
    EnumList methods;
    EnumList onOff;
    EnumList gaugeUnits;
    EnumList documentSets;
    EnumList accuracyClasses;
    EnumList accuracyIndexes;
    EnumList rangeCodes;
    EnumList admissibleRangeCodes;
    EnumList readModes;
    EnumList verificationKinds;
    EnumList verdicts;

    // comPorts is refilled by the transducer worker while the GUI may read it. A std::mutex,
    // whose waits the thread sanitizer can follow (it cannot see into QMutex's).
    std::mutex comPortsMutex;
};
