#include "VortaExchange.h"

#include "BulkTransport.h"
#include "HidTransport.h"
#include "SerialTransport.h"

#include <cstring>
#include <string>

using namespace vorta;

namespace {

bool validBlockSize(uint16_t blockSize)
{
    return blockSize >= 1 && blockSize <= 255;
}

bool validBuffer(const void *buffer, uint16_t count)
{
    return buffer || count == 0;
}

// Nothing may be thrown into a caller that knows no exceptions: out of memory is a failure too.
template <typename Job>
uint8_t guarded(Job job)
{
    try {
        return job() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

} // namespace

extern "C" {

uint8_t VORTA_CALL VORTA_COM_Read(const char *Port, uint32_t BaudRate, uint32_t DevAddr, char MemType,
                                  uint16_t Address, uint8_t *Buffer, uint16_t Count, uint16_t BlockSize)
{
    if (!Port || !validBuffer(Buffer, Count) || !validBlockSize(BlockSize))
        return 0;
    return guarded([&] {
        return doComRead(Port, BaudRate, static_cast<uint16_t>(DevAddr), MemType, Address, Buffer, Count, BlockSize);
    });
}

uint8_t VORTA_CALL VORTA_COM_Write(const char *Port, uint32_t BaudRate, uint32_t DevAddr, char MemType,
                                   uint16_t Address, uint8_t *Buffer, uint16_t Count, uint16_t BlockSize)
{
    if (!Port || !validBuffer(Buffer, Count) || !validBlockSize(BlockSize))
        return 0;
    return guarded([&] {
        return doComWrite(Port, BaudRate, static_cast<uint16_t>(DevAddr), MemType, Address, Buffer, Count, BlockSize);
    });
}

uint8_t VORTA_CALL VORTA_COM_Command(const char *Port, uint32_t BaudRate, uint32_t DevAddr, const char *Command,
                                     char *Answer)
{
    if (!Port || !Command)
        return 0;
    return guarded([&] {
        std::string text;
        if (!doComCommand(Port, BaudRate, static_cast<uint16_t>(DevAddr), Command, text))
            return false;
        if (Answer)
            std::memcpy(Answer, text.c_str(), text.size() + 1);
        return true;
    });
}

uint8_t VORTA_CALL VORTA_USB_Read(const char *Serial, char MemType, uint32_t Address, uint8_t *Buffer,
                                  uint16_t Count)
{
    if (!Serial || !validBuffer(Buffer, Count))
        return 0;
    return guarded([&] { return DoUsbRead(Serial, MemType, Address, Buffer, Count); });
}

uint8_t VORTA_CALL VORTA_USB_Write(const char *Serial, char MemType, uint32_t Address, uint8_t *Buffer,
                                   uint16_t Count)
{
    if (!Serial || !validBuffer(Buffer, Count))
        return 0;
    return guarded([&] { return DoUsbWrite(Serial, MemType, Address, Buffer, Count); });
}

uint8_t VORTA_CALL VORTA_USB_Command(const char *Serial, uint8_t Code, uint32_t)
{
    if (!Serial)
        return 0;
    return guarded([&] { return DoUsbCommand(Serial, Code); });
}

uint8_t VORTA_CALL VORTA_BULK_Read(const char *Serial, char MemType, uint32_t Address, uint8_t *Buffer,
                                   uint16_t Count)
{
    if (!Serial || !validBuffer(Buffer, Count))
        return 0;
    return guarded([&] { return DoBulkRead(Serial, MemType, Address, Count, Buffer); });
}

uint8_t VORTA_CALL VORTA_BULK_Write(const char *Serial, char MemType, uint32_t Address, uint8_t *Buffer,
                                    uint16_t Count)
{
    if (!Serial || !validBuffer(Buffer, Count))
        return 0;
    return guarded([&] { return DoBulkWrite(Serial, MemType, Address, Count, Buffer); });
}

uint8_t VORTA_CALL VORTA_BULK_Command(const char *Serial, uint8_t Code, char *Answer)
{
    if (!Serial)
        return 0;
    return guarded([&] {
        uint8_t reply[BulkCommandReplySize];
        uint16_t len = 0;
        if (!DoBulkCommand(Serial, Code, reply, &len, sizeof reply))
            return false;
        if (Answer && len != 0)
            std::memcpy(Answer, reply, len);
        return true;
    });
}

uint8_t VORTA_CALL VORTA_BULK_CommandEx(const char *Serial, uint8_t Code, uint8_t *Data, uint16_t *Len)
{
    if (!Serial || !Len || !validBuffer(Data, *Len))
        return 0;
    return guarded([&] { return DoBulkCommand(Serial, Code, Data, Len, BulkPacketSize); });
}

} // extern "C"
