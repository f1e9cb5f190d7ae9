#pragma once

// VortaExchange: reads and writes the memory of the maker's instruments and
// sends them commands over a serial port, USB HID or USB bulk transfer.
// Every function does one whole job and returns non-zero on success.

#include <stdint.h>

#if defined(_WIN32)
#define VORTA_CALL __stdcall
#ifdef VORTA_BUILDING
#define VORTA_API __declspec(dllexport)
#else
#define VORTA_API __declspec(dllimport)
#endif
#else
#define VORTA_CALL
#define VORTA_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

VORTA_API uint8_t VORTA_CALL VORTA_COM_Read(const char *Port, uint32_t BaudRate, uint32_t DevAddr, char MemType,
                                            uint16_t Address, uint8_t *Buffer, uint16_t Count, uint16_t BlockSize);
VORTA_API uint8_t VORTA_CALL VORTA_COM_Write(const char *Port, uint32_t BaudRate, uint32_t DevAddr, char MemType,
                                             uint16_t Address, uint8_t *Buffer, uint16_t Count, uint16_t BlockSize);
VORTA_API uint8_t VORTA_CALL VORTA_COM_Command(const char *Port, uint32_t BaudRate, uint32_t DevAddr,
                                               const char *Command, char *Answer);

VORTA_API uint8_t VORTA_CALL VORTA_USB_Read(const char *Serial, char MemType, uint32_t Address, uint8_t *Buffer,
                                            uint16_t Count);
VORTA_API uint8_t VORTA_CALL VORTA_USB_Write(const char *Serial, char MemType, uint32_t Address, uint8_t *Buffer,
                                             uint16_t Count);
VORTA_API uint8_t VORTA_CALL VORTA_USB_Command(const char *Serial, uint8_t Code, uint32_t Reserved);

VORTA_API uint8_t VORTA_CALL VORTA_BULK_Read(const char *Serial, char MemType, uint32_t Address, uint8_t *Buffer,
                                             uint16_t Count);
VORTA_API uint8_t VORTA_CALL VORTA_BULK_Write(const char *Serial, char MemType, uint32_t Address, uint8_t *Buffer,
                                              uint16_t Count);
VORTA_API uint8_t VORTA_CALL VORTA_BULK_Command(const char *Serial, uint8_t Code, char *Answer);
VORTA_API uint8_t VORTA_CALL VORTA_BULK_CommandEx(const char *Serial, uint8_t Code, uint8_t *Data, uint16_t *Len);

#ifdef __cplusplus
}
#endif
