// The ten exports over a platform whose ports, devices and driver answer
// with the fuzzer's bytes.

#include "Platform.h"
#include "VortaExchange.h"

#include <cstring>
#include <vector>

using namespace vorta;

namespace {

struct Input
{
    const uint8_t *data = nullptr;
    size_t size = 0;
    size_t pos = 0;

    uint8_t byte() { return pos < size ? data[pos++] : 0; }
    uint16_t word() { return static_cast<uint16_t>(byte() | (byte() << 8)); }
    size_t take(uint8_t *out, size_t max)
    {
        const size_t n = max < size - pos ? max : size - pos;
        std::memcpy(out, data + pos, n);
        pos += n;
        return n;
    }
    bool done() const { return pos >= size; }
};

Input in;

class FuzzLock : public PortLock
{
};

class FuzzPort : public SerialPort
{
public:
    bool writeByte(uint8_t) override { return in.byte() != 0xFF; }
    size_t readAvailable(uint8_t *data, size_t max) override
    {
        size_t n = in.byte() % 48;
        if (n > max)
            n = max;
        return in.take(data, n);
    }
    void purge() override {}
};

class FuzzHidDevice : public HidDevice
{
public:
    bool attributes(uint16_t &vendorId, uint16_t &productId) override
    {
        static const uint16_t products[] = {0x0001, 0x1001, 0x0002, 0x1002, 0x0009, 0x1009, 0x100D, 0x000B};
        const uint8_t b = in.byte();
        vendorId = (b & 0x80) ? 0x1234 : 0x3412;
        productId = products[b % 8];
        return true;
    }
    int featureReportLength() override
    {
        const uint8_t b = in.byte();
        return b == 0xFF ? -1 : (b < 200 ? 65 : b + 100);
    }
    bool setFeature(const uint8_t *, size_t) override { return in.byte() != 0xFF; }
    int getFeature(uint8_t *report, size_t length) override
    {
        const size_t n = in.take(report, length);
        return in.byte() == 0xFF ? -1 : static_cast<int>(n);
    }
};

class FuzzPlatform : public Platform, public HidBackend
{
public:
    FuzzPlatform()
    {
        m_bulk.getNumAvailableDevices = [](uint32_t *mask) -> int {
            *mask = static_cast<uint32_t>(in.word()) | (static_cast<uint32_t>(in.word()) << 16);
            return in.byte() != 0xFF;
        };
        m_bulk.getSN = [](int, char *serial, int size) -> int {
            in.take(reinterpret_cast<uint8_t *>(serial), static_cast<size_t>(size));
            return in.byte() & 1;
        };
        m_bulk.openEx = [](int) -> int { return in.byte() != 0xFF; };
        m_bulk.closeEx = [](int) -> int { return 1; };
        m_bulk.writeEx = [](int, void *, int size) -> int { return in.byte() == 0xFF ? size - 1 : size; };
        m_bulk.readEx = [](int, void *packet, int size) -> int {
            in.take(static_cast<uint8_t *>(packet), static_cast<size_t>(size));
            return in.byte() == 0xFF ? 0 : size;
        };
        m_bulk.getDevicePath = [](int) -> const char * {
            static const char *paths[] = {nullptr, "usb#pid_1000", "usb#pid_0FFF", "pid_", "x"};
            return paths[in.byte() % 5];
        };
    }

    std::unique_ptr<PortLock> lockPort(const std::string &) override
    {
        return std::unique_ptr<PortLock>(new FuzzLock);
    }
    std::unique_ptr<SerialPort> openSerial(const std::string &, uint32_t) override
    {
        if (in.byte() == 0xFF)
            return nullptr;
        return std::unique_ptr<SerialPort>(new FuzzPort);
    }
    HidBackend &hid() override { return *this; }
    const BulkDriver &bulk() override { return m_bulk; }
    void sleepMs(unsigned) override {}
    std::string narrow(const std::u16string &text) override
    {
        std::string out;
        for (char16_t c : text)
            out += static_cast<char>(c);
        return out;
    }

    std::vector<std::string> devicePaths() override
    {
        return std::vector<std::string>(in.byte() % 4, "hid");
    }
    std::unique_ptr<HidDevice> open(const std::string &) override
    {
        if (in.byte() == 0xFF)
            return nullptr;
        return std::unique_ptr<HidDevice>(new FuzzHidDevice);
    }

private:
    BulkDriver m_bulk;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzPlatform fake;
    setPlatform(&fake);
    in = Input{data, size, 0};

    const uint8_t which = in.byte() % 10;
    static const char letters[] = {'R', 'F', 'I', 'r', 'X', 'f'};
    const char memType = letters[in.byte() % sizeof letters];
    const uint32_t address = static_cast<uint32_t>(in.word()) | (static_cast<uint32_t>(in.word()) << 16);
    const uint16_t count = in.word() % 1500;
    const uint16_t blockSize = in.word() % 300;
    const char *serial = (in.byte() & 1) ? "99999999" : "AB12CD34";
    // Exactly the caller's sizes, so that any overrun shows.
    std::vector<uint8_t> buffer(count ? count : 1);

    switch (which) {
    case 0:
        VORTA_COM_Read("COM1", 9600, address & 0xFFFF, memType, static_cast<uint16_t>(address), buffer.data(), count,
                       blockSize);
        break;
    case 1:
        VORTA_COM_Write("COM1", 9600, address & 0xFFFF, memType, static_cast<uint16_t>(address), buffer.data(),
                        count, blockSize);
        break;
    case 2: {
        // The received answer is capped at 1 KiB, so this buffer holds any answer text.
        std::vector<char> answer(1025);
        VORTA_COM_Command("COM1", 9600, 1, "V?", (in.byte() & 1) ? answer.data() : nullptr);
        break;
    }
    case 3:
        VORTA_USB_Read(serial, memType, address, buffer.data(), count);
        break;
    case 4:
        VORTA_USB_Write(serial, memType, address, buffer.data(), count);
        break;
    case 5:
        VORTA_USB_Command(serial, in.byte(), address);
        break;
    case 6:
        VORTA_BULK_Read(serial, memType, address, buffer.data(), count);
        break;
    case 7:
        VORTA_BULK_Write(serial, memType, address, buffer.data(), count);
        break;
    case 8: {
        std::vector<char> answer(512);
        VORTA_BULK_Command(serial, in.byte(), (in.byte() & 1) ? answer.data() : nullptr);
        break;
    }
    case 9: {
        uint16_t len = in.word() % 1100;
        // A reply fills at most the packet's data area.
        std::vector<uint8_t> request(len > 1016 ? len : 1016);
        VORTA_BULK_CommandEx(serial, in.byte(), request.data(), &len);
        break;
    }
    }
    setPlatform(nullptr);
    return 0;
}
