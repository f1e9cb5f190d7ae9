// The QIRO channel talking to the simulated transducer through QSerialPort over a real
// pseudo-terminal.
#include "Devices/QiroChannel.h"
#include "Devices/QiroTimings.h"
#include "QvtSimulator.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QtTest>
#include <memory>

Q_DECLARE_METATYPE(QvtFault)

namespace {

QByteArray withCrc(const QByteArray &body)
{
    return body + QByteArray::number(QiroChannel::crc16(body.constData() + 1, body.size() - 1)) + "\r";
}

const QByteArray ReadingOf1_5 = QByteArray::fromHex("000000C03F");

}

class TestQiroLink : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void workedFramesOnTheWire();
    void faults_data();
    void faults();
    void silentPortAtTheFullWait();
    void identifyWithoutType();
    void emptyPayloadWrite();
    void probeAndOpenFailure();
    void queuedRefusalActsOnNothing();

private:
    std::unique_ptr<QvtSimulator> m_sim;
};

void TestQiroLink::init()
{
    // Silence costs one wait per try; the default is kept for one test below.
    QiroTimings::answerWaitMs = 1000;
    QiroTimings::simulatorChunkDelayMs = 150;
    QvtTransducerState state;
    state.pressure = 1.5;
    m_sim.reset(new QvtSimulator(state));
    QString error;
    QVERIFY2(m_sim->start(&error), qPrintable(error));
    QVERIFY(m_sim->portName().startsWith(QLatin1String("/dev/")));
}

void TestQiroLink::cleanup()
{
    m_sim.reset();
    QiroTimings::restoreDefaults();
}

void TestQiroLink::workedFramesOnTheWire()
{
    QiroDevice device;
    QiroChannel channel(m_sim->portName());
    channel.setDevice(&device);

    QVERIFY(channel.request(0, 0));
    QCOMPARE(int(device.deviceType), 43);
    QCOMPARE(device.address, 1);   // learnt from the answer; every later frame carries it

    QVERIFY(channel.request(37, 0x8C));
    QCOMPARE(device.answerData, QByteArray::fromHex("4E61BC00"));

    QVERIFY(channel.request(37, 2));
    QCOMPARE(device.answerText, QByteArray("000000C03F"));
    QCOMPARE(device.answerData, ReadingOf1_5);

    channel.payload = QByteArray::fromHex("0000803F");
    QVERIFY(channel.request(38, 56));
    QVERIFY(device.answerData.isEmpty());
    QCOMPARE(m_sim->state().stagedZeroCoefficient, 1.0f);

    QVERIFY(channel.request(199, 165));
    QCOMPARE(m_sim->state().tableCommits, 1);

    QCOMPARE(m_sim->requests(), QList<QByteArray>({":0;0;14891\r", ":1;37;8C;7428\r", ":1;37;2;17936\r",
                                                   ":1;38;38;0000803F;64472\r", ":1;199;A5;55971\r"}));
    QCOMPARE(channel.lastErrorText(), QString());
}

