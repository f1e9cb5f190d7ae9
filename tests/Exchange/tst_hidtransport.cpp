// The USB HID transport through the real exports, over simulated devices.

#include "HidTransport.h"
#include "MemoryCode.h"
#include "Platform.h"
#include "VortaExchange.h"

#include <QtTest>

#include <cstring>
#include <map>

using namespace vorta;

namespace {

// A HID instrument: memories by code, feature-report exchange, faults.
struct SimDevice
{
    uint16_t vendorId = HidVendorId;
    uint16_t productId = 0x1001;
    int reportLength = 65;
    bool opens = true;
    std::map<int, std::vector<uint8_t>> memory;
    // The next attempts misbehave in this order.
    enum Fault { None, FailSet, FailGet, ShortGet, BadStatus, BadChecksum };
    std::vector<Fault> faults;
    std::vector<std::vector<uint8_t>> requests; // bytes 0 to 7 + data of each request

    std::vector<uint8_t> &mem(int code)
    {
        std::vector<uint8_t> &m = memory[code];
        m.resize(0x10000);
        return m;
    }
    bool checksum() const { return productId >= 0x1000; }
    void setSerial8(const char *text) { std::memcpy(&mem(2)[0x1FEA], text, std::strlen(text)); }
    void setSerial16(uint32_t address, const char *text)
    {
        for (size_t i = 0; text[i]; ++i)
            mem(2)[address + 2 * i] = static_cast<uint8_t>(text[i]);
    }
};

class SimHidDevice : public HidDevice
{
public:
    explicit SimHidDevice(SimDevice &d) : m_d(d) {}

    bool attributes(uint16_t &vendorId, uint16_t &productId) override
    {
        vendorId = m_d.vendorId;
        productId = m_d.productId;
        return true;
    }
    int featureReportLength() override { return m_d.reportLength; }

    bool setFeature(const uint8_t *report, size_t length) override
    {
        m_fault = SimDevice::None;
        if (!m_d.faults.empty()) {
            m_fault = m_d.faults.front();
            m_d.faults.erase(m_d.faults.begin());
        }
        if (m_fault == SimDevice::FailSet)
            return false;
        m_request.assign(report, report + length);
        m_d.requests.push_back(m_request);
        return true;
    }

    int getFeature(uint8_t *report, size_t length) override
    {
        if (m_fault == SimDevice::FailGet)
            return -1;
        std::vector<uint8_t> reply(length, 0);
        const uint8_t code = m_request[5];
        const uint32_t address = m_request[1] | (m_request[2] << 8) | (m_request[3] << 16) |
                                 (uint32_t(m_request[4]) << 24);
        const unsigned count = m_request[6];
        const bool cs = m_d.checksum();
        reply[1] = m_fault == SimDevice::BadStatus ? 1 : 0;
        reply[2] = 0x5A;
        if (code & 0x80) {
            std::vector<uint8_t> &mem = m_d.mem(code & 0x7F);
            const unsigned data = cs ? 3 : 2;
            for (unsigned i = 0; i < count; ++i)
                reply[data + i] = mem[(address + i) & 0xFFFF];
            if (cs)
                reply[3 + count] = usbChecksum(&reply[2], count + 1);
        } else if (count > 0) {
            std::vector<uint8_t> &mem = m_d.mem(code);
            for (unsigned i = 0; i < count; ++i)
                mem[(address + i) & 0xFFFF] = m_request[7 + i];
            if (cs)
                reply[3] = usbChecksum(&reply[1], 2);
        } else {
            // A command: status only, the rest is noise.
            for (size_t i = 2; i < length; ++i)
                reply[i] = static_cast<uint8_t>(i * 13);
        }
        if (m_fault == SimDevice::BadChecksum && cs)
            reply[(code & 0x80) ? 3 + count : 3] ^= 0xFF;
        std::memcpy(report, reply.data(), length);
        return m_fault == SimDevice::ShortGet ? static_cast<int>(length) - 1 : static_cast<int>(length);
    }

private:
    SimDevice &m_d;
    std::vector<uint8_t> m_request;
    SimDevice::Fault m_fault = SimDevice::None;
};

class FakeLock : public PortLock
{
public:
    explicit FakeLock(int &held) : m_held(held) { ++m_held; }
    ~FakeLock() override { --m_held; }

private:
    int &m_held;
};

class FakePlatform : public Platform, public HidBackend
{
public:
    std::vector<SimDevice> devices;
    std::vector<std::string> lockNames;
    int held = 0;
    int opened = 0;
    bool lockFails = false;

