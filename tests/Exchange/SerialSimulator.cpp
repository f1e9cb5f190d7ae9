#include "SerialSimulator.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::string hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::string checksum(const std::string &text)
{
    unsigned sum = 0;
    for (unsigned char c : text)
        sum += c;
    return hex(sum & 0xFF, 2);
}

void makeRaw(int fd)
{
    termios tio;
    if (tcgetattr(fd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
}

} // namespace

SerialSimulator::SerialSimulator(uint16_t address) : m_address(address)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return;
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        close(m_master);
        m_master = -1;
        return;
    }
    m_slaveName = ptsname(m_master);
    makeRaw(m_master);
    // Held open so that the line stays up between the clients' opens.
    m_slave = open(m_slaveName.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    makeRaw(m_slave);
    m_thread = std::thread([this] { run(); });
}

SerialSimulator::~SerialSimulator()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_slave >= 0)
        close(m_slave);
    if (m_master >= 0)
        close(m_master);
}

void SerialSimulator::setMemory(char letter, uint16_t address, const std::vector<uint8_t> &bytes)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    std::vector<uint8_t> &mem = m_memory[letter];
    mem.resize(0x10000);
    for (size_t i = 0; i < bytes.size(); ++i)
        mem[(address + i) & 0xFFFF] = bytes[i];
}

std::vector<uint8_t> SerialSimulator::memory(char letter, uint16_t address, size_t count)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    std::vector<uint8_t> &mem = m_memory[letter];
    mem.resize(0x10000);
    std::vector<uint8_t> out;
    for (size_t i = 0; i < count; ++i)
        out.push_back(mem[(address + i) & 0xFFFF]);
    return out;
}

void SerialSimulator::script(const std::vector<Fault> &faults)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_faults.assign(faults.begin(), faults.end());
}

void SerialSimulator::setCommandAnswer(const std::string &answer)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_commandAnswer = answer;
}

void SerialSimulator::setReadDataOverride(const std::string &text)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_readOverride = text;
}

std::vector<std::string> SerialSimulator::requests()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_requests;
}

void SerialSimulator::clearRequests()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_requests.clear();
}

void SerialSimulator::run()
{
    std::string pending;
    while (!m_stop) {
        pollfd p{m_master, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN))
            continue;
        char chunk[512];
        const ssize_t n = read(m_master, chunk, sizeof chunk);
        if (n <= 0)
            continue;
        pending.append(chunk, static_cast<size_t>(n));
        size_t cr;
        while ((cr = pending.find('\r')) != std::string::npos) {
            const std::string frame = pending.substr(0, cr);
            pending.erase(0, cr + 1);
            handle(frame);
        }
    }
}

void SerialSimulator::handle(const std::string &frame)
{
    // "$", address, body, checksum; anything else is not for us.
    if (frame.size() < 7 || frame[0] != '$')
        return;
    const std::string body = frame.substr(0, frame.size() - 2);
    if (checksum(body) != frame.substr(frame.size() - 2))
        return;
    if (std::strtoul(body.substr(1, 4).c_str(), nullptr, 16) != m_address)
        return;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_requests.push_back(body);
    }
    const std::string request = body.substr(5);
    const std::string head = "!" + hex(m_address, 4);
    if (request.size() >= 8 && request[0] == 'R') {
        const char letter = request[1];
        const unsigned address = std::strtoul(request.substr(2, 4).c_str(), nullptr, 16);
        const unsigned count = std::strtoul(request.substr(6, 2).c_str(), nullptr, 16);
        std::string data;
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            data = m_readOverride;
        }
        if (data.empty()) {
            for (uint8_t b : memory(letter, static_cast<uint16_t>(address), count))
                data += hex(b, 2);
        }
        answer(head + "R" + letter + data);
    } else if (request.size() >= 8 && request[0] == 'W') {
        const char letter = request[1];
        const unsigned address = std::strtoul(request.substr(2, 4).c_str(), nullptr, 16);
        const unsigned count = std::strtoul(request.substr(6, 2).c_str(), nullptr, 16);
        std::vector<uint8_t> bytes;
        for (unsigned i = 0; i < count && 8 + 2 * i + 1 < request.size(); ++i)
            bytes.push_back(static_cast<uint8_t>(std::strtoul(request.substr(8 + 2 * i, 2).c_str(), nullptr, 16)));
        setMemory(letter, static_cast<uint16_t>(address), bytes);
        answer(head + "W" + letter);
    } else {
        std::string reply;
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            reply = m_commandAnswer;
        }
        answer(reply.empty() ? head + "C" + request : reply);
    }
}

void SerialSimulator::answer(const std::string &body)
{
    Fault fault = Fault::None;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (!m_faults.empty()) {
            fault = m_faults.front();
            m_faults.pop_front();
        }
    }
    const std::string good = body + checksum(body) + "\r";
    switch (fault) {
    case Fault::None:
        writeAll(good);
        break;
    case Fault::StrayBytes:
        writeAll("\x01zz\r#" + good);
        break;
    case Fault::Split:
        writeAll(good.substr(0, good.size() / 2));
        usleep(80 * 1000);
        writeAll(good.substr(good.size() / 2));
        break;
    case Fault::BadChecksum: {
        std::string bad = body + checksum(body + "x") + "\r";
        writeAll(bad);
        break;
    }
    case Fault::Question: {
        const std::string q = "?" + body.substr(1);
        writeAll(q + checksum(q) + "\r");
        break;
    }
    case Fault::Silence:
        break;
    case Fault::Flood:
        writeAll(std::string(3000, 'A'));
        break;
    }
}

void SerialSimulator::writeAll(const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return;
        }
        done += static_cast<size_t>(n);
    }
}
