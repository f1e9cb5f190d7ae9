#include "BulkTransport.h"

#include "Blocks.h"
#include "MemoryCode.h"

#include <cstring>

namespace vorta {

namespace {

constexpr int Attempts = 3;
constexpr int MaxDevices = 32;
// Request data and its checksum must lie within the packet.
constexpr unsigned MaxRequestLength = BulkPacketSize - 9;
const char AnySerial[] = "99999999";

void put16(uint8_t *p, unsigned value)
{
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

void put32(uint8_t *p, uint32_t value)
{
    put16(p, value & 0xFFFF);
    put16(p + 2, value >> 16);
}

// Opens the device for one block, closes it on every path.
class OpenDevice
{
public:
    OpenDevice(const BulkDriver &driver, int index) : m_driver(driver), m_index(index)
    {
        m_open = driver.openEx(index) != 0;
    }
    ~OpenDevice()
    {
        if (m_open)
            m_driver.closeEx(m_index);
    }
    bool isOpen() const { return m_open; }

private:
    const BulkDriver &m_driver;
    int m_index;
    bool m_open;
};

// Writes the request, reads the reply into the same packet; true when both
// moved a whole packet and the status is good.
bool transfer(const BulkDriver &driver, int index, uint8_t *packet)
{
    if (driver.writeEx(index, packet, BulkPacketSize) != BulkPacketSize)
        return false;
    packet[0] = 0xFF;
    if (driver.readEx(index, packet, BulkPacketSize) != BulkPacketSize)
        return false;
    return packet[0] == 0;
}

enum class Kind { Read, Write };

// One block of memory, three attempts. A read sends no data and copies count bytes out of a
// good reply only; a write sends count bytes. In request and reply alike the checksum follows
// the data.
bool memoryBlock(int index, Kind kind, int code, uint32_t address, unsigned count, uint8_t *data)
{
    const BulkDriver &driver = platform().bulk();
    OpenDevice device(driver, index);
    if (!device.isOpen())
        return false;
    const bool read = kind == Kind::Read;
    const unsigned requestData = read ? 0 : count;
    const unsigned replyData = read ? count : 0;
    uint8_t packet[BulkPacketSize];
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        std::memset(packet, 0, sizeof packet);
        put32(packet, address);
        put16(packet + 4, count);
        put16(packet + 6, static_cast<unsigned>(code) | (read ? 0x80 : 0));
        if (!read)
            std::memcpy(packet + 8, data, count);
        packet[8 + requestData] = usbChecksum(packet, 8 + requestData);
        if (!transfer(driver, index, packet))
            continue;
        if (BulkDeviceHasChecksum(index) && packet[8 + replyData] != usbChecksum(packet, 8 + replyData))
            continue;
        if (read)
            std::memcpy(data, packet + 8, count);
        return true;
    }
    return false;
}

template <typename Job>
bool withBulkDevice(const std::string &serial, Job job)
{
    std::unique_ptr<PortLock> lock = platform().lockPort(serial);
    if (!lock)
        return false;
    const int index = FindBulkDeviceBySerial(serial);
    if (index < 0)
        return false;
    return job(index);
}

} // namespace

int FindBulkDeviceBySerial(const std::string &serial)
{
    const BulkDriver &driver = platform().bulk();
    uint32_t mask = 0;
    if (!driver.getNumAvailableDevices(&mask))
        return -1;
    for (int i = 0; i < MaxDevices; ++i) {
        if (!(mask & (uint32_t(1) << i)))
            continue;
        // The first present device, not index 0 whether or not one is there.
        if (serial == AnySerial)
            return i;
        char own[9] = {};
        if (!driver.getSN(i, own, 9))
            continue;
        own[8] = 0;
        if (serial == own)
            return i;
    }
    return -1;
}

bool BulkDeviceHasChecksum(int index)
{
    const char *path = platform().bulk().getDevicePath(index);
    if (!path)
        return false;
    const char *pid = std::strstr(path, "pid_");
    if (!pid)
        return false;
    unsigned value = 0;
    for (int i = 4; i < 8; ++i) {
        const char c = pid[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value > 0x0FFF;
}

bool BulkReadMemory(int index, int memoryCode, uint32_t address, unsigned count, uint8_t *buffer)
{
    return runBlocks(address, count, BulkBlockSize, [&](uint32_t at, unsigned offset, unsigned n) {
        return memoryBlock(index, Kind::Read, memoryCode, at, n, buffer + offset);
    });
}

bool BulkWriteMemory(int index, int memoryCode, uint32_t address, unsigned count, const uint8_t *buffer)
{
    return runBlocks(address, count, BulkBlockSize, [&](uint32_t at, unsigned offset, unsigned n) {
        return memoryBlock(index, Kind::Write, memoryCode, at, n, const_cast<uint8_t *>(buffer + offset));
    });
}

bool BulkCommand(int index, uint8_t code, uint8_t *data, uint16_t *len, unsigned dataCapacity)
{
    const unsigned requestLength = *len;
    if (requestLength > MaxRequestLength)
        return false;
    const BulkDriver &driver = platform().bulk();
    OpenDevice device(driver, index);
    if (!device.isOpen())
        return false;
    uint8_t packet[BulkPacketSize];
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        std::memset(packet, 0, sizeof packet);
        put16(packet + 4, requestLength);
        put16(packet + 6, code);
        if (requestLength > 0)
            std::memcpy(packet + 8, data, requestLength);
        packet[8 + requestLength] = usbChecksum(packet, 8 + requestLength);
        if (!transfer(driver, index, packet))
            continue;
        const unsigned replyLength = packet[4] | (packet[5] << 8);
        *len = static_cast<uint16_t>(replyLength);
        const bool checksum = BulkDeviceHasChecksum(index);
        // Data (and checksum) past the packet: no retry mends that.
        if (8 + replyLength + (checksum ? 1 : 0) > BulkPacketSize)
            return false;
        if (checksum && packet[8 + replyLength] != usbChecksum(packet, 8 + replyLength))
            continue;
        if (replyLength > dataCapacity)
            return false;
        if (data && replyLength != 0)
            std::memcpy(data, packet + 8, replyLength);
        return true;
    }
    return false;
}

bool DoBulkRead(const std::string &serial, char memType, uint32_t address, unsigned count, uint8_t *buffer)
{
    const int code = memoryCode(memType);
    if (code < 0 || !platform().bulk().usable())
        return false;
    return withBulkDevice(serial, [&](int index) { return BulkReadMemory(index, code, address, count, buffer); });
}

bool DoBulkWrite(const std::string &serial, char memType, uint32_t address, unsigned count, const uint8_t *buffer)
{
    const int code = memoryCode(memType);
    if (code < 0 || !platform().bulk().usable())
        return false;
    return withBulkDevice(serial, [&](int index) { return BulkWriteMemory(index, code, address, count, buffer); });
}

bool DoBulkCommand(const std::string &serial, uint8_t code, uint8_t *data, uint16_t *len, unsigned dataCapacity)
{
    if (!platform().bulk().usable())
        return false;
    return withBulkDevice(serial, [&](int index) { return BulkCommand(index, code, data, len, dataCapacity); });
}

} // namespace vorta