    std::unique_ptr<PortLock> lockPort(const std::string &name) override
    {
        lockNames.push_back(name);
        if (lockFails)
            return nullptr;
        return std::unique_ptr<PortLock>(new FakeLock(held));
    }
    std::unique_ptr<SerialPort> openSerial(const std::string &, uint32_t) override { return nullptr; }
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
        std::vector<std::string> paths;
        for (size_t i = 0; i < devices.size(); ++i)
            paths.push_back("hid#" + std::to_string(i));
        return paths;
    }
    std::unique_ptr<HidDevice> open(const std::string &path) override
    {
        const size_t i = std::stoul(path.substr(4));
        if (i >= devices.size() || !devices[i].opens)
            return nullptr;
        ++opened;
        return std::unique_ptr<HidDevice>(new SimHidDevice(devices[i]));
    }

    // The data requests (not those of the serial search) of device i.
    std::vector<std::vector<uint8_t>> dataRequests(size_t i) const
    {
        std::vector<std::vector<uint8_t>> out;
        for (const auto &r : devices[i].requests) {
            if (r[5] != 0x82)
                out.push_back(r);
        }
        return out;
    }

private:
    BulkDriver m_bulk;
};

SimDevice meter(uint16_t productId, const char *serial)
{
    SimDevice d;
    d.productId = productId;
    const HidSerialLocation where = hidSerialLocation(productId);
    if (where.length == 8)
        d.setSerial8(serial);
    else if (where.length == 16)
        d.setSerial16(where.address, serial);
    return d;
}

} // namespace

class TestHidTransport : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void readRequestBytes_data();
    void readRequestBytes();
    void readSplitsIntoBlocks();
    void writeRoundTrip_data();
    void writeRoundTrip();
    void findsDeviceBySerial_data();
    void findsDeviceBySerial();
    void attempts_data();
    void attempts();
    void reportLengthBounds_data();
    void reportLengthBounds();
    void commandNeedsOnlyStatus();
    void badArgumentsTouchNothing();
    void lockFailureMeansNoExchange();

private:
    FakePlatform *m_fake = nullptr;
};

void TestHidTransport::init()
{
    m_fake = new FakePlatform;
    setPlatform(m_fake);
}

void TestHidTransport::cleanup()
{
    QCOMPARE(m_fake->held, 0);
    setPlatform(nullptr);
    delete m_fake;
}

void TestHidTransport::readRequestBytes_data()
{
    QTest::addColumn<int>("productId");
    QTest::newRow("checksum device 0x1001") << 0x1001;
    QTest::newRow("plain device 0x0001") << 0x0001;
    QTest::newRow("plain device 0x0009") << 0x0009;
    QTest::newRow("checksum device 0x100D") << 0x100D;
}

void TestHidTransport::readRequestBytes()
{
    QFETCH(int, productId);
    m_fake->devices.push_back(meter(static_cast<uint16_t>(productId), "00004841"));
    const float values[3] = {21.5f, 45.25f, 760.0f};
    std::memcpy(&m_fake->devices[0].mem(0)[0], values, 12);

    uint8_t buffer[12] = {};
    QVERIFY(VORTA_USB_Read("00004841", 'R', 0, buffer, 12));
    QCOMPARE(std::memcmp(buffer, values, 12), 0);

    const auto requests = m_fake->dataRequests(0);
    QCOMPARE(requests.size(), size_t(1));
    const std::vector<uint8_t> head(requests[0].begin(), requests[0].begin() + 8);
    QCOMPARE(head, (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x0C, 0x8B}));
    QCOMPARE(requests[0].size(), size_t(65));
    QCOMPARE(m_fake->lockNames, std::vector<std::string>{"00004841"});
}

