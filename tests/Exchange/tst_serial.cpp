// The serial exports against an instrument simulated on a pseudo-terminal.

#include "SerialSimulator.h"
#include "VortaExchange.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <cstring>
#include <sys/stat.h>
#include <thread>
#include <vector>

using Fault = SerialSimulator::Fault;
Q_DECLARE_METATYPE(std::vector<Fault>)

namespace {
const uint32_t Baud = 9600;
const uint16_t DevAddr = 1;

std::vector<uint8_t> pattern(size_t count, uint8_t seed)
{
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

QStringList toList(const std::vector<std::string> &requests)
{
    QStringList list;
    for (const std::string &r : requests)
        list << QString::fromStdString(r);
    return list;
}
} // namespace

class TestSerial : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void read_data();
    void read();
    void writeSendsDataAndNeedsBang();
    void command_data();
    void command();
    void badArgumentsSendNothing_data();
    void badArgumentsSendNothing();
    void missingPortFails();
    void twoProcessesSerialise();
    void twoSpellingsNeverShareTheLine_data();
    void twoSpellingsNeverShareTheLine();
    void notASerialPortNeverBlocks_data();
    void notASerialPortNeverBlocks();

private:
    SerialSimulator *m_sim = nullptr;
};

void TestSerial::init()
{
    m_sim = new SerialSimulator(DevAddr);
    QVERIFY(m_sim->isOpen());
}

void TestSerial::cleanup()
{
    delete m_sim;
    m_sim = nullptr;
}

void TestSerial::read_data()
{
    QTest::addColumn<char>("memType");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("blockSize");
    QTest::addColumn<std::vector<Fault>>("faults");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("requests");

    const std::vector<Fault> none;
    QTest::newRow("blocks then remainder") << 'R' << 0x0100 << 40 << 16 << none << true
                                           << QStringList{"$0001RR010010", "$0001RR011010", "$0001RR012008"};
    QTest::newRow("address wraps") << 'R' << 0xFFF0 << 32 << 16 << none << true
                                   << QStringList{"$0001RRFFF010", "$0001RR000010"};
    QTest::newRow("letter upper-cased") << 'f' << 0x0010 << 4 << 16 << none << true
                                        << QStringList{"$0001RF001004"};
    QTest::newRow("zero bytes send nothing") << 'R' << 0 << 0 << 16 << none << false << QStringList{};
    QTest::newRow("stray bytes before the answer") << 'R' << 0 << 8 << 8 << std::vector<Fault>{Fault::StrayBytes}
                                                   << true << QStringList{"$0001RR000008"};
    QTest::newRow("answer split over polls") << 'R' << 0 << 8 << 8 << std::vector<Fault>{Fault::Split} << true
                                             << QStringList{"$0001RR000008"};
    QTest::newRow("bad checksum retried") << 'R' << 0 << 8 << 8 << std::vector<Fault>{Fault::BadChecksum} << true
                                          << QStringList{"$0001RR000008", "$0001RR000008"};
    QTest::newRow("silence retried") << 'R' << 0 << 8 << 8 << std::vector<Fault>{Fault::Silence} << true
                                     << QStringList{"$0001RR000008", "$0001RR000008"};
    QTest::newRow("flood fails that attempt")
        << 'R' << 0 << 8 << 8 << std::vector<Fault>{Fault::Flood} << true
        << QStringList{"$0001RR000008", "$0001RR000008"};
    QTest::newRow("three bad checksums fail")
        << 'R' << 0 << 8 << 8 << std::vector<Fault>{Fault::BadChecksum, Fault::BadChecksum, Fault::BadChecksum}
        << false << QStringList{"$0001RR000008", "$0001RR000008", "$0001RR000008"};
    QTest::newRow("question mark ends the transaction, fails the read")
        << 'R' << 0 << 8 << 8 << std::vector<Fault>{Fault::Question} << false << QStringList{"$0001RR000008"};
    QTest::newRow("first failed block ends the job")
        << 'R' << 0 << 24 << 8 << std::vector<Fault>{Fault::None, Fault::Question} << false
        << QStringList{"$0001RR000008", "$0001RR000808"};
}

