#pragma once

#include "Platform.h"

#include <cstdint>
#include <string>

namespace vorta {

constexpr uint16_t HidVendorId = 0x3412;
constexpr unsigned HidBlockSize = 56;
constexpr size_t HidReportCapacity = 256;

struct USB_CONN_INFO
{
    std::string ciPath;
    bool ciCheckSum = false;
};

// Where a product keeps its serial number: length 0 for products we do not serve.
struct HidSerialLocation
{
    uint32_t address = 0;
    unsigned length = 0;
};
HidSerialLocation hidSerialLocation(uint16_t productId);

USB_CONN_INFO FindHidDeviceBySerial(const std::string &serial);
std::unique_ptr<HidDevice> OpenHidDevice(const std::string &path);

bool HidReadMemory(HidDevice &device, bool checksum, int memoryCode, uint32_t address, uint8_t *buffer,
                   unsigned count);
bool HidWriteMemory(HidDevice &device, bool checksum, int memoryCode, uint32_t address, const uint8_t *buffer,
                    unsigned count);
bool HidCommand(HidDevice &device, uint8_t code);

bool DoUsbRead(const std::string &serial, char memType, uint32_t address, uint8_t *buffer, unsigned count);
bool DoUsbWrite(const std::string &serial, char memType, uint32_t address, const uint8_t *buffer, unsigned count);
bool DoUsbCommand(const std::string &serial, uint8_t code);

} // namespace vorta