void TestHidTransport::readSplitsIntoBlocks()
{
    m_fake->devices.push_back(meter(0x1002, "AB12CD34"));
    std::vector<uint8_t> &mem = m_fake->devices[0].mem(1);
    for (int i = 0; i < 200; ++i)
        mem[0x0300 + i] = static_cast<uint8_t>(i * 3 + 1);

    uint8_t buffer[126];
    std::memset(buffer, 0xEE, sizeof buffer);
    QVERIFY(VORTA_USB_Read("AB12CD34", 'F', 0x0300, buffer, 125));
    QCOMPARE(std::memcmp(buffer, &mem[0x0300], 125), 0);
    QCOMPARE(buffer[125], uint8_t(0xEE));

    const auto requests = m_fake->dataRequests(0);
    QCOMPARE(requests.size(), size_t(3));
    const uint16_t addresses[] = {0x0300, 0x0338, 0x0370};
    const uint8_t counts[] = {56, 56, 13};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(requests[i][1] | (requests[i][2] << 8), int(addresses[i]));
        QCOMPARE(requests[i][5], uint8_t(0x81));
        QCOMPARE(requests[i][6], counts[i]);
        QCOMPARE(requests[i][7], usbChecksum(&requests[i][1], 6));
    }
}

void TestHidTransport::writeRoundTrip_data()
{
    QTest::addColumn<int>("productId");
    QTest::newRow("checksum device") << 0x1003;
    QTest::newRow("plain device") << 0x0003;
}

void TestHidTransport::writeRoundTrip()
{
    QFETCH(int, productId);
    m_fake->devices.push_back(meter(static_cast<uint16_t>(productId), "W0000001"));
    uint8_t data[60];
    for (int i = 0; i < 60; ++i)
        data[i] = static_cast<uint8_t>(200 - i);
    QVERIFY(VORTA_USB_Write("W0000001", 'I', 0x10, data, 60));
    QCOMPARE(std::memcmp(&m_fake->devices[0].mem(2)[0x10], data, 60), 0);

    const auto requests = m_fake->dataRequests(0);
    QCOMPARE(requests.size(), size_t(2));
    QCOMPARE(requests[0][5], uint8_t(2));
    QCOMPARE(requests[0][6], uint8_t(56));
    QCOMPARE(requests[0][7 + 56], usbChecksum(&requests[0][1], 6 + 56));
    QCOMPARE(requests[1][1], uint8_t(0x10 + 56));
    QCOMPARE(requests[1][6], uint8_t(4));
}

void TestHidTransport::findsDeviceBySerial_data()
{
    QTest::addColumn<QByteArray>("serial");
    QTest::addColumn<int>("expected"); // index of the device read, -1 none

    QTest::newRow("own serial") << QByteArray("SER00005") << 5;
    QTest::newRow("8-byte serial read up to 8") << QByteArray("LONGSER8") << 6;
    QTest::newRow("first readable device for 99999999") << QByteArray("99999999") << 4;
    QTest::newRow("0x1009 is skipped") << QByteArray("SER00001") << -1;
    QTest::newRow("other vendor is skipped") << QByteArray("SER00000") << -1;
    QTest::newRow("case counts") << QByteArray("ser00005") << -1;
    QTest::newRow("unknown serial") << QByteArray("12345678") << -1;
}

