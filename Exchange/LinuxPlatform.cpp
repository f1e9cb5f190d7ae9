// The Linux backend: termios, flock lock files, hidraw, dlopen of the bulk driver.

#include "LinuxHid.h"
#include "LinuxLock.h"
#include "Platform.h"

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace vorta {

std::string lockFolder()
{
    for (const char *dir : {"/run/lock", "/var/lock", "/tmp"}) {
        struct stat st;
        if (stat(dir, &st) == 0 && S_ISDIR(st.st_mode) && access(dir, W_OK) == 0)
            return dir;
    }
    return "/tmp";
}

// The name as one file name: nothing in it can leave the lock folder.
std::string lockFileName(const std::string &name)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string file = "QZL_";
    for (unsigned char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
            c == '.') {
            file += static_cast<char>(c);
        } else {
            file += '%';
            file += hex[c >> 4];
            file += hex[c & 15];
        }
    }
    return file;
}

namespace {

const char SysfsRoot[] = "/sys";
const char DevRoot[] = "/dev";

// Another user's lock file in a sticky folder cannot be opened with O_CREAT
// (protected_regular), so open what exists and create only what does not.
int openLockFile(const std::string &path)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0 || errno != ENOENT)
            return fd;
        fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

class FileLock : public PortLock
{
public:
    explicit FileLock(int fd) : m_fd(fd) {}
    ~FileLock() override
    {
        flock(m_fd, LOCK_UN);
        close(m_fd);
    }

private:
    int m_fd;
};

// ---- serial port

