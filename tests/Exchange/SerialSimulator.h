#pragma once

// An instrument on the serial line, on the master side of a pseudo-terminal:
// it answers "$" frames from a memory map and can be told to misbehave.

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class SerialSimulator
{
public:
    enum class Fault {
        None,
        StrayBytes,   // junk, including a CR, before the answer
        Split,        // the answer in two halves over several polls
        BadChecksum,
        Question,     // "?" with a good checksum
        Silence,
        Flood         // far more bytes than any answer, without a CR
    };

    explicit SerialSimulator(uint16_t address = 1);
    ~SerialSimulator();

    bool isOpen() const { return m_master >= 0; }
    // The slave side, as a program opens it.
    std::string portName() const { return m_slaveName; }

    void setMemory(char letter, uint16_t address, const std::vector<uint8_t> &bytes);
    std::vector<uint8_t> memory(char letter, uint16_t address, size_t count);
    // The next answers misbehave in this order; then all are good.
    void script(const std::vector<Fault> &faults);
    // The answer body (without checksum) to every command.
    void setCommandAnswer(const std::string &answer);
    // Replaces the data of read answers with this text.
    void setReadDataOverride(const std::string &text);

    // Every request received, without its checksum and CR.
    std::vector<std::string> requests();
    void clearRequests();

private:
    void run();
    void handle(const std::string &frame);
    void answer(const std::string &body);
    void writeAll(const std::string &bytes);

    int m_master = -1;
    int m_slave = -1;
    std::string m_slaveName;
    uint16_t m_address;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;

    std::mutex m_mutex;
    std::map<char, std::vector<uint8_t>> m_memory;
    std::deque<Fault> m_faults;
    std::string m_commandAnswer;
    std::string m_readOverride;
    std::vector<std::string> m_requests;
};
