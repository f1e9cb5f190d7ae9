#include "HidTransport.h"

#include "Blocks.h"
#include "MemoryCode.h"

#include <cstring>

namespace vorta {

namespace {

constexpr int Attempts = 3;
constexpr unsigned SendDelayMs = 10;
constexpr uint8_t NoStatus = 0xFF;
const char AnySerial[] = "99999999";

enum class Kind { Read, Write, Command };

// The report bytes a block needs, request and reply alike.
unsigned reportBytesNeeded(Kind kind, bool checksum, unsigned count)
{
    switch (kind) {
    case Kind::Read: {
        // Status in byte 1; the data from byte 3 and a checksum after it, or from byte 2.
        const unsigned reply = checksum ? 4 + count : 2 + count;
        return reply > 8 ? reply : 8;
    }
    case Kind::Write:
        return 8 + count;
    case Kind::Command:
        break;
    }
    return 8;
}

// One block: three attempts of send and fetch. A read copies its data out
// after the attempts, also when they all failed.
bool exchangeBlock(HidDevice &device, Kind kind, bool checksum, uint8_t code, uint32_t address, uint8_t *data,
                   unsigned count)
{
    const int length = device.featureReportLength();
    if (length < 0)
        return false;
    const size_t reportLength = static_cast<size_t>(length);
    if (reportLength > HidReportCapacity || reportLength < reportBytesNeeded(kind, checksum, count))
        return false;

    uint8_t report[HidReportCapacity];
    bool ok = false;
    for (int attempt = 0; attempt < Attempts && !ok; ++attempt) {
        std::memset(report, 0, sizeof report);
        if (kind != Kind::Command) {
            report[1] = static_cast<uint8_t>(address);
            report[2] = static_cast<uint8_t>(address >> 8);
            report[3] = static_cast<uint8_t>(address >> 16);
            report[4] = static_cast<uint8_t>(address >> 24);
            report[6] = static_cast<uint8_t>(count);
        }
        unsigned covered = 6;
        switch (kind) {
        case Kind::Read:
            report[5] = static_cast<uint8_t>(code | 0x80);
            break;
        case Kind::Write:
            report[5] = code;
            std::memcpy(report + 7, data, count);
            covered += count;
            break;
        case Kind::Command:
            report[5] = code;
            break;
        }
        report[covered + 1] = usbChecksum(report + 1, covered);

        platform().sleepMs(SendDelayMs);
        if (!device.setFeature(report, reportLength))
            continue;
        report[0] = 0;
        // A fetch that does not fill the status leaves it failed.
        report[1] = NoStatus;
        if (device.getFeature(report, reportLength) != length)
            continue;
        if (report[1] != 0)
            continue;
        if (checksum && kind == Kind::Read && report[3 + count] != usbChecksum(report + 2, count + 1))
            continue;
        if (checksum && kind == Kind::Write && report[3] != usbChecksum(report + 1, 2))
            continue;
        ok = true;
    }
    if (kind == Kind::Read)
        std::memcpy(data, report + (checksum ? 3 : 2), count);
    return ok;
}

bool readSerial(HidDevice &device, bool checksum, uint16_t productId, std::string &serial)
{
    const HidSerialLocation where = hidSerialLocation(productId);
    if (where.length == 0)
        return false;
    uint8_t raw[16] = {};
    if (!HidReadMemory(device, checksum, 2, where.address, raw, where.length))
        return false;
    if (where.length == 8) {
        serial.assign(reinterpret_cast<const char *>(raw), strnlen(reinterpret_cast<const char *>(raw), 8));
        return true;
    }
    std::u16string wide;
    for (unsigned i = 0; i < 8; ++i) {
        const char16_t c = static_cast<char16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
        if (c == 0)
            break;
        wide += c;
    }
    serial = platform().narrow(wide);
    if (serial.size() > 8)
        serial.resize(8);
    return true;
}

template <typename Job>
bool withHidDevice(const std::string &serial, Job job)
{
    std::unique_ptr<PortLock> lock = platform().lockPort(serial);
    if (!lock)
        return false;
    const USB_CONN_INFO info = FindHidDeviceBySerial(serial);
    std::unique_ptr<HidDevice> device = OpenHidDevice(info.ciPath);
    if (!device)
        return false;
    const bool ok = job(*device, info.ciCheckSum);
    device.reset();
    return ok;
}

} // namespace

HidSerialLocation hidSerialLocation(uint16_t productId)
{
    switch (productId) {
    case 0x0001:
    case 0x1001:
        return {0x1FEA, 8};
    case 0x0002:
    case 0x1002:
    case 0x0005:
    case 0x100D:
    case 0x0009:
        return {0x190C, 16};
    case 0x0003:
    case 0x1003:
        return {0x1930, 16};
    case 0x0006:
    case 0x100C:
        return {0x1952, 16};
    case 0x0007:
    case 0x1007:
        return {0x1926, 16};
    case 0x0008:
    case 0x1008:
        return {0x193C, 16};
    case 0x000A:
    case 0x100A:
        return {0x1840, 16};
    case 0x000B:
    case 0x100B:
        return {0x196A, 16};
    default:
        return {};
    }
}

USB_CONN_INFO FindHidDeviceBySerial(const std::string &serial)
{
    USB_CONN_INFO result;
    HidBackend &hid = platform().hid();
    for (const std::string &path : hid.devicePaths()) {
        std::unique_ptr<HidDevice> device = hid.open(path);
        if (!device)
            continue;
        uint16_t vendorId = 0;
        uint16_t productId = 0;
        if (!device->attributes(vendorId, productId) || vendorId != HidVendorId)
            continue;
        const bool checksum = productId >= 0x1000;
        std::string own;
        if (!readSerial(*device, checksum, productId, own))
            continue;
        if (own == serial || serial == AnySerial) {
            result.ciPath = path;
            result.ciCheckSum = checksum;
            break;
        }
    }
    return result;
}

std::unique_ptr<HidDevice> OpenHidDevice(const std::string &path)
{
    if (path.empty())
        return nullptr;
    return platform().hid().open(path);
}

bool HidReadMemory(HidDevice &device, bool checksum, int memoryCode, uint32_t address, uint8_t *buffer,
                   unsigned count)
{
    return runBlocks(address, count, HidBlockSize, [&](uint32_t at, unsigned offset, unsigned n) {
        return exchangeBlock(device, Kind::Read, checksum, static_cast<uint8_t>(memoryCode), at, buffer + offset, n);
    });
}

bool HidWriteMemory(HidDevice &device, bool checksum, int memoryCode, uint32_t address, const uint8_t *buffer,
                    unsigned count)
{
    return runBlocks(address, count, HidBlockSize, [&](uint32_t at, unsigned offset, unsigned n) {
        return exchangeBlock(device, Kind::Write, checksum, static_cast<uint8_t>(memoryCode), at,
                             const_cast<uint8_t *>(buffer + offset), n);
    });
}

bool HidCommand(HidDevice &device, uint8_t code)
{
    return exchangeBlock(device, Kind::Command, false, code, 0, nullptr, 0);
}

bool DoUsbRead(const std::string &serial, char memType, uint32_t address, uint8_t *buffer, unsigned count)
{
    const int code = memoryCode(memType);
    if (code < 0)
        return false;
    return withHidDevice(serial, [&](HidDevice &device, bool checksum) {
        return HidReadMemory(device, checksum, code, address, buffer, count);
    });
}

bool DoUsbWrite(const std::string &serial, char memType, uint32_t address, const uint8_t *buffer, unsigned count)
{
    const int code = memoryCode(memType);
    if (code < 0)
        return false;
    return withHidDevice(serial, [&](HidDevice &device, bool checksum) {
        return HidWriteMemory(device, checksum, code, address, buffer, count);
    });
}

bool DoUsbCommand(const std::string &serial, uint8_t code)
{
    return withHidDevice(serial, [&](HidDevice &device, bool) { return HidCommand(device, code); });
}

} // namespace vorta
