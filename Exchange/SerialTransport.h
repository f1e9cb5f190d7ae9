#pragma once

#include "Platform.h"

#include <cstdint>
#include <string>

namespace vorta {

std::unique_ptr<SerialPort> openComPort(const std::string &port, uint32_t baudRate);
bool sendComFrame(SerialPort &port, const std::string &text);
bool receiveComFrame(SerialPort &port, std::string &answer);
bool comTransact(SerialPort &port, const std::string &text, std::string &answer);

bool comReadMemory(SerialPort &port, uint16_t devAddr, char memType, unsigned blockSize, unsigned count,
                   uint8_t *buffer, uint16_t address);
bool comWriteMemory(SerialPort &port, uint16_t devAddr, char memType, unsigned blockSize, unsigned count,
                    const uint8_t *buffer, uint16_t address);

bool doComRead(const std::string &port, uint32_t baudRate, uint16_t devAddr, char memType, uint16_t address,
               uint8_t *buffer, unsigned count, unsigned blockSize);
bool doComWrite(const std::string &port, uint32_t baudRate, uint16_t devAddr, char memType, uint16_t address,
                const uint8_t *buffer, unsigned count, unsigned blockSize);
bool doComCommand(const std::string &port, uint32_t baudRate, uint16_t devAddr, const std::string &command,
                  std::string &answerText);

} // namespace vorta