void TestSerial::read()
{
    QFETCH(char, memType);
    QFETCH(int, address);
    QFETCH(int, count);
    QFETCH(int, blockSize);
    QFETCH(std::vector<Fault>, faults);
    QFETCH(bool, ok);
    QFETCH(QStringList, requests);

    const char letter = static_cast<char>(std::toupper(memType));
    const std::vector<uint8_t> stored = pattern(static_cast<size_t>(count), 0x31);
    m_sim->setMemory(letter, static_cast<uint16_t>(address), stored);
    m_sim->script(faults);

    std::vector<uint8_t> buffer(static_cast<size_t>(count) + 1, 0xEE);
    const std::string port = m_sim->portName();
    QCOMPARE(bool(VORTA_COM_Read(port.c_str(), Baud, DevAddr, memType, static_cast<uint16_t>(address),
                                 buffer.data(), static_cast<uint16_t>(count), static_cast<uint16_t>(blockSize))),
             ok);
    QCOMPARE(toList(m_sim->requests()), requests);
    if (ok)
        QVERIFY(std::equal(stored.begin(), stored.end(), buffer.begin()));
    QCOMPARE(buffer.back(), uint8_t(0xEE));
}

void TestSerial::writeSendsDataAndNeedsBang()
{
    const std::string port = m_sim->portName();
    uint8_t data[] = {0x01, 0xAB, 0xFF};
    QVERIFY(VORTA_COM_Write(port.c_str(), Baud, DevAddr, 'i', 0x1234, data, 3, 2));
    QCOMPARE(toList(m_sim->requests()), (QStringList{"$0001WI12340201AB", "$0001WI123601FF"}));
    QCOMPARE(m_sim->memory('I', 0x1234, 3), std::vector<uint8_t>(data, data + 3));

    m_sim->clearRequests();
    m_sim->script({Fault::Question});
    QVERIFY(!VORTA_COM_Write(port.c_str(), Baud, DevAddr, 'I', 0, data, 1, 1));
    QCOMPARE(m_sim->requests().size(), size_t(1));

    // A non-hexadecimal pair in a read answer fails the read.
    m_sim->setReadDataOverride("0G");
    uint8_t byte = 0;
    QVERIFY(!VORTA_COM_Read(port.c_str(), Baud, DevAddr, 'I', 0, &byte, 1, 1));
    // An answer of the wrong length fails too.
    m_sim->setReadDataOverride("0102");
    QVERIFY(!VORTA_COM_Read(port.c_str(), Baud, DevAddr, 'I', 0, &byte, 1, 1));
}

void TestSerial::command_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("text after seven characters") << QByteArray("!0001C0VER 2.1") << true << QByteArray("VER 2.1");
    QTest::newRow("exactly seven characters") << QByteArray("!0001C0") << true << QByteArray("");
    QTest::newRow("shorter than seven") << QByteArray("!01") << true << QByteArray("");
    QTest::newRow("question mark") << QByteArray("?0001C0ERR") << false << QByteArray("untouched");
}

void TestSerial::command()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, ok);
    QFETCH(QByteArray, text);

    m_sim->setCommandAnswer(answer.toStdString());
    const std::string port = m_sim->portName();
    char out[64];
    std::strcpy(out, "untouched");
    QCOMPARE(bool(VORTA_COM_Command(port.c_str(), Baud, DevAddr, "V?", out)), ok);
    QCOMPARE(QByteArray(out), text);
    QCOMPARE(toList(m_sim->requests()), QStringList{"$0001V?"});

    // Without an answer buffer the command still runs.
    QCOMPARE(bool(VORTA_COM_Command(port.c_str(), Baud, DevAddr, "V?", nullptr)), ok);
    QCOMPARE(m_sim->requests().size(), size_t(2));
}

