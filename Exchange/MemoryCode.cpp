#include "MemoryCode.h"

namespace vorta {

int memoryCode(char memType)
{
    switch (memType) {
    case 'R':
        return 0;
    case 'F':
        return 1;
    case 'I':
        return 2;
    default:
        return -1;
    }
}

uint8_t usbChecksum(const uint8_t *data, unsigned count)
{
    unsigned sum = 0xFF;
    for (unsigned i = 0; i < count; ++i)
        sum += data[i];
    return static_cast<uint8_t>(sum);
}

} // namespace vorta
