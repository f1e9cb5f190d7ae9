// The Win32 backend: comm calls, named mutexes, SetupAPI and HID bound by
// name, usbbulk.dll loaded by name.

#include "Platform.h"

#include <windows.h>

#include <hidsdi.h>
#include <setupapi.h>

#include <cstring>

namespace vorta {

namespace {

std::wstring widen(const std::string &text)
{
    if (text.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

// ---- port lock

class MutexLock : public PortLock
{
public:
    explicit MutexLock(HANDLE mutex) : m_mutex(mutex) {}
    ~MutexLock() override
    {
        ReleaseMutex(m_mutex);
        CloseHandle(m_mutex);
    }

private:
    HANDLE m_mutex;
};

// ---- serial port

class CommPort : public SerialPort
{
public:
    explicit CommPort(HANDLE handle) : m_handle(handle) {}
    ~CommPort() override { CloseHandle(m_handle); }

    bool writeByte(uint8_t byte) override
    {
        DWORD written = 0;
        return WriteFile(m_handle, &byte, 1, &written, nullptr) && written == 1;
    }

    size_t readAvailable(uint8_t *data, size_t max) override
    {
        DWORD got = 0;
        if (!ReadFile(m_handle, data, static_cast<DWORD>(max), &got, nullptr))
            return 0;
        return got;
    }

    void purge() override
    {
        PurgeComm(m_handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    }

private:
    HANDLE m_handle;
};

// ---- HID, bound by name

struct HidApi
{
    using GetClassDevsW = HDEVINFO(WINAPI *)(const GUID *, PCWSTR, HWND, DWORD);
    using EnumDeviceInterfaces = BOOL(WINAPI *)(HDEVINFO, PSP_DEVINFO_DATA, const GUID *, DWORD,
                                                PSP_DEVICE_INTERFACE_DATA);
    using GetDeviceInterfaceDetailW = BOOL(WINAPI *)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA,
                                                     PSP_DEVICE_INTERFACE_DETAIL_DATA_W, DWORD, PDWORD,
                                                     PSP_DEVINFO_DATA);
    using DestroyDeviceInfoList = BOOL(WINAPI *)(HDEVINFO);
    using GetHidGuid = void(WINAPI *)(GUID *);
    using GetAttributes = BOOLEAN(WINAPI *)(HANDLE, PHIDD_ATTRIBUTES);
    using GetPreparsedData = BOOLEAN(WINAPI *)(HANDLE, PHIDP_PREPARSED_DATA *);
    using GetCaps = NTSTATUS(WINAPI *)(PHIDP_PREPARSED_DATA, PHIDP_CAPS);
    using FreePreparsedData = BOOLEAN(WINAPI *)(PHIDP_PREPARSED_DATA);
    using Feature = BOOLEAN(WINAPI *)(HANDLE, void *, ULONG);

    GetClassDevsW getClassDevs = nullptr;
    EnumDeviceInterfaces enumInterfaces = nullptr;
    GetDeviceInterfaceDetailW getDetail = nullptr;
    DestroyDeviceInfoList destroyList = nullptr;
    GetHidGuid getHidGuid = nullptr;
    GetAttributes getAttributes = nullptr;
    GetPreparsedData getPreparsedData = nullptr;
    GetCaps getCaps = nullptr;
    FreePreparsedData freePreparsedData = nullptr;
    Feature setFeature = nullptr;
    Feature getFeature = nullptr;

    bool enumerable() const { return getClassDevs && enumInterfaces && getDetail && destroyList && getHidGuid; }
};

template <typename T>
void bind(HMODULE module, const char *name, T &entry)
{
    entry = module ? reinterpret_cast<T>(reinterpret_cast<void *>(GetProcAddress(module, name))) : nullptr;
}

HidApi loadHidApi()
{
    HidApi api;
    HMODULE setupApi = LoadLibraryW(L"SetupApi.dll");
    HMODULE hid = LoadLibraryW(L"HID.dll");
    bind(setupApi, "SetupDiGetClassDevsW", api.getClassDevs);
    bind(setupApi, "SetupDiEnumDeviceInterfaces", api.enumInterfaces);
    bind(setupApi, "SetupDiGetDeviceInterfaceDetailW", api.getDetail);
    bind(setupApi, "SetupDiDestroyDeviceInfoList", api.destroyList);
    bind(hid, "HidD_GetHidGuid", api.getHidGuid);
    bind(hid, "HidD_GetAttributes", api.getAttributes);
    bind(hid, "HidD_GetPreparsedData", api.getPreparsedData);
    bind(hid, "HidP_GetCaps", api.getCaps);
    bind(hid, "HidD_FreePreparsedData", api.freePreparsedData);
    bind(hid, "HidD_SetFeature", api.setFeature);
    bind(hid, "HidD_GetFeature", api.getFeature);
    return api;
}

const HidApi &hidApi()
{
    // Bound on first use, not in DllMain, where loading libraries is not allowed.
    static const HidApi api = loadHidApi();
    return api;
}

class WinHidDevice : public HidDevice
{
public:
    explicit WinHidDevice(HANDLE handle) : m_handle(handle) {}
    ~WinHidDevice() override { CloseHandle(m_handle); }

    bool attributes(uint16_t &vendorId, uint16_t &productId) override
    {
        const HidApi &api = hidApi();
        if (!api.getAttributes)
            return false;
        HIDD_ATTRIBUTES attr{};
        attr.Size = sizeof attr;
        if (!api.getAttributes(m_handle, &attr))
            return false;
        vendorId = attr.VendorID;
        productId = attr.ProductID;
        return true;
    }

    int featureReportLength() override
    {
        const HidApi &api = hidApi();
        if (!api.getPreparsedData || !api.getCaps || !api.freePreparsedData)
            return -1;
        PHIDP_PREPARSED_DATA preparsed = nullptr;
        if (!api.getPreparsedData(m_handle, &preparsed))
            return -1;
        HIDP_CAPS caps{};
        const NTSTATUS status = api.getCaps(preparsed, &caps);
        api.freePreparsedData(preparsed);
        if (status != HIDP_STATUS_SUCCESS)
            return -1;
        return caps.FeatureReportByteLength;
    }

    bool setFeature(const uint8_t *report, size_t length) override
    {
        const HidApi &api = hidApi();
        return api.setFeature &&
               api.setFeature(m_handle, const_cast<uint8_t *>(report), static_cast<ULONG>(length));
    }

    int getFeature(uint8_t *report, size_t length) override
    {
        const HidApi &api = hidApi();
        if (!api.getFeature || !api.getFeature(m_handle, report, static_cast<ULONG>(length)))
            return -1;
        return static_cast<int>(length);
    }

private:
    HANDLE m_handle;
};

HANDLE openShared(const std::wstring &path)
{
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

class WinHidBackend : public HidBackend
{
public:
    std::vector<std::string> devicePaths() override
    {
        std::vector<std::string> paths;
        const HidApi &api = hidApi();
        if (!api.enumerable())
            return paths;
        GUID guid;
        api.getHidGuid(&guid);
        HDEVINFO set = api.getClassDevs(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (set == INVALID_HANDLE_VALUE)
            return paths;
        for (DWORD index = 0;; ++index) {
            SP_DEVICE_INTERFACE_DATA data{};
            data.cbSize = sizeof data;
            if (!api.enumInterfaces(set, nullptr, &guid, index, &data))
                break;
            DWORD size = 0;
            api.getDetail(set, &data, nullptr, 0, &size, nullptr);
            if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))
                continue;
            std::vector<DWORD> storage(size / sizeof(DWORD) + 1);
            auto *detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(storage.data());
            detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
            if (!api.getDetail(set, &data, detail, size, nullptr, nullptr))
                continue;
            const int n = WideCharToMultiByte(CP_UTF8, 0, detail->DevicePath, -1, nullptr, 0, nullptr, nullptr);
            if (n <= 1)
                continue;
            std::string path(static_cast<size_t>(n), '\0');
            WideCharToMultiByte(CP_UTF8, 0, detail->DevicePath, -1, &path[0], n, nullptr, nullptr);
            path.resize(static_cast<size_t>(n - 1));
            paths.push_back(path);
        }
        api.destroyList(set);
        return paths;
    }

    std::unique_ptr<HidDevice> open(const std::string &path) override
    {
        // Paths of ours are UTF-8, whatever the code page.
        const int n = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
        if (n <= 1)
            return nullptr;
        std::wstring wide(static_cast<size_t>(n), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, &wide[0], n);
        wide.resize(static_cast<size_t>(n - 1));
        HANDLE handle = openShared(wide);
        if (handle == INVALID_HANDLE_VALUE)
            return nullptr;
        return std::unique_ptr<HidDevice>(new WinHidDevice(handle));
    }
};

// ---- bulk driver

template <typename T>
void bindBulk(HMODULE module, const char *name, T &entry)
{
    entry = reinterpret_cast<T>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

BulkDriver loadBulkDriver()
{
    BulkDriver driver;
    HMODULE library = LoadLibraryW(L"usbbulk.dll");
    if (!library)
        return driver;
    // Stays loaded until the process ends.
    bindBulk(library, "USBBULK_GetNumAvailableDevices", driver.getNumAvailableDevices);
    bindBulk(library, "USBBULK_GetSN", driver.getSN);
    bindBulk(library, "USBBULK_OpenEx", driver.openEx);
    bindBulk(library, "USBBULK_CloseEx", driver.closeEx);
    bindBulk(library, "USBBULK_WriteEx", driver.writeEx);
    bindBulk(library, "USBBULK_ReadEx", driver.readEx);
    bindBulk(library, "USBBULK_GetDevicePath", driver.getDevicePath);
    bindBulk(library, "USBBULK_ResetPipeEx", driver.resetPipeEx);
    bindBulk(library, "USBBULK_SetTimeoutEx", driver.setTimeoutEx);
    return driver;
}

class Win32Platform : public Platform
{
public:
    std::unique_ptr<PortLock> lockPort(const std::string &name) override
    {
        SetLastError(0);
        HANDLE mutex = CreateMutexW(nullptr, TRUE, (L"Global\\QZL_" + widen(name)).c_str());
        if (!mutex)
            return nullptr;
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            const DWORD wait = WaitForSingleObject(mutex, INFINITE);
            // An abandoned mutex is ours all the same: its holder died.
            if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
                CloseHandle(mutex);
                return nullptr;
            }
        }
        return std::unique_ptr<PortLock>(new MutexLock(mutex));
    }

    std::unique_ptr<SerialPort> openSerial(const std::string &port, uint32_t baudRate) override
    {
        HANDLE handle = CreateFileW((L"\\\\.\\" + widen(port)).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return nullptr;
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        GetCommState(handle, &dcb);
        dcb.BaudRate = baudRate;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        SetCommState(handle, &dcb);
        COMMTIMEOUTS timeouts{};
        GetCommTimeouts(handle, &timeouts);
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.ReadTotalTimeoutMultiplier = 0;
        timeouts.ReadTotalTimeoutConstant = 0;
        timeouts.WriteTotalTimeoutMultiplier = 0;
        timeouts.WriteTotalTimeoutConstant = 0;
        SetCommTimeouts(handle, &timeouts);
        SetupComm(handle, 512, 512);
        return std::unique_ptr<SerialPort>(new CommPort(handle));
    }

    HidBackend &hid() override { return m_hid; }

    const BulkDriver &bulk() override
    {
        static const BulkDriver driver = loadBulkDriver();
        return driver;
    }

    void sleepMs(unsigned milliseconds) override { Sleep(milliseconds); }

    std::string narrow(const std::u16string &text) override
    {
        if (text.empty())
            return std::string();
        const auto *wide = reinterpret_cast<const wchar_t *>(text.data());
        const int size = static_cast<int>(text.size());
        const int n = WideCharToMultiByte(CP_ACP, 0, wide, size, nullptr, 0, nullptr, nullptr);
        std::string out(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(CP_ACP, 0, wide, size, &out[0], n, nullptr, nullptr);
        return out;
    }

private:
    WinHidBackend m_hid;
};

} // namespace

Platform &nativePlatform()
{
    static Win32Platform instance;
    return instance;
}

} // namespace vorta