void TestSerial::badArgumentsSendNothing_data()
{
    QTest::addColumn<int>("which");
    QTest::newRow("null port") << 0;
    QTest::newRow("null buffer") << 1;
    QTest::newRow("block size 0") << 2;
    QTest::newRow("block size 256") << 3;
    QTest::newRow("null command") << 4;
}

void TestSerial::badArgumentsSendNothing()
{
    QFETCH(int, which);
    const std::string port = m_sim->portName();
    uint8_t buffer[8] = {};
    bool ok = true;
    switch (which) {
    case 0:
        ok = VORTA_COM_Read(nullptr, Baud, DevAddr, 'R', 0, buffer, 8, 8);
        break;
    case 1:
        ok = VORTA_COM_Write(port.c_str(), Baud, DevAddr, 'R', 0, nullptr, 8, 8);
        break;
    case 2:
        ok = VORTA_COM_Read(port.c_str(), Baud, DevAddr, 'R', 0, buffer, 8, 0);
        break;
    case 3:
        ok = VORTA_COM_Write(port.c_str(), Baud, DevAddr, 'R', 0, buffer, 8, 256);
        break;
    case 4:
        ok = VORTA_COM_Command(port.c_str(), Baud, DevAddr, nullptr, nullptr);
        break;
    }
    QVERIFY(!ok);
    QTest::qWait(100);
    QVERIFY(m_sim->requests().empty());
}

void TestSerial::missingPortFails()
{
    uint8_t buffer[4];
    QVERIFY(!VORTA_COM_Read("/dev/vorta-no-such-port", Baud, DevAddr, 'R', 0, buffer, 4, 4));
    QVERIFY(!VORTA_COM_Read("", Baud, DevAddr, 'R', 0, buffer, 4, 4));
    // A plain file is no serial port.
    QVERIFY(!VORTA_COM_Read("/dev/null", Baud, DevAddr, 'R', 0, buffer, 4, 4));
}

void TestSerial::twoProcessesSerialise()
{
    m_sim->setMemory('R', 0, pattern(0x400, 1));
    const QString port = QString::fromStdString(m_sim->portName());
    QProcess first;
    QProcess second;
    first.start(QCoreApplication::applicationFilePath(), {"--read", port, "0000"});
    second.start(QCoreApplication::applicationFilePath(), {"--read", port, "0200"});
    QVERIFY(first.waitForFinished(60000));
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);

    // Each job is four blocks; the two jobs must not interleave.
    const QStringList requests = toList(m_sim->requests());
    QCOMPARE(requests.size(), 8);
    for (int job = 0; job < 2; ++job) {
        const QString address = requests[job * 4].mid(7, 2);
        for (int i = 1; i < 4; ++i)
            QCOMPARE(requests[job * 4 + i].mid(7, 2), address);
    }
    QVERIFY(requests[0].mid(7, 2) != requests[4].mid(7, 2));
}

void TestSerial::twoSpellingsNeverShareTheLine_data()
{
    QTest::addColumn<bool>("symlink");
    QTest::newRow("path and bare name") << false;
    QTest::newRow("path and a link to it") << true;
}

