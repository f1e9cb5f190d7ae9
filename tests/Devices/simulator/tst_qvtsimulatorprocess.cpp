// The qvt-simulator executable as the run script starts it.
#include "Devices/QiroChannel.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

namespace {
QString simulatorPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/qvt-simulator");
}
}

class TestQvtSimulatorProcess : public QObject
{
    Q_OBJECT
private slots:
    void servesTheGivenTransducer();
    void badOptions_data();
    void badOptions();
};

void TestQvtSimulatorProcess::servesTheGivenTransducer()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString portFile = dir.filePath(QStringLiteral("port"));
    QProcess sim;
    sim.start(simulatorPath(), {"--port-file", portFile, "--type", "13", "--serial", "42", "--address", "3",
                                "--units", "6", "--range", "-100..2500", "--pressure", "2.5"});
    QVERIFY2(sim.waitForStarted(10000), qPrintable(sim.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 10000);
    const QString port = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QVERIFY(port.startsWith(QLatin1String("/dev/")));
    QFile file(portFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLocal8Bit(file.readAll()).trimmed(), port);

    QiroDevice device;
    QiroChannel channel(port);
    channel.setDevice(&device);
    QVERIFY(channel.request(0, 0));
    QCOMPARE(int(device.deviceType), 13);
    QCOMPARE(device.address, 3);
    QVERIFY(channel.request(37, 0x8C));
    QCOMPARE(device.answerData, QByteArray::fromHex("2A000000"));
    QVERIFY(channel.request(37, 30));
    QCOMPARE(device.answerData, QByteArray("\x06"));
    float f = 0;
    QVERIFY(channel.request(37, 76));
    std::memcpy(&f, device.answerData.constData(), 4);
    QCOMPARE(f, -100.0f);
    QVERIFY(channel.request(37, 2));
    QCOMPARE(device.answerData.size(), 5);
    QCOMPARE(device.answerData.at(0), '\0');
    std::memcpy(&f, device.answerData.constData() + 1, 4);
    QCOMPARE(f, 2.5f);

    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
}

void TestQvtSimulatorProcess::badOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("range without ..") << QStringList({"--range", "100"}) << "--range";
    QTest::newRow("range upside down") << QStringList({"--range", "10..-10"}) << "--range";
    QTest::newRow("units code 8") << QStringList({"--units", "8"}) << "--units";
    QTest::newRow("pressure not a number") << QStringList({"--pressure", "high"}) << "--pressure";
    QTest::newRow("address 0") << QStringList({"--address", "0"}) << "--address";
    QTest::newRow("stray argument") << QStringList({"extra"}) << "unexpected argument";
}

void TestQvtSimulatorProcess::badOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QProcess sim;
    sim.start(simulatorPath(), arguments);
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitCode(), 2);
    QVERIFY(sim.readAllStandardOutput().isEmpty());
    QVERIFY(QString::fromLocal8Bit(sim.readAllStandardError()).contains(message));
}

QTEST_GUILESS_MAIN(TestQvtSimulatorProcess)
#include "tst_qvtsimulatorprocess.moc"