bool baudConstant(uint32_t baudRate, speed_t &speed)
{
    static const struct {
        uint32_t rate;
        speed_t constant;
    } table[] = {{50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
                 {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
                 {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
                 {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
                 {576000, B576000}, {921600, B921600}, {1000000, B1000000}};
    for (const auto &entry : table) {
        if (entry.rate == baudRate) {
            speed = entry.constant;
            return true;
        }
    }
    return false;
}

// How long one byte may wait for room on the line before the write gives up: as long as the
// receive loop waits for an answer. A line that takes nothing in that time is stuck.
constexpr int WriteStallMs = 13 * 25;

long long nowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The descriptor stays non-blocking: reads return at once whatever the name opened (VMIN and
// VTIME hold for a serial line only), and writes wait for room no longer than WriteStallMs.
class TermiosPort : public SerialPort
{
public:
    explicit TermiosPort(int fd) : m_fd(fd) {}
    ~TermiosPort() override
    {
        // A pseudo-terminal keeps the flag past our close; the flock goes with the descriptor.
        ioctl(m_fd, TIOCNXCL);
        close(m_fd);
    }

    bool writeByte(uint8_t byte) override
    {
        const long long deadline = nowMs() + WriteStallMs;
        for (;;) {
            const ssize_t n = write(m_fd, &byte, 1);
            if (n == 1)
                return true;
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                const long long left = deadline - nowMs();
                pollfd p{m_fd, POLLOUT, 0};
                const int ready = left > 0 ? poll(&p, 1, static_cast<int>(left)) : 0;
                if (ready > 0 || (ready < 0 && errno == EINTR))
                    continue;
            }
            return false;
        }
    }

    size_t readAvailable(uint8_t *data, size_t max) override
    {
        for (;;) {
            const ssize_t n = read(m_fd, data, max);
            if (n > 0)
                return static_cast<size_t>(n);
            if (n < 0 && errno == EINTR)
                continue;
            return 0;
        }
    }

    void purge() override { tcflush(m_fd, TCIOFLUSH); }

private:
    int m_fd;
};

// ---- HID

class HidrawDevice : public HidDevice
{
public:
    HidrawDevice(int fd, const HidrawEntry &entry) : m_fd(fd), m_entry(entry) {}
    ~HidrawDevice() override { close(m_fd); }

    bool attributes(uint16_t &vendorId, uint16_t &productId) override
    {
        vendorId = m_entry.vendorId;
        productId = m_entry.productId;
        return true;
    }

    int featureReportLength() override { return m_entry.featureLength; }

    bool setFeature(const uint8_t *report, size_t length) override
    {
        return ioctl(m_fd, HIDIOCSFEATURE(length), report) >= 0;
    }

    int getFeature(uint8_t *report, size_t length) override
    {
        const int n = ioctl(m_fd, HIDIOCGFEATURE(length), report);
        return n < 0 ? -1 : n;
    }

private:
    int m_fd;
    HidrawEntry m_entry;
};

class HidrawBackend : public HidBackend
{
public:
    std::vector<std::string> devicePaths() override
    {
        std::vector<std::string> paths;
        for (const HidrawEntry &entry : scanHidraw(SysfsRoot, DevRoot))
            paths.push_back(entry.node);
        return paths;
    }

    std::unique_ptr<HidDevice> open(const std::string &path) override
    {
        const std::string prefix = std::string(DevRoot) + "/";
        if (path.compare(0, prefix.size(), prefix) != 0)
            return nullptr;
        HidrawEntry entry;
        if (!readHidrawEntry(SysfsRoot, DevRoot, path.substr(prefix.size()), entry))
            return nullptr;
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        return std::unique_ptr<HidDevice>(new HidrawDevice(fd, entry));
    }
};

// ---- bulk driver

template <typename T>
void bind(void *library, const char *name, T &entry)
{
    entry = reinterpret_cast<T>(dlsym(library, name));
}

BulkDriver loadBulkDriver()
{
    BulkDriver driver;
    void *library = dlopen("libusbbulk.so", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return driver;
    // Stays loaded until the process ends.
    bind(library, "USBBULK_GetNumAvailableDevices", driver.getNumAvailableDevices);
    bind(library, "USBBULK_GetSN", driver.getSN);
    bind(library, "USBBULK_OpenEx", driver.openEx);
    bind(library, "USBBULK_CloseEx", driver.closeEx);
    bind(library, "USBBULK_WriteEx", driver.writeEx);
    bind(library, "USBBULK_ReadEx", driver.readEx);
    bind(library, "USBBULK_GetDevicePath", driver.getDevicePath);
    driver.resetPipeEx = dlsym(library, "USBBULK_ResetPipeEx");
    driver.setTimeoutEx = dlsym(library, "USBBULK_SetTimeoutEx");
    return driver;
}

class LinuxPlatform : public Platform
{
public:
    std::unique_ptr<PortLock> lockPort(const std::string &name) override
    {
        static const std::string folder = lockFolder();
        const std::string path = folder + "/" + lockFileName(name);
        const int fd = openLockFile(path);
        if (fd < 0)
            return nullptr;
        // Threads and processes wait alike: every call has its own open file.
        while (flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                close(fd);
                return nullptr;
            }
        }
        return std::unique_ptr<PortLock>(new FileLock(fd));
    }

    std::unique_ptr<SerialPort> openSerial(const std::string &port, uint32_t baudRate) override
    {
        speed_t speed;
        if (!baudConstant(baudRate, speed))
            return nullptr;
        const std::string path = port[0] == '/' ? port : std::string(DevRoot) + "/" + port;
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        // The port is ours alone while it is open, as an open without sharing makes it on
        // Windows. The lock on the device itself holds whatever name reached it (another
        // spelling, a link) and binds root as well; TIOCEXCL keeps out other programs' opens.
        // Both come before the settings, so that a caller kept out changes nothing on the line.
        termios tio;
        if (!isatty(fd) || flock(fd, LOCK_EX | LOCK_NB) != 0 || tcgetattr(fd, &tio) != 0) {
            close(fd);
            return nullptr;
        }
        ioctl(fd, TIOCEXCL);
        cfmakeraw(&tio);
        tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY);
        // Reads return at once with what has arrived.
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
        tcsetattr(fd, TCSANOW, &tio);
        return std::unique_ptr<SerialPort>(new TermiosPort(fd));
    }

    HidBackend &hid() override { return m_hid; }

    const BulkDriver &bulk() override
    {
        static const BulkDriver driver = loadBulkDriver();
        return driver;
    }

    void sleepMs(unsigned milliseconds) override
    {
        timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
        while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
        }
    }

    std::string narrow(const std::u16string &text) override
    {
        // No code page here: what is not ASCII cannot match a serial passed to us.
        std::string out;
        for (char16_t c : text)
            out += c < 0x80 ? static_cast<char>(c) : '?';
        return out;
    }

private:
    HidrawBackend m_hid;
};

} // namespace

Platform &nativePlatform()
{
    static LinuxPlatform instance;
    return instance;
}

} // namespace vorta