void TestQiroLink::faults_data()
{
    QTest::addColumn<QList<QvtFault>>("faults");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("linkError");
    QTest::addColumn<int>("deviceError");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("dataSize");
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("errorText");

    using F = QvtFault;
    const QString link = QStringLiteral("Ошибка передачи");
    QTest::newRow("none") << QList<F>() << true << 0 << 0 << 1 << 5 << 1 << QString();
    QTest::newRow("silent once") << QList<F>{F::silence()} << true << 0 << 0 << 2 << 5 << 1 << QString();
    QTest::newRow("silent twice") << QList<F>{F::silence(), F::silence()} << false << 6 << 255 << 2 << 0 << 1 << link;
    QTest::newRow("bad checksum once") << QList<F>{F::badChecksum()} << true << 0 << 0 << 2 << 5 << 1 << QString();
    QTest::newRow("bad checksum twice") << QList<F>{F::badChecksum(), F::badChecksum()}
                                        << false << 6 << 255 << 2 << 0 << 1 << link;
    QTest::newRow("$4 after one try") << QList<F>{F::deviceError(4)} << false << 0 << 4 << 1 << 0 << 1
                                      << QStringLiteral("Нарушение прав доступа(полномочий).");
    QTest::newRow("$300") << QList<F>{F::deviceError(300)} << false << 0 << 255 << 1 << 0 << 1
                          << QStringLiteral("Неизвестный код ошибки КИРО!");
    QTest::newRow("$0") << QList<F>{F::deviceError(0)} << true << 0 << 0 << 1 << 0 << 1 << QString();
    QTest::newRow("echo and noise before !")
        << QList<F>{F::bytesBeforeAnswer(":1;37;2;17936\r\x05~noise")} << true << 0 << 0 << 1 << 5 << 1 << QString();
    QTest::newRow("one byte too many") << QList<F>{F::wrongDataSize(1)} << true << 0 << 0 << 1 << 6 << 1 << QString();
    QTest::newRow("one byte short") << QList<F>{F::wrongDataSize(-1)} << true << 0 << 0 << 1 << 4 << 1 << QString();
    QTest::newRow("split in delayed chunks") << QList<F>{F::splitAnswer(4)} << true << 0 << 0 << 1 << 5 << 1 << QString();
    // The junk is an answer of its own: read by a later request it would give 2.5.
    QTest::newRow("junk after CR") << QList<F>{F::junkAfterCr(withCrc("!1;0000002040;") + "xyz")}
                                   << true << 0 << 0 << 1 << 5 << 1 << QString();
    QTest::newRow("flood once") << QList<F>{F::flood(300)} << true << 0 << 0 << 2 << 5 << 1 << QString();
    QTest::newRow("flood twice") << QList<F>{F::flood(300), F::flood(300)} << false << 6 << 255 << 2 << 0 << 1 << link;
    QTest::newRow("flood of !") << QList<F>{F::flood(2000, '!'), F::flood(2000, '!')}
                                << false << 6 << 255 << 2 << 0 << 1 << link;
    QTest::newRow("no token twice") << QList<F>{F::replaceAnswer(withCrc("!;")), F::replaceAnswer(withCrc("!;"))}
                                    << false << 4 << 255 << 2 << 0 << 1 << link;
    // Without CR the answer ends at the silence after it, and is taken when its checksum holds.
    const QByteArray noCr = withCrc("!1;000000C03F;").chopped(1);
    const QByteArray noCrBadChecksum = "!1;000000C03F;27570";
    QTest::newRow("no CR") << QList<F>{F::replaceAnswer(noCr)} << true << 0 << 0 << 1 << 5 << 1 << QString();
    QTest::newRow("no CR, bad checksum once") << QList<F>{F::replaceAnswer(noCrBadChecksum)}
                                              << true << 0 << 0 << 2 << 5 << 1 << QString();
    QTest::newRow("no CR, bad checksum twice")
        << QList<F>{F::replaceAnswer(noCrBadChecksum), F::replaceAnswer(noCrBadChecksum)}
        << false << 6 << 255 << 2 << 0 << 1 << link;
    QTest::newRow("another address") << QList<F>{F::otherAddress(7)} << true << 0 << 0 << 1 << 5 << 7 << QString();
}

void TestQiroLink::faults()
{
    QFETCH(QList<QvtFault>, faults);
    QFETCH(bool, ok);
    QFETCH(int, linkError);
    QFETCH(int, deviceError);
    QFETCH(int, frames);
    QFETCH(int, dataSize);
    QFETCH(int, address);
    QFETCH(QString, errorText);

    for (const QvtFault &f : faults)
        m_sim->queueFault(f);
    QiroDevice device;
    device.address = 1;
    device.answerData = "stale";
    QiroChannel channel(m_sim->portName());
    channel.setDevice(&device);

    QCOMPARE(channel.request(37, 2), ok);
    QCOMPARE(channel.linkError(), linkError);
    QCOMPARE(int(channel.deviceError()), deviceError);
    QCOMPARE(channel.lastErrorText(), errorText);
    QCOMPARE(device.answerData.size(), dataSize);
    QCOMPARE(device.address, address);
    QCOMPARE(m_sim->requests().size(), frames);
    for (const QByteArray &frame : m_sim->requests())
        QCOMPARE(frame, QByteArray(":1;37;2;17936\r"));
    QCOMPARE(m_sim->pendingFaults(), 0);
    // The port is closed between requests, failed or not, so another program may take it.
    QSerialPort other(m_sim->portName());
    QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
    other.close();

    // Whatever the fault left on the line, the next request gets its own answer,
    // sent to the address the last good answer gave. Late bytes are let land first.
    QVERIFY(m_sim->waitUntilSent(10000));
    QTest::qWait(50);
    m_sim->updateState([&](QvtTransducerState &s) { s.address = device.address; });
    QVERIFY(channel.request(37, 2));
    QCOMPARE(device.answerData, ReadingOf1_5);
    QVERIFY(m_sim->requests().last().startsWith(":" + QByteArray::number(address) + ";37;2;"));
}

