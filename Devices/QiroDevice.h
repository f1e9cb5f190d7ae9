#pragma once

#include <QByteArray>
#include <cstdint>

// What the last QIRO answer of one instrument carried.
class QiroDevice
{
public:
    QiroDevice() = default;
    virtual ~QiroDevice() = default;

    uint8_t status = 255;
    // 13 old version, 43 new version, 0 when the identify answer carries no type.
    uint8_t deviceType = 0;
    // Written into every request; overwritten by every answer with a good checksum.
    int32_t address = 0;
    float lastValue = -1.0f;
    // The data field of the last answer, decoded from hexadecimal, and as received.
    QByteArray answerData;
    QByteArray answerText;
};
