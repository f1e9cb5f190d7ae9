// The qvt-simulator executable as the run script starts it.
#include "Devices/QiroChannel.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString simulatorPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/qvt-simulator");
}

// As `echo TEXT > FIFO` does: open, write, close. Refused at once when nobody reads it.
bool sendTo(const QString &fifo, const QByteArray &text)
{
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.constData(), size_t(text.size())) == text.size();
    ::close(fd);
    return ok;
}

bool isFifo(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// The reading of the transducer at port, NaN when it does not answer.
float readPressure(QiroChannel &channel, QiroDevice &device)
{
    float f = std::nanf("");
    if (channel.request(37, 2) && device.answerData.size() == 5)
        std::memcpy(&f, device.answerData.constData() + 1, 4);
    return f;
}
}

class TestQvtSimulatorProcess : public QObject
{
    Q_OBJECT
private slots:
    void servesTheGivenTransducer();
    void steeredThroughItsFifo();
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

void TestQvtSimulatorProcess::steeredThroughItsFifo()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fifo = dir.filePath(QStringLiteral("control"));
    QProcess sim;
    sim.start(simulatorPath(), {"--control", fifo, "--pressure", "1.5"});
    QVERIFY2(sim.waitForStarted(10000), qPrintable(sim.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 10000);
    const QString port = QString::fromLocal8Bit(sim.readLine()).trimmed();
    // Made by the simulator, and read before the port was printed.
    QVERIFY(isFifo(fifo));

    QiroDevice device;
    device.address = 1;
    QiroChannel channel(port);
    channel.setDevice(&device);
    QCOMPARE(readPressure(channel, device), 1.5f);

    // Each command in a write of its own, as repeated echos send them.
    QVERIFY(sendTo(fifo, "pressure 500\n"));
    QTRY_COMPARE_WITH_TIMEOUT(readPressure(channel, device), 500.0f, 10000);
    QVERIFY(sendTo(fifo, "pressure twelve\n"));
    QByteArray errors;
    QTRY_VERIFY_WITH_TIMEOUT((errors += sim.readAllStandardError()).contains("\"pressure twelve\" refused"), 10000);
    QVERIFY(sendTo(fifo, "state\nerror 3"));   // the last line ends with the write
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += sim.readAllStandardOutput()).contains('\n'), 10000);
    QCOMPARE(out, QByteArray("pressure 500; swing 0 60; type 43; serial 12345678; units 1; range 0..1000; answer\n"));
    QTRY_VERIFY_WITH_TIMEOUT(!channel.request(37, 2) && channel.deviceError() == 3, 10000);
    QVERIFY(sendTo(fifo, "answer\n"));
    QTRY_COMPARE_WITH_TIMEOUT(readPressure(channel, device), 500.0f, 10000);

    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(fifo));
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
    QTest::newRow("control file not a FIFO") << QStringList({"--control", QCoreApplication::applicationFilePath()})
                                             << "--control";
    QTest::newRow("control FIFO in no folder") << QStringList({"--control", "/nonexistent/folder/fifo"})
                                               << "--control";
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
