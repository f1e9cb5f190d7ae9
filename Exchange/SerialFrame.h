#pragma once

// The ASCII frames of the serial line: "$", address, body, two-digit byte-sum
// checksum, CR; answers start with "!" or "?".

#include <cstdint>
#include <string>

namespace vorta {

// A received text longer than this is not an answer of ours.
constexpr size_t MaxSerialReceive = 1024;

std::string hexDigits(unsigned value, int digits);
// The two upper-case digits of the byte sum of text, modulo 256.
std::string frameChecksum(const std::string &text);
// text with its checksum and CR appended.
std::string buildFrame(const std::string &text);

enum class FrameStatus { Incomplete, BadChecksum, Good };

// Looks for an answer in what has been received so far. Once a marker and a CR
// after it are seen, received is cut down to the frame (marker up to the CR);
// on a good checksum answer is the frame without its checksum.
FrameStatus parseAnswer(std::string &received, std::string &answer);

// One hexadecimal digit pair; false when either is not a digit.
bool decodeHexPair(char high, char low, uint8_t &byte);

} // namespace vorta
