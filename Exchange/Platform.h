#pragma once

// The few services the transports need from the operating system. The
// transports themselves are platform-free; each backend implements this once.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#if defined(_WIN32) && !defined(_WIN64)
#define VORTA_BULK_CALL __stdcall
#else
#define VORTA_BULK_CALL
#endif

namespace vorta {

// Held for one exchange; the destructor releases the lock and closes it.
class PortLock
{
public:
    virtual ~PortLock() = default;
};

// An open serial port in raw 8N1 mode whose reads return at once.
class SerialPort
{
public:
    virtual ~SerialPort() = default;
    virtual bool writeByte(uint8_t byte) = 0;
    // Whatever has already arrived, at most max bytes; 0 when nothing is waiting.
    virtual size_t readAvailable(uint8_t *data, size_t max) = 0;
    // Drops what is queued in both directions.
    virtual void purge() = 0;
};

// One open HID device interface.
class HidDevice
{
public:
    virtual ~HidDevice() = default;
    virtual bool attributes(uint16_t &vendorId, uint16_t &productId) = 0;
    // The feature report length including the report id byte; -1 when the
    // device's capabilities cannot be had.
    virtual int featureReportLength() = 0;
    virtual bool setFeature(const uint8_t *report, size_t length) = 0;
    // The number of bytes fetched, or -1.
    virtual int getFeature(uint8_t *report, size_t length) = 0;
};

class HidBackend
{
public:
    virtual ~HidBackend() = default;
    // Paths of the present HID device interfaces, in enumeration order.
    virtual std::vector<std::string> devicePaths() = 0;
    virtual std::unique_ptr<HidDevice> open(const std::string &path) = 0;
};

// The bulk driver library's entry points; any of them may be missing.
struct BulkDriver
{
    using GetNumAvailableDevices = int(VORTA_BULK_CALL *)(uint32_t *mask);
    using GetSN = int(VORTA_BULK_CALL *)(int index, char *serial, int size);
    using OpenEx = int(VORTA_BULK_CALL *)(int index);
    using CloseEx = int(VORTA_BULK_CALL *)(int index);
    using WriteEx = int(VORTA_BULK_CALL *)(int index, void *packet, int size);
    using ReadEx = int(VORTA_BULK_CALL *)(int index, void *packet, int size);
    using GetDevicePath = const char *(VORTA_BULK_CALL *)(int index);

    GetNumAvailableDevices getNumAvailableDevices = nullptr;
    GetSN getSN = nullptr;
    OpenEx openEx = nullptr;
    CloseEx closeEx = nullptr;
    WriteEx writeEx = nullptr;
    ReadEx readEx = nullptr;
    GetDevicePath getDevicePath = nullptr;
    // Bound for completeness, never called.
    void *resetPipeEx = nullptr;
    void *setTimeoutEx = nullptr;

    // Every entry point the transport calls is there.
    bool usable() const
    {
        return getNumAvailableDevices && getSN && openEx && closeEx && writeEx && readEx && getDevicePath;
    }
};

class Platform
{
public:
    virtual ~Platform() = default;
    // Blocks until the system-wide lock of this name is ours; null when it cannot be taken.
    virtual std::unique_ptr<PortLock> lockPort(const std::string &name) = 0;
    // Null when the port does not open.
    virtual std::unique_ptr<SerialPort> openSerial(const std::string &port, uint32_t baudRate) = 0;
    virtual HidBackend &hid() = 0;
    virtual const BulkDriver &bulk() = 0;
    virtual void sleepMs(unsigned milliseconds) = 0;
    // A device's UTF-16 text in the library's 8-bit text form.
    virtual std::string narrow(const std::u16string &text) = 0;
};

// The platform in use: the native one unless a test has put another in place.
Platform &platform();
void setPlatform(Platform *replacement);
Platform &nativePlatform();

} // namespace vorta