void TestQiroLink::silentPortAtTheFullWait()
{
    QiroTimings::restoreDefaults();
    QCOMPARE(QiroTimings::answerWaitMs.load(), 1500);
    m_sim->queueFault(QvtFault::silence());
    m_sim->queueFault(QvtFault::silence());
    QiroDevice device;
    device.address = 1;
    QiroChannel channel(m_sim->portName());
    channel.setDevice(&device);

    QElapsedTimer timer;
    timer.start();
    QVERIFY(!channel.request(37, 2));
    // Two tries, each waiting the whole 1500 ms for an answer that never comes.
    QVERIFY2(timer.elapsed() >= 2 * 1500 - 100, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(channel.linkError(), int(QiroChannel::LinkBadAnswer));
    QCOMPARE(channel.deviceError(), uint8_t(255));
    QCOMPARE(channel.lastErrorText(), QStringLiteral("Ошибка передачи"));
    QCOMPARE(m_sim->requests().size(), 2);
}

void TestQiroLink::identifyWithoutType()
{
    m_sim->updateState([](QvtTransducerState &s) { s.deviceType = -1; });
    QiroDevice device;
    device.address = 5;
    device.deviceType = 43;
    QiroChannel channel(m_sim->portName());
    channel.setDevice(&device);
    QVERIFY(channel.request(0, 0));
    QCOMPARE(int(device.deviceType), 0);
    QCOMPARE(device.address, 0);
    QCOMPARE(int(device.status), 0);
    QCOMPARE(m_sim->requests(), QList<QByteArray>({withCrc(":5;0;")}));
}

void TestQiroLink::emptyPayloadWrite()
{
    QiroDevice device;
    device.address = 1;
    QiroChannel channel(m_sim->portName());
    channel.setDevice(&device);
    QVERIFY(channel.payload.isEmpty());
    QVERIFY(!channel.request(38, 56));
    QCOMPARE(m_sim->requests(), QList<QByteArray>({withCrc(":1;38;38;;")}));
    QCOMPARE(int(channel.deviceError()), 2);
    QCOMPARE(channel.lastErrorText(), QStringLiteral("Неверный формат команды."));
}

void TestQiroLink::probeAndOpenFailure()
{
    QiroChannel channel(m_sim->portName());
    QVERIFY(channel.probePort());
    channel.setPortName(QStringLiteral("/nonexistent/tty"));
    QCOMPARE(channel.portName(), QStringLiteral("/nonexistent/tty"));
    QVERIFY(!channel.probePort());
    QVERIFY(!channel.request(37, 2));
    QCOMPARE(channel.linkError(), int(QiroChannel::LinkPortError));
    QCOMPARE(channel.lastErrorText(), QStringLiteral("Ошибка передачи"));
    QVERIFY(m_sim->requests().isEmpty());

    // Back on the simulator the same channel works again.
    channel.setPortName(m_sim->portName());
    QVERIFY(channel.request(0, 0));
    QCOMPARE(m_sim->requests().size(), 1);
}

// A request that a queued fault refuses or leaves unanswered changes nothing in the transducer;
// a fault bound to the data of a write passes the same write of other data by.
void TestQiroLink::queuedRefusalActsOnNothing()
{
    QiroDevice device;
    device.address = 1;
    QiroChannel channel(m_sim->portName());
    channel.setDevice(&device);

    m_sim->queueFault(QvtFault::deviceError(5).on(199, 165));
    QVERIFY(!channel.request(199, 165));
    QCOMPARE(channel.lastErrorText(), QStringLiteral("Ошибка доступа."));
    QCOMPARE(m_sim->state().tableCommits, 0);

    m_sim->queueFault(QvtFault::deviceError(4).on(38, 25).carrying(QByteArray(1, '\0')));
    channel.payload = QByteArray(1, char(0x5A));
    QVERIFY(channel.request(38, 25));
    QCOMPARE(int(m_sim->state().calibrationAccess), 0x5A);
    channel.payload = QByteArray(1, '\0');
    QVERIFY(!channel.request(38, 25));
    QCOMPARE(int(channel.deviceError()), 4);
    QCOMPARE(int(m_sim->state().calibrationAccess), 0x5A);

    m_sim->queueFault(QvtFault::silence().on(38, 158));
    m_sim->queueFault(QvtFault::silence().on(38, 158));
    channel.payload = QByteArray(1, char(9));
    QVERIFY(!channel.request(38, 158));
    QCOMPARE(int(m_sim->state().buzzerLevel), 0);
    QCOMPARE(m_sim->pendingFaults(), 0);

    // Answered again, each acts.
    QVERIFY(channel.request(38, 158));
    QCOMPARE(int(m_sim->state().buzzerLevel), 9);
    QVERIFY(channel.request(199, 165));
    QCOMPARE(m_sim->state().tableCommits, 1);
}

QTEST_GUILESS_MAIN(TestQiroLink)
#include "tst_qirolink.moc"