void TestHidTransport::findsDeviceBySerial()
{
    QFETCH(QByteArray, serial);
    QFETCH(int, expected);

    SimDevice otherVendor = meter(0x1002, "SER00000");
    otherVendor.vendorId = 0x1234;
    m_fake->devices.push_back(otherVendor);            // 0
    m_fake->devices.push_back(meter(0x1009, "SER00001")); // 1: not in the table
    SimDevice closed = meter(0x1002, "SER00002");
    closed.opens = false;
    m_fake->devices.push_back(closed);                 // 2
    SimDevice unreadable = meter(0x1002, "SER00003");
    unreadable.faults = {SimDevice::BadStatus, SimDevice::BadStatus, SimDevice::BadStatus};
    m_fake->devices.push_back(unreadable);             // 3: its serial cannot be read
    m_fake->devices.push_back(meter(0x0009, "SER00004")); // 4
    m_fake->devices.push_back(meter(0x1007, "SER00005")); // 5
    SimDevice long8 = meter(0x0001, "LONGSER8");
    // The bytes after the eighth are not part of the serial.
    long8.mem(2)[0x1FEA + 8] = 'X';
    m_fake->devices.push_back(long8);                  // 6

    for (size_t i = 0; i < m_fake->devices.size(); ++i)
        m_fake->devices[i].mem(0)[0] = static_cast<uint8_t>(0xA0 + i);

    uint8_t byte = 0;
    const bool ok = VORTA_USB_Read(serial.constData(), 'R', 0, &byte, 1);
    QCOMPARE(ok, expected >= 0);
    if (ok)
        QCOMPARE(int(byte), 0xA0 + expected);
}

void TestHidTransport::attempts_data()
{
    QTest::addColumn<int>("productId");
    QTest::addColumn<QVector<int>>("faults");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("sends");

    using F = SimDevice;
    QTest::newRow("bad checksum twice, then good") << 0x1001 << QVector<int>{F::BadChecksum, F::BadChecksum} << true << 3;
    QTest::newRow("three bad checksums") << 0x1001 << QVector<int>{F::BadChecksum, F::BadChecksum, F::BadChecksum}
                                         << false << 3;
    QTest::newRow("plain device has no checksum") << 0x0001
                                                  << QVector<int>{F::BadChecksum, F::BadChecksum, F::BadChecksum}
                                                  << true << 1;
    QTest::newRow("bad status retried") << 0x1001 << QVector<int>{F::BadStatus} << true << 2;
    QTest::newRow("failed send retried") << 0x1001 << QVector<int>{F::FailSet, F::FailSet} << true << 1;
    QTest::newRow("failed fetch retried") << 0x1001 << QVector<int>{F::FailGet} << true << 2;
    QTest::newRow("short fetches fail") << 0x1001 << QVector<int>{F::ShortGet, F::ShortGet, F::ShortGet} << false
                                        << 3;
}

void TestHidTransport::attempts()
{
    QFETCH(int, productId);
    QFETCH(QVector<int>, faults);
    QFETCH(bool, ok);
    QFETCH(int, sends);

    m_fake->devices.push_back(meter(static_cast<uint16_t>(productId), "RETRY001"));
    m_fake->devices[0].mem(0)[0x20] = 0x77;
    // The serial search runs before the faults start.
    QVERIFY(FindHidDeviceBySerial("RETRY001").ciPath == "hid#0");
    m_fake->devices[0].requests.clear();
    for (int f : faults)
        m_fake->devices[0].faults.push_back(static_cast<SimDevice::Fault>(f));
    m_fake->devices[0].faults.insert(m_fake->devices[0].faults.begin(), SimDevice::None); // the search again

    uint8_t byte = 0;
    QCOMPARE(bool(VORTA_USB_Read("RETRY001", 'R', 0x20, &byte, 1)), ok);
    QCOMPARE(int(m_fake->dataRequests(0).size()), sends);
    if (ok)
        QCOMPARE(byte, uint8_t(0x77));
}

