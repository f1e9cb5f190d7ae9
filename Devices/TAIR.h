#pragma once

#include "Devices/QiroDevice.h"

#include <QList>
#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>

class ParametrDouble;
class ParametrEnum;
class ParametrInt;
class ParametrString;

// The one record of the reference pressure transducer. The worker thread (AirHandler) writes
// the fields the comments below give it; its channel writes each answer into the QiroDevice
// fields.
class TAIR : public QiroDevice
{
public:
    TAIR();
    ~TAIR() override;

    TAIR(const TAIR &) = delete;
    TAIR &operator=(const TAIR &) = delete;

    static TAIR *instance;

    bool isConnected() const { return m_connected.load(std::memory_order_acquire); }
    // Loads the transducer's settings file on connect and saves it on disconnect,
    // once conf.ini has been loaded.
    void setConnected(bool on);

    bool isOldVersion() const { return deviceType == 13; }
    bool isNewVersion() const { return deviceType == 43; }
    void updateModelIndex();
    void updateRangeCodes();
    // Rescales the calibration table from the four trim points. Returns false and
    // leaves the table untouched when the points give no usable slope or offset.
    bool recalculateTable();

    double accuracy() const { return m_accuracy; }
    // The rank for the verification interval of the Verification.
    QString accuracyText() const;
    // The rank for an interval given in kPa.
    QString accuracyText(double lowKPa, double highKPa) const;

    void clearHistory();
    void appendHistory(double kPa);
    // A consistent copy of the good readings, oldest first.
    QList<double> history() const;
    uint8_t historySize() const { return m_historySize; }

    // The worker writes these at connect, from the identify answer and the identity reads. The
    // limits and their texts are rewritten by the GUI thread when the limits of an old version
    // are typed (AirHandler::recomputeDisplayValues()).
    // 0 old version, 1 new version, 2 other.
    int32_t modelIndex = 2;
    uint32_t serialNumber = 0;
    uint8_t deviceUnitCode = 0;
    double lowerLimit = 0.0;   // kPa
    double upperLimit = 0.0;   // kPa
    QString lowerLimitText;
    QString upperLimitText;
    // The worker writes these with every reading.
    uint8_t lastStatus = 255;
    // In the transducer's own units (the QIRO record keeps the raw float of the answer).
    double lastValue = 0.0;

    // The parameters are made by the constructor; the pages edit their values in the GUI thread.
    // The worker sets these at connect, from the identity it reads; prRange, like the limits
    // above, also the GUI thread:
    ParametrEnum *prDeviceUnits;
    ParametrEnum *prDeviceType;
    ParametrString *prSerialNumber;
    ParametrString *prRange;
    // The worker loads these from the transducer's settings file at connect (setConnected());
    // prQvtModel, whose choices follow the limits, is reset with them first:
    ParametrString *prOwner;
    ParametrString *prRegistryNumber;
    ParametrEnum *prIndex;
    ParametrEnum *prQvtModel;
    // The worker reads these from the transducer in the settings tasks:
    ParametrInt *prAverageCount;
    ParametrInt *prDeviceDecimals;
    ParametrInt *prBuzzerLevel;
    ParametrEnum *prUnitsLanguage;
    ParametrString *prSoftwareVersion;
    // The GUI thread's only: the display units, the trim points and the typed limits.
    ParametrEnum *prUnits;
    ParametrDouble *prTrimMeasuredLow;
    ParametrDouble *prTrimReferenceLow;
    ParametrDouble *prTrimMeasuredHigh;
    ParametrDouble *prTrimReferenceHigh;
    ParametrInt *prTrimAverageCount;
    ParametrDouble *prMin;
    ParametrDouble *prMax;

    // Row r is QIRO parameter 112 + r. The worker reads it, and rescales it for the trim
    // (recalculateTable()) before it writes it back, in the table tasks.
    float calibrationTable[10][6] = {};

    // The four file-backed values as the last load of the settings file left them: written by
    // the worker at connect.
    int32_t savedIndex = 0;
    int32_t savedRangeCode = 0;
    QString savedOwner;
    QString savedRegistryNumber;

private:
    std::atomic<bool> m_connected{false};
    double m_accuracy = 0.02;
    uint8_t m_historySize = 10;
    // Appended and cleared by the worker, copied by the GUI thread. A standard mutex,
    // so that the thread sanitizer sees its ordering.
    mutable std::mutex m_historyMutex;
    QList<double> m_history;
};
