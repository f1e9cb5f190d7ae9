// The bulk exports through the real library, which loads the stand-in driver.

#include "VortaExchange.h"
#include "standin/UsbBulkStandIn.h"

#include <QtTest>

#include <cstring>
#include <vector>

namespace {

uint8_t checksum(const uint8_t *p, int n)
{
    unsigned sum = 0xFF;
    for (int i = 0; i < n; ++i)
        sum += p[i];
    return static_cast<uint8_t>(sum);
}

unsigned get16(const uint8_t *p)
{
    return p[0] | (p[1] << 8);
}

uint32_t get32(const uint8_t *p)
{
    return get16(p) | (uint32_t(get16(p + 2)) << 16);
}

const char CsPath[] = "\\\\?\\usb#vid_3412&pid_1000#0001";
const char PlainPath[] = "\\\\?\\usb#vid_3412&pid_0FFF#0002";

} // namespace

class TestBulk : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void readSplitsIntoBlocks();
    void writeRequestLayout();
    void deviceSearch_data();
    void deviceSearch();
    void checksumDevices_data();
    void checksumDevices();
    void faults_data();
    void faults();
    void commandEx();
    void commandResentAfterBadChecksum();
    void commandReplyBounds_data();
    void commandReplyBounds();
    void commandCopiesOnlyWhatCame();
    void badArguments();
};

void TestBulk::init()
{
    STANDIN_Reset();
}

void TestBulk::cleanup()
{
    // Every open is matched by a close.
    for (int i = 0; i < 32; ++i)
        QCOMPARE(STANDIN_OpenCount(i), STANDIN_CloseCount(i));
}

void TestBulk::readSplitsIntoBlocks()
{
    STANDIN_AddDevice(0, "BULK0001", CsPath);
    uint8_t *mem = STANDIN_Memory(0, 2);
    for (int i = 0; i < 1200; ++i)
        mem[0x1000 + i] = static_cast<uint8_t>(i * 5 + 3);

    std::vector<uint8_t> buffer(1101, 0xEE);
    QVERIFY(VORTA_BULK_Read("BULK0001", 'I', 0x1000, buffer.data(), 1100));
    QCOMPARE(std::memcmp(buffer.data(), mem + 0x1000, 1100), 0);
    QCOMPARE(buffer[1100], uint8_t(0xEE));

    QCOMPARE(STANDIN_PacketCount(0), 3);
    const uint32_t addresses[] = {0x1000, 0x1200, 0x1400};
    const unsigned counts[] = {512, 512, 76};
    for (int i = 0; i < 3; ++i) {
        const uint8_t *p = STANDIN_Packet(0, i);
        QCOMPARE(get32(p), addresses[i]);
        QCOMPARE(get16(p + 4), counts[i]);
        QCOMPARE(get16(p + 6), 0x82u);
        QCOMPARE(p[8], checksum(p, 8));
    }
    // One open per block.
    QCOMPARE(STANDIN_OpenCount(0), 3);
}

void TestBulk::writeRequestLayout()
{
    STANDIN_AddDevice(0, "BULK0001", CsPath);
    uint8_t data[600];
    for (int i = 0; i < 600; ++i)
        data[i] = static_cast<uint8_t>(i);
    QVERIFY(VORTA_BULK_Write("BULK0001", 'F', 0x20, data, 600));
    QCOMPARE(std::memcmp(STANDIN_Memory(0, 1) + 0x20, data, 600), 0);

    QCOMPARE(STANDIN_PacketCount(0), 2);
    const uint8_t *p = STANDIN_Packet(0, 1);
    QCOMPARE(get32(p), 0x20u + 512);
    QCOMPARE(get16(p + 4), 88u);
    QCOMPARE(get16(p + 6), 1u);
    QCOMPARE(std::memcmp(p + 8, data + 512, 88), 0);
    QCOMPARE(p[8 + 88], checksum(p, 8 + 88));
}

void TestBulk::deviceSearch_data()
{
    QTest::addColumn<QByteArray>("serial");
    QTest::addColumn<int>("expected");
    QTest::newRow("own serial") << QByteArray("SER00005") << 5;
    QTest::newRow("first present device for 99999999") << QByteArray("99999999") << 3;
    QTest::newRow("unreadable serial skipped") << QByteArray("SER00003") << -1;
    QTest::newRow("nine-character serial cut to eight") << QByteArray("SER00007") << 7;
    QTest::newRow("no such serial") << QByteArray("12345678") << -1;
}