void TestHidTransport::reportLengthBounds_data()
{
    QTest::addColumn<int>("productId");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("ok");
    // A block of 56 needs 60 bytes on a checksum device; the serial read is 8.
    QTest::newRow("capabilities missing") << 0x1001 << 56 << -1 << false;
    QTest::newRow("too short for a block") << 0x1001 << 56 << 20 << false;
    QTest::newRow("just long enough") << 0x1001 << 56 << 60 << true;
    QTest::newRow("one short of the checksum") << 0x1001 << 56 << 59 << false;
    QTest::newRow("largest report") << 0x1001 << 56 << 256 << true;
    QTest::newRow("longer than the report buffer") << 0x1001 << 56 << 257 << false;
    // Without a checksum the reply is the status and the data: 2 + count bytes.
    QTest::newRow("plain device, 2 + count") << 0x0001 << 12 << 14 << true;
    QTest::newRow("plain device, 1 + count") << 0x0001 << 12 << 13 << false;
    QTest::newRow("plain device, whole block") << 0x0001 << 56 << 58 << true;
    QTest::newRow("plain device, whole block, one short") << 0x0001 << 56 << 57 << false;
}

void TestHidTransport::reportLengthBounds()
{
    QFETCH(int, productId);
    QFETCH(int, count);
    QFETCH(int, length);
    QFETCH(bool, ok);
    SimDevice d = meter(static_cast<uint16_t>(productId), "LEN00001");
    d.reportLength = length;
    for (int i = 0; i < count; ++i)
        d.mem(0)[0x40 + i] = static_cast<uint8_t>(0xA0 + i);
    m_fake->devices.push_back(d);
    uint8_t buffer[56] = {};
    QCOMPARE(bool(VORTA_USB_Read("99999999", 'R', 0x40, buffer, static_cast<unsigned>(count))), ok);
    if (ok)
        QCOMPARE(std::memcmp(buffer, &m_fake->devices[0].mem(0)[0x40], size_t(count)), 0);
}

void TestHidTransport::commandNeedsOnlyStatus()
{
    m_fake->devices.push_back(meter(0x100A, "CMD00001"));
    QVERIFY(VORTA_USB_Command("CMD00001", 0x42, 0xDEADBEEF));
    QVERIFY(VORTA_USB_Command("CMD00001", 0x42, 0));
    const auto requests = m_fake->dataRequests(0);
    QCOMPARE(requests.size(), size_t(2));
    const std::vector<uint8_t> head(requests[0].begin(), requests[0].begin() + 8);
    QCOMPARE(head, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0x42, 0, 0x41}));

    m_fake->devices[0].faults = {SimDevice::None, SimDevice::BadStatus, SimDevice::BadStatus,
                                 SimDevice::BadStatus};
    QVERIFY(!VORTA_USB_Command("CMD00001", 0x42, 0));
}

void TestHidTransport::badArgumentsTouchNothing()
{
    m_fake->devices.push_back(meter(0x1001, "ARGS0001"));
    uint8_t buffer[4];
    QVERIFY(!VORTA_USB_Read("ARGS0001", 'r', 0, buffer, 4));
    QVERIFY(!VORTA_USB_Write("ARGS0001", 'X', 0, buffer, 4));
    QVERIFY(!VORTA_USB_Read(nullptr, 'R', 0, buffer, 4));
    QVERIFY(!VORTA_USB_Read("ARGS0001", 'R', 0, nullptr, 4));
    QVERIFY(!VORTA_USB_Command(nullptr, 1, 0));
    QVERIFY(m_fake->lockNames.empty());
    QCOMPARE(m_fake->opened, 0);
    // A read of nothing is no read.
    QVERIFY(!VORTA_USB_Read("ARGS0001", 'R', 0, buffer, 0));
    QVERIFY(m_fake->dataRequests(0).empty());
}

void TestHidTransport::lockFailureMeansNoExchange()
{
    m_fake->devices.push_back(meter(0x1001, "LOCK0001"));
    m_fake->lockFails = true;
    uint8_t buffer[4];
    QVERIFY(!VORTA_USB_Read("LOCK0001", 'R', 0, buffer, 4));
    QCOMPARE(m_fake->opened, 0);
}

QTEST_APPLESS_MAIN(TestHidTransport)
#include "tst_hidtransport.moc"
