// A stand-in VortaExchange for the workstation's reader: a meter whose serial
// is "00004841" answers 21.5 °C, 45.25 % and 760 mm Hg; any other serial fails.

#include <cstdint>
#include <cstring>

#define API extern "C" __attribute__((visibility("default")))

namespace {
char lastSerial[64];
}

API uint8_t VORTA_USB_Read(const char *serial, char memType, uint32_t address, uint8_t *buffer, uint16_t count)
{
    std::strncpy(lastSerial, serial, sizeof lastSerial - 1);
    if (std::strcmp(serial, "00004841") != 0 || memType != 'R' || address != 0 || count != 12)
        return 0;
    const float values[3] = {21.5f, 45.25f, 760.0f};
    std::memcpy(buffer, values, sizeof values);
    return 1;
}

// The serial of the last call, for the test to see what was sent.
API const char *STANDIN_LastSerial()
{
    return lastSerial;
}
