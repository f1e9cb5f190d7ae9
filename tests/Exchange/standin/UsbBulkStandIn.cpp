// A stand-in for the USB bulk driver library: up to 32 simulated instruments
// with memories, scripted faults and a log of every packet written.

#include "UsbBulkStandIn.h"

#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#define API extern "C" __attribute__((visibility("default")))

namespace {

constexpr int PacketSize = 1024;

struct Device
{
    bool present = false;
    std::string serial;
    std::string path;
    int snFails = 0;
    int openFails = 0;
    bool open = false;
    int opens = 0;
    int closes = 0;
    std::map<int, std::vector<uint8_t>> memory;
    std::deque<int> faults;
    std::vector<std::vector<uint8_t>> packets;
    std::vector<uint8_t> request;
    int fault = StandInNone;
    std::vector<uint8_t> commandReply;
    int declaredLength = -1;

    std::vector<uint8_t> &mem(int code)
    {
        std::vector<uint8_t> &m = memory[code];
        m.resize(0x10000);
        return m;
    }
};

std::mutex mutex;
Device devices[32];
int maskFails = 0;

[[maybe_unused]] uint8_t checksum(const uint8_t *p, int n)
{
    unsigned sum = 0xFF;
    for (int i = 0; i < n; ++i)
        sum += p[i];
    return static_cast<uint8_t>(sum);
}

bool valid(int index)
{
    return index >= 0 && index < 32;
}

} // namespace

// ---- the driver's entry points

API int USBBULK_GetNumAvailableDevices(uint32_t *mask)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (maskFails) {
        --maskFails;
        return 0;
    }
    *mask = 0;
    for (int i = 0; i < 32; ++i) {
        if (devices[i].present)
            *mask |= uint32_t(1) << i;
    }
    return 1;
}

API int USBBULK_GetSN(int index, char *serial, int size)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (!valid(index) || !devices[index].present || size < 9)
        return 0;
    Device &d = devices[index];
    if (d.snFails) {
        --d.snFails;
        return 0;
    }
    std::memset(serial, 'Z', static_cast<size_t>(size));
    std::memcpy(serial, d.serial.c_str(), d.serial.size() < 9 ? d.serial.size() : 9);
    if (d.serial.size() < 9)
        serial[d.serial.size()] = 0;
    return 1;
}

API int USBBULK_OpenEx(int index)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (!valid(index) || !devices[index].present)
        return 0;
    Device &d = devices[index];
    if (d.openFails) {
        --d.openFails;
        return 0;
    }
    d.open = true;
    ++d.opens;
    return 1;
}

API int USBBULK_CloseEx(int index)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (!valid(index))
        return 0;
    devices[index].open = false;
    ++devices[index].closes;
    return 1;
}

API int USBBULK_WriteEx(int index, void *packet, int size)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (!valid(index) || !devices[index].open || size != PacketSize)
        return 0;
    Device &d = devices[index];
    d.fault = StandInNone;
    if (!d.faults.empty()) {
        d.fault = d.faults.front();
        d.faults.pop_front();
    }
    const auto *bytes = static_cast<const uint8_t *>(packet);
    d.request.assign(bytes, bytes + PacketSize);
    d.packets.push_back(d.request);
    return d.fault == StandInShortWrite ? PacketSize - 1 : PacketSize;
}