// Two programs on one line under two names take two locks; the port itself must keep the
// second out, or each takes answers meant for the other as its own.
void TestSerial::twoSpellingsNeverShareTheLine()
{
    QFETCH(bool, symlink);
    const std::string path = m_sim->portName();  // /dev/pts/N
    QVERIFY(path.compare(0, 5, "/dev/") == 0);
    QTemporaryDir dir;
    QString other = QString::fromStdString(path.substr(5));  // the name the library puts under /dev
    if (symlink) {
        other = dir.filePath(QStringLiteral("ttyMeter"));
        QVERIFY(QFile::link(QString::fromStdString(path), other));
    }
    m_sim->setMemory('R', 0x0000, pattern(256, 0x11));
    m_sim->setMemory('R', 0x1000, pattern(256, 0x5A));

    for (int round = 0; round < 4; ++round) {
        // Both start at one moment, so that their exchanges overlap.
        const auto startAt = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count() +
                             500;
        QProcess first;
        QProcess second;
        first.start(QCoreApplication::applicationFilePath(),
                    {"--check", QString::fromStdString(path), "0000", "11", QString::number(startAt)});
        second.start(QCoreApplication::applicationFilePath(),
                     {"--check", other, "1000", "5A", QString::number(startAt)});
        QVERIFY(first.waitForFinished(60000));
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        // 0 the right bytes, 1 false; 2 would be a success with another's bytes.
        QVERIFY2(first.exitCode() <= 1 && second.exitCode() <= 1,
                 qPrintable(QStringLiteral("round %1: %2 %3").arg(round).arg(first.exitCode()).arg(second.exitCode())));
        QVERIFY2(first.exitCode() == 0 || second.exitCode() == 0, "neither read the line");
    }
    // The line is free again for any spelling.
    std::vector<uint8_t> buffer(256);
    QVERIFY(VORTA_COM_Read(other.toLocal8Bit().constData(), Baud, DevAddr, 'R', 0x1000, buffer.data(), 256, 16));
    QCOMPARE(buffer, pattern(256, 0x5A));
}

void TestSerial::notASerialPortNeverBlocks_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("pseudo-terminal master") << QStringLiteral("/dev/ptmx");
    QTest::newRow("fifo") << QStringLiteral("fifo");
    QTest::newRow("null device") << QStringLiteral("/dev/null");
}

// A name that opens no serial line ends in false; a second call on the same name, waiting for
// the first one's lock, ends too. The watchdog is far beyond the exchange's own time-outs.
void TestSerial::notASerialPortNeverBlocks()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    if (name == QLatin1String("fifo")) {
        name = dir.filePath(name);
        QCOMPARE(mkfifo(QFile::encodeName(name).constData(), 0600), 0);
    }
    QProcess first;
    QProcess second;
    first.start(QCoreApplication::applicationFilePath(), {"--read", name, "0000"});
    second.start(QCoreApplication::applicationFilePath(), {"--read", name, "0000"});
    const bool firstEnded = first.waitForFinished(30000);
    const bool secondEnded = second.waitForFinished(30000);
    if (!firstEnded || !secondEnded) {
        first.kill();
        second.kill();
        first.waitForFinished();
        second.waitForFinished();
        QFAIL("a call on a name that is no serial port did not end");
    }
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), 1);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 1);
}

// A child process: four blocks of 32 bytes from one address.
static int childRead(const char *port, const char *address)
{
    uint8_t buffer[128];
    const auto at = static_cast<uint16_t>(std::strtoul(address, nullptr, 16));
    return VORTA_COM_Read(port, Baud, DevAddr, 'R', at, buffer, sizeof buffer, 32) ? 0 : 1;
}

// A child process: at the given moment, 256 bytes in blocks of 16 from one address, checked
// against the pattern of the seed: 0 right, 1 the read failed, 2 it succeeded with wrong bytes.
static int childCheck(const char *port, const char *address, const char *seed, const char *startAtMs)
{
    const std::chrono::system_clock::time_point startAt{std::chrono::milliseconds(std::strtoll(startAtMs, nullptr, 10))};
    std::this_thread::sleep_until(startAt);
    std::vector<uint8_t> buffer(256);
    const auto at = static_cast<uint16_t>(std::strtoul(address, nullptr, 16));
    if (!VORTA_COM_Read(port, Baud, DevAddr, 'R', at, buffer.data(), 256, 16))
        return 1;
    return buffer == pattern(256, static_cast<uint8_t>(std::strtoul(seed, nullptr, 16))) ? 0 : 2;
}

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--read") == 0)
        return childRead(argv[2], argv[3]);
    if (argc == 6 && std::strcmp(argv[1], "--check") == 0)
        return childCheck(argv[2], argv[3], argv[4], argv[5]);
    QCoreApplication app(argc, argv);
    TestSerial test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_serial.moc"