void TestBulk::deviceSearch()
{
    QFETCH(QByteArray, serial);
    QFETCH(int, expected);
    STANDIN_AddDevice(3, "SER00003", PlainPath);
    STANDIN_SetSnFails(3, 100);
    STANDIN_AddDevice(5, "SER00005", PlainPath);
    STANDIN_AddDevice(7, "SER000079", PlainPath);
    for (int i : {3, 5, 7})
        STANDIN_Memory(i, 0)[0] = static_cast<uint8_t>(0xB0 + i);

    uint8_t byte = 0;
    QCOMPARE(bool(VORTA_BULK_Read(serial.constData(), 'R', 0, &byte, 1)), expected >= 0);
    if (expected >= 0)
        QCOMPARE(int(byte), 0xB0 + expected);

    STANDIN_SetMaskFails(1);
    QVERIFY(!VORTA_BULK_Read("SER00005", 'R', 0, &byte, 1));
}

void TestBulk::checksumDevices_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<bool>("checked");
    QTest::newRow("pid_1000 checks") << QByteArray(CsPath) << true;
    QTest::newRow("pid_0FFF does not") << QByteArray(PlainPath) << false;
    QTest::newRow("no pid_") << QByteArray("\\\\?\\usb#vid_3412#0003") << false;
    QTest::newRow("upper-case PID_ is not pid_") << QByteArray("\\\\?\\usb#PID_1000") << false;
    QTest::newRow("pid_ not hexadecimal") << QByteArray("usb#pid_10G0") << false;
    QTest::newRow("pid_ cut short") << QByteArray("usb#pid_10") << false;
    QTest::newRow("no path") << QByteArray() << false;
}

void TestBulk::checksumDevices()
{
    QFETCH(QByteArray, path);
    QFETCH(bool, checked);
    STANDIN_AddDevice(0, "CS000001", path.isEmpty() ? nullptr : path.constData());
    for (int i = 0; i < 3; ++i)
        STANDIN_PushFault(0, StandInBadChecksum);
    uint8_t buffer[4];
    // Bad reply checksums fail a checksum device after three attempts only.
    QCOMPARE(bool(VORTA_BULK_Read("CS000001", 'R', 0, buffer, 4)), !checked);
    QCOMPARE(STANDIN_PacketCount(0), checked ? 3 : 1);
}

void TestBulk::faults_data()
{
    QTest::addColumn<QVector<int>>("faults");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("packets");
    QTest::newRow("short write retried") << QVector<int>{StandInShortWrite} << true << 2;
    QTest::newRow("short read retried") << QVector<int>{StandInShortRead, StandInShortRead} << true << 3;
    QTest::newRow("untouched reply fails its status") << QVector<int>{StandInNoReply} << true << 2;
    QTest::newRow("bad status three times")
        << QVector<int>{StandInBadStatus, StandInBadStatus, StandInBadStatus} << false << 3;
}

void TestBulk::faults()
{
    QFETCH(QVector<int>, faults);
    QFETCH(bool, ok);
    QFETCH(int, packets);
    STANDIN_AddDevice(0, "FLT00001", CsPath);
    for (int f : faults)
        STANDIN_PushFault(0, f);
    uint8_t buffer[8];
    QCOMPARE(bool(VORTA_BULK_Read("FLT00001", 'R', 0, buffer, 8)), ok);
    QCOMPARE(STANDIN_PacketCount(0), packets);

    STANDIN_SetOpenFails(0, 1);
    QVERIFY(!VORTA_BULK_Read("FLT00001", 'R', 0, buffer, 8));
}

void TestBulk::commandEx()
{
    STANDIN_AddDevice(0, "CMD00001", CsPath);
    const uint8_t reply[] = {9, 8, 7, 6, 5};
    STANDIN_SetCommandReply(0, reply, 5, 5);

    uint8_t data[16] = {0xAA};
    uint16_t len = 0;
    QVERIFY(VORTA_BULK_CommandEx("CMD00001", 0x31, data, &len));
    QCOMPARE(len, uint16_t(5));
    QCOMPARE(std::memcmp(data, reply, 5), 0);
    const uint8_t *p = STANDIN_Packet(0, 0);
    QCOMPARE(get32(p), 0u);
    QCOMPARE(get16(p + 4), 0u);
    QCOMPARE(get16(p + 6), 0x31u);
    QCOMPARE(p[8], checksum(p, 8));
    QCOMPARE(p[9], uint8_t(0));

    // Request data go out in the packet.
    uint8_t request[16] = {1, 2, 3};
    len = 3;
    QVERIFY(VORTA_BULK_CommandEx("CMD00001", 0x32, request, &len));
    p = STANDIN_Packet(0, 1);
    QCOMPARE(get16(p + 4), 3u);
    QCOMPARE(p[10], uint8_t(3));
    QCOMPARE(p[11], checksum(p, 11));
    for (int i = 12; i < 1024; ++i)
        QCOMPARE(p[i], uint8_t(0));
}