#ifndef STANDIN_NO_READEX
API int USBBULK_ReadEx(int index, void *packet, int size)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (!valid(index) || !devices[index].open || size != PacketSize)
        return 0;
    Device &d = devices[index];
    auto *reply = static_cast<uint8_t *>(packet);
    if (d.fault == StandInShortRead)
        return PacketSize / 2;
    if (d.fault == StandInNoReply)
        return PacketSize;
    const uint8_t *rq = d.request.data();
    const uint32_t address = rq[0] | (rq[1] << 8) | (rq[2] << 16) | (uint32_t(rq[3]) << 24);
    const int count = rq[4] | (rq[5] << 8);
    const int code = rq[6] | (rq[7] << 8);
    std::memset(reply, 0, PacketSize);
    int covered; // bytes before the reply checksum
    if (address == 0 && (code & 0x80) == 0 && d.declaredLength >= 0) {
        // A command: the scripted reply.
        const int length = d.declaredLength;
        reply[4] = static_cast<uint8_t>(length);
        reply[5] = static_cast<uint8_t>(length >> 8);
        if (!d.commandReply.empty())
            std::memcpy(reply + 8, d.commandReply.data(), d.commandReply.size());
        covered = 8 + length;
    } else if (code & 0x80) {
        std::vector<uint8_t> &mem = d.mem(code & 0x7F);
        for (int i = 0; i < count; ++i)
            reply[8 + i] = mem[(address + static_cast<uint32_t>(i)) & 0xFFFF];
        covered = 8 + count;
    } else {
        std::vector<uint8_t> &mem = d.mem(code);
        for (int i = 0; i < count; ++i)
            mem[(address + static_cast<uint32_t>(i)) & 0xFFFF] = rq[8 + i];
        covered = 8;
    }
    reply[0] = d.fault == StandInBadStatus ? 3 : 0;
    if (covered < PacketSize)
        reply[covered] = checksum(reply, covered);
    if (d.fault == StandInBadChecksum && covered < PacketSize)
        reply[covered] ^= 0x55;
    return PacketSize;
}
#endif

API const char *USBBULK_GetDevicePath(int index)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (!valid(index) || devices[index].path.empty())
        return nullptr;
    return devices[index].path.c_str();
}

API int USBBULK_ResetPipeEx(int)
{
    return 1;
}

API int USBBULK_SetTimeoutEx(int, int)
{
    return 1;
}

// ---- controls

API void STANDIN_Reset()
{
    std::lock_guard<std::mutex> guard(mutex);
    for (Device &d : devices)
        d = Device();
    maskFails = 0;
}

API void STANDIN_SetMaskFails(int fails)
{
    std::lock_guard<std::mutex> guard(mutex);
    maskFails = fails;
}

API void STANDIN_AddDevice(int index, const char *serial, const char *path)
{
    std::lock_guard<std::mutex> guard(mutex);
    devices[index].present = true;
    devices[index].serial = serial;
    devices[index].path = path ? path : "";
}

API void STANDIN_SetSnFails(int index, int fails)
{
    std::lock_guard<std::mutex> guard(mutex);
    devices[index].snFails = fails;
}

API void STANDIN_SetOpenFails(int index, int fails)
{
    std::lock_guard<std::mutex> guard(mutex);
    devices[index].openFails = fails;
}

API uint8_t *STANDIN_Memory(int index, int code)
{
    std::lock_guard<std::mutex> guard(mutex);
    return devices[index].mem(code).data();
}

API void STANDIN_PushFault(int index, int fault)
{
    std::lock_guard<std::mutex> guard(mutex);
    devices[index].faults.push_back(fault);
}

API void STANDIN_SetCommandReply(int index, const uint8_t *data, int length, int declaredLength)
{
    std::lock_guard<std::mutex> guard(mutex);
    devices[index].commandReply.clear();
    if (data)
        devices[index].commandReply.assign(data, data + length);
    devices[index].declaredLength = declaredLength;
}

API int STANDIN_PacketCount(int index)
{
    std::lock_guard<std::mutex> guard(mutex);
    return static_cast<int>(devices[index].packets.size());
}

API const uint8_t *STANDIN_Packet(int index, int i)
{
    std::lock_guard<std::mutex> guard(mutex);
    return devices[index].packets[static_cast<size_t>(i)].data();
}

API int STANDIN_OpenCount(int index)
{
    std::lock_guard<std::mutex> guard(mutex);
    return devices[index].opens;
}

API int STANDIN_CloseCount(int index)
{
    std::lock_guard<std::mutex> guard(mutex);
    return devices[index].closes;
}
