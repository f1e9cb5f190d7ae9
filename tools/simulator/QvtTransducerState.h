#pragma once

#include "QvtFault.h"

#include <QByteArray>
#include <array>
#include <cstdint>

// Everything the simulated transducer knows, by parameter. Pressures are in the
// transducer's own units (the units code), the range limits in kPa as the transducer
// reports them.
struct QvtTransducerState
{
    static constexpr int TableRows = 10;
    static constexpr int TableColumns = 6;
    using TableRow = std::array<float, TableColumns>;

    // Identify answer: 13 old version, 43 new version, anything else an unknown device;
    // negative: the answer carries no type field.
    int deviceType = 43;
    // Requests other than identify are answered only at this address.
    int address = 1;
    uint32_t serialNumber = 12345678;          // 8C
    uint8_t unitsCode = 1;                     // 30: 0 MPa, 1 kPa, 2 Pa, 3 kgf/m², 4 kgf/cm², 5 mmHg, 6 bar, 7 psi
    float lowerLimit = 0.0f;                   // 76, kPa
    float upperLimit = 1000.0f;                // 52, kPa
    uint8_t averageCount = 1;                  // 14
    uint8_t decimals = 3;                      // 12
    uint8_t unitsLanguage = 0;                 // 111
    uint8_t buzzerLevel = 0;                   // 158
    QByteArray softwareVersion = "QVT 2.14";   // 28, sent with a closing zero byte
    float zeroCoefficient = 0.0f;              // 34, added to every reading
    float stagedZeroCoefficient = 0.0f;        // 56
    uint16_t modeWord = 0;                     // 36
    uint8_t calibrationAccess = 0;             // 25
    std::array<TableRow, TableRows> calibrationTable{};   // 112..121
    int tableCommits = 0;                      // command 199 on 165

    // The reading (parameter 2): status byte, then the value
    // pressure + amplitude * sin(2 pi t / period) + zero coefficient.
    uint8_t readingStatus = 0;
    double pressure = 0.0;
    double pressureAmplitude = 0.0;
    double pressurePeriodSeconds = 60.0;

    double readingAt(double seconds) const;

    // How the transducer answers, as the control commands steer it. Unlike a queued fault,
    // a mode lasts: until it is set back to Normal, for a number of requests, or until a time.
    enum class AnswerMode { Normal, Silent, Garbage, BadChecksum, DeviceError };
    AnswerMode answerMode = AnswerMode::Normal;
    int answerModeCode = 0;          // the "$" code of DeviceError
    int answerModeRequests = 0;      // above 0: the mode ends after this many more requests
    double answerModeUntil = -1.0;   // 0 or more: the mode ends at this time of the simulator's clock, s

    // The noise that Garbage answers with: a frame that is none.
    static const QByteArray GarbageAnswer;

    // Whether a mode other than Normal holds at the given time.
    bool answerModeHolds(double seconds) const;
    // For one request: the fault that stands for the mode, when one holds; counts the mode down.
    bool takeAnswerModeFault(double seconds, QvtFault *fault);
    void setAnswerMode(AnswerMode mode, int code = 0, int requests = 0, double until = -1.0);
};