void TestBulk::commandResentAfterBadChecksum()
{
    STANDIN_AddDevice(0, "CMD00001", CsPath);
    const uint8_t reply[] = {1};
    STANDIN_SetCommandReply(0, reply, 1, 1);
    STANDIN_PushFault(0, StandInBadChecksum);
    uint8_t data[4] = {0x10, 0x20};
    uint16_t len = 2;
    QVERIFY(VORTA_BULK_CommandEx("CMD00001", 0x40, data, &len));
    QCOMPARE(STANDIN_PacketCount(0), 2);
    QCOMPARE(std::memcmp(STANDIN_Packet(0, 0), STANDIN_Packet(0, 1), 1024), 0);
    QCOMPARE(get16(STANDIN_Packet(0, 1) + 4), 2u);
}

void TestBulk::commandReplyBounds_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("declared");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("packets");
    QTest::newRow("1024 or more ends at once") << QByteArray(PlainPath) << 1024 << false << 1;
    QTest::newRow("data past the packet") << QByteArray(PlainPath) << 1017 << false << 1;
    QTest::newRow("checksum past the packet") << QByteArray(CsPath) << 1016 << false << 1;
    QTest::newRow("last byte of data") << QByteArray(PlainPath) << 1016 << true << 1;
    QTest::newRow("checksum in the last byte") << QByteArray(CsPath) << 1015 << true << 1;
}

void TestBulk::commandReplyBounds()
{
    QFETCH(QByteArray, path);
    QFETCH(int, declared);
    QFETCH(bool, ok);
    QFETCH(int, packets);
    STANDIN_AddDevice(0, "CMD00001", path.constData());
    std::vector<uint8_t> reply(static_cast<size_t>(std::min(declared, 1016)), 0x5C);
    STANDIN_SetCommandReply(0, reply.data(), static_cast<int>(reply.size()), declared);

    std::vector<uint8_t> data(2048, 0);
    uint16_t len = 0;
    QCOMPARE(bool(VORTA_BULK_CommandEx("CMD00001", 1, data.data(), &len)), ok);
    QCOMPARE(STANDIN_PacketCount(0), packets);
    QCOMPARE(int(len), declared);
    // Nothing lands beyond what the packet held.
    QCOMPARE(data[1016], uint8_t(0));
}

void TestBulk::commandCopiesOnlyWhatCame()
{
    STANDIN_AddDevice(0, "CMD00001", CsPath);
    char answer[600];
    std::memset(answer, '#', sizeof answer);

    // An empty reply copies nothing; a null Answer is fine.
    STANDIN_SetCommandReply(0, nullptr, 0, 0);
    QVERIFY(VORTA_BULK_Command("CMD00001", 2, answer));
    QCOMPARE(answer[0], '#');
    QVERIFY(VORTA_BULK_Command("CMD00001", 2, nullptr));

    const uint8_t reply[] = {'o', 'k'};
    STANDIN_SetCommandReply(0, reply, 2, 2);
    QVERIFY(VORTA_BULK_Command("CMD00001", 2, answer));
    QCOMPARE(QByteArray(answer, 3), QByteArray("ok#"));

    // Longer than the 512-byte reply buffer: refused, nothing copied.
    std::memset(answer, '#', sizeof answer);
    std::vector<uint8_t> big(513, 'x');
    STANDIN_SetCommandReply(0, big.data(), 513, 513);
    QVERIFY(!VORTA_BULK_Command("CMD00001", 2, answer));
    QCOMPARE(answer[0], '#');
    STANDIN_SetCommandReply(0, big.data(), 512, 512);
    QVERIFY(VORTA_BULK_Command("CMD00001", 2, answer));
    QCOMPARE(answer[511], 'x');
    QCOMPARE(answer[512], '#');
}

void TestBulk::badArguments()
{
    STANDIN_AddDevice(0, "ARG00001", CsPath);
    uint8_t buffer[1100] = {};
    uint16_t len = 1016;
    QVERIFY(!VORTA_BULK_Read("ARG00001", 'r', 0, buffer, 4));
    QVERIFY(!VORTA_BULK_Write("ARG00001", 'Q', 0, buffer, 4));
    QVERIFY(!VORTA_BULK_Read(nullptr, 'R', 0, buffer, 4));
    QVERIFY(!VORTA_BULK_Read("ARG00001", 'R', 0, nullptr, 4));
    QVERIFY(!VORTA_BULK_CommandEx("ARG00001", 1, buffer, nullptr));
    QVERIFY(!VORTA_BULK_CommandEx("ARG00001", 1, nullptr, &len));
    // A request that would not fit the packet with its checksum.
    QVERIFY(!VORTA_BULK_CommandEx("ARG00001", 1, buffer, &len));
    QVERIFY(!VORTA_BULK_Command(nullptr, 1, nullptr));
    QVERIFY(!VORTA_BULK_Read("ARG00001", 'R', 0, buffer, 0));
    QCOMPARE(STANDIN_PacketCount(0), 0);
    len = 1015;
    QVERIFY(VORTA_BULK_CommandEx("ARG00001", 1, buffer, &len));
}

QTEST_APPLESS_MAIN(TestBulk)
#include "tst_bulk.moc"
