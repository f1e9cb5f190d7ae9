#pragma once

// Controls of the stand-in bulk driver that the tests build as libusbbulk.so.

#include <cstdint>

extern "C" {

enum StandInFault {
    StandInNone,
    StandInShortWrite,
    StandInShortRead,
    StandInBadStatus,
    StandInBadChecksum,
    StandInNoReply // the read moves a packet but writes nothing into it
};

void STANDIN_Reset();
void STANDIN_SetMaskFails(int fails);
void STANDIN_AddDevice(int index, const char *serial, const char *path);
void STANDIN_SetSnFails(int index, int fails);
void STANDIN_SetOpenFails(int index, int fails);
uint8_t *STANDIN_Memory(int index, int code);
void STANDIN_PushFault(int index, int fault);
// The reply to every command: data, and the length the reply declares.
void STANDIN_SetCommandReply(int index, const uint8_t *data, int length, int declaredLength);
int STANDIN_PacketCount(int index);
const uint8_t *STANDIN_Packet(int index, int i);
int STANDIN_OpenCount(int index);
int STANDIN_CloseCount(int index);
}
