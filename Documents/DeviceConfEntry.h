#pragma once

#include <QString>

// One row of the device-card list: the card's file name and the texts the list shows.
struct DeviceConfEntry
{
    QString fileName;  // with its extension
    QString name;
    QString type;
    QString serial;
    QString inventory;
};
