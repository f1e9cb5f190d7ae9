#pragma once

#include "Platform.h"

#include <cstdint>
#include <string>

namespace vorta {

constexpr int BulkPacketSize = 1024;
constexpr unsigned BulkBlockSize = 512;
// The reply buffer of a command without request data.
constexpr unsigned BulkCommandReplySize = 512;

int FindBulkDeviceBySerial(const std::string &serial);
bool BulkDeviceHasChecksum(int index);
bool BulkReadMemory(int index, int memoryCode, uint32_t address, unsigned count, uint8_t *buffer);
bool BulkWriteMemory(int index, int memoryCode, uint32_t address, unsigned count, const uint8_t *buffer);
// len: request length in, reply length out. The reply is copied to data only
// when it fits dataCapacity; a longer one fails.
bool BulkCommand(int index, uint8_t code, uint8_t *data, uint16_t *len, unsigned dataCapacity);

bool DoBulkRead(const std::string &serial, char memType, uint32_t address, unsigned count, uint8_t *buffer);
bool DoBulkWrite(const std::string &serial, char memType, uint32_t address, unsigned count, const uint8_t *buffer);
bool DoBulkCommand(const std::string &serial, uint8_t code, uint8_t *data, uint16_t *len, unsigned dataCapacity);

} // namespace vorta
