#include "SerialFrame.h"

namespace vorta {

std::string hexDigits(unsigned value, int digits)
{
    static const char table[] = "0123456789ABCDEF";
    std::string text(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i) {
        text[static_cast<size_t>(i)] = table[value & 0xF];
        value >>= 4;
    }
    return text;
}

std::string frameChecksum(const std::string &text)
{
    unsigned sum = 0;
    for (unsigned char c : text)
        sum += c;
    return hexDigits(sum & 0xFF, 2);
}

std::string buildFrame(const std::string &text)
{
    return text + frameChecksum(text) + '\r';
}

FrameStatus parseAnswer(std::string &received, std::string &answer)
{
    size_t marker = received.find('!');
    if (marker == std::string::npos)
        marker = received.find('?');
    if (marker == std::string::npos)
        return FrameStatus::Incomplete;
    // The CR that ends the frame comes after its marker; an earlier one is a stray byte.
    const size_t cr = received.find('\r', marker);
    if (cr == std::string::npos)
        return FrameStatus::Incomplete;

    received = received.substr(marker, cr - marker);
    // Marker and two checksum digits at the least.
    if (received.size() < 3)
        return FrameStatus::BadChecksum;
    const std::string body = received.substr(0, received.size() - 2);
    if (frameChecksum(body) != received.substr(received.size() - 2))
        return FrameStatus::BadChecksum;
    answer = body;
    return FrameStatus::Good;
}

static int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool decodeHexPair(char high, char low, uint8_t &byte)
{
    const int h = hexValue(high);
    const int l = hexValue(low);
    if (h < 0 || l < 0)
        return false;
    byte = static_cast<uint8_t>(h * 16 + l);
    return true;
}

} // namespace vorta
