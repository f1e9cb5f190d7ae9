#include "SerialTransport.h"

#include "Blocks.h"
#include "SerialFrame.h"

#include <cctype>

namespace vorta {

namespace {

constexpr int ReceivePolls = 13;
constexpr unsigned PollIntervalMs = 25;
constexpr int TransactAttempts = 3;
constexpr int OpenAttempts = 3;

char upperLetter(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

std::string header(uint16_t devAddr)
{
    return "$" + hexDigits(devAddr, 4);
}

bool readBlock(SerialPort &port, uint16_t devAddr, char memType, uint16_t address, unsigned count, uint8_t *out)
{
    const std::string request = header(devAddr) + 'R' + upperLetter(memType) + hexDigits(address, 4) +
                                hexDigits(count, 2);
    std::string answer;
    if (!comTransact(port, request, answer))
        return false;
    if (answer.empty() || answer[0] != '!' || answer.size() != 2 * count + 7)
        return false;
    for (unsigned i = 0; i < count; ++i) {
        if (!decodeHexPair(answer[7 + 2 * i], answer[8 + 2 * i], out[i]))
            return false;
    }
    return true;
}

bool writeBlock(SerialPort &port, uint16_t devAddr, char memType, uint16_t address, unsigned count,
                const uint8_t *data)
{
    std::string request = header(devAddr) + 'W' + upperLetter(memType) + hexDigits(address, 4) +
                          hexDigits(count, 2);
    for (unsigned i = 0; i < count; ++i)
        request += hexDigits(data[i], 2);
    std::string answer;
    if (!comTransact(port, request, answer))
        return false;
    return !answer.empty() && answer[0] == '!';
}

// Locks, opens (three attempts), runs job, closes and unlocks.
template <typename Job>
bool withComPort(const std::string &name, uint32_t baudRate, Job job)
{
    std::unique_ptr<PortLock> lock = platform().lockPort(name);
    if (!lock)
        return false;
    std::unique_ptr<SerialPort> port;
    for (int attempt = 0; attempt < OpenAttempts && !port; ++attempt) {
        port = openComPort(name, baudRate);
        if (!port)
            platform().sleepMs(PollIntervalMs);
    }
    if (!port)
        return false;
    const bool ok = job(*port);
    port.reset();
    return ok;
}

} // namespace

std::unique_ptr<SerialPort> openComPort(const std::string &port, uint32_t baudRate)
{
    if (port.empty())
        return nullptr;
    return platform().openSerial(port, baudRate);
}

bool sendComFrame(SerialPort &port, const std::string &text)
{
    for (unsigned char c : buildFrame(text)) {
        if (!port.writeByte(c))
            return false;
    }
    return true;
}

bool receiveComFrame(SerialPort &port, std::string &answer)
{
    std::string received;
    uint8_t chunk[256];
    for (int poll = 0; poll < ReceivePolls; ++poll) {
        platform().sleepMs(PollIntervalMs);
        size_t got = 0;
        size_t n;
        while ((n = port.readAvailable(chunk, sizeof chunk)) > 0) {
            received.append(reinterpret_cast<const char *>(chunk), n);
            got += n;
            // No answer of ours is this long: a chattering line must not grow us without end.
            if (received.size() > MaxSerialReceive)
                return false;
        }
        if (got == 0)
            continue;
        if (parseAnswer(received, answer) == FrameStatus::Good)
            return true;
    }
    return false;
}

bool comTransact(SerialPort &port, const std::string &text, std::string &answer)
{
    for (int attempt = 0; attempt < TransactAttempts; ++attempt) {
        port.purge();
        sendComFrame(port, text);
        if (receiveComFrame(port, answer))
            return true;
    }
    return false;
}

bool comReadMemory(SerialPort &port, uint16_t devAddr, char memType, unsigned blockSize, unsigned count,
                   uint8_t *buffer, uint16_t address)
{
    return runBlocks(address, count, blockSize, [&](uint16_t at, unsigned offset, unsigned n) {
        return readBlock(port, devAddr, memType, at, n, buffer + offset);
    });
}

bool comWriteMemory(SerialPort &port, uint16_t devAddr, char memType, unsigned blockSize, unsigned count,
                    const uint8_t *buffer, uint16_t address)
{
    return runBlocks(address, count, blockSize, [&](uint16_t at, unsigned offset, unsigned n) {
        return writeBlock(port, devAddr, memType, at, n, buffer + offset);
    });
}

bool doComRead(const std::string &port, uint32_t baudRate, uint16_t devAddr, char memType, uint16_t address,
               uint8_t *buffer, unsigned count, unsigned blockSize)
{
    return withComPort(port, baudRate, [&](SerialPort &p) {
        return comReadMemory(p, devAddr, memType, blockSize, count, buffer, address);
    });
}

bool doComWrite(const std::string &port, uint32_t baudRate, uint16_t devAddr, char memType, uint16_t address,
                const uint8_t *buffer, unsigned count, unsigned blockSize)
{
    return withComPort(port, baudRate, [&](SerialPort &p) {
        return comWriteMemory(p, devAddr, memType, blockSize, count, buffer, address);
    });
}

bool doComCommand(const std::string &port, uint32_t baudRate, uint16_t devAddr, const std::string &command,
                  std::string &answerText)
{
    return withComPort(port, baudRate, [&](SerialPort &p) {
        std::string answer;
        if (!comTransact(p, header(devAddr) + command, answer))
            return false;
        if (answer.empty() || answer[0] != '!')
            return false;
        answerText = answer.size() > 7 ? answer.substr(7) : std::string();
        return true;
    });
}

} // namespace vorta
