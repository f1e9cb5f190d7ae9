#pragma once

#include <cstdint>

namespace vorta {

// The USB memory letters: R 0, F 1, I 2 (upper case only); -1 for any other.
int memoryCode(char memType);

// Checksum of the USB reports and packets: 0xFF plus the byte sum, modulo 256.
uint8_t usbChecksum(const uint8_t *data, unsigned count);

} // namespace vorta
