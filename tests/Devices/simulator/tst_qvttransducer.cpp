// The simulated transducer's answers, without a port. Checksums are computed with the
// channel's own CRC, so the two sides are checked against each other and the worked frames.
#include "Devices/QiroChannel.h"
#include "QvtTransducer.h"

#include <QtTest>
#include <cstring>

namespace {

QByteArray withCrc(const QByteArray &body)
{
    return body + QByteArray::number(QiroChannel::crc16(body.constData() + 1, body.size() - 1)) + "\r";
}

QByteArray hexOf(float f)
{
    QByteArray b(4, Qt::Uninitialized);
    std::memcpy(b.data(), &f, 4);
    return b.toHex().toUpper();
}

QByteArray exchange(QvtTransducerState &state, const QByteArray &frame)
{
    const QvtTransducer::Answer a = QvtTransducer::respond(state, QvtTransducer::parseRequest(frame), 0);
    return a.silent ? QByteArray() : QvtTransducer::frameAnswer(a);
}

}

class TestQvtTransducer : public QObject
{
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
    void writesReachTheState();
    void readingFollowsZeroCoefficientAndSwing();
};

void TestQvtTransducer::answers_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");   // empty: silent

    QTest::newRow("identify") << QByteArray(":0;0;14891\r") << QByteArray("!1;43;3392\r");
    QTest::newRow("identify at another address") << withCrc(":7;0;") << QByteArray("!1;43;3392\r");
    QTest::newRow("reading status 0 and 1.5") << QByteArray(":1;37;2;17936\r") << QByteArray("!1;000000C03F;27569\r");
    QTest::newRow("serial number") << QByteArray(":1;37;8C;7428\r") << withCrc("!1;4E61BC00;");
    QTest::newRow("units code") << withCrc(":1;37;1E;") << withCrc("!1;01;");
    QTest::newRow("upper limit") << withCrc(":1;37;34;") << withCrc("!1;" + hexOf(1000.0f) + ";");
    QTest::newRow("software version") << withCrc(":1;37;1C;") << withCrc("!1;51565420322E313400;");
    QTest::newRow("write 1.0 to 56") << QByteArray(":1;38;38;0000803F;64472\r") << withCrc("!1;$0;");
    QTest::newRow("commit table") << QByteArray(":1;199;A5;55971\r") << withCrc("!1;$0;");
    QTest::newRow("unknown parameter") << withCrc(":1;37;99;") << withCrc("!1;$3;");
    QTest::newRow("read-only parameter") << withCrc(":1;38;2;0000000000;") << withCrc("!1;$4;");
    QTest::newRow("empty payload") << withCrc(":1;38;38;;") << withCrc("!1;$2;");
    QTest::newRow("units code out of range") << withCrc(":1;38;1E;08;") << withCrc("!1;$6;");
    QTest::newRow("buzzer level 150") << withCrc(":1;38;9E;96;") << withCrc("!1;$0;");
    QTest::newRow("buzzer level 151") << withCrc(":1;38;9E;97;") << withCrc("!1;$6;");
    QTest::newRow("unknown command") << withCrc(":1;5;2;") << withCrc("!1;$1;");
    QTest::newRow("199 on another parameter") << withCrc(":1;199;A4;") << withCrc("!1;$3;");
    QTest::newRow("another address") << withCrc(":2;37;2;") << QByteArray();
    QTest::newRow("bad checksum") << QByteArray(":1;37;2;17937\r") << QByteArray();
    QTest::newRow("no CR") << QByteArray(":1;37;2;17936") << QByteArray();
    QTest::newRow("data with odd digits") << withCrc(":1;38;38;0000803;") << QByteArray();
}

void TestQvtTransducer::answers()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    QvtTransducerState state;
    state.pressure = 1.5;
    QCOMPARE(exchange(state, request), answer);
}

void TestQvtTransducer::writesReachTheState()
{
    QvtTransducerState state;
    QByteArray row;
    for (int i = 0; i < 6; ++i)
        row += hexOf(float(i) + 0.5f);
    QCOMPARE(exchange(state, withCrc(":1;38;72;" + row + ";")), withCrc("!1;$0;"));
    QCOMPARE(state.calibrationTable[2][5], 5.5f);
    QCOMPARE(exchange(state, withCrc(":1;37;72;")), withCrc("!1;" + row + ";"));

    QCOMPARE(exchange(state, withCrc(":1;38;24;F000;")), withCrc("!1;$0;"));
    QCOMPARE(int(state.modeWord), 240);
    QCOMPARE(exchange(state, withCrc(":1;38;9E;32;")), withCrc("!1;$0;"));
    QCOMPARE(int(state.buzzerLevel), 50);
    QCOMPARE(exchange(state, withCrc(":1;199;A5;")), withCrc("!1;$0;"));
    QCOMPARE(state.tableCommits, 1);

    state.deviceType = -1;
    QCOMPARE(exchange(state, withCrc(":1;0;")), withCrc("!1;"));
}

void TestQvtTransducer::readingFollowsZeroCoefficientAndSwing()
{
    QvtTransducerState state;
    state.pressure = 10.0;
    state.zeroCoefficient = -0.25f;
    QCOMPARE(state.readingAt(3.0), 9.75);
    state.pressureAmplitude = 2.0;
    state.pressurePeriodSeconds = 8.0;
    QCOMPARE(state.readingAt(2.0), 11.75);
    QVERIFY(qAbs(state.readingAt(6.0) - 7.75) < 1e-9);
}

QTEST_GUILESS_MAIN(TestQvtTransducer)
#include "tst_qvttransducer.moc"
