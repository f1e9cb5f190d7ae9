#pragma once

#include <cstdint>

// CRC-16/MODBUS, the checksum of every QIRO frame. Kept apart from the channel so that the
// transducer simulator, which links only QtCore, checks and frames with the same one.
inline uint16_t qiroCrc16(const char *data, int size)
{
    uint16_t crc = 0xFFFF;
    for (int i = 0; i < size; ++i) {
        crc ^= uint8_t(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}
